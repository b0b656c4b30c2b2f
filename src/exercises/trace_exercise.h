#pragma once
// The sweeping traces: a pen line that moves one column per analysed window
// left to right across the inner rectangle of the display area and wraps,
// an erased strip TailLength columns behind the pen, and an optional sprite
// (HeadImage, a file sprite over the exercise) riding on the pen.
// vTrAmpExercise_c draws loudness, vTrPitchExercise_c the voice's tone.
//
// The column, the stored pen point and the trackers persist across stop
// and start; a new Show redraws the background but keeps the column.
// User-interface thread only.

#include "display/dx_sprite.h"
#include "exercises/hm_exercise.h"

class vTrTraceExercise_c : public vTrHmContExercise_c {
public:
    vTrTraceExercise_c(const char* section, uint32_t defaultWindowSize);

    // Checks that the inner rectangle can hold a trace, takes the head
    // away, then shows.
    void Show() override;
    // A declared head sprite becomes a child of the exercise at once, so
    // that it is shown on the exercise and locked drawing takes it away
    // meanwhile.
    void OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) override;

    int Column() const { return mCol; }
    uint32_t TailLength() const { return mTailLength; }
    vDxFileSprite_c* HeadImage() const { return mHeadImage.get(); }

protected:
    // Advances the column (wrapping to 1) and returns it.
    int NextColumn();
    // The display step's drawing names what it touched (vAreaDrawing_c).
    // The pen point: (x, y), (x, y + 1), (x, y - 1) in the pen colour.
    void DrawPen(int x, int y);
    // Erases the strip TailLength columns behind col.
    void EraseBehind(int col);
    // Moves the head sprite, if any, to (x, y), or as near as keeps it
    // inside the display from top to bottom.
    void MoveHead(int x, int y);

    std::unique_ptr<vDxFileSprite_c> mHeadImage;
    uint32_t mTailLength = 0;

private:
    int mCol = 0;
};
