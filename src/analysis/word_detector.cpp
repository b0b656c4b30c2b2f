#include "analysis/word_detector.h"

#include <algorithm>
#include <cstdio>

#include "analysis/hm_block_processor.h"
#include "analysis/recording.h"
#include "platform/exception.h"
#include "settings/settings.h"

namespace {
// The floor follows a quieter room within a few frames but a louder one only
// by this much per frame (about 2 dB a second at 100 frames a second), so
// that it settles at the lower edge of the noise and is hardly moved by the
// few loud frames before a word starts.
constexpr int32_t kFloorRise = 2;
// Margins beyond 60 dB would never let a frame be loud.
constexpr int32_t kMaxNoiseMargin = 6000;

// Zero block counts or steps from a damaged settings file would divide by
// zero or analyse nothing; they mean the defaults.
vWordDetectorSettings_c Sanitised(vWordDetectorSettings_c s) {
    if (s.windowSize == 0) s.windowSize = 224;
    if (s.windowNum == 0) s.windowNum = 1;
    if (s.interLeave == 0) s.interLeave = 1;
    return s;
}
}  // namespace

vWordDetectorSettings_c vWordDetectorSettings_c::Read() {
    vWordDetectorSettings_c s;
    if (!gSettings.FileName()) return s;  // no language file (tools, tests): the defaults
    s.windowSize = keys::kDetectorWindowSize.Read();
    s.windowNum = keys::kDetectorWindowNum.Read();
    s.interLeave = keys::kDetectorInterLeave.Read();
    s.trigLevel = keys::kTriggerLevel.Read();
    s.noiseTracking = keys::kDetectorNoiseTracking.Read();
    const int32_t margin = keys::kDetectorNoiseMargin.Read();
    if (margin >= 0 && margin <= kMaxNoiseMargin)
        s.noiseMargin = margin;
    else
        std::fprintf(stderr, "Lorvano: WordDetector/NoiseMargin=%d is outside 0..%d; using %d.\n", margin,
                     kMaxNoiseMargin, s.noiseMargin);
    s.trigHoldStart = keys::kDetectorTrigHoldStart.Read();
    s.trigHoldEnd = keys::kDetectorTrigHoldEnd.Read();
    s.increment = keys::kDetectorIncrement.Read();
    s.decrement = keys::kDetectorDecrement.Read();
    s.preValidate = keys::kDetectorPreValidate.Read();
    s.realtimeFilters = keys::kRealtimeFilters.Read();
    s.realtimePitch = keys::kRealtimePitch.Read();
    s.waveSupport = keys::kDetectorWaveSupport.Read();
    return s;
}

vWordDetector_c::vWordDetector_c(const vWordDetectorSettings_c& settings) : mSettings(Sanitised(settings)) {
    mQueue.Clear();
}

void vWordDetector_c::StartListening(vRecording_c& recording) {
    mLHCnt = 0;
    mIsWord = false;
    mQueue.Clear();
    mPushed = 0;
    mFirstIndex = mLastIndex = -1;
    mFloorKnown = false;
    recording.SetFrameSize(static_cast<int32_t>(std::min<uint32_t>(mSettings.windowSize, INT32_MAX)));
    recording.Rewind();
}

int32_t vWordDetector_c::Threshold() const {
    if (!mSettings.noiseTracking || !mFloorKnown) return mSettings.trigLevel;
    return static_cast<int32_t>(std::max<int64_t>(mSettings.trigLevel, int64_t{mFloor} + mSettings.noiseMargin));
}

void vWordDetector_c::TrackNoiseFloor(int32_t fullBand, bool wasWord, bool endedFull) {
    // Digital silence reads far below the scale; the scale's zero stands for it.
    const int32_t level = std::max(fullBand, 0);
    if (!mFloorKnown) {
        mFloor = level;
        mFloorKnown = true;
    }
    if (mIsWord) {
        mWordMin = wasWord ? std::min(mWordMin, level) : level;
        return;  // a word's own frames never raise its floor
    }
    if (wasWord && endedFull) {
        // A "word" that never fell quiet until the recording was full was the
        // room getting louder: its quietest frame is the room's new floor.
        mFloor = std::max(mFloor, std::min(mWordMin, level));
    } else if (level < mFloor) {
        mFloor -= (mFloor - level + 3) / 4;
    } else {
        mFloor += std::min(level - mFloor, kFloorRise);
    }
}

bool vWordDetector_c::TriggerStep(int32_t fullBand, const vRecording_c& recording) {
    const bool wasWord = mIsWord;
    int64_t count = std::clamp(mLHCnt, -30000, 30000);
    if (fullBand > Threshold()) {
        if (count < 0) count = 0;
        count += mSettings.increment;
    } else {
        if (count > 0) count = 0;
        count -= mSettings.decrement;
    }
    mLHCnt = static_cast<int32_t>(std::clamp<int64_t>(count, INT32_MIN, INT32_MAX));
    if (!mIsWord && mLHCnt >= mSettings.trigHoldStart) mIsWord = true;
    if (mIsWord && mLHCnt <= -static_cast<int64_t>(mSettings.trigHoldEnd)) mIsWord = false;
    const bool full = recording.RecPos() >= recording.Size();
    if (full) mIsWord = false;
    if (mSettings.noiseTracking) TrackNoiseFloor(fullBand, wasWord, full);
    return mIsWord && mLHCnt > -static_cast<int64_t>(mSettings.trigHoldEnd);
}

void vWordDetector_c::ProcessFrame(const vAllHmData_c& frame, vRecording_c& recording, vWordListener_i& listener) {
    const bool wasWord = mIsWord;
    const bool inWord = TriggerStep(frame.fullBand, recording);
    mQueue.Push(frame, inWord);
    ++mPushed;
    if (mIsWord && !wasWord) mQueue.MarkLast(mSettings.preValidate);
    if (!mIsWord && wasWord) {
        listener.Suspend();
        listener.WordRecorded(recording);
        listener.Resume();
    }
    while (mQueue.MarkedCount() > 0) {
        const vAllHmData_c& next = mQueue.PopMarked();
        const int64_t index = mPushed - mQueue.Filled() - 1;
        const bool empty = recording.RecPos() <= 0;
        if (recording.AppendFrame(next, mSettings.realtimeFilters, mSettings.realtimePitch)) {
            if (empty) mFirstIndex = index;
            mLastIndex = index;
        } else {
            mIsWord = false;
        }
    }
}

bool vWordDetector_c::ProcessBuffer(const int16_t* samples, size_t count, vHMBlockProcessor_c& processor,
                                    vRecording_c& recording, vWordListener_i& listener) {
    const size_t size = mSettings.windowSize;
    const size_t step = size * mSettings.interLeave;
    const uint32_t blocks = mSettings.windowNum / mSettings.interLeave;
    try {
        for (uint32_t i = 0; i < blocks; ++i) {
            const size_t offset = i * step;
            // A short buffer (the last one of a stream) holds fewer blocks.
            if (offset + size > count) break;
            processor.ProcessBlock(samples + offset, static_cast<int32_t>(size), mSettings.waveSupport, mScratch,
                                   mSettings.realtimeFilters, mSettings.realtimePitch);
            ProcessFrame(mScratch, recording, listener);
        }
    } catch (const vException_c&) {
        return false;
    }
    return true;
}
