#pragma once
// vTrFeedbackSchedule_c: which tries' marks an exercise shows. Feedback after
// every try helps a pupil learn a sound; feedback after fewer tries, or a
// summary of several, helps the sound stay when the feedback goes. Every try
// is recorded whatever is shown; this only decides the picture.
//
//   every   each try shows its own mark (the default)
//   nth     only every Count-th try shows its own mark
//   block   no try shows its own mark; after each Count tries the block's
//           mean mark (rounded; tries without a mark left out) is shown
//
// The schedule comes from the exercise definition's FeedbackSchedule and
// FeedbackCount where given (a folder's exercises give them through one
// shared #include file), else from "[Feedback] Schedule=" and "Count=" of
// the settings; names are read without regard to case.
// User-interface thread only.

#include <cstdint>
#include <optional>
#include <string>

#include "settings/setting.h"

// The mean of marks 1..5, rounded; marks of 0 or less (none) left out.
struct vTrMarkMean_c {
    int count = 0, sum = 0;
    void Add(int mark) {
        if (mark > 0) ++count, sum += mark;
    }
    // 0 without a mark.
    int Mean() const;
};

class vTrFeedbackSchedule_c {
public:
    enum class Kind { Every, Nth, Block };
    // Count where neither the definition nor the settings give one.
    static constexpr int32_t kDefaultCount = 5;
    static constexpr vTextSetting_c kScheduleKey{"Feedback/Schedule", "every", 32};
    static constexpr vIntSetting_c kCountKey{"Feedback/Count", kDefaultCount};

    vTrFeedbackSchedule_c() = default;
    vTrFeedbackSchedule_c(Kind kind, int32_t count) : mKind(kind), mCount(count) {}

    // The schedule of a definition's values (schedule empty, count unset:
    // not given) over the settings'. A bad value gives every try, and why in
    // problem (empty when all was well).
    static vTrFeedbackSchedule_c Resolve(const std::string& schedule, std::optional<int32_t> count,
                                         std::string& problem);

    // Whether the next try shows its own mark.
    bool ShowsTry() const;
    // Counts a try with its mark (0 or less: none); the block's mean mark
    // (0: none of its tries had one) when the try completes a block.
    std::optional<int> Tried(int mark);

    Kind GetKind() const { return mKind; }
    int32_t Count() const { return mCount; }

private:
    Kind mKind = Kind::Every;
    int32_t mCount = 1;
    int32_t mTries = 0;  // of the current block or round of Count
    vTrMarkMean_c mBlock;
};
