#pragma once
// Capture: vWaveIn_c runs a capture device whose filled buffers arrive as
// message 960 and go through PreprocessBuffer (overload watch) and
// ProcessBuffer, then straight back to the device. vOscWaveIn_c can replace
// the microphone by a sine tone (the exercises' test mode).
//
// Settings read at construction: "Preprocessor/OverloadDelay" (buffers the
// overload indication is held, default 10), "Preprocessor/PreAmp" (default 1).
// User-interface thread only.

#include "audio/wave.h"
#include "settings/setting.h"

class vWaveIn_c : public vWave_c {
public:
    // Samples beyond +-28672 count as clipped.
    static constexpr int kOverloadLevel = 28672;
    static constexpr vUnsignedSetting_c kOverloadDelay{"Preprocessor/OverloadDelay", 10};

    vWaveIn_c();
    ~vWaveIn_c() override;  // closes the device

    // 958 opened, 959 closed, 960 buffer filled (p2 = the buffer record), 16
    // window close (closes, then passes on). A failure while handling a
    // filled buffer is shown as a warning and capture goes on.
    Result OnMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) override;

    using vWave_c::Open;
    // Opens the capture device; nothing when one is open. Raises the device's code.
    void Open(int deviceId, const platform::AudioFormat& format) override;
    // Stops, hands back every buffer (released unprocessed) and closes.
    void Close() override;
    // Raises -1 without a device.
    void Start() override;
    void Stop() override;
    // Queues a buffer; a buffer still at the device (code 33) is left as it is.
    void AddBuffer(platform::AudioBuffer* header) override;
    void PreprocessBuffer(platform::AudioBuffer* header) override;

    virtual void OnOverload();
    virtual void OnOverloadBegin();
    virtual void OnOverloadEnd();

    int OverloadCountdown() const { return mOverloadCountdown; }
    int OverloadDelay() const { return mOverloadDelay; }
    void SetOverloadDelay(int buffers) { mOverloadDelay = buffers; }
    bool Processing() const { return mProcessing; }
    int DeliveredCount() const { return mDeliveredCount; }
    int DeliveredTotal() const { return mDeliveredTotal; }
    int PreAmp100() const { return mPreAmp100; }

private:
    void HandleFilled(platform::AudioBuffer* header);

    int mOverloadCountdown = 0;
    int mOverloadDelay;
    bool mProcessing = false;
    int mDeliveredCount = 0;
    int mDeliveredTotal = 0;
    int mPreAmp100;
};

class vOscWaveIn_c : public vWaveIn_c {
public:
    // With the tone on, every filled buffer is overwritten by the tone before
    // the overload check.
    void PreprocessBuffer(platform::AudioBuffer* header) override;

    void SetTone(bool on) { mToneOn = on; }
    bool ToneOn() const { return mToneOn; }
    void SetToneFrequency(double hz) { mFrequency = hz; }
    double GetToneFrequency() const { return mFrequency; }
    // Peak level as a fraction of full scale.
    void SetToneAmplitude(double amplitude) { mAmplitude = amplitude; }
    double GetToneAmplitude() const { return mAmplitude; }

private:
    bool mToneOn = false;
    double mPhase = 0;  // within one period, in (0, 1]
    double mFrequency = 1000;
    double mAmplitude = 1.0;
};
