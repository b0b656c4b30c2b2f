// Cost of posting: a device's helper thread posts one message per filled
// buffer, so a post must stay cheap even while the user-interface thread is
// taking messages out.

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "platform/message_queue.h"

using namespace platform;

namespace {

constexpr MessageId kBench = msg::kUser + 500;

void Drain() {
    Message m;
    while (TakePending(m)) {
    }
}

// One post and one take on the same thread: the uncontended path.
void BM_PostAndTake(benchmark::State& state) {
    Drain();
    Message m;
    for (auto _ : state) {
        Post(1, kBench, 1, 2);
        benchmark::DoNotOptimize(TakePending(m));
    }
}
BENCHMARK(BM_PostAndTake);

// Posts while another thread keeps emptying the queue: the contended path.
void BM_PostWhileTaken(benchmark::State& state) {
    Drain();
    std::atomic<bool> stop{false};
    std::thread taker([&] {
        while (!stop.load(std::memory_order_relaxed)) benchmark::DoNotOptimize(RemovePending(kBench));
    });
    for (auto _ : state) Post(1, kBench, 1, 2);
    stop = true;
    taker.join();
    Drain();
}
BENCHMARK(BM_PostWhileTaken)->UseRealTime();

// Removal of one id from a queue of 1000 mixed messages.
void BM_RemovePending(benchmark::State& state) {
    Drain();
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 1000; ++i) Post(1, i % 4 ? kBench + 1 : kBench, i, 0);
        state.ResumeTiming();
        benchmark::DoNotOptimize(RemovePending(kBench));
        state.PauseTiming();
        Drain();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RemovePending);

}  // namespace
