#pragma once
// The token layers of the definition-file reader, on top of the text layer:
//
//   vTokenFileInpStrm_c   splits the text into tokens by character classes
//                         (white space, one-character operators, numbers,
//                         words, quoted text with escapes, comments);
//   vIncludeFileInpStrm_c follows "#include" directives: the named file's
//                         tokens are read in place of the directive, and
//                         reading continues in the including file after it.
//
// The character classes come from a vTokenSyntax_c that the most derived
// class installs (SetTokenSyntax). gDBTokenSyntax is the syntax of the
// definition files (the one vDBStrm_c uses).
//
// Tokens keep their quote characters: "abc" arrives as the five characters
// "abc" with both quotes, and (1, 2) as one token with its parentheses.
// Escapes inside quotes are decoded. At the end of input the token is empty.
//
// Errors (all carry the current file and line):
//   vPrintException_c code 17  "Invalid escape sequence [%c] in file %s line %i"
//                              "Invalid escape sequence (not a decimal number) [%s] in file %s line %i"
//                              "Invalid escape sequence (not a hexadecimal number) [%s] in file %s line %i"
//   vPrintException_c code 15  "Cannot open include file %s in file %s line %i"
//                              "Recursive include of file %s in file %s line %i"
//                              "Include files nested deeper than %i levels at %s in file %s line %i"
//                              "Include file %s is outside the language folder in file %s line %i"
//                              "More than %i include files at %s in file %s line %i"
//   vPrintException_c code 0   "Token too long (more than %i characters) in file %s line %i"
//                              "Unterminated quoted text in file %s line %i"
//                              "Invalid character (code 0) in file %s line %i"
//
// One thread at a time, like the file layers below.

#include <cstddef>
#include <functional>
#include <string>

#include "objects/file_stream.h"

// The character classes of one token syntax. Null sets are empty. The texts
// are static; the stream keeps only the pointer.
struct vTokenSyntax_c {
    const char* whiteSpace = nullptr;   // skipped between tokens
    const char* operators = nullptr;    // each is a one-character token
    const char* terminators = nullptr;  // end a word
    const char* numberStart = nullptr;  // first character of a number
    const char* numberBody = nullptr;   // characters of a number
    const char* includeKeyword = nullptr;  // directive word, null: no includes
    // Quote pairs: opening and closing character, one pair after the other.
    const char* quotePairs = "\"\"";
    // Character that starts an escape inside quotes (0: no escapes). The
    // escape body is the C-like set: \" \' \0 \? \\ \a \b \f \n \r \t \v,
    // \d followed by exactly 3 decimal digits, \x by exactly 2 hex digits.
    char escape = 0;
    // "/*...*/" and "//..." are comments.
    bool slashComments = false;
};

// The definition-file syntax: " \t\v\n\f\r" white space, the operators
// "~!@$%&^*=\+|{};:,/<?>", numbers starting with ".0123456789-" and made of
// ".0123456789-abcdeflxABCDEFLX", quotes "", '' and (), "\" escapes, slash
// comments and "#include".
extern const vTokenSyntax_c gDBTokenSyntax;

// Program-wide hook through which every included or opened definition file
// name passes (the start-up code installs one that prefers the primary source
// directory). Without a hook, or after SetDataPathHook({}), names are used
// unchanged. Set it before reading; user-interface thread only.
using vDataPathHook = std::function<std::string(const std::string&)>;
void SetDataPathHook(vDataPathHook hook);
std::string ApplyDataPathHook(const std::string& name);

class vTokenFileInpStrm_c : public vTextFileInpStrm_c {
public:
    // Buffer size every caller uses: a token holds at most 254 characters.
    static constexpr std::size_t kTokenBufferSize = 255;

    vTokenFileInpStrm_c();

    // Reads the next token. A token of size characters or more raises
    // vPrintException_c code 0. Empty at the end of input.
    virtual std::string NextToken(std::size_t size = kTokenBufferSize);
    // Reads tokens until one equals word (without regard to case); false when
    // the input ends first.
    virtual bool SkipTo(const std::string& word);

    // The syntax in use: by default only double quotes and no other classes
    // (every text is one word); vDBStrm_c installs gDBTokenSyntax in its
    // constructor. The syntax must outlive the stream.
    const vTokenSyntax_c& TokenSyntax() const { return *mSyntax; }
    void SetTokenSyntax(const vTokenSyntax_c& syntax) { mSyntax = &syntax; }

protected:

    // Reads the escape body after the escape character and returns its value.
    virtual char DecodeEscape();
    virtual bool IsEscape(int ch);
    // Called after an operator token ch has been read: skips a comment that
    // starts there and returns true, or returns false (ch stays a token).
    virtual bool SkipComment(int ch);
    // True when ch opens a quote (no quote being open); remembers it.
    virtual bool IsQuoteOpen(int ch);
    // True when ch closes the open quote; forgets it.
    virtual bool IsQuoteClose(int ch);
    // Sees every token before it is returned; false means the token was
    // consumed (an include directive) and reading goes on.
    virtual bool AfterToken(std::string& token);

    // True when the last token came from quotes and was closed properly.
    bool LastTokenQuoted() const { return mLastQuoted; }

    // Raises vPrintException_c with the code and the text "<what> in file
    // <current file> line <current line>".
    [[noreturn]] void Fail(int code, const std::string& what);

private:
    static bool InSet(const char* set, int ch);
    void ReadQuoted(std::string& token, std::size_t size);
    // Adds a character; a token that reaches size characters is an error.
    void Append(std::string& token, int ch, std::size_t size);
    // Reads inside the current file only: a token or comment never runs on
    // into the file that included it.
    bool FileGood() { return vTextFileInpStrm_c::IsGood(); }
    int FilePeek() { return vTextFileInpStrm_c::PeekChar(); }
    int FileGet() { return vTextFileInpStrm_c::GetChar(); }
    // FileGet that refuses raw NUL bytes (binary garbage, not text).
    int ReadChar();
    // A character of an escape body; the input must not end inside it.
    int ReadEscapeChar();

    const vTokenSyntax_c* mSyntax;
    char mOpenQuote = 0;
    bool mLastQuoted = false;
};

class vIncludeFileInpStrm_c : public vTokenFileInpStrm_c {
public:
    // Include directives deeper than this raise an error; it also stops a
    // file that includes itself through another name.
    static constexpr int kMaxIncludeDepth = 32;
    // Include directives one stream follows in all: a few files that include
    // each other many times over cannot multiply the input without end.
    static constexpr int kMaxIncludes = 1000;

    // Passes the path through the data-path hook, then opens it.
    void Open(const std::string& path) override;

    // Before each of these, an included file at its end is closed and reading
    // returns to the file that included it.
    bool IsGood() override;
    bool IsBad() override;
    bool AtEnd() override;
    int GetChar() override;
    int PeekChar() override;

protected:
    bool AfterToken(std::string& token) override;

private:
    void LeaveFinishedIncludes();
    void Include(const std::string& path);

    bool mInDirective = false;
    int mIncludes = 0;
};
