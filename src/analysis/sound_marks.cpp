#include "analysis/sound_marks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "analysis/recording.h"
#include "analysis/sound_limits.h"
#include "analysis/time_warp.h"
#include "analysis/text_lines.h"
#include "platform/path_case.h"
#include "platform/message_box.h"
#include "platform/regular_file.h"

namespace {

void ErrorBox(const std::string& text) {
    platform::ShowMessageBox({text, "Error", platform::BoxIcon::Stop, platform::BoxButtons::Ok});
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Reads the integers after the first "(" of line, separated by ",", up to a
// ")" or the end of the line. Fails on anything else, on more than max values
// and on fewer than min.
bool ParseValues(const std::string& line, size_t min, size_t max, std::array<int32_t, 20>& out) {
    size_t p = line.find('(');
    if (p == std::string::npos) return false;
    ++p;
    size_t count = 0;
    std::array<int32_t, 20> values{};
    auto skipBlanks = [&] {
        while (p < line.size() && IsBlank(line[p])) ++p;
    };
    skipBlanks();
    const bool empty = p >= line.size() || line[p] == ')';
    while (!empty) {
        skipBlanks();
        const char* start = line.c_str() + p;
        char* end = nullptr;
        const long long v = std::strtoll(start, &end, 10);
        if (end == start || count == max) return false;
        values[count++] = static_cast<int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
        p += static_cast<size_t>(end - start);
        skipBlanks();
        if (p < line.size() && line[p] == ',') {
            ++p;
            continue;
        }
        if (p < line.size() && line[p] != ')') return false;
        break;
    }
    if (count < min) return false;
    std::copy(values.begin(), values.begin() + static_cast<long>(count), out.begin());
    return true;
}

}  // namespace

void vSoundFrames_c::Allocate(int32_t frames, int32_t trackingWord) {
    mTracking = std::max(trackingWord, 0);
    const size_t bins = static_cast<size_t>(2 * static_cast<int64_t>(mTracking) / 100 + 1);
    mFrames.assign(static_cast<size_t>(std::max(frames, 0)), Frame{});
    for (Frame& f : mFrames) f.penalty.assign(bins, 0);
}

void vSoundFrames_c::SetCode(int32_t r, const std::string& code) {
    mFrames[static_cast<size_t>(r)].code = code.substr(0, kMaxCode);
}

void vSoundFrames_c::SetCodesFromMarkers(const vRecording_c& etalon) {
    for (const auto& marker : etalon.Markers()) {
        const auto* segment = dynamic_cast<const vSegmentMarker_c*>(marker.get());
        if (!segment || !segment->IsAbsolute()) continue;
        const int64_t r = static_cast<int64_t>(segment->absPos) - etalon.WordBegin();
        if (r < 0 || r >= Count()) continue;
        if (!segment->segmentCode.empty()) SetCode(static_cast<int32_t>(r), CodeOfMarker(segment->segmentCode));
    }
}

std::string vSoundFrames_c::CodeOfMarker(const std::string& code) {
    if (code.find("\\'") != std::string::npos) return code.substr(1);
    return code;
}

void vSoundFrames_c::FillMeasured(const vRecording_c& say, const vWarpData_c& warp) {
    for (int32_t r = 0; r < Count() && r < warp.Cols(); ++r) {
        const vAllHmData_c& f = say.WordFrame(warp.RowForColumn(r));
        auto& m = mFrames[static_cast<size_t>(r)].measured;
        std::copy(f.channels, f.channels + kBands, m.begin());
        m[kBands] = f.lowBand;
        m[kBands + 1] = f.fullBand;
    }
}

bool vSoundFrames_c::LoadModels(const std::string& path) {
    platform::UniqueFile file = platform::OpenRegularStream(platform::MatchExistingCase(path));
    if (!file) {
        ErrorBox("Cannot open " + path + " file!\n\nThe feedback can't work properly!");
        return false;
    }
    // Weights a line does not give keep the values read before.
    std::array<int32_t, kBands> minWeight{}, maxWeight{};
    int32_t previous = -1;
    int32_t stop = Count();
    bool complete = true;
    std::string line;
    for (int32_t r = 0; r < Count(); ++r) {
        Frame& frame = mFrames[static_cast<size_t>(r)];
        if (frame.code.empty()) continue;
        std::string bare;
        for (char c : frame.code)
            if (c != ':') bare.push_back(c);
        const std::string name = "[" + bare + "]", longName = "[" + bare + ":]";

        std::rewind(file.get());
        bool found = false;
        while (ReadLimitedLine(file.get(), kMaxModelLine, line))
            if (line.compare(0, name.size(), name) == 0 || line.compare(0, longName.size(), longName) == 0) {
                found = true;
                break;
            }
        if (!found) {
            ErrorBox("Unknown sampa code: " + name + "\nThe feedback can't work properly!!!");
            stop = r;
            complete = false;
            break;
        }
        std::array<int32_t, kBands> minValues{}, maxValues{};
        bool ok = ReadLimitedLine(file.get(), kMaxModelLine, line) && line.find("MinValues") != std::string::npos &&
                  ParseValues(line, kBands, kBands, minValues);
        ok = ok && ReadLimitedLine(file.get(), kMaxModelLine, line) && line.find("MaxValues") != std::string::npos &&
             ParseValues(line, kBands, kBands, maxValues);
        ok = ok && ReadLimitedLine(file.get(), kMaxModelLine, line) && line.find("MinWeight") != std::string::npos &&
             ParseValues(line, 0, kBands, minWeight);
        ok = ok && ReadLimitedLine(file.get(), kMaxModelLine, line) && line.find("MaxWeight") != std::string::npos &&
             ParseValues(line, 0, kBands, maxWeight);
        if (!ok) {
            ErrorBox("Error in " + path + " file at " + name + " label!\nThe feedback can't work properly!!!");
            stop = r;
            complete = false;
            break;
        }
        // Every frame of the previous sound shares the model of its first frame.
        for (int32_t q = previous + 1; previous >= 0 && q < r; ++q) {
            mFrames[static_cast<size_t>(q)].model = mFrames[static_cast<size_t>(previous)].model;
            mFrames[static_cast<size_t>(q)].minWeight = mFrames[static_cast<size_t>(previous)].minWeight;
            mFrames[static_cast<size_t>(q)].maxWeight = mFrames[static_cast<size_t>(previous)].maxWeight;
        }
        for (int k = 0; k < kBands; ++k)
            frame.model[static_cast<size_t>(k)] =
                static_cast<int32_t>(std::trunc((static_cast<double>(minValues[static_cast<size_t>(k)]) + maxValues[static_cast<size_t>(k)]) / 2 + 0.5));
        frame.minWeight = minWeight;
        frame.maxWeight = maxWeight;
        previous = r;
    }
    for (int32_t q = previous + 1; previous >= 0 && q < stop; ++q) {
        mFrames[static_cast<size_t>(q)].model = mFrames[static_cast<size_t>(previous)].model;
        mFrames[static_cast<size_t>(q)].minWeight = mFrames[static_cast<size_t>(previous)].minWeight;
        mFrames[static_cast<size_t>(q)].maxWeight = mFrames[static_cast<size_t>(previous)].maxWeight;
    }
    return complete;
}

void vSoundFrames_c::ComputeFramePenalty(int32_t r, int32_t tracking, int32_t a, int32_t b, int32_t c) {
    Frame& f = mFrames[static_cast<size_t>(r)];
    tracking = std::max(tracking, 0);
    for (int64_t o = -tracking; o <= tracking; o += 100) {
        const size_t bin = static_cast<size_t>((tracking + o) / 100);
        if (bin >= f.penalty.size()) break;
        int64_t sum = 0;
        for (int k = 1; k < kBands; ++k) {
            const int64_t m = f.model[static_cast<size_t>(k)] + o;
            const int64_t e = f.measured[static_cast<size_t>(k)];
            if (e > m + b) {
                const int64_t h = (e - (m + b)) / 100;
                const int64_t w = f.maxWeight[static_cast<size_t>(k)];
                sum += e <= m + c ? h * w * h / 19 : a * w * h * h / 19;
            } else if (e < m - b) {
                const int64_t l = (e - (m - b)) / 100;
                const int64_t w = f.minWeight[static_cast<size_t>(k)];
                sum += e >= m - c ? l * w * l / 19 : a * w * l * l / 19;
            }
        }
        f.penalty[bin] += sum;
    }
}

bool vSoundFrames_c::IsAffricate(const std::string& code) {
    static const char* const kPrefixes[] = {"'ts", "'tS", "'dz", "'dZ", "ts'", "tS'", "dz'", "dZ'"};
    for (const char* p : kPrefixes)
        if (code.rfind(p, 0) == 0) return true;
    return false;
}

namespace {
int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }
}  // namespace

std::pair<int32_t, int32_t> vSoundFrames_c::KeptFrames(int32_t first, int32_t end) {
    if (end - first > 6) ++first, --end;
    if (end - first > 6) ++first, --end;
    return {first, end};
}

vSoundMarkSummary_c vSoundFrames_c::ComputeSoundMarks(vSoundLimits& limits) {
    const int32_t R = Count();
    const int32_t tracking = limits.TrackingWord();
    for (Frame& f : mFrames) {
        std::fill(f.penalty.begin(), f.penalty.end(), 0);
        f.mark = 0;
    }
    for (int32_t r = 0; r < R; ++r)
        ComputeFramePenalty(r, tracking, limits.Constant(2, 1), limits.Constant(2, 2), limits.Constant(2, 3));

    // Each sound's distance and level from its frames, without the edges of long ones.
    for (int32_t s = 0; s < R; ++s) {
        if (mFrames[static_cast<size_t>(s)].code.empty()) continue;
        int32_t e = s + 1;
        while (e < R && mFrames[static_cast<size_t>(e)].code.empty()) ++e;
        const auto [first, last] = KeptFrames(s, e);
        const int32_t kept = last - first;
        std::vector<int64_t> bins(mFrames[static_cast<size_t>(s)].penalty.size(), 0);
        int64_t fullBand = 0;
        for (int32_t r = first; r < last; ++r) {
            const Frame& f = mFrames[static_cast<size_t>(r)];
            for (size_t b = 0; b < bins.size(); ++b) bins[b] += f.penalty[b];
            fullBand += f.measured[kMeasured - 1];
        }
        Frame& sound = mFrames[static_cast<size_t>(s)];
        sound.level = Clamp32(fullBand / kept);
        sound.distance = Clamp32(*std::min_element(bins.begin(), bins.end()) / kept);
    }

    int32_t previous = -1;
    for (int32_t q = 0; q + 1 < R; ++q) {
        Frame& sound = mFrames[static_cast<size_t>(q)];
        if (sound.code.empty()) continue;
        std::string code = sound.code;
        limits.SelectSound(code);
        const auto& lim = limits.MarkLimits();
        if (IsAffricate(sound.code) && previous >= 0 &&
            static_cast<int64_t>(sound.level) - limits.AffricateLimit() < mFrames[static_cast<size_t>(previous)].level) {
            sound.mark = 1;
            mFrames[static_cast<size_t>(previous)].mark = 1;
        } else if (sound.distance <= lim[3]) {
            sound.mark = 5;
        } else if (sound.distance <= lim[2]) {
            sound.mark = 4;
        } else if (sound.distance <= lim[1]) {
            sound.mark = 3;
        } else if (sound.distance <= lim[0]) {
            sound.mark = 2;
        } else {
            sound.mark = 1;
        }
        previous = q;
    }

    vSoundMarkSummary_c summary;
    const std::string& target = limits.TargetSound();
    const std::string targetOther = vSoundLimits::OtherLengthForm(target);
    int64_t viSum = 0, viCount = 0, allSum = 0, allCount = 0;
    for (int32_t q = 0; q + 1 < R; ++q) {
        const Frame& sound = mFrames[static_cast<size_t>(q)];
        if (sound.code.empty() || sound.mark <= 0) continue;
        allSum += sound.mark;
        ++allCount;
        if (sound.code == target || sound.code == targetOther) {
            viSum += sound.mark;
            ++viCount;
        }
    }
    summary.viMark = viCount ? static_cast<int32_t>(viSum / viCount) : 0;
    summary.meanMark = allCount ? static_cast<int32_t>(allSum / allCount) : 0;
    return summary;
}
