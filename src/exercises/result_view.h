#pragma once
// vTrResultView_c: the pupil's reward picture, an array of five pictures,
// one per mark (entry = mark - 1). ShowEntry draws the picture of an entry
// onto the view's parent at the view's position, but only when the entry
// changed or the view is dirty (new pictures, restored surfaces, or never
// drawn). A view starts with kNoMark: nothing is drawn until there is a
// mark, so a pupil who has not yet said anything sees no "1". A negative
// entry (no mark could be formed) draws nothing and leaves what is there;
// any other entry without a picture shows picture 0 but is remembered as
// requested.
//
// Feedback sets: "Feedback/Offset" (default 4294967295, none) chooses one of
// the sets the settings dialog offers; when it is not negative as a signed
// number, "Feedback/Prefix<Offset>" names the set. A set is an alternative
// series of pictures beside the defined ones: each picture "dir/Name.bmp" is
// replaced by "dir/<Prefix>Name.bmp" when that file exists (letter case
// aside), so a set can replace some or all of the five pictures.
//
// Reward frames: a picture "dir/Name.bmp" may have frames "dir/Name-1.bmp",
// "dir/Name-2.bmp" ... (up to kMaxFrames, the size of the picture; a frame
// of another size or one that cannot be read ends the series). When an entry
// with frames is newly shown, its frames are drawn one after another, every
// kFrameMs, and then its picture: a good mark greets the pupil with a short
// animation and then stays as a still picture. The frames' clock is the main
// window's message queue; without a main window they advance only through
// NextFrame.
//
// User-interface thread only.

#include "display/dx_image_array.h"
#include "platform/message.h"

#include <memory>
#include <string>
#include <vector>

// The frames' clock (p1: the animation it belongs to).
inline constexpr platform::MessageId kTrRewardFrameMessage = platform::msg::kUser + 14;  // 1038

class vTrResultView_c : public vDxFileImageArray_c {
    V_RTTI_CLASS(vTrResultView_c, vDxFileImageArray_c)
public:
    static constexpr unsigned kPictureCount = 5;
    // The entry of a view that has no mark to show.
    static constexpr int32_t kNoMark = -1;
    static constexpr unsigned kMaxFrames = 12;
    static constexpr unsigned kFrameMs = 110;

    vTrResultView_c();
    ~vTrResultView_c() override;

    // The loaded pictures, replaced by those of the feedback set where it has them.
    bool Loaded() override;
    void LoadResized(const std::string& fileName, int paletteStart = 0) override;
    void Restore() override;
    void Draw() override;

    // SetEntry, then the picture drawn if the entry changed or the view is
    // dirty; a changed entry with frames starts with its first frame.
    virtual void ShowEntry(int32_t entry);
    virtual int32_t GetEntry() const { return mEntry; }
    // Stores the entry and selects its picture (picture 0 when it has none);
    // returns the previous entry.
    virtual int32_t SetEntry(int32_t entry);

    bool Dirty() const { return mDirty; }
    uint32_t FeedbackOffset() const { return mFeedbackOffset; }
    const std::string& FeedbackPrefix() const { return mFeedbackPrefix; }
    // The file a picture of the given name is loaded from under the feedback set.
    std::string FeedbackFile(const std::string& fileName) const;

    // The frames of a picture entry (0 when it has none or is out of range).
    unsigned FrameCount(unsigned picture) const;
    // The frame drawn now, 1..FrameCount; 0 when the still picture is shown.
    unsigned ShownFrame() const { return mFrame; }
    // Draws the next frame, or the picture after the last; false when no
    // animation is running (any more).
    bool NextFrame();

private:
    class Clock;

    void LoadFrames(unsigned picture);
    // Blits what is to be seen now (frame or picture) onto the parent; false
    // when there is nowhere to draw yet.
    bool Blit();

    std::vector<std::vector<std::unique_ptr<vDxFileImage_c>>> mFrames;  // per picture
    unsigned mFrame = 0;
    std::unique_ptr<Clock> mClock;
    int32_t mEntry = kNoMark;
    bool mDirty = true;
    uint32_t mFeedbackOffset;
    std::string mFeedbackPrefix;
};
