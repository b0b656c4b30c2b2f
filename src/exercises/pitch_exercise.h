#pragma once
// The pitch exercises. vTrPitchExercise_c draws the voice's tone as a
// sweeping trace ("Pitch_Processor/...", 672 samples per window, 3
// staggered trackers); a run of InvalidNum windows without pitch breaks the
// line. vTrPitch2Exercise_c raises and lowers a head picture on a
// stretching neck with the tone ("Pitch_Processor2/...", 1120 samples, 2
// trackers); the head drops to the bottom after InvalidNum + 1 updates
// without pitch. Tones are in hundredths of a semitone over the note 75
// semitones above 1 Hz, shown between "Pitch_Exercise/MinTone" and
// "MaxTone"; at MinTone or below there is no pitch.
// User-interface thread only.

#include "exercises/trace_exercise.h"

class vTrPitchExercise_c : public vTrTraceExercise_c {
    V_RTTI_CLASS(vTrPitchExercise_c, vTrContExercise_c)
public:
    vTrPitchExercise_c();

    int GetKind() override { return 4; }
    // "Pitch_Exercise/TailLength" (100).
    void ReadSettings(bool initial) override;

    const vTrPitchTrackers_c& Trackers() const { return mTrackers; }
    const vTrToneRange_s& ToneRange() const { return mRange; }
    uint32_t InvalidRun() const { return mInvalid; }

protected:
    void AnalyseWindow(const int32_t* input, int steps) override;
    void DisplayStep() override;

private:
    vTrPitchTrackers_c mTrackers;
    vTrToneRange_s mRange;
    uint32_t mInvalidNum;
    uint32_t mInvalid;
    int32_t mTone = -1;
    vDxPoint mPenPoint;
};

class vTrPitch2Exercise_c : public vTrHmContExercise_c {
    V_RTTI_CLASS(vTrPitch2Exercise_c, vTrContExercise_c)
public:
    // The head moves every n-th analysed window (0 is taken as 1).
    static constexpr vUnsignedSetting_c kDisplayInterleave{"Pitch_Exercise/DisplayInterleave", 1};

    vTrPitch2Exercise_c();

    int GetKind() override { return 2; }
    // Checks that HeadMinY..HeadMaxY leaves the head room to move, then shows.
    void Show() override;
    void OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) override;

    vDxImage_i* HeadImage() const { return mHeadImage.get(); }
    vDxImage_i* NeckImage() const { return mNeckImage.get(); }
    // The top edge of the head as last drawn.
    int32_t HeadY() const { return mHeadY; }
    uint32_t InvalidRun() const { return mInvalid; }
    const vTrToneRange_s& ToneRange() const { return mRange; }

protected:
    void AnalyseWindow(const int32_t* input, int steps) override;
    void DisplayStep() override;

private:
    // The scene restored where the figure stood, then the neck up to the
    // head, then the head at y.
    void DrawHead(int32_t y);
    // Where the head with its top edge at y and its neck stand.
    vDxRect FigureRect(int32_t y) const;

    std::unique_ptr<vDxImage_i> mHeadImage;
    std::unique_ptr<vDxImage_i> mNeckImage;
    vPointProp_c mNeckPos;
    int32_t mHeadX = 0;
    int32_t mHeadMinY = 0;
    int32_t mHeadMaxY = 0;
    int32_t mNeckOverlap = 0;

    vTrPitchTrackers_c mTrackers;
    vTrToneRange_s mRange;
    uint32_t mInvalidNum;
    uint32_t mDisplayInterleave;
    uint32_t mDisplayCounter = 0;
    uint32_t mInvalid = 0;
    int32_t mTone = -1;
    int32_t mHeadY = 0;
};
