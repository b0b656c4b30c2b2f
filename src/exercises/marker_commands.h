#pragma once
// vTrMarkerCommands_i: what the marker, display and editor buttons
// (marker_buttons.h, editor_buttons.h) ask of the exercise they are bound
// to. The word exercise answers the first three, the take editor the rest;
// a button whose exercise does not answer it only toggles. Keeping the
// buttons to this interface keeps them from depending on the exercises that
// own them. User-interface thread only.

// The takes of the editor, one per value of its take checkbox.
inline constexpr int kEditorTakes = 3;

class vTrMarkerCommands_i {
public:
    // The word exercise's checkboxes.
    virtual void LockMarkersClicked(bool /*locked*/) {}
    virtual void EtalonModeClicked(bool /*etalon*/) {}
    virtual void WordDisplayClicked(int /*mode*/) {}
    // The take editor's buttons.
    virtual void AutoSegmentClicked() {}
    virtual void EditMarkerClicked() {}
    virtual void SaveExerciseClicked() {}
    virtual void ActiveTakeClicked(int /*take*/) {}
    virtual void EditorDisplayClicked(int /*mode*/) {}

protected:
    ~vTrMarkerCommands_i() = default;
};
