// test_safe_write.cpp -- the one file writer on real files, links, devices,
// FIFOs and folders, under a file size limit and under signals: nothing it
// was not asked to replace may change, and no temporary may stay behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/safe_write.h"
#include "unit_support/test_files.h"
#include "unit_support/unprivileged_posix.h"

namespace fs = std::filesystem;

namespace {

// Every entry of a folder (not following links) with what identifies it:
// its kind, mode, inode, and for regular files its bytes, for links their target.
struct Entry {
    mode_t mode;
    ino_t inode;
    std::vector<uint8_t> bytes;
    std::string linkTarget;
    bool operator==(const Entry&) const = default;
};
std::map<std::string, Entry> Snapshot(const std::string& dir) {
    std::map<std::string, Entry> entries;
    for (const auto& item : fs::directory_iterator(dir)) {
        struct stat st;
        lstat(item.path().c_str(), &st);
        Entry e{st.st_mode, st.st_ino, {}, {}};
        if (S_ISREG(st.st_mode)) e.bytes = ReadTestFile(item.path().string());
        if (S_ISLNK(st.st_mode)) e.linkTarget = fs::read_symlink(item.path()).string();
        entries[item.path().filename().string()] = e;
    }
    return entries;
}

std::vector<uint8_t> Bytes(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t n = 0; n < size; ++n) bytes[n] = uint8_t(n * 31 + seed);
    return bytes;
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    return SafeWriteWholeFile(path.c_str(), bytes.data(), bytes.size(), error);
}

mode_t ModeOf(const std::string& path) {
    struct stat st;
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// Runs `body` with the file size limited to `bytes`, as a full disk would
// stop the writes (SIGXFSZ ignored, so the writes fail with EFBIG instead).
template <typename Body>
void WithFileSizeLimit(rlim_t bytes, Body body) {
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = bytes;
    void (*savedHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    body();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, savedHandler);
}

}  // namespace

TEST(SafeWrite, NewFileAppearsWholeOrNotAtAll) {
    const std::string dir = TestTempDir("safe_new");
    const std::vector<uint8_t> bytes = Bytes(300000, 1);
    std::string error;
    ASSERT_TRUE(Write(dir + "/new.bin", bytes, &error)) << error;
    EXPECT_EQ(ReadTestFile(dir + "/new.bin"), bytes);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(ModeOf(dir + "/new.bin"), 0666 & ~mask);

    // Cut short by a full disk: the name stays free and no temporary stays.
    WithFileSizeLimit(4096, [&] { EXPECT_FALSE(Write(dir + "/cut.bin", bytes, &error)); });
    EXPECT_EQ(error, "ERROR : " + dir + "/cut.bin : File too large");
    EXPECT_EQ(Snapshot(dir).size(), 1u);
    EXPECT_FALSE(fs::exists(dir + "/cut.bin"));

    // A folder that does not exist.
    EXPECT_FALSE(Write(dir + "/none/x.bin", bytes, &error));
    EXPECT_EQ(error, "ERROR : " + dir + "/none/x.bin : No such file or directory");
}

TEST(SafeWrite, ReplacingAFileKeepsItsPermissionBitsAndLeavesTheRestAlone) {
    const std::string dir = TestTempDir("safe_replace");
    const std::string path = WriteTestFile(dir + "/land.lnd", Bytes(5000, 2));
    WriteTestFile(dir + "/neighbour", Bytes(10, 3));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    std::map<std::string, Entry> before = Snapshot(dir);

    const std::vector<uint8_t> bytes = Bytes(70000, 4);
    std::string error;
    ASSERT_TRUE(Write(path, bytes, &error)) << error;
    EXPECT_EQ(ReadTestFile(path), bytes);
    EXPECT_EQ(ModeOf(path), 0640u);
    std::map<std::string, Entry> after = Snapshot(dir);
    EXPECT_TRUE(after["neighbour"] == before["neighbour"]);
    EXPECT_EQ(after.size(), 2u);

    // A failed replacement leaves the old file as it was, byte for byte.
    before = after;
    WithFileSizeLimit(4096, [&] { EXPECT_FALSE(Write(path, Bytes(90000, 5), &error)); });
    EXPECT_EQ(error, "ERROR : " + path + " : File too large");
    EXPECT_TRUE(Snapshot(dir) == before);

    // A file its owner made read-only is refused (checked as nobody: root may write any file).
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    before = Snapshot(dir);
    EXPECT_EQ(AsUnprivilegedUser([&] {
                  std::string line;
                  return Write(path, bytes, &line) ? std::string("written") : line;
              }),
              "ERROR : " + path + " : Permission denied");
    EXPECT_TRUE(Snapshot(dir) == before);
}

TEST(SafeWrite, SymlinksStaySymlinksAndTheirTargetIsReplaced) {
    const std::string dir = TestTempDir("safe_links");
    fs::create_directory(dir + "/real");
    const std::string target = WriteTestFile(dir + "/real/land.lnd", Bytes(100, 6));
    ASSERT_EQ(chmod(target.c_str(), 0600), 0);
    fs::create_symlink("real/land.lnd", dir + "/link.lnd");          // relative
    fs::create_symlink(dir + "/link.lnd", dir + "/link2.lnd");        // a chain
    fs::create_symlink("real/later.lnd", dir + "/dangling.lnd");      // to nothing yet

    std::string error;
    const std::vector<uint8_t> first = Bytes(2000, 7), second = Bytes(3000, 8), third = Bytes(10, 9);
    ASSERT_TRUE(Write(dir + "/link.lnd", first, &error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir + "/link.lnd"));
    EXPECT_EQ(fs::read_symlink(dir + "/link.lnd"), "real/land.lnd");
    EXPECT_EQ(ReadTestFile(target), first);
    EXPECT_EQ(ModeOf(target), 0600u);

    ASSERT_TRUE(Write(dir + "/link2.lnd", second, &error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir + "/link2.lnd"));
    EXPECT_TRUE(fs::is_symlink(dir + "/link.lnd"));
    EXPECT_EQ(ReadTestFile(target), second);

    ASSERT_TRUE(Write(dir + "/dangling.lnd", third, &error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir + "/dangling.lnd"));
    EXPECT_EQ(ReadTestFile(dir + "/real/later.lnd"), third);
    EXPECT_EQ(Snapshot(dir + "/real").size(), 2u) << "land.lnd and later.lnd, no temporaries";

    // A link to a folder is a folder.
    fs::create_directory_symlink("real", dir + "/folder-link");
    EXPECT_FALSE(Write(dir + "/folder-link", third, &error));
    EXPECT_EQ(error, "ERROR : " + dir + "/folder-link : Is a directory");
}

TEST(SafeWrite, FoldersAreRefusedAndFifosWrittenDirectly) {
    const std::string dir = TestTempDir("safe_special");
    fs::create_directory(dir + "/folder");
    WriteTestFile(dir + "/folder/inside", Bytes(5, 10));
    const std::map<std::string, Entry> folderBefore = Snapshot(dir + "/folder");
    std::string error;
    EXPECT_FALSE(Write(dir + "/folder", Bytes(5, 11), &error));
    EXPECT_EQ(error, "ERROR : " + dir + "/folder : Is a directory");
    EXPECT_TRUE(Snapshot(dir + "/folder") == folderBefore);

    // A FIFO is written into, never renamed over: a reader gets every byte.
    const std::string fifo = dir + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<uint8_t> received;
    std::thread reader([&] {
        const int fd = open(fifo.c_str(), O_RDONLY);
        uint8_t chunk[65536];
        for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;) received.insert(received.end(), chunk, chunk + n);
        close(fd);
    });
    const std::vector<uint8_t> bytes = Bytes(500000, 12);
    EXPECT_TRUE(Write(fifo, bytes, &error)) << error;
    reader.join();
    EXPECT_EQ(received, bytes);
    struct stat st;
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(Snapshot(dir).size(), 2u) << "folder and pipe, no temporaries";
}

TEST(SafeWrite, CharacterDevicesAreWrittenDirectlyAndTheirFaultsReported) {
    const std::string dir = TestTempDir("safe_devices");
    // Private nodes for the null and full devices (1, 3 and 1, 7), never the machine's own.
    if (mknod((dir + "/null").c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0 ||
        mknod((dir + "/full").c_str(), S_IFCHR | 0600, makedev(1, 7)) != 0)
        GTEST_SKIP() << "cannot make device nodes here (needs CAP_MKNOD): " << std::strerror(errno);
    std::string error;
    EXPECT_TRUE(Write(dir + "/null", Bytes(100000, 13), &error)) << error;
    EXPECT_FALSE(Write(dir + "/full", Bytes(100000, 13), &error));
    EXPECT_EQ(error, "ERROR : " + dir + "/full : No space left on device");
    for (const char* name : {"/null", "/full"}) {
        struct stat st;
        ASSERT_EQ(lstat((dir + name).c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << name << " must stay a device";
    }
    EXPECT_EQ(Snapshot(dir).size(), 2u);
}

TEST(SafeWrite, SigintOrSigtermWhileWritingLeavesNoTemporary) {
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        const std::string dir = TestTempDir("safe_signal_" + std::to_string(signalNumber));
        const std::string path = WriteTestFile(dir + "/kept.lnd", Bytes(100, 14));
        const std::map<std::string, Entry> before = Snapshot(dir);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Half way through a replacement and a new file, the signal arrives.
            SafeWriteFile replacing, creating;
            std::string error;
            const std::vector<uint8_t> bytes = Bytes(200000, 15);
            if (!SafeWriteOpen(path.c_str(), &replacing, &error) ||
                !SafeWriteBytes(&replacing, bytes.data(), bytes.size(), &error) ||
                !SafeWriteOpen((dir + "/new.lnd").c_str(), &creating, &error))
                _exit(3);
            fflush(replacing.stream);
            raise(signalNumber);
            _exit(4);  // not reached: the signal ends the process
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), signalNumber);
        EXPECT_TRUE(Snapshot(dir) == before) << "signal " << signalNumber;
    }
}

TEST(SafeWrite, AProgramsOwnSignalHandlingIsKept) {
    const std::string dir = TestTempDir("safe_signal_kept");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGTERM, SIG_IGN);
        SafeWriteFile file;
        std::string error;
        if (!SafeWriteOpen((dir + "/x").c_str(), &file, &error)) _exit(3);
        raise(SIGTERM);  // still ignored
        SafeWriteDiscard(&file);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(Snapshot(dir).empty());
}

// A batch of three groups, one file replaced: every file whole, the old
// one's mode kept, no temporary left. A file that cannot be opened in the
// second group stops the batch there: the first group is written, none of
// the second, and no temporary stays.
TEST(SafeWrite, BatchesWriteEveryFileAndStopCleanlyAtAFault) {
    const std::string dir = TestTempDir("safe_write_batch");
    std::string error;
    ASSERT_TRUE(Write(dir + "/f5", Bytes(10, 0), &error));
    chmod((dir + "/f5").c_str(), 0640);
    std::vector<std::vector<uint8_t>> contents;
    std::vector<SafeWriteItem> items;
    for (size_t i = 0; i < 3 * kSafeWriteGroupFiles - 7; ++i) contents.push_back(Bytes(100 + i, uint8_t(i)));
    for (size_t i = 0; i < contents.size(); ++i)
        items.push_back({dir + "/f" + std::to_string(i), contents[i].data(), contents[i].size()});
    ASSERT_TRUE(SafeWriteBatch(items, &error)) << error;
    EXPECT_EQ(Snapshot(dir).size(), contents.size());
    for (size_t i = 0; i < contents.size(); ++i) EXPECT_EQ(ReadTestFile(items[i].path), contents[i]) << i;
    EXPECT_EQ(ModeOf(dir + "/f5") & 07777, 0640u);

    const std::string other = TestTempDir("safe_write_batch_fault");
    for (SafeWriteItem& item : items) item.path = other + item.path.substr(dir.size());
    items[kSafeWriteGroupFiles + 3].path = other + "/missing/folder";
    EXPECT_FALSE(SafeWriteBatch(items, &error));
    EXPECT_EQ(error, "ERROR : " + other + "/missing/folder : No such file or directory");
    EXPECT_EQ(Snapshot(other).size(), kSafeWriteGroupFiles);
}
