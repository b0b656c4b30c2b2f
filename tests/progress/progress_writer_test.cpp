// Writing tries: sessions and held sounds as the recorder makes them, two
// programs writing at once, and kill -9 while tries are written.

#include <cstdio>
#include "progress/progress_recorder.h"
#include "progress/progress_writer.h"

#include "../support/temp_dir.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

using namespace lorvano_test;
using namespace std::chrono_literals;
using progress::vProgressRecorder_c;
using progress::vProgressStore_c;

namespace {

progress::vTry_c Try(const std::string& exercise, int mark, double score = 0) {
    progress::vTry_c t;
    t.exerciseFile = exercise;
    t.cardText = exercise;
    t.mark = mark;
    t.score = score;
    return t;
}

std::vector<progress::vStoredTry_c> Stored(const std::string& path, const std::string& pupil) {
    return vProgressStore_c(path, vProgressStore_c::Open::Existing).Tries(pupil);
}

TEST(ProgressRecorder, MakesSessionsAndOneTryPerHeldStretch) {
    TempDir dir;
    const std::string path = dir.File("progress.sqlite");
    const auto t0 = vProgressRecorder_c::Clock::now();
    {
        vProgressRecorder_c recorder(path);
        recorder.Shown("Anna", "", Try("fish.exc", 5), false, t0);  // no pupil: nothing
        recorder.Flush();
        EXPECT_FALSE(std::filesystem::exists(path));

        recorder.Shown("Anna", "Zoë", Try("fish.exc", 4, 900), false, t0);
        recorder.Kept("Zoë", "/pupils/Zoë/fish.wav");
        for (int i = 0; i < 4; ++i)
            recorder.Shown("Anna", "Zoë", Try("s.exc", 2 + (i % 2), 10 * i), true, t0 + i * 100ms);
        recorder.Shown("Anna", "Zoë", Try("s.exc", 5), true, t0 + 2s);  // after a pause: a new stretch
        recorder.Kept("Bob", "/pupils/Bob/x.wav");                     // not the pupil of the session
        recorder.Shown("Anna", "Bob", Try("fish.exc", 1), false, t0 + 3s);
        EXPECT_EQ(recorder.TakeProblem(), "");
    }
    const auto zoe = Stored(path, "Zoë");
    ASSERT_EQ(zoe.size(), 3u);
    EXPECT_EQ(zoe[0].recording, "/pupils/Zoë/fish.wav");
    EXPECT_EQ(zoe[0].score, 900);
    EXPECT_EQ(zoe[1].mark, 3);  // 2, 3, 2, 3
    EXPECT_EQ(zoe[1].score, 15);
    EXPECT_EQ(zoe[2].mark, 5);
    EXPECT_EQ(zoe[2].recording, "");
    const auto bob = Stored(path, "Bob");
    ASSERT_EQ(bob.size(), 1u);
    EXPECT_NE(bob[0].session, zoe[0].session);
    EXPECT_EQ(bob[0].teacher, "Anna");
}

TEST(ProgressWriter, SaysOnceWhyNothingIsRecorded) {
    TempDir dir;
    const std::string path = dir.File("progress.sqlite");
    WriteFile(path, std::string(4096, 'x'));
    progress::vProgressWriter_c writer(path);
    writer.BeginSession("Zoë", "Anna", "2026-03-01 10:00:00");
    writer.AddTry(Try("fish.exc", 3));
    writer.Flush();
    EXPECT_NE(writer.TakeProblem().find("are damaged"), std::string::npos);
    EXPECT_EQ(writer.TakeProblem(), "");
    writer.AddTry(Try("fish.exc", 3));
    writer.Flush();
    EXPECT_EQ(ReadFile(path), std::string(4096, 'x'));
}

// A forked child in its own process group, writing `sessions` sessions of
// `tries` tries each for pupil, each try flushed.
pid_t StartWriter(const std::string& path, const std::string& pupil, int sessions, int tries) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    ::setpgid(0, 0);
    {
        progress::vProgressWriter_c writer(path);
        for (int s = 0; s < sessions; ++s) {
            writer.BeginSession(pupil, "Anna", progress::LocalTimeNow());
            for (int i = 0; i < tries; ++i) {
                writer.AddTry(Try("fish.exc", 1 + i % 5));
                writer.Flush();
            }
            writer.EndSession(progress::LocalTimeNow());
        }
        writer.Flush();
        if (const std::string problem = writer.TakeProblem(); !problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", pupil.c_str(), problem.c_str());
            _exit(3);
        }
    }
    _exit(0);
}

// The child's exit code, or -1 when it died or was killed at the deadline.
int WaitFor(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(10ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ProgressWriter, TwoProgramsWritingAtOnceLoseNothing) {
    TempDir dir;
    const std::string path = dir.File("progress.sqlite");
    const pid_t a = StartWriter(path, "Zoë", 10, 100);
    const pid_t b = StartWriter(path, "Bob", 10, 100);
    EXPECT_EQ(WaitFor(a, 120s), 0);
    EXPECT_EQ(WaitFor(b, 120s), 0);
    EXPECT_EQ(Stored(path, "Zoë").size(), 1000u);
    EXPECT_EQ(Stored(path, "Bob").size(), 1000u);
}

TEST(ProgressWriter, KillNineNeverDamagesTheDatabase) {
    TempDir dir;
    const std::string path = dir.File("progress.sqlite");
    std::mt19937 random(24);
    std::size_t before = 0;
    for (int round = 0; round < 15; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const pid_t pid = StartWriter(path, "Zoë", 1000, 1000);
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 180));
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);  // in case it had not made its group yet
        EXPECT_EQ(WaitFor(pid, 30s), -1);
        if (!std::filesystem::exists(path)) continue;
        // Opening checks the whole database; what was written stays.
        const std::size_t now = Stored(path, "Zoë").size();
        EXPECT_GE(now, before);
        before = now;
    }
    EXPECT_GT(before, 0u);
}

}  // namespace
