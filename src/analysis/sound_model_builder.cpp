#include "analysis/sound_model_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/recording.h"
#include "analysis/sound_limits.h"
#include "platform/atomic_file.h"
#include "platform/exception.h"

namespace {

std::string Bare(const std::string& code) {
    std::string bare;
    for (char c : code)
        if (c != ':') bare.push_back(c);
    return bare;
}

// The value below which the given fraction of the sorted values lies.
int32_t Percentile(const std::vector<int32_t>& sorted, double fraction) {
    const double at = fraction * static_cast<double>(sorted.size() - 1);
    return sorted[static_cast<size_t>(std::lround(at))];
}

// A band whose frames spread over 10 dB weighs half as much as a steady one.
int32_t WeightForSpread(int32_t spread) { return static_cast<int32_t>(std::lround(10.0 * 1000 / (1000 + std::max(spread, 0)))); }

std::string List(const std::array<int32_t, vSoundModelBuilder_c::kBands>& values) {
    std::string text = "(";
    for (size_t k = 0; k < values.size(); ++k) text += (k ? "," : "") + std::to_string(values[k]);
    return text + ")";
}

void WriteWhole(const std::string& path, const std::string& text) {
    if (!platform::WriteFileAtomically(path, text)) throw vPrintException_c(0, "Cannot write %s file!", path.c_str());
}

// Calls f(first frame, end) for every coded sound of a table.
template <typename F>
void ForEachSound(const vSoundFrames_c& table, F f) {
    for (int32_t s = 0; s < table.Count(); ++s) {
        if (table[s].code.empty()) continue;
        int32_t e = s + 1;
        while (e < table.Count() && table[e].code.empty()) ++e;
        f(s, e);
    }
}

}  // namespace

void vSoundModelBuilder_c::Add(const vRecording_c& etalon) {
    vSoundFrames_c table;
    table.Allocate(std::max(etalon.RecSize(), 0), kTracking);
    table.SetCodesFromMarkers(etalon);
    // The etalon measured against its own frames.
    for (int32_t r = 0; r < table.Count(); ++r) {
        const vAllHmData_c& f = etalon.WordFrame(r);
        auto& m = table[r].measured;
        std::copy(f.channels, f.channels + kBands, m.begin());
        m[kBands] = f.lowBand;
        m[kBands + 1] = f.fullBand;
    }
    mTakes.push_back(std::move(table));
}

std::vector<vSoundModelBuilder_c::Model> vSoundModelBuilder_c::Models() const {
    std::vector<std::string> order;
    std::map<std::string, std::string> spelling;
    std::map<std::string, std::array<std::vector<int32_t>, kBands>> values;
    for (const vSoundFrames_c& take : mTakes)
        ForEachSound(take, [&](int32_t s, int32_t e) {
            const std::string key = Bare(take[s].code);
            if (spelling.emplace(key, take[s].code).second) order.push_back(key);
            const auto [first, last] = vSoundFrames_c::KeptFrames(s, e);
            for (int32_t r = first; r < last; ++r)
                for (int k = 0; k < kBands; ++k) values[key][static_cast<size_t>(k)].push_back(take[r].measured[static_cast<size_t>(k)]);
        });
    std::vector<Model> models;
    for (const std::string& key : order) {
        Model m;
        m.code = spelling[key];
        for (size_t k = 0; k < kBands; ++k) {
            std::vector<int32_t> v = values[key][k];
            std::sort(v.begin(), v.end());
            m.frames = static_cast<int>(v.size());
            m.minValues[k] = Percentile(v, 0.1);
            m.maxValues[k] = Percentile(v, 0.9);
            const int32_t median = Percentile(v, 0.5);
            m.minWeight[k] = WeightForSpread(2 * (median - m.minValues[k]));
            m.maxWeight[k] = WeightForSpread(2 * (m.maxValues[k] - median));
        }
        models.push_back(m);
    }
    return models;
}

std::string vSoundModelBuilder_c::ModelsText(const std::vector<Model>& models) {
    std::string text = "; Sound models: per SAMPA code the band levels (1/100 dB) of its frames\n"
                       "; (10th and 90th percentiles) and the weights of levels below and above them.\n";
    for (const Model& m : models) {
        text += "[" + m.code + "]\n";
        text += "MinValues=" + List(m.minValues) + "\n";
        text += "MaxValues=" + List(m.maxValues) + "\n";
        text += "MinWeight=" + List(m.minWeight) + "\n";
        text += "MaxWeight=" + List(m.maxWeight) + "\n";
    }
    return text;
}

std::string vSoundModelBuilder_c::LimitsText(const std::vector<std::pair<std::string, int32_t>>& sounds,
                                             int32_t affricateLimit) {
    std::string text = "; Mark 5 distance limit per sound\n[Sounds]\n";
    for (const auto& [code, limit] : sounds) text += code + "=" + std::to_string(limit) + "\n";
    text += "; limits of marks 4, 3 and 2 in percent of the sound's mark 5 limit\n[OtherMarks]\n";
    for (int m = 4; m >= 2; --m) text += "Mark" + std::to_string(m) + "=" + std::to_string(kOtherMarks[static_cast<size_t>(4 - m)]) + "\n";
    text += "; per row (1 lenient, 2 words, 3 strict): hard factor, soft tolerance, hard tolerance (1/100 dB)\n"
            "[Constants]\n";
    for (int row = 1; row <= 3; ++row)
        for (int col = 1; col <= 3; ++col)
            text += "Const" + std::to_string(row) + "-" + std::to_string(col) + "=" + std::to_string(kConstants[row - 1][col - 1]) + "\n";
    text += "; half-range of the level-offset search (1/100 dB), sustained sounds and words\n";
    text += "Tracking_isol=" + std::to_string(kTracking) + "\nTracking_word=" + std::to_string(kTracking) + "\n";
    text += "; level rise an affricate must show over the preceding sound (1/100 dB)\n";
    text += "AffricateLimit=" + std::to_string(affricateLimit) + "\n";
    return text;
}

void vSoundModelBuilder_c::Write(const std::string& modelsPath, const std::string& limitsPath) const {
    const std::vector<Model> models = Models();
    if (models.empty()) throw vPrintException_c(0, "No recording has a coded sound.");
    if (static_cast<int>(models.size()) > kMaxSounds)
        throw vPrintException_c(0, "%d sounds: the limits file holds at most %d.", static_cast<int>(models.size()), kMaxSounds);
    WriteWhole(modelsPath, ModelsText(models));

    // Each recording is marked against the models as the word exercise marks
    // a say, through the files themselves; the limits are provisional (the
    // distances do not depend on them) and kept beside the target meanwhile,
    // in a private temporary that the next write there removes should this
    // process be killed first.
    std::vector<std::pair<std::string, int32_t>> provisional;
    for (const Model& m : models) provisional.emplace_back(m.code, 1);
    const std::string::size_type slash = limitsPath.rfind('/');
    const std::string draft = platform::CreatePrivateScratchFile(
        slash == std::string::npos ? std::string() : limitsPath.substr(0, slash + 1), "limits-draft");
    if (draft.empty()) throw vPrintException_c(0, "Cannot write %s file!", limitsPath.c_str());
    std::map<std::string, std::vector<int32_t>> distances;
    std::vector<int32_t> rises;
    try {
        WriteWhole(draft, LimitsText(provisional, -5000));
        vSoundLimits limits("", draft);
        for (vSoundFrames_c take : mTakes) {
            take.LoadModels(modelsPath);
            take.ComputeSoundMarks(limits);
            int32_t previous = -1;
            ForEachSound(take, [&](int32_t s, int32_t) {
                distances[Bare(take[s].code)].push_back(take[s].distance);
                if (vSoundFrames_c::IsAffricate(take[s].code) && previous >= 0) rises.push_back(take[s].level - take[previous].level);
                previous = s;
            });
        }
    } catch (...) {
        std::remove(draft.c_str());
        throw;
    }
    std::remove(draft.c_str());

    std::vector<std::pair<std::string, int32_t>> sounds;
    for (const Model& m : models) {
        std::vector<int32_t>& d = distances[Bare(m.code)];
        std::sort(d.begin(), d.end());
        // Three in five of a sound's own recordings reach mark 5; a sound met once
        // still gets room for another speaker.
        sounds.emplace_back(m.code, std::max(d.empty() ? 0 : Percentile(d, 0.6), 50));
    }
    // An affricate quieter than its neighbour by more than any recording was is refused.
    const int32_t affricateLimit = rises.empty() ? -5000 : *std::min_element(rises.begin(), rises.end()) - 500;
    WriteWhole(limitsPath, LimitsText(sounds, affricateLimit));
}
