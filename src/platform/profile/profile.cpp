#include "platform/profile.h"

#include "platform/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

namespace platform {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// One line of the file: its text and the line break that ended it ("" for a
// last line without one), so that untouched lines are written back byte for byte.
struct Line {
    std::string text;
    std::string eol;
};

enum class LineKind { Other, Section, Entry };

struct Parsed {
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name
    std::string_view value;  // entry value, trimmed
};

Parsed Classify(std::string_view text) {
    std::string_view t = Trim(text);
    Parsed p;
    if (t.empty() || t.front() == ';') return p;
    if (t.front() == '[') {
        size_t close = t.rfind(']');
        if (close == std::string_view::npos) return p;
        p.kind = LineKind::Section;
        p.name = Trim(t.substr(1, close - 1));
        return p;
    }
    size_t eq = t.find('=');
    if (eq == std::string_view::npos) return p;
    p.kind = LineKind::Entry;
    p.name = Trim(t.substr(0, eq));
    p.value = Trim(t.substr(eq + 1));
    return p;
}

struct Document {
    bool bom = false;
    std::vector<Line> lines;
};

Document Parse(std::string_view data) {
    Document doc;
    if (data.substr(0, kBom.size()) == kBom) {
        doc.bom = true;
        data.remove_prefix(kBom.size());
    }
    while (!data.empty()) {
        size_t nl = data.find('\n');
        Line line;
        if (nl == std::string_view::npos) {
            line.text = std::string(data);
            data = {};
        } else {
            size_t end = nl;
            if (end > 0 && data[end - 1] == '\r') --end;
            line.text = std::string(data.substr(0, end));
            line.eol = std::string(data.substr(end, nl + 1 - end));
            data.remove_prefix(nl + 1);
        }
        doc.lines.push_back(std::move(line));
    }
    return doc;
}

std::string Serialize(const Document& doc) {
    std::string out;
    if (doc.bom) out += kBom;
    for (const Line& l : doc.lines) {
        out += l.text;
        out += l.eol;
    }
    return out;
}

// The line break new lines get: the file's own, else "\n".
std::string LineBreakOf(const Document& doc) {
    for (const Line& l : doc.lines)
        if (!l.eol.empty()) return l.eol;
    return "\n";
}

constexpr size_t kNone = static_cast<size_t>(-1);

// Index of the first header of the section, or kNone.
size_t FindSection(const Document& doc, std::string_view section) {
    for (size_t i = 0; i < doc.lines.size(); ++i) {
        Parsed p = Classify(doc.lines[i].text);
        if (p.kind == LineKind::Section && SameName(p.name, section)) return i;
    }
    return kNone;
}

// One past the last line of the section whose header is at index header.
size_t SectionEnd(const Document& doc, size_t header) {
    size_t i = header + 1;
    while (i < doc.lines.size() && Classify(doc.lines[i].text).kind != LineKind::Section) ++i;
    return i;
}

size_t FindKey(const Document& doc, size_t header, std::string_view key) {
    size_t end = SectionEnd(doc, header);
    for (size_t i = header + 1; i < end; ++i) {
        Parsed p = Classify(doc.lines[i].text);
        if (p.kind == LineKind::Entry && SameName(p.name, key)) return i;
    }
    return kNone;
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
    for (const std::string& n : names)
        if (SameName(n, name)) return true;
    return false;
}

std::vector<std::string> SectionNames(const Document& doc) {
    std::vector<std::string> names;
    for (const Line& l : doc.lines) {
        Parsed p = Classify(l.text);
        if (p.kind == LineKind::Section && !Contains(names, p.name)) names.emplace_back(p.name);
    }
    return names;
}

std::vector<std::string> KeyNames(const Document& doc, std::string_view section) {
    std::vector<std::string> names;
    size_t header = FindSection(doc, section);
    if (header == kNone) return names;
    size_t end = SectionEnd(doc, header);
    for (size_t i = header + 1; i < end; ++i) {
        Parsed p = Classify(doc.lines[i].text);
        if (p.kind == LineKind::Entry && !Contains(names, p.name)) names.emplace_back(p.name);
    }
    return names;
}

size_t CopyText(std::string_view text, char* buffer, size_t size) {
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return n;
}

size_t CopyList(const std::vector<std::string>& names, char* buffer, size_t size) {
    std::string list;
    for (const std::string& n : names) {
        list += n;
        list += '\0';
    }
    if (list.size() + 1 <= size) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        return list.size();
    }
    // Cut: the last name is truncated and the list still ends with two NULs.
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// Names and values that would not read back as written are refused.
bool Storable(std::string_view section, const char* key, const char* value) {
    if (HasLineBreak(section) || section.find(']') != std::string_view::npos) return false;
    if (key) {
        std::string_view k = Trim(key);
        if (HasLineBreak(key) || k.find('=') != std::string_view::npos) return false;
        if (!k.empty() && (k.front() == ';' || k.front() == '[')) return false;
    }
    if (value && HasLineBreak(value)) return false;
    return true;
}

void EndLine(Document& doc, size_t index, const std::string& eol) {
    if (index < doc.lines.size() && doc.lines[index].eol.empty()) doc.lines[index].eol = eol;
}

// Applies the write to doc; false when the file needs no change.
bool Apply(Document& doc, const char* section, const char* key, const char* value) {
    const std::string eol = LineBreakOf(doc);
    size_t header = FindSection(doc, section);
    auto at = [&](size_t i) { return doc.lines.begin() + static_cast<std::ptrdiff_t>(i); };

    if (!key) {
        if (header == kNone) return false;
        doc.lines.erase(at(header), at(SectionEnd(doc, header)));
        return true;
    }
    size_t entry = header == kNone ? kNone : FindKey(doc, header, key);
    if (!value) {
        if (entry == kNone) return false;
        doc.lines.erase(at(entry));
        return true;
    }
    if (entry != kNone) {
        // Keep the key as written and the spacing after "=".
        std::string& text = doc.lines[entry].text;
        size_t keep = text.find('=') + 1;
        while (keep < text.size() && (text[keep] == ' ' || text[keep] == '\t')) ++keep;
        text = text.substr(0, keep) + value;
        return true;
    }
    Line line{std::string(key) + "=" + value, eol};
    if (header == kNone) {
        if (!doc.lines.empty()) EndLine(doc, doc.lines.size() - 1, eol);
        doc.lines.push_back({"[" + std::string(section) + "]", eol});
        doc.lines.push_back(std::move(line));
        return true;
    }
    // New keys go after the section's last entry, so that blank lines and
    // comments in front of the next section stay there.
    size_t after = header;
    size_t end = SectionEnd(doc, header);
    for (size_t i = header + 1; i < end; ++i)
        if (Classify(doc.lines[i].text).kind == LineKind::Entry) after = i;
    EndLine(doc, after, eol);
    doc.lines.insert(at(after + 1), std::move(line));
    return true;
}

}  // namespace

size_t ReadProfileString(const char* section, const char* key, const char* def, char* buffer, size_t size,
                         const std::string& path) {
    if (!buffer || size == 0) return 0;
    std::string data;
    if (!ReadWholeFile(path, data)) data.clear();  // missing or unreadable: empty
    Document doc = Parse(data);

    if (!section) return CopyList(SectionNames(doc), buffer, size);
    if (!key) return CopyList(KeyNames(doc, section), buffer, size);

    size_t header = FindSection(doc, section);
    size_t entry = header == kNone ? kNone : FindKey(doc, header, key);
    if (entry != kNone) return CopyText(Unquote(Classify(doc.lines[entry].text).value), buffer, size);

    std::string_view fallback = def ? def : "";
    while (!fallback.empty() && (fallback.back() == ' ' || fallback.back() == '\t')) fallback.remove_suffix(1);
    return CopyText(fallback, buffer, size);
}

bool WriteProfileString(const char* section, const char* key, const char* value, const std::string& path) {
    if (!section || !Storable(section, key, value)) {
        errno = EINVAL;
        return false;
    }
    std::string data;
    if (!ReadWholeFile(path, data)) {
        if (errno != ENOENT) return false;  // never replace a file we could not read
        data.clear();
    }
    Document doc = Parse(data);
    if (!Apply(doc, section, key, value)) return true;
    return WriteFileAtomically(path, Serialize(doc));
}

}  // namespace platform
