#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "objects/token_stream.h"
#include "platform/exception.h"
#include "stream_test_util.h"

namespace {

using Tokens = std::vector<std::string>;

// A reader with the definition-file syntax, as vDBStrm_c sets it up.
class vDefReader_c : public vIncludeFileInpStrm_c {
public:
    vDefReader_c() { SetTokenSyntax(gDBTokenSyntax); }
    using vTokenFileInpStrm_c::NextToken;

    Tokens ReadAll() {
        Tokens out;
        for (std::string t = NextToken(); !t.empty() || IsGood(); t = NextToken()) out.push_back(t);
        return out;
    }
};

Tokens Split(std::string_view text) {
    vDefReader_c r;
    r.OpenText("test.def", text);
    return r.ReadAll();
}

// The text and code of the error reading the text raises.
struct Failure {
    int code = -1;
    std::string text;
};

Failure ErrorOf(std::string_view input) {
    vDefReader_c r;
    r.OpenText("bad.def", input);
    try {
        r.ReadAll();
    } catch (const vTextException_c& e) {
        return {e.Code(), e.Text()};
    }
    return {};
}

}  // namespace

TEST(Tokenizer, DeclarationSplitsIntoOperatorsWordsAndNumbers) {
    EXPECT_EQ(Split("<vTrPitchExercise_c> Obj = {\n  CardPos = (40, 60);\n  PosX=-20;\n}"),
              (Tokens{"<", "vTrPitchExercise_c", ">", "Obj", "=", "{", "CardPos", "=", "(40, 60)", ";", "PosX",
                      "=", "-20", ";", "}"}));
    EXPECT_EQ(Split("TransparentColor = $ff00ff;"), (Tokens{"TransparentColor", "=", "$", "ff00ff", ";"}));
    EXPECT_EQ(Split("Name[3].Sub=1"), (Tokens{"Name[3].Sub", "=", "1"}));
}

TEST(Tokenizer, NumberStopsAtFirstCharacterOutsideItsBody) {
    EXPECT_EQ(Split("12px"), (Tokens{"12", "px"}));
    EXPECT_EQ(Split("0x1Fl;-3.5e"), (Tokens{"0x1Fl", ";", "-3.5e"}));
    EXPECT_EQ(Split(".5g"), (Tokens{".5", "g"}));
}

TEST(Tokenizer, EmptyAndWhiteOnlyInputGiveTheEmptyEndToken) {
    EXPECT_EQ(Split(""), Tokens{});
    EXPECT_EQ(Split(" \t\r\n\v\f "), Tokens{});
    vDefReader_c r;
    r.OpenText("x.def", "a");
    EXPECT_EQ(r.NextToken(), "a");
    EXPECT_EQ(r.NextToken(), "");
    EXPECT_EQ(r.NextToken(), "");
}

TEST(Tokenizer, MissingFileIsNotAnErrorButNotGood) {
    vDefReader_c r;
    r.Open("/nonexistent/lorvano/file.def");
    EXPECT_FALSE(r.IsGood());
    EXPECT_TRUE(r.IsBad());
    EXPECT_EQ(r.NextToken(), "");
}

TEST(Tokenizer, QuotesKeepTheirCharactersAndParenthesesAreQuotes) {
    EXPECT_EQ(Split("\"Pic/Pitch.jpg\" 'x' (1, 2, 3)"), (Tokens{"\"Pic/Pitch.jpg\"", "'x'", "(1, 2, 3)"}));
    // Lists do not nest inside one token: the first ")" ends it.
    EXPECT_EQ(Split("(1, (2, 3))"), (Tokens{"(1, (2, 3)", ")"}));
    // Only the partner closes: a ")" inside double quotes is text.
    EXPECT_EQ(Split("\"a ) ' b\""), (Tokens{"\"a ) ' b\""}));
    EXPECT_EQ(Split("'\"'"), (Tokens{"'\"'"}));
    // Operators and comment starts inside quotes are plain characters.
    EXPECT_EQ(Split("\"a;b//c/*d\""), (Tokens{"\"a;b//c/*d\""}));
}

TEST(Tokenizer, QuotedTextSpansLinesAndCountsThem) {
    vDefReader_c r;
    r.OpenText("x.def", "\"one\ntwo\" after");
    EXPECT_EQ(r.NextToken(), "\"one\ntwo\"");
    EXPECT_EQ(r.NextToken(), "after");
    EXPECT_EQ(r.Line(), 2);
}

TEST(Tokenizer, EscapesAreDecodedInsideQuotes) {
    EXPECT_EQ(Split("\"a\\tb\""), (Tokens{"\"a\tb\""}));
    EXPECT_EQ(Split("\"\\\"\\'\\?\\\\\\a\\b\\f\\n\\r\\t\\v\""), (Tokens{"\"\"'?\\\a\b\f\n\r\t\v\""}));
    EXPECT_EQ(Split("\"\\d065\\x42\\x6a\\d255\""), (Tokens{"\"AB\x6a\xff\""}));
    EXPECT_EQ(Split("'\\''"), (Tokens{"'''"}));
    Tokens nul = Split("\"a\\0b\"");
    ASSERT_EQ(nul.size(), 1u);
    EXPECT_EQ(nul[0], std::string("\"a\0b\"", 5));
    // Outside quotes the backslash is an operator.
    EXPECT_EQ(Split("a\\n"), (Tokens{"a", "\\", "n"}));
}

TEST(Tokenizer, InvalidEscapesRaiseCode17WithFileAndLine) {
    Failure f = ErrorOf("x\n\"ab\\q\"");
    EXPECT_EQ(f.code, 17);
    EXPECT_EQ(f.text, "Invalid escape sequence [q] in file bad.def line 2");

    f = ErrorOf("\"\\d12x\"");
    EXPECT_EQ(f.code, 17);
    EXPECT_EQ(f.text, "Invalid escape sequence (not a decimal number) [12x] in file bad.def line 1");

    f = ErrorOf("\n\n\"\\xg1\"");
    EXPECT_EQ(f.code, 17);
    EXPECT_EQ(f.text, "Invalid escape sequence (not a hexadecimal number) [g1] in file bad.def line 3");

    // Three decimal digits past one byte name no character.
    f = ErrorOf("\"\\d256\"");
    EXPECT_EQ(f.code, 17);
    EXPECT_EQ(f.text, "Invalid escape sequence (not a decimal number) [256] in file bad.def line 1");
}

TEST(Tokenizer, EscapeBodyTakesExactlyItsCharacters) {
    // \x takes two characters even when the second is the closing quote.
    Failure f = ErrorOf("\"\\x4\" next");
    EXPECT_EQ(f.code, 17);
    EXPECT_EQ(f.text, "Invalid escape sequence (not a hexadecimal number) [4\"] in file bad.def line 1");
    EXPECT_EQ(Split("\"\\d0489\""), (Tokens{"\"09\""}));
}

TEST(Tokenizer, UnterminatedQuoteOrEscapeIsReported) {
    Failure f = ErrorOf("a = \"never closed\n\nmore");
    EXPECT_EQ(f.code, 0);
    EXPECT_EQ(f.text, "Unterminated quoted text in file bad.def line 1");
    f = ErrorOf("P = (1, 2;\n");
    EXPECT_EQ(f.text, "Unterminated quoted text in file bad.def line 1");
    f = ErrorOf("\"abc\\");
    EXPECT_EQ(f.text, "Unterminated quoted text in file bad.def line 1");
    f = ErrorOf("\"\\x4");
    EXPECT_EQ(f.text, "Unterminated quoted text in file bad.def line 1");
}

TEST(Tokenizer, CommentsAreSkipped) {
    EXPECT_EQ(Split("// pitch exercise\nObj = 1; // tail\nX"), (Tokens{"Obj", "=", "1", ";", "X"}));
    EXPECT_EQ(Split("a /* one\n two ** */ b"), (Tokens{"a", "b"}));
    EXPECT_EQ(Split("a/**/b"), (Tokens{"a", "b"}));
    EXPECT_EQ(Split("a /*/ still comment */ b"), (Tokens{"a", "b"}));
    // Comments do not nest: the first "*/" ends it.
    EXPECT_EQ(Split("/* a /* b */ c */ d"), (Tokens{"c", "*", "/", "d"}));
}

TEST(Tokenizer, SlashFollowedByLetterIsAnOperator) {
    EXPECT_EQ(Split("a/b"), (Tokens{"a", "/", "b"}));
    EXPECT_EQ(Split("/x"), (Tokens{"/", "x"}));
}

TEST(Tokenizer, CommentReachingTheEndLeavesItsSlash) {
    EXPECT_EQ(Split("x /* never closed\n more"), (Tokens{"x", "/"}));
    EXPECT_EQ(Split("x // last line without line feed"), (Tokens{"x", "/"}));
    EXPECT_EQ(Split("x // with line feed\n"), (Tokens{"x"}));
    EXPECT_EQ(Split("/"), (Tokens{"/"}));
}

TEST(Tokenizer, LinesCountLineFeedsPerFile) {
    vDefReader_c r;
    r.OpenText("x.def", "a\r\nb\n\n/* c\n */ d\r\"e\n\"");
    EXPECT_EQ(r.Line(), 1);
    EXPECT_EQ(r.NextToken(), "a");
    EXPECT_EQ(r.Line(), 1);
    EXPECT_EQ(r.NextToken(), "b");
    EXPECT_EQ(r.Line(), 2);
    EXPECT_EQ(r.NextToken(), "d");
    EXPECT_EQ(r.Line(), 5);
    EXPECT_EQ(r.NextToken(), "\"e\n\"");
    EXPECT_EQ(r.Line(), 6);
}

TEST(Tokenizer, TokenLengthLimit) {
    const std::string longest(254, 'w');
    EXPECT_EQ(Split(longest + " x"), (Tokens{longest, "x"}));
    EXPECT_EQ(Split("\"" + std::string(252, 'q') + "\""), (Tokens{"\"" + std::string(252, 'q') + "\""}));

    Failure f = ErrorOf("a\n" + std::string(255, 'w'));
    EXPECT_EQ(f.code, 0);
    EXPECT_EQ(f.text, "Token too long (more than 254 characters) in file bad.def line 2");
    EXPECT_EQ(ErrorOf(std::string(300, '7')).text, "Token too long (more than 254 characters) in file bad.def line 1");
    EXPECT_EQ(ErrorOf("\"" + std::string(300, 'q') + "\"").code, 0);
    EXPECT_EQ(ErrorOf("\"" + std::string(253, 'q') + "\"").code, 0);

    // A smaller buffer is honoured too.
    vDefReader_c r;
    r.OpenText("x.def", "abcd abcde");
    EXPECT_EQ(r.NextToken(5), "abcd");
    EXPECT_THROW(r.NextToken(5), vException_c);
}

TEST(Tokenizer, RawNulByteIsRefusedWithFileAndLine) {
    const std::string nulInWord("ab\0cd", 5);
    Failure f = ErrorOf("x = 1;\n" + nulInWord);
    EXPECT_EQ(f.code, 0);
    EXPECT_EQ(f.text, "Invalid character (code 0) in file bad.def line 2");
    EXPECT_EQ(ErrorOf(std::string("\0", 1)).text, "Invalid character (code 0) in file bad.def line 1");
    EXPECT_EQ(ErrorOf(std::string("\"a\0\"", 4)).text, "Invalid character (code 0) in file bad.def line 1");
    EXPECT_EQ(ErrorOf(std::string("\"\\d1\0\"", 6)).text, "Invalid character (code 0) in file bad.def line 1");
    // Inside a comment it is just skipped text.
    EXPECT_EQ(Split(std::string("a /* \0 */ b", 11)), (Tokens{"a", "b"}));
}

TEST(Tokenizer, QuoteStateDoesNotLeakPastAnError) {
    vDefReader_c r;
    r.OpenText("x.def", "(\\q) 'a b'");
    EXPECT_THROW(r.NextToken(), vPrintException_c);
    // The rest of the bad list is read on as plain text, and the next quote
    // opens normally (were "(" still open, 'a b' would split in two words).
    EXPECT_EQ(r.NextToken(), ")");
    EXPECT_EQ(r.NextToken(), "'a b'");
}

TEST(Tokenizer, SkipToComparesWithoutCase) {
    vDefReader_c r;
    r.OpenText("x.def", "a b [Section] MARKER c");
    EXPECT_TRUE(r.SkipTo("marker"));
    EXPECT_EQ(r.NextToken(), "c");
    EXPECT_FALSE(r.SkipTo("marker"));
}

TEST(Tokenizer, PlainSyntaxHasOnlyDoubleQuotes) {
    vIncludeFileInpStrm_c r;
    r.OpenText("x.txt", "a = {b}; \"c d\" #include e");
    EXPECT_EQ(r.NextToken(), "a = {b}; \"c d\" #include e");
    vIncludeFileInpStrm_c q;
    q.OpenText("x.txt", "\"c \\d\"rest");
    EXPECT_EQ(q.NextToken(), "\"c \\d\"");
}
