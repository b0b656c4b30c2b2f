#include "objects/token_stream.h"

#include <cstring>
#include <strings.h>

#include "objects/stream_path.h"
#include "platform/exception.h"

namespace {

const vTokenSyntax_c kPlainSyntax{};

vDataPathHook& DataPathHook() {
    static vDataPathHook hook;
    return hook;
}

bool SameWord(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

int DigitValue(int ch, int base) {
    int v = -1;
    if (ch >= '0' && ch <= '9') v = ch - '0';
    else if (ch >= 'a' && ch <= 'f') v = ch - 'a' + 10;
    else if (ch >= 'A' && ch <= 'F') v = ch - 'A' + 10;
    return v < base ? v : -1;
}

}  // namespace

const vTokenSyntax_c gDBTokenSyntax{
    .whiteSpace = " \t\v\n\f\r\r\n",
    .operators = "~!@$%&^*=\\+|{};:,/<?>",
    .terminators = "~!@$%&^*=\\+|{};:,/<?> \t\v\n\f\r\r\n",
    .numberStart = ".0123456789-",
    .numberBody = ".0123456789-abcdeflxABCDEFLX",
    .includeKeyword = "#include",
    .quotePairs = "\"\"''()",
    .escape = '\\',
    .slashComments = true,
};

void SetDataPathHook(vDataPathHook hook) { DataPathHook() = std::move(hook); }

std::string ApplyDataPathHook(const std::string& name) {
    const vDataPathHook& hook = DataPathHook();
    return hook ? hook(name) : name;
}

// ---------------------------------------------------------------------------
// vTokenFileInpStrm_c

vTokenFileInpStrm_c::vTokenFileInpStrm_c() : mSyntax(&kPlainSyntax) {}

bool vTokenFileInpStrm_c::InSet(const char* set, int ch) {
    // strchr would find the terminator for NUL, and EOF is in no set.
    return set != nullptr && ch > 0 && std::strchr(set, ch) != nullptr;
}

void vTokenFileInpStrm_c::Fail(int code, const std::string& what) {
    // The stream may be read on after the error (to skip a bad part); no
    // quote of the abandoned token stays open.
    mOpenQuote = 0;
    throw vPrintException_c(code, "%s in file %s line %i", what.c_str(), FileName().c_str(),
                            static_cast<int>(Line()));
}

int vTokenFileInpStrm_c::ReadChar() {
    const int ch = vTextFileInpStrm_c::GetChar();
    if (ch == 0) Fail(0, "Invalid character (code 0)");
    return ch;
}

void vTokenFileInpStrm_c::Append(std::string& token, int ch, std::size_t size) {
    token += static_cast<char>(ch);
    if (token.size() >= size) Fail(0, "Token too long (more than " + std::to_string(size - 1) + " characters)");
}

std::string vTokenFileInpStrm_c::NextToken(std::size_t size) {
    std::string token;
    for (;;) {
        token.clear();
        mLastQuoted = false;
        while (IsGood() && InSet(mSyntax->whiteSpace, PeekChar())) GetChar();
        if (!IsGood()) return token;

        const int ch = PeekChar();
        if (IsQuoteOpen(ch)) {
            ReadQuoted(token, size);
        } else if (InSet(mSyntax->operators, ch)) {
            Append(token, ReadChar(), size);
            if (SkipComment(ch)) continue;
        } else if (InSet(mSyntax->numberStart, ch)) {
            Append(token, ReadChar(), size);
            while (FileGood() && InSet(mSyntax->numberBody, FilePeek())) Append(token, ReadChar(), size);
        } else {
            // A word takes at least its first character, so that a character
            // outside every class cannot stall the reader.
            Append(token, ReadChar(), size);
            while (FileGood() && !InSet(mSyntax->terminators, FilePeek())) Append(token, ReadChar(), size);
        }
        if (AfterToken(token)) return token;
        // The token was a directive: the next one comes from the included file.
    }
}

void vTokenFileInpStrm_c::ReadQuoted(std::string& token, std::size_t size) {
    const int32_t startLine = Line();
    const std::string startFile = FileName();
    Append(token, ReadChar(), size);
    for (;;) {
        if (!FileGood()) {
            mOpenQuote = 0;
            throw vPrintException_c(0, "Unterminated quoted text in file %s line %i", startFile.c_str(),
                                    static_cast<int>(startLine));
        }
        if (IsQuoteClose(FilePeek())) break;
        const int ch = ReadChar();
        // Decoded escapes may be NUL (\0); only raw NUL bytes are refused.
        Append(token, IsEscape(ch) ? DecodeEscape() : ch, size);
    }
    Append(token, ReadChar(), size);
    mLastQuoted = true;
}

bool vTokenFileInpStrm_c::SkipTo(const std::string& word) {
    for (;;) {
        std::string token = NextToken();
        if (token.empty() && !IsGood()) return false;
        if (SameWord(token, word.c_str())) return true;
    }
}

bool vTokenFileInpStrm_c::IsEscape(int ch) { return mSyntax->escape != 0 && ch == mSyntax->escape; }

int vTokenFileInpStrm_c::ReadEscapeChar() {
    if (!FileGood()) Fail(0, "Unterminated quoted text");
    return ReadChar();
}

char vTokenFileInpStrm_c::DecodeEscape() {
    const int ch = ReadEscapeChar();
    if (mSyntax->escape == 0) return static_cast<char>(ch);
    switch (ch) {
    case '"': return '"';
    case '\'': return '\'';
    case '0': return '\0';
    case '?': return '?';
    case '\\': return '\\';
    case 'a': return 7;
    case 'b': return 8;
    case 'f': return 12;
    case 'n': return 10;
    case 'r': return 13;
    case 't': return 9;
    case 'v': return 11;
    case 'd':
    case 'x': {
        const bool dec = ch == 'd';
        const int base = dec ? 10 : 16;
        std::string digits;
        int value = 0;
        bool valid = true;
        for (int i = 0; i < (dec ? 3 : 2); ++i) {
            int c = ReadEscapeChar();
            digits += static_cast<char>(c);
            int d = DigitValue(c, base);
            if (d < 0) valid = false;
            value = value * base + (d < 0 ? 0 : d);
        }
        // Three decimal digits can name codes past one byte; such a code is
        // no character either.
        if (!valid || value > 255) {
            Fail(17, std::string(dec ? "Invalid escape sequence (not a decimal number) ["
                                     : "Invalid escape sequence (not a hexadecimal number) [") +
                         digits + "]");
        }
        return static_cast<char>(value);
    }
    default:
        Fail(17, std::string("Invalid escape sequence [") + static_cast<char>(ch) + "]");
    }
}

bool vTokenFileInpStrm_c::SkipComment(int ch) {
    if (!mSyntax->slashComments || ch != '/') return false;
    const int next = FilePeek();
    if (next == '*') {
        FileGet();
        while (FileGood()) {
            if (FileGet() == '*' && FilePeek() == '/') {
                FileGet();
                break;
            }
        }
    } else if (next == '/') {
        while (FileGood() && FilePeek() != '\n') FileGet();
    } else {
        return false;
    }
    // A comment ends with its file, so an included file's last comment cannot
    // swallow the including file's text. One that ran into the end of the
    // whole input leaves its "/" as a token.
    return IsGood();
}

bool vTokenFileInpStrm_c::IsQuoteOpen(int ch) {
    if (mOpenQuote != 0 || ch <= 0) return false;
    for (const char* p = mSyntax->quotePairs; p != nullptr && p[0] != 0 && p[1] != 0; p += 2) {
        if (p[0] == ch) {
            mOpenQuote = p[0];
            return true;
        }
    }
    return false;
}

bool vTokenFileInpStrm_c::IsQuoteClose(int ch) {
    if (mOpenQuote == 0 || ch <= 0) return false;
    for (const char* p = mSyntax->quotePairs; p != nullptr && p[0] != 0 && p[1] != 0; p += 2) {
        if (p[0] == mOpenQuote && p[1] == ch) {
            mOpenQuote = 0;
            return true;
        }
    }
    return false;
}

bool vTokenFileInpStrm_c::AfterToken(std::string&) { return true; }

// ---------------------------------------------------------------------------
// vIncludeFileInpStrm_c

void vIncludeFileInpStrm_c::Open(const std::string& path) { vTokenFileInpStrm_c::Open(ApplyDataPathHook(path)); }

void vIncludeFileInpStrm_c::LeaveFinishedIncludes() {
    // Asked before every character: the common case (no include open) is
    // answered without a look at the file.
    while (Depth() > 1 && vTokenFileInpStrm_c::AtEnd()) PopState();
}

bool vIncludeFileInpStrm_c::IsGood() {
    LeaveFinishedIncludes();
    return vTokenFileInpStrm_c::IsGood();
}

bool vIncludeFileInpStrm_c::IsBad() {
    LeaveFinishedIncludes();
    return vTokenFileInpStrm_c::IsBad();
}

bool vIncludeFileInpStrm_c::AtEnd() {
    LeaveFinishedIncludes();
    return vTokenFileInpStrm_c::AtEnd();
}

int vIncludeFileInpStrm_c::GetChar() {
    LeaveFinishedIncludes();
    return vTokenFileInpStrm_c::GetChar();
}

int vIncludeFileInpStrm_c::PeekChar() {
    LeaveFinishedIncludes();
    return vTokenFileInpStrm_c::PeekChar();
}

bool vIncludeFileInpStrm_c::AfterToken(std::string& token) {
    const char* keyword = TokenSyntax().includeKeyword;
    if (keyword == nullptr || mInDirective || !SameWord(token, keyword)) return true;

    mInDirective = true;
    std::string path;
    try {
        path = NextToken();
    } catch (...) {
        mInDirective = false;
        throw;
    }
    mInDirective = false;
    if (LastTokenQuoted()) path = path.substr(1, path.size() - 2);
    Include(path);
    return false;
}

void vIncludeFileInpStrm_c::Include(const std::string& path) {
    // Includes stay inside the language folder: an absolute path or one that
    // climbs out of it could make the reader show any file of the machine in
    // its messages.
    const std::string written = NormalizePath(path);
    if ((!written.empty() && IsPathSeparator(written.front())) || written == ".." || written.rfind("../", 0) == 0)
        Fail(15, "Include file " + path + " is outside the language folder");
    if (++mIncludes > kMaxIncludes)
        Fail(15, "More than " + std::to_string(kMaxIncludes) + " include files at " + path);
    const std::string name = ApplyDataPathHook(path);
    const std::string normal = NormalizePath(name);
    for (const std::string& open : OpenPaths()) {
        if (open == normal) Fail(15, "Recursive include of file " + path);
    }
    if (static_cast<int>(Depth()) > kMaxIncludeDepth)
        Fail(15, "Include files nested deeper than " + std::to_string(kMaxIncludeDepth) + " levels at " + path);

    PushState();
    vTokenFileInpStrm_c::Open(name);
    const vFileInpStrmState_c* s = Current();
    // An empty file is fine: it is left again at the next read.
    if (s->IsOpen()) return;
    PopState();
    Fail(15, "Cannot open include file " + path);
}
