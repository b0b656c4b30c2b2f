#include "exercises/feedback_schedule.h"

#include "settings/settings.h"

#include <cctype>
#include <cmath>

vTrFeedbackSchedule_c vTrFeedbackSchedule_c::Resolve(const std::string& schedule, std::optional<int32_t> count,
                                                     std::string& problem) {
    problem.clear();
    const bool settings = gSettings.FileName() != nullptr;
    std::string name = schedule;
    if (name.empty()) {
        name = settings ? kScheduleKey.Read() : kScheduleKey.def;
    }
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!count) count = settings ? kCountKey.Read() : kCountKey.def;
    Kind kind;
    if (name.empty() || name == "every") {
        return {};
    } else if (name == "nth") {
        kind = Kind::Nth;
    } else if (name == "block") {
        kind = Kind::Block;
    } else {
        problem = "Unknown feedback schedule \"" + name + "\" (every, nth or block): marks are shown after every try.";
        return {};
    }
    if (*count < 1) {
        problem = "Feedback count " + std::to_string(*count) + " is not a number of tries of 1 or more: marks are "
                  "shown after every try.";
        return {};
    }
    return {kind, *count};
}

bool vTrFeedbackSchedule_c::ShowsTry() const {
    switch (mKind) {
        case Kind::Every:
            return true;
        case Kind::Nth:
            return mTries + 1 == mCount;
        case Kind::Block:
            break;
    }
    return false;
}

int vTrMarkMean_c::Mean() const {
    return count ? static_cast<int>(std::lround(static_cast<double>(sum) / count)) : 0;
}

std::optional<int> vTrFeedbackSchedule_c::Tried(int mark) {
    if (mKind == Kind::Every) return std::nullopt;
    mBlock.Add(mark);
    if (++mTries < mCount) return std::nullopt;
    const int mean = mBlock.Mean();
    mTries = 0;
    mBlock = {};
    if (mKind == Kind::Nth) return std::nullopt;
    return mean;
}
