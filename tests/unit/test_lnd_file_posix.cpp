// test_lnd_file_posix.cpp -- reading whole landscape files on POSIX systems:
// any length, and what is not a regular file (a folder, a FIFO) or cannot be
// read, refused with its reason before any open could block.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "landscape/lnd_file.h"
#include "unit_support/test_files.h"
#include "unit_support/unprivileged_posix.h"

TEST(LandscapeFile, ReadsWholeFilesAndRefusesWhatIsNotOneWithItsReason) {
    const std::string dir = TestTempDir("read");
    TestLandscape land(1, 1, 1, 1);
    land.bytes[land.bytes.size() - 1] = 0x5A;
    const std::string path = WriteTestFile(dir + "/whole.lnd", land.bytes);
    FileRead r = ReadWholeFile(path.c_str());
    ASSERT_EQ(r.fault, FileReadFault::None);
    ASSERT_EQ(r.length, land.bytes.size());
    EXPECT_EQ(std::vector<uint8_t>(r.data, r.data + r.length), land.bytes);
    delete[] r.data;

    // Any length is read; the check judges it.
    const std::string empty = WriteTestFile(dir + "/empty.lnd", {});
    r = ReadWholeFile(empty.c_str());
    EXPECT_EQ(r.fault, FileReadFault::None);
    EXPECT_EQ(r.length, 0u);
    delete[] r.data;

    const FileRead missing = ReadWholeFile("/nonexistent/dir/none.lnd");
    EXPECT_EQ(missing.fault, FileReadFault::CannotOpen);
    EXPECT_EQ(FileReadFaultLine(missing, "/nonexistent/dir/none.lnd"),
              "ERROR : Unable to Open Specified File /nonexistent/dir/none.lnd : No such file or directory");

    const FileRead folder = ReadWholeFile(dir.c_str());
    EXPECT_EQ(folder.fault, FileReadFault::NotRegular);
    EXPECT_EQ(folder.reason, "Is a directory");
    EXPECT_EQ(folder.data, nullptr);

    // A FIFO with no writer would block an open for reading forever: it is
    // refused before any open, so this returns at once.
    const std::string fifo = dir + "/pipe.lnd";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const FileRead pipe = ReadWholeFile(fifo.c_str());
    EXPECT_EQ(pipe.fault, FileReadFault::NotRegular);
    EXPECT_EQ(FileReadFaultLine(pipe, "p.lnd"), "ERROR : Unable to Open Specified File p.lnd : not a regular file (a FIFO)");

    // Checked as nobody: root may read anything.
    const std::string locked = WriteTestFile(dir + "/locked.lnd", land.bytes);
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    EXPECT_EQ(AsUnprivilegedUser([&] { return ReadWholeFile(locked.c_str()).reason; }), "Permission denied");
}
