#include "analysis/scoring/phone_strings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "analysis/text_lines.h"
#include "platform/exception.h"
#include "platform/regular_file.h"

namespace {

struct PhoneRow {
    const char* arpabet;
    const char* sampa;
    const char* also;  // another SAMPA code of the same phone, or ""
};

// The table of the header, row by row.
constexpr PhoneRow kPhoneTable[] = {
    {"AA", "Q", "A:"}, {"AE", "{", ""},  {"AH", "V", "@"},  {"AO", "O:", ""}, {"AW", "aU", ""}, {"AY", "aI", ""},
    {"B", "b", ""},    {"CH", "tS", ""}, {"D", "d", ""},    {"DH", "D", ""},  {"EH", "e", "e@"}, {"ER", "3:", ""},
    {"EY", "eI", ""},  {"F", "f", ""},   {"G", "g", ""},    {"HH", "h", ""},  {"IH", "I", ""},  {"IY", "i:", "i"},
    {"JH", "dZ", ""},  {"K", "k", ""},   {"L", "l", ""},    {"M", "m", ""},   {"N", "n", ""},   {"NG", "N", ""},
    {"OW", "@U", ""},  {"OY", "OI", ""}, {"P", "p", ""},    {"R", "r", ""},   {"S", "s", ""},   {"SH", "S", ""},
    {"T", "t", ""},    {"TH", "T", ""},  {"UH", "U", ""},   {"UW", "u:", ""}, {"V", "v", ""},   {"W", "w", ""},
    {"Y", "j", ""},    {"Z", "z", ""},   {"ZH", "Z", ""},
};

const PhoneRow* RowOf(std::string_view arpabet) {
    for (const PhoneRow& row : kPhoneTable)
        if (arpabet == row.arpabet) return &row;
    return nullptr;
}

// "i:" <-> "i", as the sound limits look a code up.
std::string OtherLength(std::string_view code) {
    const size_t colon = code.find(':');
    return colon == std::string_view::npos ? std::string(code) + ":" : std::string(code.substr(0, colon));
}

// Lower case of ASCII letters only: the dictionary's words are ASCII.
std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::string SampaOfPhone(std::string_view arpabet) {
    const PhoneRow* row = RowOf(arpabet);
    return row ? row->sampa : "";
}

bool PhoneSaysSampa(std::string_view arpabet, std::string_view sampa) {
    const PhoneRow* row = RowOf(arpabet);
    if (!row || sampa.empty()) return false;
    const std::string other = OtherLength(sampa);
    for (std::string_view code : {std::string_view(row->sampa), std::string_view(row->also)})
        if (!code.empty() && (code == sampa || code == other)) return true;
    return false;
}

std::vector<std::string> ParsePhones(std::string_view text) {
    std::vector<std::string> phones;
    std::string phone;
    for (size_t i = 0; i <= text.size(); ++i) {
        const unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
        if (std::isspace(c)) {
            if (!phone.empty()) phones.push_back(std::move(phone));
            phone.clear();
        } else if (!std::isdigit(c)) {
            phone += static_cast<char>(std::toupper(c));
        }
    }
    return phones;
}

std::string JoinPhones(const std::vector<std::string>& phones) {
    std::string out;
    for (const std::string& phone : phones) out += (out.empty() ? "" : " ") + phone;
    return out;
}

std::vector<std::string> DictionaryPhones(const std::string& dictionary, std::string_view name) {
    const std::string whole = Lower(name);
    // Bytes of other scripts (UTF-8) belong to their word: "Čaj" is no "aj".
    const auto parts = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return !std::isalpha(u) && c != '\'' && u < 0x80;
    };
    std::vector<std::string> words;
    for (size_t at = 0; at < whole.size();) {
        const size_t end = std::find_if(whole.begin() + static_cast<std::ptrdiff_t>(at), whole.end(), parts) -
                           whole.begin();
        if (end > at) words.push_back(whole.substr(at, end - at));
        at = end + 1;
    }
    if (words.empty()) return {};
    platform::UniqueFile file = platform::OpenRegularStream(dictionary);
    if (!file)
        throw vPrintException_c(0, "Cannot read the pronouncing dictionary %s: %s.", dictionary.c_str(),
                                platform::OpenFailureText(errno).c_str());
    // One pass finds the whole name or else each of its words.
    std::vector<std::vector<std::string>> found(words.size());
    // The dictionary's lines are short; a longer one is no entry we look for.
    constexpr size_t kMaxLine = 400;
    std::string line;
    while (ReadLimitedLine(file.get(), kMaxLine, line)) {
        const size_t end = line.find_first_of(" \t");
        if (end == std::string::npos ||
            (end != whole.size() &&
             std::none_of(words.begin(), words.end(), [end](const std::string& w) { return w.size() == end; })))
            continue;
        const std::string entry = Lower(std::string_view(line).substr(0, end));
        if (entry == whole) return ParsePhones(std::string_view(line).substr(end));
        for (size_t k = 0; k < words.size(); ++k)
            if (entry == words[k] && found[k].empty()) found[k] = ParsePhones(std::string_view(line).substr(end));
    }
    std::vector<std::string> phones;
    for (const std::vector<std::string>& w : found) {
        if (w.empty()) return {};
        phones.insert(phones.end(), w.begin(), w.end());
    }
    return phones;
}
