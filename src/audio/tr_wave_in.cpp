#include "audio/tr_wave_in.h"

#include <algorithm>

namespace {

unsigned PoolSize() { return std::min<unsigned>(vTrWaveIn_c::kPreAllocNum.Read(), platform::audio::kMaxQueuedBuffers); }

}  // namespace

vTrWaveIn_c::vTrWaveIn_c(int bufferLength)
    : mBufferCount(PoolSize()), mBufferLength(bufferLength) {}

vTrWaveIn_c::~vTrWaveIn_c() {
    // The device must give the buffers back before they are freed.
    try {
        Close();
    } catch (const vException_c&) {
    }
    FreePool();
}

void vTrWaveIn_c::Start() {
    vOscWaveIn_c::Start();
    if (!mPoolAllocated) {
        if (mBufferLength <= 0 || mBufferLength > (1 << 24)) throw vException_c(-1);
        mPool.reserve(mBufferCount);
        for (unsigned i = 0; i < mBufferCount; ++i)
            mPool.push_back(std::make_unique<vWaveBuffer_c>(static_cast<std::uint32_t>(mBufferLength) * 16 / 8));
        mPoolAllocated = true;
    }
    for (auto& buffer : mPool) AddBuffer(buffer->Header());
}

void vTrWaveIn_c::FreePool() {
    mPool.clear();
    mPoolAllocated = false;
}

void vTrWaveIn_c::Configure(int samples) {
    const unsigned count = PoolSize();
    if (samples != mBufferLength || count != mBufferCount) FreePool();
    mBufferLength = samples;
    mBufferCount = count;
    SetOverloadDelay(static_cast<int>(kOverloadDelay.Read()));
}
