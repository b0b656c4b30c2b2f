#pragma once
// vTrWaveIn_c: capture with its own buffer pool, the base of every listening
// exercise and of the real-time filter bank. The pool ("Preprocessor/PreAllocNum"
// buffers, default 100, of the buffer length in samples) is allocated by the
// first Start and recycled until destruction: nothing is allocated per buffer.
// Also keeps the preprocessor's gain ("Preprocessor/PreAmp" x 256) and window
// table ("Preprocessor/Window", 224 entries, 1024 = 1.0; a bad file means no
// window) for the analysis.
//
// User-interface thread only.

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/wave_in.h"

class vTrWaveIn_c : public vOscWaveIn_c {
public:
    static constexpr int kWindowSize = 224;

    explicit vTrWaveIn_c(int bufferLength);
    ~vTrWaveIn_c() override;  // closes the device, then frees the pool

    // Starts capture; allocates the pool on the first call; queues every
    // buffer of the pool (those still queued from before answer 33).
    void Start() override;

    // Takes effect when the pool is allocated (the first Start).
    void SetBufferLength(int samples) { mBufferLength = samples; }
    int BufferLength() const { return mBufferLength; }
    unsigned BufferCount() const { return mBufferCount; }
    bool PoolAllocated() const { return mPoolAllocated; }
    std::int32_t Gain() const { return mGain; }
    const std::int32_t* WindowTable() const { return mWindow; }

private:
    void FreePool();

    std::vector<std::unique_ptr<vWaveBuffer_c>> mPool;
    bool mPoolAllocated = false;
    unsigned mBufferCount;
    int mBufferLength;
    std::int32_t mGain;
    std::int32_t mWindow[kWindowSize];
};
