// The way of a filled buffer from the audio thread to the user-interface
// thread: how many buffers per second the user-interface side can take, and
// how long the lock-free queue and the delivery thread's wake-up add.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <semaphore>
#include <thread>
#include <vector>

#include "platform/audio_device.h"
#include "platform/message_queue.h"
#include "platform/spsc_fifo.h"

namespace {

using Clock = std::chrono::steady_clock;

// Posts every notification to the thread's message queue, as the capture
// objects do (window 0: a thread message).
class QueueSink : public platform::AudioEventSink {
public:
    void OnAudioEvent(std::uint32_t message, std::uintptr_t device, platform::AudioBuffer* buffer) override {
        platform::Post(platform::kNoWindow, message, device, reinterpret_cast<std::intptr_t>(buffer));
    }
};

// The whole path with the File backend as fast as possible: device thread ->
// queue -> delivery thread -> message queue -> this thread, which gives each
// buffer straight back to the device. Items = buffers of 224 samples.
void BM_CaptureDeliveryPath(benchmark::State& state) {
    setenv("LORVANO_AUDIO", "file", 1);
    setenv("LORVANO_AUDIO_PACE", "fast", 1);
    unsetenv("LORVANO_AUDIO_IN");
    QueueSink sink;
    std::unique_ptr<platform::AudioDevice> device;
    if (platform::OpenAudioDevice(platform::AudioDirection::Capture, -1, platform::PcmFormat(22050, 1, 16), sink,
                                  device) != 0) {
        state.SkipWithError("cannot open the file device");
        return;
    }
    const int pool = static_cast<int>(state.range(0));
    std::vector<std::vector<std::int16_t>> data(pool, std::vector<std::int16_t>(224));
    std::vector<platform::AudioBuffer> headers(pool);
    for (int i = 0; i < pool; ++i) {
        headers[i].data = reinterpret_cast<char*>(data[i].data());
        headers[i].bufferLength = 448;
        device->Prepare(&headers[i]);
        device->Add(&headers[i]);
    }
    device->Start();
    std::int64_t buffers = 0;
    for (auto _ : state) {
        platform::Message m;
        if (!platform::NextMessage(m)) continue;
        if (m.id != platform::audio::kInData) continue;
        auto* h = reinterpret_cast<platform::AudioBuffer*>(m.p2);
        benchmark::DoNotOptimize(h->data[0]);
        device->Unprepare(h);
        device->Prepare(h);
        device->Add(h);
        ++buffers;
    }
    device->Stop();
    device->Reset();
    for (auto& h : headers) device->Unprepare(&h);
    device->Close();
    platform::Message m;
    while (platform::TakePending(m)) {}
    state.SetItemsProcessed(buffers);
}
BENCHMARK(BM_CaptureDeliveryPath)->Arg(4)->Arg(100)->UseRealTime();

// One notice at a time through the queue and the delivery thread's
// semaphore, as AudioDevice delivers: the time from Push on the producer to
// Pop on the consumer thread.
void BM_QueueWakeLatency(benchmark::State& state) {
    platform::SpscFifo<Clock::rep> fifo(64);
    std::counting_semaphore<> wake(0);
    std::atomic<bool> quit{false};
    std::atomic<std::int64_t> totalNs{0};
    std::atomic<std::int64_t> received{0};
    std::thread consumer([&] {
        for (;;) {
            wake.acquire();
            Clock::rep t;
            while (fifo.Pop(t)) {
                totalNs += (Clock::now().time_since_epoch().count() - t);
                ++received;
            }
            if (quit) return;
        }
    });
    std::int64_t sent = 0;
    for (auto _ : state) {
        fifo.Push(Clock::now().time_since_epoch().count());
        wake.release();
        ++sent;
        // Wait for it, so that every notice finds the consumer asleep, as a
        // buffer every 10 ms does.
        while (received.load() < sent) std::this_thread::yield();
    }
    quit = true;
    wake.release();
    consumer.join();
    state.counters["latency_us"] = received ? totalNs.load() / 1000.0 / received.load() : 0;
}
BENCHMARK(BM_QueueWakeLatency)->UseRealTime();

// The queue alone, both threads busy.
void BM_QueueThroughput(benchmark::State& state) {
    platform::SpscFifo<std::uint64_t> fifo(4096);
    std::atomic<bool> quit{false};
    std::thread consumer([&] {
        std::uint64_t v;
        while (!quit.load(std::memory_order_relaxed))
            if (!fifo.Pop(v)) std::this_thread::yield();
    });
    std::uint64_t i = 0;
    for (auto _ : state)
        while (!fifo.Push(i)) std::this_thread::yield();
    quit = true;
    consumer.join();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_QueueThroughput)->UseRealTime();

}  // namespace
