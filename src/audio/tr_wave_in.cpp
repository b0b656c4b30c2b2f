#include "audio/tr_wave_in.h"

#include <algorithm>

#include "settings/settings.h"

vTrWaveIn_c::vTrWaveIn_c(int bufferLength)
    : mBufferCount(std::min<unsigned>(gSettings.GetUnsigned("Preprocessor/PreAllocNum", 100),
                                      platform::audio::kMaxQueuedBuffers)),
      mBufferLength(bufferLength) {}

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
