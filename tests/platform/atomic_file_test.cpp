#include "platform/atomic_file.h"

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace lorvano_test;
namespace fs = std::filesystem;

namespace {

TEST(AtomicFile, NewFilesFollowTheUmaskAndOldOnesKeepTheirMode) {
    TempDir dir;
    std::string path = dir.File("new.txt");
    mode_t old = umask(027);
    bool written = platform::WriteFileAtomically(path, "abc");
    umask(old);
    ASSERT_TRUE(written);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
    fs::permissions(path, fs::perms(0604));
    ASSERT_TRUE(platform::WriteFileAtomically(path, "defg"));
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0604));
    EXPECT_EQ(ReadFile(path), "defg");
    EXPECT_EQ(CountEntries(dir.Path()), 1);
}

TEST(AtomicFile, ARewriteKeepsTheOwnerWhereAllowed) {
    if (geteuid() != 0) GTEST_SKIP() << "only root may give a file away";
    TempDir dir;
    std::string path = dir.File("owned.txt");
    WriteFile(path, "a");
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(platform::WriteFileAtomically(path, "b"));
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
}

TEST(AtomicFile, WhatIsNoFileIsNotReplaced) {
    TempDir dir;
    fs::create_directory(dir.Path() / "sub");
    EXPECT_FALSE(platform::WriteFileAtomically(dir.File("sub"), "x"));
    EXPECT_TRUE(fs::is_directory(dir.Path() / "sub"));
    EXPECT_FALSE(platform::WriteFileAtomically(dir.File("missing/file.txt"), "x"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(CountEntries(dir.Path()), 1);
}

TEST(AtomicFile, ReadingWholeFiles) {
    TempDir dir;
    std::string data(200000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    WriteFile(dir.File("big.bin"), data);
    std::string out = "stale";
    ASSERT_TRUE(platform::ReadWholeFile(dir.File("big.bin"), out));
    EXPECT_EQ(out, data);
    EXPECT_FALSE(platform::ReadWholeFile(dir.File("none"), out));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(platform::IsRegularFile(dir.File("big.bin")));
    EXPECT_FALSE(platform::IsRegularFile(dir.Path().string()));
    EXPECT_FALSE(platform::IsRegularFile(dir.File("none")));
}

}  // namespace
