#include "platform/atomic_file.h"
#include "platform/remove_tree.h"

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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

mode_t Mode(const fs::path& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// The temporaries in a folder.
std::vector<fs::path> Temporaries(const fs::path& dir) {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().ends_with(".lorvano-tmp")) found.push_back(e.path());
    return found;
}

TEST(AtomicFile, AWriterKilledMidwayLeavesTheOldFileAndAPrivateTemporaryTheNextWriteRemoves) {
    TempDir dir;
    const std::string path = dir.File("say.wav");
    WriteFile(path, "old");
    fs::permissions(path, fs::perms(0644));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Past 1000 bytes the kernel kills the writer (SIGXFSZ) inside write().
        umask(0);
        const rlimit limit{1000, 1000}, noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        setrlimit(RLIMIT_FSIZE, &limit);
        platform::WriteFileAtomically(path, std::string(5000, 'n'));
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(ReadFile(path), "old");
    const std::vector<fs::path> left = Temporaries(dir.Path());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(Mode(left[0]), 0600u);
    EXPECT_EQ(fs::file_size(left[0]), 1000u);

    // Another process's temporary stays while that process runs, as does
    // anything not named like one.
    const std::string running = dir.File(".say.wav." + std::to_string(getppid()) + "-1.lorvano-tmp");
    WriteFile(running, "busy");
    WriteFile(dir.File(".say.wav.1-x.tmp"), "not ours");
    ASSERT_TRUE(platform::WriteFileAtomically(path, "new"));
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(Mode(path), 0644u);
    EXPECT_EQ(Temporaries(dir.Path()), std::vector<fs::path>{running});
    EXPECT_EQ(CountEntries(dir.Path()), 3);
}

TEST(AtomicFile, OwnerOnlyFilesAreNeverReadableByOthers) {
    TempDir dir;
    const std::string path = dir.File("TrUsers.dat");
    mode_t old = umask(0);
    const bool written = platform::WriteFileAtomically(path, "a", platform::FileMode::OwnerOnly);
    umask(old);
    ASSERT_TRUE(written);
    EXPECT_EQ(Mode(path), 0600u);
    fs::permissions(path, fs::perms(0644));
    ASSERT_TRUE(platform::WriteFileAtomically(path, "b", platform::FileMode::OwnerOnly));
    EXPECT_EQ(Mode(path), 0600u);
    EXPECT_EQ(ReadFile(path), "b");

    const std::string scratch = platform::CreatePrivateScratchFile(dir.Path().string(), "prefs");
    ASSERT_FALSE(scratch.empty());
    EXPECT_EQ(Mode(scratch), 0600u);
    EXPECT_EQ(Temporaries(dir.Path()), std::vector<fs::path>{scratch});
}

TEST(AtomicFile, RemovingAFolderTreeStaysInsideIt) {
    TempDir dir;
    fs::create_directories(dir.Path() / "outside/sub");
    WriteFile(dir.File("outside/sub/keep.txt"), "keep");
    fs::create_directories(dir.Path() / "tree/a/b");
    WriteFile(dir.File("tree/a/b/file"), "x");
    fs::create_directory_symlink(dir.Path() / "outside", dir.Path() / "tree/a/link");
    fs::create_directory_symlink(dir.Path() / "outside", dir.Path() / "linked");

    EXPECT_FALSE(platform::RemoveFolderTree(dir.Path().string(), "linked"));
    EXPECT_EQ(errno, ELOOP);
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "linked"));
    ASSERT_TRUE(platform::RemoveFolderTree(dir.Path().string(), "tree"));
    EXPECT_FALSE(fs::exists(dir.Path() / "tree"));
    EXPECT_EQ(ReadFile(dir.File("outside/sub/keep.txt")), "keep");
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
