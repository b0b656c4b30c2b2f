#pragma once
// vTrHmContExercise_c: what the continuous exercises that listen share (the
// loudness and pitch traces, the live spectrum): listening through the
// program's microphone, the filter bank with the preprocessor's gain and
// window (a vHMBlockProcessor_c fed window by window, with the live
// calibration "Preprocessor/Equalize"), recording started at the end of Show and
// stopped by the buttons and suspensions, the test tone, the overload
// indicator, the pen colour, and the framing of each capture buffer into
// analysis windows ("<Section>/WindowNum", "WindowSize", "InterLeave").
//
// Not a loadable class itself: each concrete exercise registers the shared
// properties (PenColor, OverloadPos, OverloadSize) in its own table.
//
// Per buffer nothing is allocated: the window's input values and decimated
// values live in arrays sized when the exercise is built, and drawing uses a
// pixel access object made by Show. User-interface thread only (buffers
// arrive as capture messages).

#include "analysis/framing.h"
#include "analysis/pitch_tracker.h"
#include "analysis/hm_block_processor.h"
#include "exercises/capture_client.h"
#include "display/dx_dc.h"
#include "events/cmd_target.h"
#include "exercises/exercise.h"
#include "settings/setting.h"

#include <cstdint>
#include <memory>
#include <vector>

class vTrHmContExercise_c : public vTrContExercise_c, public vTrCaptureClient_c, public vCmdTarget_c {
public:
    // Reads the framing of section and sets the log scale to 600 units per
    // doubling of energy.
    vTrHmContExercise_c(const char* section, uint32_t defaultWindowSize, uint32_t defaultWindowNum = 1,
                        uint32_t defaultInterLeave = 1);
    ~vTrHmContExercise_c() override;

    // The continuous attach, then the background without controls.
    void Attach(vDxImage_i* owner) override;
    // The continuous show, the pen colour converted, then StartRecording.
    void Show() override;
    // Opens (-1, 22050, 1, 16) and starts capture; a device that cannot be
    // opened leaves the exercise stopped. Nothing while controls are locked.
    void StartRecording() override;
    // Stops and closes capture. Nothing while controls are locked.
    void StopRecording() override;
    void SetTone(bool on) override { Tone().on = on; ToneChanged(); }
    void SetToneFrequency(double hz) override { Tone().frequency = hz; ToneChanged(); }
    double GetToneFrequency() override { return Tone().frequency; }
    void SetToneAmplitude(double amplitude) override { Tone().amplitude = amplitude; ToneChanged(); }
    double GetToneAmplitude() override { return Tone().amplitude; }

    // The framing: per analysed window AnalyseWindow, then DisplayStep.
    void OnCaptureBuffer(platform::AudioBuffer& buffer) override;
    // The indicator red while the input clips, black after.
    void OnOverloadBegin() override;
    void OnOverloadEnd() override;

    const vTrFraming_s& Framing() const { return mFraming; }
    vDxRect OverloadRect() const { return {mOverloadPos.mX, mOverloadPos.mY, mOverloadSize.mX, mOverloadSize.mY}; }

    vHMBlockProcessor_c& Bank() { return mBank; }

protected:
    // One window's input (steps x 8 values, the samples times the gain)
    // through the filter bank (Bank()).
    virtual void AnalyseWindow(const int32_t* input, int steps) = 0;
    // The drawing of one analysed window.
    virtual void DisplayStep() = 0;
    // Fills the overload rectangle with a palette colour.
    void FillOverload(int paletteIndex);
    // Copies the strip of the display area (screen pixels, x0 <= x < x1,
    // the full display height) from ExImage, or fills it black; the
    // exercise's sprites step aside meanwhile.
    void EraseStrip(int x0, int x1);
    // The pixel access object over the exercise (made by Show).
    vDxDC_i& DC() { return *mDC; }

    // While one lives, drawing marks nothing changed by itself: the display
    // step names each area it touched (Changed(area)), and only those are
    // shown anew, not the whole screen many times a second.
    class vAreaDrawing_c {
    public:
        explicit vAreaDrawing_c(vTrHmContExercise_c& exercise) : mExercise(exercise) { ++mExercise.mAreaDrawing; }
        ~vAreaDrawing_c() { --mExercise.mAreaDrawing; }
        vAreaDrawing_c(const vAreaDrawing_c&) = delete;
        vAreaDrawing_c& operator=(const vAreaDrawing_c&) = delete;

    private:
        vTrHmContExercise_c& mExercise;
    };
    using vTrContExercise_c::Changed;
    void Changed() override;
    // The framing windows with table (224 entries, 1024 = 1.0, kept by the
    // caller) instead of the preprocessor's window; null: no window.
    void SetFramingWindow(const int32_t* table);

    vColor_c mPenColor{0, 255, 0};
    vPointProp_c mOverloadPos{50, 50};
    vPointProp_c mOverloadSize{10, 10};
    uint32_t mPen = 0;
    uint32_t mBlack = 0;

private:
    vTrFraming_s mFraming;
    vHMBlockProcessor_c mBank;
    bool mApplyWindow;
    const int32_t* mWindowTable = nullptr;  // null: the preprocessor's
    std::vector<int32_t> mInput;
    std::unique_ptr<vDxDC_i> mDC;
    int mAreaDrawing = 0;
};

// The pitch trackers of the pitch exercises: Overlap trackers fed with every
// decimated value and evaluated in turn, one per analysed window.
class vTrPitchTrackers_c {
public:
    // "<section>/Overlap" (0 is taken as 1) and "Pitch/Sense",
    // "Pitch/Trigger_hi", "Pitch/Trigger_lo"; windows of up to maxSteps
    // decimated values.
    vTrPitchTrackers_c(const char* section, uint32_t defaultOverlap, int maxSteps);

    // One window: its input through the bank's pitch filters, the decimated
    // values fed, one evaluation. Returns SemiTone (-1 without pitch).
    int32_t AnalyseWindow(vHMFilterArray_c& bank, const int32_t* input, int steps);

    // Every value, shifted right by 14 bits, into every tracker.
    void Feed(const int32_t* decimated, int count);
    // The tracker whose turn it is evaluates and clears; the turn moves on.
    // Returns SemiTone (-1 without pitch).
    int32_t Evaluate();
    uint32_t Count() const { return static_cast<uint32_t>(mTrackers.size()); }

private:
    std::vector<vPitchTracker_c> mTrackers;
    std::vector<int32_t> mDecimated;
    uint32_t mTurn = 0;
};

// The row of a trace value in a band of rows: value 0 (and below) on the
// last row first + rows - 1, range on row first + 1 (rows of the band's top
// edge are kept free), clamped to those two.
int32_t TrTraceRow(int64_t value, int64_t range, int32_t first, int32_t rows);

// "Pitch_Exercise/MinTone" and "MaxTone" (cents) with the mapping of a tone
// onto rows. MaxTone must lie above MinTone; a definition or INI that gives
// MaxTone <= MinTone is corrected to MinTone + 1 so that the mapping never
// divides by zero (the trace then only tells voiced from unvoiced).
struct vTrToneRange_s {
    static constexpr vIntSetting_c kMinTone{"Pitch_Exercise/MinTone", 0};
    static constexpr vIntSetting_c kMaxTone{"Pitch_Exercise/MaxTone", 3600};

    int32_t minTone = 0;
    int32_t maxTone = 3600;

    static vTrToneRange_s Read();
    // The row of a tone (clamped to the range) in a band of rows (TrTraceRow).
    int32_t Row(int32_t tone, int32_t first, int32_t rows) const;
};
