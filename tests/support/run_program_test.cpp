// The test harness itself never waits without a limit: what a program
// leaves behind holding its output is killed with its process group, and a
// program that never ends is killed at its deadline.

#include "run_program.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace lorvano_test;

namespace {

double SecondsOf(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(Harness, WhatAProgramLeavesBehindHoldingItsOutputGoesWithIt) {
    ProgramResult r;
    // As SDL's message box child did: the program ends, its child keeps the pipe.
    const double took = SecondsOf([&] { r = RunCommand("sleep 601 & echo started; echo box >&2"); });
    EXPECT_LT(took, 30);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "started\n");
    EXPECT_EQ(r.err, "box\n");
    EXPECT_EQ(RunCommand("pgrep -f '^sleep 601$' || echo none").out, "none\n");
}

TEST(Harness, AProgramThatNeverEndsIsKilledAtItsDeadline) {
    ProgramResult r;
    const double took = SecondsOf([&] { r = RunCommand("echo waiting; sleep 602", 1); });
    EXPECT_LT(took, 30);
    EXPECT_EQ(r.exitCode, -1000);
    EXPECT_EQ(r.out, "waiting\n");
}
