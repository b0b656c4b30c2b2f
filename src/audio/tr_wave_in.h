#pragma once
// vTrWaveIn_c: capture with its own buffer pool, the base of the program's
// microphone. The pool ("Preprocessor/PreAllocNum" buffers, default 100, of
// the buffer length in samples) is allocated by the first Start and recycled
// until destruction or a new configuration: nothing is allocated per buffer.
//
// User-interface thread only.

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/wave_in.h"
#include "settings/setting.h"

class vTrWaveIn_c : public vOscWaveIn_c {
public:
    static constexpr vUnsignedSetting_c kPreAllocNum{"Preprocessor/PreAllocNum", 100};

    explicit vTrWaveIn_c(int bufferLength);
    ~vTrWaveIn_c() override;  // closes the device, then frees the pool

    // Starts capture; allocates the pool on the first call; queues every
    // buffer of the pool (those still queued from before answer 33).
    void Start() override;

    // Takes effect when the pool is allocated (the first Start).
    void SetBufferLength(int samples) { mBufferLength = samples; }
    // With the device closed: buffers of samples, the pool size and the
    // overload delay read anew; a pool of another shape goes, and the next
    // Start allocates the new one.
    void Configure(int samples);
    int BufferLength() const { return mBufferLength; }
    unsigned BufferCount() const { return mBufferCount; }
    bool PoolAllocated() const { return mPoolAllocated; }

private:
    void FreePool();

    std::vector<std::unique_ptr<vWaveBuffer_c>> mPool;
    bool mPoolAllocated = false;
    unsigned mBufferCount;
    int mBufferLength;
};
