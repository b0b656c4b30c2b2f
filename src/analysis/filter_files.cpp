#include "analysis/filter_files.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <strings.h>

#include "analysis/hm_filter_bank.h"
#include "platform/atomic_file.h"
#include "platform/exception.h"
#include "platform/regular_file.h"

namespace {

// Longest word the readers accept; no valid label or number comes near it,
// and it keeps a file without white space from being read as one word.
constexpr size_t kMaxWord = 255;

constexpr double kQ30 = 1073741824.0;

// Whitespace-separated words of a file.
class WordReader {
public:
    // Only a regular file is opened: a FIFO named as a filter file would
    // block the reader.
    WordReader(const char* path, const char* kind)
        : mIn(platform::OpenRegularStream(path)), mPath(path), mKind(kind) {}
    bool IsOpen() const { return mIn != nullptr; }

    // The next word; false at the end of the file.
    bool Next(std::string& word) {
        word.clear();
        int ch;
        while ((ch = std::getc(mIn.get())) != EOF && IsSpace(ch)) {
        }
        while (ch != EOF && !IsSpace(ch)) {
            if (word.size() == kMaxWord)
                throw vPrintException_c(0, "%s %s contains a word longer than %zu characters.",
                                        mKind, mPath.c_str(), kMaxWord);
            word.push_back(static_cast<char>(ch));
            ch = std::getc(mIn.get());
        }
        return !word.empty();
    }

    // Skips words up to and including one equal to label (any letter case).
    void SkipTo(const char* label) {
        std::string word;
        while (Next(word))
            if (strcasecmp(word.c_str(), label) == 0) return;
        throw vPrintException_c(0, "%s %s ends before \"%s\".", mKind, mPath.c_str(), label);
    }

    // A word that must be a decimal real number.
    double Real(const char* after) {
        std::string word;
        double v = 0;
        if (!Next(word) || !ParseReal(word, v))
            throw vPrintException_c(0, "%s %s: \"%s\" is not followed by a number.", mKind,
                                    mPath.c_str(), after);
        return v;
    }

    // A word that must be an integer in the given base.
    int64_t Integer(const char* after, int base = 10) {
        std::string word;
        int64_t v = 0;
        if (!Next(word) || !ParseInteger(word, base, v))
            throw vPrintException_c(0, "%s %s: \"%s\" is not followed by an integer.", mKind,
                                    mPath.c_str(), after);
        return v;
    }

    [[noreturn]] void OutOfRange(const char* what, double value) const {
        throw vPrintException_c(0, "%s %s: %s %g is out of range.", mKind, mPath.c_str(), what,
                                value);
    }
    const std::string& Path() const { return mPath; }

    static bool ParseReal(const std::string& word, double& v) {
        const char* first = word.data();
        const char* last = first + word.size();
        if (first != last && *first == '+') ++first;
        auto [end, ec] = std::from_chars(first, last, v);
        return ec == std::errc() && end == last;
    }
    static bool ParseInteger(const std::string& word, int base, int64_t& v) {
        const char* first = word.data();
        const char* last = first + word.size();
        if (first != last && *first == '+') ++first;
        auto [end, ec] = std::from_chars(first, last, v, base);
        return ec == std::errc() && end == last;
    }

private:
    static bool IsSpace(int ch) {
        return ch == ' ' || ch == '\t' || ch == '\v' || ch == '\n' || ch == '\f' || ch == '\r';
    }

    platform::UniqueFile mIn;
    std::string mPath;
    const char* mKind;
};

// value * scale truncated toward zero, when that fits 32 bits.
bool ToFixed(double value, double scale, int32_t& out) {
    const double v = value * scale;
    if (!(v > -2147483649.0 && v < 2147483648.0)) return false;
    out = static_cast<int32_t>(v);
    return true;
}

int32_t Q30(WordReader& in, const char* label, double value) {
    int32_t out;
    if (!ToFixed(value, kQ30, out)) in.OutOfRange(label, value);
    return out;
}

// Three stage records into c[0..14].
void ReadStages(WordReader& in, int32_t* c) {
    static const char* const kLabels[3][5] = {
        {"A[0]1:", "A[0]2:", "B[0]0:", "B[0]1:", "B[0]2:"},
        {"A[1]1:", "A[1]2:", "B[1]0:", "B[1]1:", "B[1]2:"},
        {"A[2]1:", "A[2]2:", "B[2]0:", "B[2]1:", "B[2]2:"}};
    // Position of each label's coefficient inside the stage: A1 multiplies
    // y[n-1], A2 y[n-2]; the B terms are stored negated on x[n], x[n-1], x[n-2].
    static const int kSlot[5] = {4, 3, 2, 1, 0};
    static const double kSign[5] = {1, 1, -1, -1, -1};
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 5; ++j) {
            in.SkipTo(kLabels[k][j]);
            const double v = in.Real(kLabels[k][j]);
            c[5 * k + kSlot[j]] = Q30(in, kLabels[k][j], kSign[j] * v);
        }
    }
}

struct Bank {
    vBandGroup_c groups[vHMFilterArray_c::kGroupCount];
    vDecimator_c decimators[3];
    int32_t eqGain[kHMOutputCount];
};

void ReadBank(WordReader& in, Bank& bank) {
    in.SkipTo("{");
    for (int g = 0; g < vHMFilterArray_c::kGroupCount; ++g) {
        const char* name = vHMFilterArray_c::kGroupNames[g];
        in.SkipTo(name);
        in.SkipTo("{");
        in.SkipTo("FilterNum:");
        const int count = static_cast<uint8_t>(in.Integer("FilterNum:"));
        // The groups' outputs sit at fixed positions of the output table, so
        // each group must have exactly its number of filters.
        if (count != vHMFilterArray_c::kGroupSizes[g])
            throw vPrintException_c(0, "Coefficient file %s: %s has %d filters, %d expected.",
                                    in.Path().c_str(), name, count,
                                    vHMFilterArray_c::kGroupSizes[g]);
        auto& group = bank.groups[g];
        group.firstOutput = vHMFilterArray_c::kGroupOutputs[g];
        group.filters.assign(static_cast<size_t>(count), vBandFilter_c{});
        for (auto& f : group.filters) {
            in.SkipTo("{");
            ReadStages(in, f.c);
            in.SkipTo("EB:");
            f.c[15] = Q30(in, "EB:", in.Real("EB:"));
            in.SkipTo("EA:");
            f.c[16] = Q30(in, "EA:", in.Real("EA:"));
            in.SkipTo("}");
        }
        in.SkipTo("}");
    }
    for (int d = 0; d < 3; ++d) {
        in.SkipTo(vHMFilterArray_c::kDecimatorNames[d]);
        in.SkipTo("{");
        in.SkipTo("{");
        ReadStages(in, bank.decimators[d].c);
        in.SkipTo("}");
        in.SkipTo("}");
    }
    in.SkipTo("Eq");
    in.SkipTo("{");
    for (int i = 0; i < kHMOutputCount; ++i) {
        const double v = in.Real(i == 0 ? "Eq {" : "Eq gain");
        if (!ToFixed(v, 65536.0, bank.eqGain[i])) in.OutOfRange("Eq gain", v);
    }
    in.SkipTo("}");
    in.SkipTo("}");
}

void Install(const Bank& bank, vHMFilterArray_c& target) {
    for (int g = 0; g < vHMFilterArray_c::kGroupCount; ++g) target.groups[g] = bank.groups[g];
    for (int d = 0; d < 3; ++d) target.decimators[d] = bank.decimators[d];
    std::copy(std::begin(bank.eqGain), std::end(bank.eqGain), target.eqGain);
}

Bank EmptyBank() {
    Bank bank;
    for (int g = 0; g < vHMFilterArray_c::kGroupCount; ++g) {
        bank.groups[g].firstOutput = vHMFilterArray_c::kGroupOutputs[g];
        bank.groups[g].filters.resize(static_cast<size_t>(vHMFilterArray_c::kGroupSizes[g]));
    }
    std::fill(std::begin(bank.eqGain), std::end(bank.eqGain), 65536);
    return bank;
}

std::string Number(double v) {
    if (v == 0) v = 0;  // no "-0" for negated zero coefficients
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

void WriteStages(std::string& out, const int32_t* c, const std::string& tabs) {
    static const int kSlot[5] = {4, 3, 2, 1, 0};
    static const double kSign[5] = {1, 1, -1, -1, -1};
    static const char* const kNames[5] = {"A[%d]1: ", "A[%d]2: ", "B[%d]0: ", "B[%d]1: ",
                                          "B[%d]2: "};
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 5; ++j) {
            char label[16];
            std::snprintf(label, sizeof label, kNames[j], k);
            out += tabs + label + Number(kSign[j] * c[5 * k + kSlot[j]] / kQ30) + "\n";
        }
    }
}

}  // namespace

void ReadCoefficientFile(const char* path, vHMFilterArray_c& bank) {
    Bank fresh = EmptyBank();
    Install(fresh, bank);
    WordReader in(path, "Coefficient file");
    if (!in.IsOpen()) throw vException_c(0);
    ReadBank(in, fresh);
    Install(fresh, bank);
}

void WriteCoefficientFile(const char* path, const vHMFilterArray_c& bank) {
    std::string out = "{\n";
    for (int g = 0; g < vHMFilterArray_c::kGroupCount; ++g) {
        const auto& group = bank.groups[g];
        out += std::string("\t") + vHMFilterArray_c::kGroupNames[g] + " {\n";
        out += "\t\tFilterNum: " + std::to_string(group.filters.size()) + "\n";
        for (const auto& f : group.filters) {
            out += "\t\t{\n";
            WriteStages(out, f.c, "\t\t\t");
            out += "\t\t\tEB: " + Number(f.c[15] / kQ30) + "\n";
            out += "\t\t\tEA: " + Number(f.c[16] / kQ30) + "\n";
            out += "\t\t}\n";
        }
        out += "\t}\n";
    }
    for (int d = 0; d < 3; ++d) {
        out += std::string("\t") + vHMFilterArray_c::kDecimatorNames[d] + " {\n\t\t{\n";
        WriteStages(out, bank.decimators[d].c, "\t\t\t");
        out += "\t\t}\n\t}\n";
    }
    out += "\tEq {\n";
    for (int32_t gain : bank.eqGain) out += "\t\t" + Number(gain / 65536.0) + "\n";
    out += "\t}\n}\n";

    if (!platform::WriteFileAtomically(path, out))
        throw vExErrNo_c(std::string("Cannot write coefficient file ") + path);
}

void ReadCalibrationFile(const char* path, int32_t eqGain[kHMOutputCount]) {
    WordReader in(path, "Calibration file");
    if (!in.IsOpen()) return;
    static const char kBadFile[] = "File does not seem to be an equlazation file!";
    static const char* const kHeader[3] = {"HM_DSP", "calibration", "table."};
    std::string word;
    for (const char* expected : kHeader)
        if (!in.Next(word) || strcasecmp(word.c_str(), expected) != 0)
            throw vTextException_c(kBadFile);
    int32_t gains[kHMOutputCount];
    for (int i = 0; i < kHMOutputCount; ++i) {
        int64_t v = 0;
        if (!in.Next(word) || !WordReader::ParseInteger(word, 16, v)) throw vTextException_c(kBadFile);
        const long double scaled =
            static_cast<long double>(eqGain[i]) * (static_cast<long double>(v) * 256) / 65536;
        if (!(scaled > -2147483649.0L && scaled < 2147483648.0L))
            throw vPrintException_c(0, "Calibration file %s: value %s of output %d is out of range.",
                                    path, word.c_str(), i);
        gains[i] = static_cast<int32_t>(scaled);
    }
    std::copy(gains, gains + kHMOutputCount, eqGain);
}

void ReadWindowFile(const std::string& path, int32_t window[kWindowSize]) {
    if (path.empty()) {
        std::fill(window, window + kWindowSize, 1024);
        return;
    }
    WordReader in(path.c_str(), "Window file");
    if (!in.IsOpen()) throw vPrintException_c(0, "Cannot open window file %s.", path.c_str());
    if (in.Integer("the start") != kWindowSize || in.Integer("the size") != 1)
        throw vPrintException_c(0, "Window file %s does not start with 224 1.", path.c_str());
    int32_t entries[kWindowSize];
    for (int i = 0; i < kWindowSize; ++i) {
        const double v = in.Real("a window entry");
        if (!ToFixed(v, 1024.0, entries[i])) in.OutOfRange("window entry", v);
    }
    std::copy(entries, entries + kWindowSize, window);
}

void ApplyWindow(int16_t* samples, int n, const int32_t window[kWindowSize]) {
    for (int k = 0, w = 0; k < n; ++k, w = (w + 1 == kWindowSize ? 0 : w + 1)) {
        // Entries above 1.0 could push a sample past 16 bits: clamp it there.
        const int64_t v = static_cast<int64_t>(samples[k]) * window[w] / 1024;
        samples[k] = static_cast<int16_t>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX));
    }
}
