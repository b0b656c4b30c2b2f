// The definition-file reader: the grammar, its messages, loaders, bad input
// and the round trip through the writer.

#include <gtest/gtest.h>

#include <string>

#include "objects/containers.h"
#include "objects/def_writer.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "platform/exception.h"
#include "stream_test_util.h"
#include "test_classes.h"

namespace {

// Loads text as file "t.def" and returns the message of the exception it
// raised, "" when it loaded; *code receives the exception's code.
template <class E = vException_c>
std::string LoadError(const std::string& text, vPropCntnr_c& root, int* code = nullptr) {
    try {
        LoadDefinitionText("t.def", text, root);
    } catch (const E& e) {
        if (code) *code = e.Code();
        const auto* t = dynamic_cast<const vTextException_c*>(&e);
        return t ? t->Text() : e.Message();
    }
    return "";
}

struct Expect {
    int code;
    std::string message;
};

void ExpectError(const std::string& text, const Expect& expected) {
    SCOPED_TRACE(text);
    vLoader_c loader;
    int code = -1;
    EXPECT_EQ(LoadError(text, loader, &code), expected.message);
    EXPECT_EQ(code, expected.code);
}

vTestExercise_c* ExerciseOf(vLoader_c& loader) { return dynamic_cast<vTestExercise_c*>(loader.Object()); }

}  // namespace

TEST(WorkedExample, EachLineDoesWhatItSays) {
    vScratchDir_c dir;
    vCurrentDir_c cd(dir.Path());
    dir.Write("common.def", "GuidePage = \"pitch\";\nButtons = { <vTestBox_c> = { Size = 3; } }\n");
    const std::string path = dir.Write("pitch.exc",
                                       "// pitch exercise\n"
                                       "<vTestExercise_c> Obj = {\n"
                                       "<vTestFileImage_c> BgImage = { FileName = \"Pic/Pitch.jpg\"; }\n"
                                       "CardPos = (40, 60);\n"
                                       "PenColor = (255, 0, 0, 0);\n"
                                       "<vTestFileImage_c> HeadImage = { FileName = \"Pic/Head.bmp\"; "
                                       "TransparentColor = $ff00ff; }\n"
                                       "StartBtn = { PosX = 20; PosY = 540; }\n"
                                       "#include \"common.def\"\n"
                                       "}\n");
    vTestExerciseLoader_c loader;
    LoadDefinitionFile(path, loader);
    vTestExercise_c* ex = ExerciseOf(loader);
    ASSERT_NE(ex, nullptr);  // line 2
    auto* bg = dynamic_cast<vTestFileImage_c*>(ex->mBgImage.get());
    ASSERT_NE(bg, nullptr);  // line 3
    EXPECT_EQ(bg->mFileName, "Pic/Pitch.jpg");
    EXPECT_EQ(ex->mCardPos.mX, 40);  // line 4
    EXPECT_EQ(ex->mCardPos.mY, 60);
    EXPECT_EQ(ex->mPenColor.mRed, 255);  // line 5
    EXPECT_EQ(ex->mPenColor.mGreen, 0);
    auto* head = dynamic_cast<vTestFileImage_c*>(ex->mHeadImage.get());
    ASSERT_NE(head, nullptr);  // line 6
    EXPECT_EQ(head->mFileName, "Pic/Head.bmp");
    EXPECT_EQ(head->mTransparentColor, 0xff00ffu);
    ASSERT_NE(ex->mStartBtn, nullptr);  // line 7
    EXPECT_EQ(ex->mStartBtn->GetPosX(), 20);
    EXPECT_EQ(ex->mStartBtn->GetPosY(), 540);
    EXPECT_EQ(ex->mGuidePage, "pitch");  // line 8, from the included file
    ASSERT_EQ(ex->mButtons.size(), 1u);
    EXPECT_EQ(static_cast<vTestBox_c*>(ex->mButtons[0].get())->mSize, 3);
}

TEST(WorkedExample, WrongLinesStopTheLoad) {
    const std::string start = "<vTestExercise_c> Obj = {\n";
    ExpectError(start + "PenColor = { Red = 300 }\n}",
                {12, "Declaration terminated incorrectly in file t.def line 2"});
    ExpectError(start + "PenColour = (1,2,3,4);\n}", {14, "Unknown identifier PenColour in file t.def line 2"});
}

TEST(Reader, ReachableErrorCodes) {
    ExpectError("<vTestBox_c Obj = {}", {4, "Unknown token after type definition in file t.def line 1"});
    ExpectError("Obj {}", {8, "Value definition expected in file t.def line 1"});
    ExpectError("{{{{", {8, "Value definition expected in file t.def line 1"});
    ExpectError("<vTestBox_c> Obj = {\nSize = =;}", {10, "Reserved word [=] as value in file t.def line 2"});
    ExpectError("<vTestBox_c> Obj = {\nSize = <;}", {10, "Reserved word [<] as value in file t.def line 2"});
    ExpectError("<vTestBox_c> Obj = {\nSize = }", {10, "Reserved word [}] as value in file t.def line 2"});
    ExpectError("<vTestBox_c> Obj = {\nSize = ", {10, "Reserved word [] as value in file t.def line 2"});
    ExpectError("<vTestBox_c> Obj = {\nSize = ;}", {10, "Reserved word [;] as value in file t.def line 2"});
    ExpectError("<vTestBox_c> Obj = { Size = 1 }", {12, "Declaration terminated incorrectly in file t.def line 1"});
    ExpectError("<vTestBox_c> Obj = { Size = 1", {12, "Declaration terminated incorrectly in file t.def line 1"});
    ExpectError("\n\n<vTestBox_c> Obj = { Nope = 1; }", {14, "Unknown identifier Nope in file t.def line 3"});
    ExpectError("<vTestBox_c> Obj = { Values[20] = 1; }",
                {14, "Unknown identifier Values[20] in file t.def line 1"});
    ExpectError("<vTestBox_c> Obj = { Values[4000000000] = 1; }",
                {14, "Unknown identifier Values[4000000000] in file t.def line 1"});
    ExpectError("<vTestBox_c> Obj = { Values[-1] = 1; }",
                {14, "Unknown identifier Values[-1] in file t.def line 1"});
    ExpectError("#include \"nothere.def\"", {15, "Cannot open include file nothere.def in file t.def line 1"});
    ExpectError("<vTestBox_c> Obj = { Name = \"a\\qb\"; }",
                {17, "Invalid escape sequence [q] in file t.def line 1"});
    ExpectError("<vTestBox_c> Obj = { Name = \"\\d12x\"; }",
                {17, "Invalid escape sequence (not a decimal number) [12x] in file t.def line 1"});
    ExpectError("<vTestBox_c> Obj = { Name = \"\\xZZ\"; }",
                {17, "Invalid escape sequence (not a hexadecimal number) [ZZ] in file t.def line 1"});
}

TEST(Reader, IncludesStayInTheLanguageFolderAndNeverShowWhatTheyRead) {
    // The reader would quote the first line of /etc/passwd as an unknown identifier.
    ExpectError("#include \"/etc/passwd\"",
                {15, "Include file /etc/passwd is outside the language folder in file t.def line 1"});
    ExpectError("#include \"sub\\\\..\\\\..\\\\x.def\"",
                {15, "Include file sub\\..\\..\\x.def is outside the language folder in file t.def line 1"});
}

TEST(Reader, ListsAreLimited) {
    std::string text = "<vTestPanel_c> Obj = { Items = {";
    for (uint32_t i = 0; i <= vTD_ElemCntnr_c::kMaxListElements; ++i) text += "<vTestBox_c>={}";
    vLoader_c loader;
    EXPECT_EQ(LoadError(text + "} }", loader), "The list Items holds more than 10000 elements");
}

TEST(RoundTrip, EveryKindOfTextReadsBackWhatWasWritten) {
    // Backslashes (also the last character), both quotes, line ends, tabs and
    // other control characters.
    const std::string hostile = "a\"\\b'\n\r\t\x01\x7f\\";
    vTestBox_c box;
    box.mName = hostile;
    hostile.copy(box.mFixedText, 6);
    box.mFixedText[6] = '\\';
    box.mHeapText = std::make_unique<char[]>(hostile.size() + 1);
    hostile.copy(box.mHeapText.get(), hostile.size());
    const std::string written = WriteDefinition(box);
    vTestBox_c back;
    ASSERT_EQ(LoadError(written, back), "") << written;
    EXPECT_EQ(back.mName, hostile) << written;
    EXPECT_STREQ(back.mFixedText, "a\"\\b'\n\\") << written;
    EXPECT_STREQ(back.mHeapText.get(), hostile.c_str()) << written;
}

TEST(Reader, InvalidObjectsRaiseCode13AfterLoadFinished) {
    vTestSprite_c sprite;
    sprite.mValid = false;
    int code = 0;
    EXPECT_EQ(LoadError("Name = \"s\";\n", sprite, &code), "Invalid object definition in file t.def line 2");
    EXPECT_EQ(code, 13);
    EXPECT_EQ(sprite.mStarting, 1);
    EXPECT_EQ(sprite.mPrepared, 1);
    EXPECT_EQ(sprite.mFinished, 1);
    EXPECT_EQ(sprite.mName, "s");
}

TEST(Reader, LoaderAndVariantMessages) {
    ExpectError("<vNoSuchClass_c> Obj = {}", {0, "Cannot create non vPropCntnr_c derivative class!"});
    ExpectError("Obj = {}", {0, "Cannot create non vPropCntnr_c derivative class!"});
    ExpectError("<vSInt32> Obj = {}", {0, "Cannot create non vPropCntnr_c derivative class!"});
    vTestExerciseLoader_c variant;
    EXPECT_EQ(LoadError("<vTestBox_c> Obj = {}", variant), "Cannot create non vTestExercise_c derivateive object.");
    EXPECT_EQ(variant.Object(), nullptr);
    // The owner's own creation messages.
    vLoader_c loader;
    EXPECT_EQ(LoadError("<vTestPanel_c> Obj = { <vColor_c> Background = {} }", loader),
              "Cannot create non vTestShape_c derivative class!");
}

TEST(Reader, BodyForAPlainValueRaisesCode0) {
    vLoader_c loader;
    int code = -1;
    vDBStrm_c in;
    in.OpenText("t.def", "<vTestBox_c> Obj = {\n Size = { x = 1; } }");
    try {
        in.Load(loader, ConversionContext{});
        FAIL();
    } catch (const vTextException_c&) {
        FAIL() << "a plain vException_c is expected";
    } catch (const vException_c& e) {
        code = e.Code();
    }
    EXPECT_EQ(code, 0);
    EXPECT_EQ(in.Line(), 2) << "the place is still known";
    EXPECT_EQ(in.FileName(), "t.def");
}

TEST(Reader, TypeIsOnlyUsedWhereObjectsAreMade) {
    vLoader_c loader;
    LoadDefinitionText("t.def", "<vTestBox_c> Obj = { <vColor_c> Size = 4; <vNoSuch_c> Corner = (1, 2); }", loader);
    auto* box = dynamic_cast<vTestBox_c*>(loader.Object());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->mSize, 4);
    EXPECT_EQ(box->mCorner.mY, 2);
}

TEST(Reader, ListBodiesAppendAndReplace) {
    vLoader_c loader;
    LoadDefinitionText("t.def",
                       "<vTestExercise_c> Obj = { Buttons = {\n"
                       "  <vTestBox_c> = { Size = 1; }\n"
                       "  <vTestSprite_c> = { HotX = 2; }\n"
                       "  = { Name = \"plain\"; }\n"
                       "  <vTestFileImage_c> [1] = { FileName = \"f\"; }\n"
                       "  [0] = { Size = 5; }\n"
                       "  [0].Corner.x = 7;\n"
                       "} }",
                       loader);
    vTestExercise_c* ex = ExerciseOf(loader);
    ASSERT_NE(ex, nullptr);
    ASSERT_EQ(ex->mButtons.size(), 3u);
    auto* box = dynamic_cast<vTestBox_c*>(ex->mButtons[0].get());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->mSize, 5);
    EXPECT_EQ(box->mCorner.mX, 7);
    auto* file = dynamic_cast<vTestFileImage_c*>(ex->mButtons[1].get());
    ASSERT_NE(file, nullptr) << "element 1 was replaced";
    EXPECT_EQ(file->mFileName, "f");
    EXPECT_EQ(ex->mButtons[2]->mName, "plain");
    EXPECT_STREQ(ex->mButtons[2]->GetTypeName(), "vTestShape_c");
}

TEST(Reader, PathsReachIntoNestedObjects) {
    vLoader_c loader;
    LoadDefinitionText("t.def",
                       "<vTestExercise_c> Obj = {\n"
                       "  CardPos.y = 9;\n"
                       "  <vTestBox_c> BgImage.Values[2] = 5;\n"
                       "  RecPos = 2; Data[1] = (3, 4); Data[0].x = 1;\n"
                       "}",
                       loader);
    vTestExercise_c* ex = ExerciseOf(loader);
    ASSERT_NE(ex, nullptr);
    EXPECT_EQ(ex->mCardPos.mY, 9);
    auto* box = dynamic_cast<vTestBox_c*>(ex->mBgImage.get());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->mValues[2], 5);
    EXPECT_EQ(ex->mData[1].mY, 4);
    EXPECT_EQ(ex->mData[0].mX, 1);
}

TEST(Reader, NegativeCountRaisesCode0) {
    vLoader_c loader;
    int code = -1;
    EXPECT_EQ(LoadError("<vTestExercise_c> Obj = { RecPos = -1; Data[0] = (1, 2); }", loader, &code),
              "Exception occured with error code: 0.\n");
    EXPECT_EQ(code, 0);
}

TEST(Reader, FileLevelCloseEndsTheLoad) {
    vTestBox_c box;
    LoadDefinitionText("t.def", "Size = 1; } Size = 2; garbage garbage", box);
    EXPECT_EQ(box.mSize, 1);
}

TEST(Reader, MissingFileLoadsNothingAndRunsHooksOnce) {
    vTestSprite_c sprite;
    sprite.mSize = 77;
    LoadDefinitionFile("/nonexistent/lorvano/none.def", sprite);
    EXPECT_EQ(sprite.mSize, 77);
    EXPECT_EQ(sprite.mStarting, 1);
    EXPECT_EQ(sprite.mPrepared, 1);
    EXPECT_EQ(sprite.mFinished, 1);
}

TEST(Reader, UnrecognisedValuesLeaveThePropertyUnchanged) {
    vTestBox_c box;
    box.mSize = 3;
    box.mFilled = true;
    LoadDefinitionText("t.def", "Size = abc_; Filled = 1; U32 = $ ; Name = plain;", box);
    EXPECT_EQ(box.mFilled, true);
    EXPECT_EQ(box.mName, "");
    EXPECT_EQ(box.mU32, 0u);
}

TEST(Reader, CommentsAndCaseInsensitiveSyntax) {
    vTestBox_c box;
    LoadDefinitionText("t.def", "/* block\n comment */ Size = 4; // line\nCorner = { x = -3; }", box);
    EXPECT_EQ(box.mSize, 4);
    EXPECT_EQ(box.mCorner.mX, -3);
}

TEST(Reader, LoaderStartsEmptyOnEachLoad) {
    vLoader_c loader;
    LoadDefinitionText("a.def", "<vTestBox_c> Obj = { Size = 1; }", loader);
    ASSERT_NE(loader.Object(), nullptr);
    const int destroyed = vTestShape_c::sDestroyed;
    LoadDefinitionText("b.def", "", loader);
    EXPECT_EQ(loader.Object(), nullptr);
    EXPECT_EQ(vTestShape_c::sDestroyed, destroyed + 1);
    LoadDefinitionText("c.def", "<vTestBox_c> Obj = {} <vTestSprite_c> Obj = {}", loader);
    EXPECT_STREQ(loader.Object()->GetTypeName(), "vTestSprite_c");
    std::unique_ptr<vPropCntnr_c> taken = loader.Release();
    EXPECT_EQ(loader.Object(), nullptr);
    EXPECT_NE(taken, nullptr);
}

TEST(BadInput, DeepNestingIsBounded) {
    // Bodies that nest through real objects.
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<vLoader_c> Obj = {";
    vLoader_c loader;
    int code = -1;
    const std::string msg = LoadError(deep, loader, &code);
    EXPECT_EQ(code, 16);
    EXPECT_EQ(msg, "Object definitions nested deeper than 100 levels in file t.def line 1");
    // The limit itself is allowed.
    std::string ok;
    for (int i = 0; i < vPropStrm_c::kMaxNesting - 1; ++i) ok += "<vLoader_c> Obj = {";
    EXPECT_EQ(LoadError(ok, loader), "");
    ExpectError(std::string(100000, '{'), {8, "Value definition expected in file t.def line 1"});
}

TEST(BadInput, LexicalErrorsNameTheirPlace) {
    vLoader_c loader;
    int code = -1;
    EXPECT_EQ(LoadError("<vTestBox_c> Obj = { Name = \"open", loader, &code),
              "Unterminated quoted text in file t.def line 1");
    EXPECT_EQ(LoadError("<vTestBox_c> Obj = {\n Values = (1, 2", loader, &code),
              "Unterminated quoted text in file t.def line 2");
    EXPECT_EQ(LoadError("<vTestBox_c> Obj = { Size = " + std::string(300, '7') + "; }", loader, &code),
              "Token too long (more than 254 characters) in file t.def line 1");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(LoadError(std::string("<vTestBox_c> Obj = { Size = 1\0; }", 33), loader, &code),
              "Invalid character (code 0) in file t.def line 1");
}

TEST(BadInput, SelfIncludeStops) {
    vScratchDir_c dir;
    vCurrentDir_c cd(dir.Path());
    const std::string path = dir.Write("self.def", "Size = 1;\n#include \"self.def\"\n");
    vTestBox_c box;
    int code = -1;
    try {
        LoadDefinitionFile(path, box);
    } catch (const vPrintException_c& e) {
        code = e.Code();
    }
    EXPECT_EQ(code, 15);
}

TEST(RoundTrip, LoadWriteLoadGivesTheSameTree) {
    const std::string source =
        "<vTestExercise_c> Obj = {\n"
        "  <vTestFileImage_c> BgImage = { FileName = \"Pic/a \\\"b\\\"\\n.jpg\"; PosX = 3; }\n"
        "  CardPos = (40, 60); PenColor = (255, 1, 2, 3);\n"
        "  StartBtn = { PosY = 540; Name = \"go\"; }\n"
        "  GuidePage = \"it's\\\\here\";\n"
        "  Buttons = { <vTestBox_c> = { Values = (1, -2, 3); Filled = yes; Mark = '\\n'; S8 = -7;\n"
        "                 FixedText = \"fix\"; HeapText = \"heap\"; Long = 2.5; Color = (9, 8, 7, 6); }\n"
        "              <vTestSprite_c> = { HotX = 5; } }\n"
        "  RecPos = 3; Data[2] = (5, 6);\n"
        "}\n";
    vLoader_c first;
    LoadDefinitionText("t.def", source, first);
    const std::string written = WriteDefinition(first);
    vLoader_c second;
    ASSERT_EQ(LoadError(written, second), "") << written;
    EXPECT_EQ(WriteDefinition(second), written);
    auto* ex = ExerciseOf(second);
    ASSERT_NE(ex, nullptr);
    auto* bg = dynamic_cast<vTestFileImage_c*>(ex->mBgImage.get());
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(bg->mFileName, "Pic/a \"b\"\n.jpg");
    EXPECT_EQ(bg->GetPosX(), 3);
    EXPECT_EQ(ex->mGuidePage, "it's\\here");
    ASSERT_EQ(ex->mButtons.size(), 2u);
    auto* box = dynamic_cast<vTestBox_c*>(ex->mButtons[0].get());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->mValues[1], -2);
    EXPECT_EQ(box->mMark, '\n');
    EXPECT_STREQ(box->mHeapText.get(), "heap");
    EXPECT_EQ(box->mColor.mAlpha, 6);
    EXPECT_EQ(ex->mRecPos, 3);
    EXPECT_EQ(ex->mData[2].mY, 6);
    EXPECT_NE(written.find("<vTestFileImage_c> BgImage = {"), std::string::npos) << written;
    EXPECT_NE(written.find("<vTestSprite_c> = {"), std::string::npos) << written;
}

namespace {

// A syntax that uses every slot of the table: "let @ Name ! <Class> = value ? ;"
const vPropSyntax_c kFullSyntax{
    .typeFirst = false,
    .declarationStart = "let",
    .declarationEnd = ";",
    .typeOptional = false,
    .typeStart = "<",
    .typeEnd = ">",
    .identifierOptional = false,
    .identifierStart = "@",
    .identifierEnd = "!",
    .assignmentBeforeLookup = false,
    .assignment = "=",
    .valueEnd = "?",
    .objectStart = "{",
    .objectEnd = "}",
};

class vFullStrm_c : public vPropStrm_c {
public:
    vFullStrm_c() : vPropStrm_c(kFullSyntax) { SetTokenSyntax(gDBTokenSyntax); }
};

Expect FullSyntaxError(const std::string& text, vTestBox_c& box) {
    vFullStrm_c in;
    in.OpenText("f.def", text);
    try {
        in.Load(box, ConversionContext{});
    } catch (const vPrintException_c& e) {
        return {e.Code(), e.Text()};
    }
    return {-1, ""};
}

}  // namespace

TEST(SyntaxTable, EveryStepOfADeclarationHasItsMessage) {
    vTestBox_c box;
    const struct {
        const char* text;
        int code;
        const char* message;
    } cases[] = {
        {"Size", 1, "Declaration expected in file f.def line 1"},
        {"let Size", 5, "Identifier expected in file f.def line 1"},
        {"let @ = 1", 6, "Identifier expected in file f.def line 1"},
        {"let @ Size =", 7, "Unknown token after identifier in file f.def line 1"},
        {"let @ Size ! = 5", 2, "Type definition expected in file f.def line 1"},
        {"let @ Size ! < > = 5", 3, "Type definition expected in file f.def line 1"},
        {"let @ Size ! <vX =", 4, "Unknown token after type definition in file f.def line 1"},
        {"let @ Nope ! <vX> = 5 ? ;", 14, "Unknown identifier Nope in file f.def line 1"},
        {"let @ Size ! <vX> 5", 9, "Value definition expected in file f.def line 1"},
        {"let @ Size ! <vX> = ;", 10, "Reserved word [;] as value in file f.def line 1"},
        {"let @ Size ! <vX> = 5 ;", 11, "Unknown token after value in file f.def line 1"},
        {"let @ Size ! <vX> = 5 ? x", 12, "Declaration terminated incorrectly in file f.def line 1"},
    };
    for (const auto& c : cases) {
        const Expect e = FullSyntaxError(c.text, box);
        EXPECT_EQ(e.code, c.code) << c.text;
        EXPECT_EQ(e.message, c.message) << c.text;
    }
    EXPECT_EQ(FullSyntaxError("LET @ Size ! <vX> = 5 ? ;\nlet @ Corner ! <vPointProp_c> { let @ x ! <a> = 7 ? ; }",
                              box)
                  .code,
              -1);
    EXPECT_EQ(box.mSize, 5);
    EXPECT_EQ(box.mCorner.mX, 7);
}

TEST(Iterators, CloneAndEquality) {
    vTestBox_c box;
    vPropCntnrIterator_c a(&box);
    std::unique_ptr<vPropIterator_c> b = a.Clone();
    EXPECT_TRUE(a.Equals(*b));
    b->Next();
    EXPECT_FALSE(a.Equals(*b));
    b->ToFirst();
    EXPECT_TRUE(a.Equals(*b));
    a.ToEnd();
    b->ToEnd();
    EXPECT_TRUE(a.Equals(*b));
    auto values = vPropCntnrIterator_c(&box).FindPath("Values", "", false)->NewValueIterator();
    auto other = values->Clone();
    other->Next();
    EXPECT_FALSE(values->Equals(*other));
    EXPECT_FALSE(values->Equals(a));
    EXPECT_EQ(other->GetName(), "[1]");
    int n = 0;
    for (values->ToFirst(); !values->AtEnd(); values->Next()) ++n;
    EXPECT_EQ(n, 20);
}

// A negative count loads (only naming an element after it is an error); the
// writer shows no elements for it instead of throwing from its loop, and the
// text reads back the same.
TEST(Writer, NegativeCountWritesNoElements) {
    vLoader_c first;
    ASSERT_EQ(LoadError("<vTestExercise_c> Obj = { RecPos = 2; Data[1] = (3, 4); RecPos = -1; }", first), "");
    std::string written;
    ASSERT_NO_THROW(written = WriteDefinition(first));
    EXPECT_NE(written.find("RecPos = -1;"), std::string::npos) << written;
    EXPECT_EQ(written.find("(3, 4)"), std::string::npos) << written;
    vLoader_c second;
    ASSERT_EQ(LoadError(written, second), "") << written;
    EXPECT_EQ(WriteDefinition(second), written);
}
