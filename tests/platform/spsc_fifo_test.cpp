#include "platform/spsc_fifo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

namespace {

TEST(SpscFifo, KeepsOrderAndReportsFullAndEmpty) {
    platform::SpscFifo<int> fifo(3);
    EXPECT_EQ(fifo.Capacity(), 4u);
    int v = -1;
    EXPECT_FALSE(fifo.Pop(v));
    EXPECT_EQ(v, -1);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(fifo.Push(i));
    EXPECT_FALSE(fifo.Push(99));
    EXPECT_EQ(fifo.Size(), 4u);
    // Wrap around the end of the slots several times.
    for (int round = 0; round < 10; ++round) {
        ASSERT_TRUE(fifo.Pop(v));
        EXPECT_EQ(v, round);
        ASSERT_TRUE(fifo.Push(round + 4));
    }
    for (int i = 10; i < 14; ++i) {
        ASSERT_TRUE(fifo.Pop(v));
        EXPECT_EQ(v, i);
    }
    EXPECT_TRUE(fifo.Empty());
}

// One million records from a producer thread; the consumer takes them at a
// random pace. Nothing may be lost, duplicated or reordered, and a record's
// payload written before Push must be visible after Pop.
TEST(SpscFifo, MillionRecordsAcrossThreads) {
    struct Record {
        std::uint64_t sequence;
        std::uint64_t check;
    };
    constexpr std::uint64_t kCount = 1000000;
    platform::SpscFifo<Record> fifo(256);
    std::thread producer([&] {
        std::minstd_rand rng(7);
        for (std::uint64_t i = 0; i < kCount; ++i) {
            while (!fifo.Push(Record{i, i * 2654435761u})) std::this_thread::yield();
            if (rng() % 1000 == 0) std::this_thread::yield();
        }
    });
    std::minstd_rand rng(11);
    std::uint64_t expected = 0;
    std::uint64_t mismatches = 0;
    while (expected < kCount) {
        Record r;
        if (!fifo.Pop(r)) {
            std::this_thread::yield();
            continue;
        }
        if (r.sequence != expected || r.check != expected * 2654435761u) ++mismatches;
        expected = r.sequence + 1;
        // Random pace: sometimes the consumer is slow enough to fill the queue.
        const auto pause = rng() % 4096;
        if (pause == 0) std::this_thread::yield();
        for (unsigned spin = 0; spin < pause % 64; ++spin) std::atomic_signal_fence(std::memory_order_seq_cst);
    }
    producer.join();
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(expected, kCount);
    Record r;
    EXPECT_FALSE(fifo.Pop(r));
}

}  // namespace
