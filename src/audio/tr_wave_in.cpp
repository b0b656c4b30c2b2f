#include "audio/tr_wave_in.h"

#include <algorithm>
#include <string>

#include "analysis/filter_files.h"
#include "analysis/hm_block_processor.h"
#include "settings/settings.h"

vTrWaveIn_c::vTrWaveIn_c(int bufferLength)
    : mBufferCount(std::min<unsigned>(gSettings.GetUnsigned("Preprocessor/PreAllocNum", 100),
                                      platform::audio::kMaxQueuedBuffers)),
      mBufferLength(bufferLength),
      mGain(PreAmp256(gSettings.GetDouble("Preprocessor/PreAmp", 1))) {
    char path[260];
    gSettings.GetString("Preprocessor/Window", path, sizeof path, "");
    try {
        ReadWindowFile(path, mWindow);
    } catch (const vException_c&) {
        // A bad window file means no window.
        ReadWindowFile(std::string(), mWindow);
    }
}

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
