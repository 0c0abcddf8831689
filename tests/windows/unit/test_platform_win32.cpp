// test_platform_win32.cpp -- the Windows services behind the platform
// headers: the multimedia clock, GetAsyncKeyState as the key query, and
// 64-bit file sizes through the C library's stat.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "landscape/lnd_file.h"
#include "platform/clock.h"
#include "platform/key_state.h"
#include "platform/path_limit.h"
#include "unit_support/test_files.h"

TEST(ClockWindows, CountsMillisecondsAcrossASleep) {
    const uint32_t before = MillisecondClock();
    Sleep(200);
    const uint32_t slept = MillisecondsBetween(before, MillisecondClock());
    EXPECT_GE(slept, 190u);
    EXPECT_LT(slept, 2000u);
}

// Keys pressed through the system's input queue, as a keyboard would: the
// query sees what GetAsyncKeyState sees, not the GLUT-fed table.
TEST(KeyQueryWindows, AsksTheSystemNotTheTable) {
    for (int k = 0; k < 256; ++k) QueryAsyncKeyState(k);
    EXPECT_FALSE(QueryAsyncKeyState('W'));
    // The table alone says nothing to the query here.
    KeyStateDown('W');
    EXPECT_TRUE(KeyStateHeld('W'));
    EXPECT_FALSE(QueryAsyncKeyState('W'));
    KeyStateUp('W');

    keybd_event('W', 0, 0, 0);
    EXPECT_TRUE(QueryAsyncKeyState('W'));
    EXPECT_TRUE(QueryAsyncKeyState('W'));  // still held
    EXPECT_FALSE(QueryAsyncKeyState('S'));
    keybd_event('W', 0, KEYEVENTF_KEYUP, 0);
    // Released: at most the "pressed since the last call" bit is left, and a
    // second query clears it.
    QueryAsyncKeyState('W');
    EXPECT_FALSE(QueryAsyncKeyState('W'));
    EXPECT_FALSE(QueryAsyncKeyState(300));
    EXPECT_FALSE(QueryAsyncKeyState(-1));
}

TEST(PathLimitWindows, IsMaxPathLessTheTerminator) { EXPECT_EQ(LongestSystemPath(), 259u); }

// Whole files of any length; a folder and a missing file refused with the C
// library's reason, as on Linux.
TEST(LndFileWindows, ReadsWholeFilesAndRefusesFoldersWithTheirReason) {
    const std::string dir = TestTempDir("read");
    TestLandscape land(1, 1, 1, 1);
    land.bytes[land.bytes.size() - 1] = 0x1A;  // Ctrl+Z ends a text-mode read early
    land.bytes[land.bytes.size() - 2] = '\r';
    const std::string path = WriteTestFile(dir + "\\whole.lnd", land.bytes);
    FileRead r = ReadWholeFile(path.c_str());
    ASSERT_EQ(r.fault, FileReadFault::None);
    EXPECT_EQ(std::vector<uint8_t>(r.data, r.data + r.length), land.bytes);
    delete[] r.data;

    r = ReadWholeFile(WriteTestFile(dir + "\\empty.lnd", {}).c_str());
    EXPECT_EQ(r.fault, FileReadFault::None);
    EXPECT_EQ(r.length, 0u);
    delete[] r.data;

    const std::string missing = dir + "\\none\\none.lnd";
    EXPECT_EQ(FileReadFaultLine(ReadWholeFile(missing.c_str()), missing.c_str()),
              "ERROR : Unable to Open Specified File " + missing + " : No such file or directory");
    const FileRead folder = ReadWholeFile(dir.c_str());
    EXPECT_EQ(folder.fault, FileReadFault::NotRegular);
    EXPECT_EQ(folder.reason, "Is a directory");
    EXPECT_EQ(folder.data, nullptr);
}

// A file past 2 GiB: MinGW's plain stat holds the size in a signed 32-bit
// field, where this length would turn negative.
TEST(LndFileWindows, SizesPastTwoGibibytesAreRead) {
    const std::string dir = TestTempDir("big_file");
    const std::string path = dir + "\\big.lnd";
    const uint64_t length = (uint64_t(1) << 31) + 1052;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = LONGLONG(length);
    // Sparse where the file system allows it: only the length is written.
    const bool sized = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    ASSERT_TRUE(sized);
    const FileRead r = ReadWholeFile(path.c_str());
    EXPECT_EQ(r.fault, FileReadFault::None) << FileReadFaultLine(r, path.c_str());
    EXPECT_EQ(r.length, length);
    EXPECT_EQ(r.bytesRead, length);
    if (r.data) {
        EXPECT_EQ(r.data[0], 0);
        EXPECT_EQ(r.data[length - 1], 0);
    }
    delete[] r.data;
    std::filesystem::remove(path);
}
