#pragma once
// A bounded lock-free queue for exactly one producer thread and one consumer
// thread. The audio devices use it between their real-time thread and the
// rest of the program: neither side ever blocks, locks or allocates after
// construction. Push and Pop are wait-free.
//
// Threads: the constructor, Capacity and the destructor on any one thread;
// Push on the producer only, Pop on the consumer only, Size and Empty on
// either (the answer may be stale by the time it is used). A second thread may
// take over a role only while the two are ordered by a lock (the devices do
// this under their device lock).

#include <atomic>
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>

namespace platform {

template <typename T>
class SpscFifo {
    static_assert(std::is_trivially_copyable_v<T>, "slots are copied without constructors");

public:
    // The capacity is rounded up to a power of two (at least 2).
    explicit SpscFifo(std::size_t capacity) : mMask(RoundUp(capacity) - 1), mSlots(new T[mMask + 1]) {}
    SpscFifo(const SpscFifo&) = delete;
    SpscFifo& operator=(const SpscFifo&) = delete;

    std::size_t Capacity() const { return mMask + 1; }

    // Producer. False (nothing changes) when the queue is full.
    bool Push(const T& value) {
        const std::size_t write = mWrite.load(std::memory_order_relaxed);
        if (write - mReadCache > mMask) {
            mReadCache = mRead.load(std::memory_order_acquire);
            if (write - mReadCache > mMask) return false;
        }
        mSlots[write & mMask] = value;
        mWrite.store(write + 1, std::memory_order_release);
        return true;
    }

    // Consumer. False (value untouched) when the queue is empty.
    bool Pop(T& value) {
        const std::size_t read = mRead.load(std::memory_order_relaxed);
        if (read == mWriteCache) {
            mWriteCache = mWrite.load(std::memory_order_acquire);
            if (read == mWriteCache) return false;
        }
        value = mSlots[read & mMask];
        mRead.store(read + 1, std::memory_order_release);
        return true;
    }

    std::size_t Size() const {
        const std::size_t read = mRead.load(std::memory_order_acquire);
        return mWrite.load(std::memory_order_acquire) - read;
    }
    bool Empty() const { return Size() == 0; }

private:
    static std::size_t RoundUp(std::size_t n) {
        std::size_t p = 2;
        while (p < n) p <<= 1;
        return p;
    }

    // The two indices count up forever (wrapping is harmless with unsigned
    // arithmetic); each side keeps a private copy of the other's index so that
    // it touches the other's cache line only when the queue looks full/empty.
    static constexpr std::size_t kLine = 64;
    const std::size_t mMask;
    const std::unique_ptr<T[]> mSlots;
    alignas(kLine) std::atomic<std::size_t> mWrite{0};
    std::size_t mReadCache = 0;  // producer's
    alignas(kLine) std::atomic<std::size_t> mRead{0};
    std::size_t mWriteCache = 0;  // consumer's
};

}  // namespace platform
