// test_safe_write_win32.cpp -- the Windows writer on real files: new names,
// replacements (the second export over the first), folders, read-only and
// locked files, devices, missing folders and names too long, and never a
// temporary left behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/safe_write.h"
#include "unit_support/test_files.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Bytes(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t n = 0; n < size; ++n) bytes[n] = uint8_t(n * 31 + seed);
    // Line ends and a Ctrl+Z, which a text-mode stream would change.
    if (size > 3) {
        bytes[0] = '\n';
        bytes[1] = '\r';
        bytes[2] = 0x1A;
    }
    return bytes;
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error, bool* direct = nullptr) {
    return SafeWriteWholeFile(path.c_str(), bytes.data(), bytes.size(), error, direct);
}

std::set<std::string> Names(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(dir)) names.insert(item.path().filename().string());
    return names;
}

}  // namespace

TEST(SafeWriteWindows, NewFileGetsEveryByteAndNoTemporaryStays) {
    const std::string dir = TestTempDir("sw_new");
    const std::string path = dir + "\\land.lnd-0.dds";
    const std::vector<uint8_t> bytes = Bytes(65664, 7);
    std::string error;
    bool direct = true;
    ASSERT_TRUE(Write(path, bytes, &error, &direct)) << error;
    EXPECT_FALSE(direct);
    EXPECT_EQ(ReadTestFile(path), bytes);
    EXPECT_EQ(Names(dir), std::set<std::string>{"land.lnd-0.dds"});
}

TEST(SafeWriteWindows, SecondWriteReplacesTheFirst) {
    // Forward slashes as well as backslashes: Wine users pass /tmp/x paths.
    const std::string dir = TestTempDir("sw_replace");
    const std::string path = dir + "/land.lnd-3.dds";
    std::string error;
    ASSERT_TRUE(Write(path, Bytes(5000, 1), &error)) << error;
    const std::vector<uint8_t> second = Bytes(3000, 2);
    ASSERT_TRUE(Write(path, second, &error)) << error;
    EXPECT_EQ(ReadTestFile(path), second);
    EXPECT_EQ(Names(dir), std::set<std::string>{"land.lnd-3.dds"});
}

TEST(SafeWriteWindows, FolderIsRefusedAndKept) {
    const std::string dir = TestTempDir("sw_folder");
    fs::create_directory(dir + "\\sub");
    WriteTestFile(dir + "\\sub\\inside", {1, 2, 3});
    std::string error;
    EXPECT_FALSE(Write(dir + "\\sub", Bytes(10, 0), &error));
    EXPECT_EQ(error, "ERROR : " + dir + "\\sub : Is a directory");
    EXPECT_TRUE(fs::is_directory(dir + "\\sub"));
    EXPECT_EQ(ReadTestFile(dir + "\\sub\\inside"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(Names(dir), std::set<std::string>{"sub"});
}

TEST(SafeWriteWindows, ReadOnlyFileIsRefusedAndKept) {
    const std::string dir = TestTempDir("sw_readonly");
    const std::string path = dir + "\\locked.dds";
    WriteTestFile(path, {9, 9, 9});
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    std::string error;
    EXPECT_FALSE(Write(path, Bytes(100, 0), &error));
    EXPECT_EQ(error, "ERROR : " + path + " : Permission denied");
    EXPECT_EQ(ReadTestFile(path), (std::vector<uint8_t>{9, 9, 9}));
    EXPECT_EQ(Names(dir), std::set<std::string>{"locked.dds"});
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(SafeWriteWindows, FileOpenElsewhereWithoutSharingKeepsItsBytesAndNoTemporaryStays) {
    // The rename is the step that fails: the temporary must go.
    const std::string dir = TestTempDir("sw_locked");
    const std::string path = dir + "\\busy.dds";
    WriteTestFile(path, {4, 5, 6});
    const HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string error;
    const bool written = Write(path, Bytes(2000, 3), &error);
    CloseHandle(held);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, "ERROR : " + path + " : Permission denied");
    EXPECT_EQ(ReadTestFile(path), (std::vector<uint8_t>{4, 5, 6}));
    EXPECT_EQ(Names(dir), std::set<std::string>{"busy.dds"});
}

TEST(SafeWriteWindows, DeviceNamesAreWrittenDirectly) {
    // NUL takes everything; nothing appears in the current folder.
    const std::string dir = TestTempDir("sw_device");
    const std::string before = fs::current_path().string();
    fs::current_path(dir);
    for (const char* device : {"NUL", "nul", "NUL.dds"}) {
        std::string error;
        bool direct = false;
        EXPECT_TRUE(Write(device, Bytes(70000, 5), &error, &direct)) << device << ": " << error;
        EXPECT_TRUE(direct) << device;
    }
    fs::current_path(before);
    EXPECT_TRUE(Names(dir).empty());
}

TEST(SafeWriteWindows, MissingFolderAndEmptyPathSayNoSuchFile) {
    const std::string dir = TestTempDir("sw_missing");
    std::string error;
    EXPECT_FALSE(Write(dir + "\\no\\such\\land.dds", Bytes(10, 0), &error));
    EXPECT_EQ(error, "ERROR : " + dir + "\\no\\such\\land.dds : No such file or directory");
    EXPECT_FALSE(Write("", Bytes(10, 0), &error));
    EXPECT_EQ(error, "ERROR :  : No such file or directory");
    EXPECT_TRUE(Names(dir).empty());
}

TEST(SafeWriteWindows, PathsLongerThanWindowsOpensAreRefusedByName) {
    const std::string dir = TestTempDir("sw_long");
    const std::string path = dir + "\\" + std::string(299 - dir.size(), 'n');
    ASSERT_EQ(path.size(), 300u);
    std::string error;
    EXPECT_FALSE(Write(path, Bytes(10, 0), &error));
    EXPECT_EQ(error, "ERROR : " + path + " : " + std::strerror(ENAMETOOLONG));
    EXPECT_TRUE(Names(dir).empty());
}

TEST(SafeWriteWindows, DiscardRemovesTheTemporary) {
    const std::string dir = TestTempDir("sw_discard");
    const std::string path = dir + "\\half.dds";
    SafeWriteFile file;
    std::string error;
    ASSERT_TRUE(SafeWriteOpen(path.c_str(), &file, &error)) << error;
    const std::vector<uint8_t> bytes = Bytes(1000, 9);
    ASSERT_TRUE(SafeWriteBytes(&file, bytes.data(), bytes.size(), &error)) << error;
    // The temporary sits beside the target while the file is written.
    EXPECT_EQ(fs::path(file.tempPath).parent_path(), fs::path(path).parent_path());
    EXPECT_EQ(Names(dir).size(), 1u);
    EXPECT_FALSE(fs::exists(path));
    SafeWriteDiscard(&file);
    EXPECT_TRUE(Names(dir).empty());
}
