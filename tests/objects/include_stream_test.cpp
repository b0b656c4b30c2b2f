#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "objects/token_stream.h"
#include "platform/exception.h"
#include "stream_test_util.h"

namespace {

// A token with the file and line it came from.
struct Placed {
    std::string token;
    std::string file;
    int line;
    bool operator==(const Placed&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Placed& p) {
    return os << p.token << "@" << p.file << ":" << p.line;
}

class vDefReader_c : public vIncludeFileInpStrm_c {
public:
    vDefReader_c() { SetTokenSyntax(gDBTokenSyntax); }

    std::vector<std::string> ReadAll() {
        std::vector<std::string> out;
        for (std::string t = NextToken(); !t.empty() || IsGood(); t = NextToken()) out.push_back(t);
        return out;
    }
    std::vector<Placed> ReadPlaced() {
        std::vector<Placed> out;
        for (std::string t = NextToken(); !t.empty() || IsGood(); t = NextToken())
            out.push_back({t, FileName(), Line()});
        return out;
    }
};

// Each test runs in its own scratch folder, which is the current directory
// (include paths are relative to it).
class IncludeTest : public ::testing::Test {
protected:
    vScratchDir_c dir;
    vCurrentDir_c cwd{dir.Path()};

    void TearDown() override { SetDataPathHook({}); }

    vTextException_c ErrorOf(const std::string& file) {
        vDefReader_c r;
        r.Open(file);
        try {
            r.ReadAll();
        } catch (const vTextException_c& e) {
            return e;
        }
        ADD_FAILURE() << "no error reading " << file;
        return vTextException_c("");
    }
};

}  // namespace

TEST_F(IncludeTest, IncludedTokensComeInPlaceOfTheDirectiveWithTheirFileAndLine) {
    dir.Write("common.def", "\nx = 1;\n");
    dir.Write("main.def", "a\n#include \"common.def\" b\nc");
    vDefReader_c r;
    r.Open("main.def");
    EXPECT_EQ(r.ReadPlaced(), (std::vector<Placed>{{"a", "main.def", 1},
                                                   {"x", "common.def", 2},
                                                   {"=", "common.def", 2},
                                                   {"1", "common.def", 2},
                                                   {";", "common.def", 2},
                                                   {"b", "main.def", 2},
                                                   {"c", "main.def", 3}}));
    EXPECT_EQ(r.Depth(), 1u);
}

TEST_F(IncludeTest, KeywordIgnoresCaseAndPathMayBeUnquotedOrUseBackslashes) {
    dir.Write("sub/one.def", "1");
    dir.Write("two.def", "2");
    dir.Write("main.def", "#INCLUDE \"sub\\\\one.def\" #Include two.def end");
    vDefReader_c r;
    r.Open("main.def");
    EXPECT_EQ(r.ReadAll(), (std::vector<std::string>{"1", "2", "end"}));
}

TEST_F(IncludeTest, IncludedFileEndingMidDeclarationIsContinuedByTheIncluder) {
    dir.Write("head.def", "<vX> Obj = { A =");
    dir.Write("main.def", "#include \"head.def\" 5; }");
    vDefReader_c r;
    r.Open("main.def");
    EXPECT_EQ(r.ReadAll(), (std::vector<std::string>{"<", "vX", ">", "Obj", "=", "{", "A", "=", "5", ";", "}"}));
}

TEST_F(IncludeTest, TokensAndCommentsEndWithTheirFile) {
    // No line feed at the end of either included file.
    dir.Write("word.def", "abc");
    dir.Write("comment.def", "x // last line");
    dir.Write("main.def", "#include \"word.def\"def\n#include \"comment.def\" y\nz");
    vDefReader_c r;
    r.Open("main.def");
    EXPECT_EQ(r.ReadAll(), (std::vector<std::string>{"abc", "def", "x", "y", "z"}));
}

TEST_F(IncludeTest, EmptyAndNestedIncludes) {
    dir.Write("empty.def", "");
    dir.Write("inner.def", "i #include \"empty.def\"");
    dir.Write("outer.def", "o1 #include \"inner.def\" o2");
    dir.Write("main.def", "#include \"outer.def\"\n#include \"empty.def\"");
    vDefReader_c r;
    r.Open("main.def");
    EXPECT_EQ(r.ReadAll(), (std::vector<std::string>{"o1", "i", "o2"}));
    EXPECT_FALSE(r.IsGood());
}

TEST_F(IncludeTest, MissingIncludeRaisesCode15NamingTheIncluderAndLine) {
    dir.Write("main.def", "a = 1;\n\n#include \"nothere.def\"\n");
    vTextException_c e = ErrorOf("main.def");
    EXPECT_EQ(e.Code(), 15);
    EXPECT_EQ(e.Text(), "Cannot open include file nothere.def in file main.def line 3");
}

TEST_F(IncludeTest, FolderCannotBeIncluded) {
    dir.Write("pics/a.bmp", "");
    dir.Write("main.def", "#include pics");
    vTextException_c e = ErrorOf("main.def");
    EXPECT_EQ(e.Code(), 15);
    EXPECT_EQ(e.Text(), "Cannot open include file pics in file main.def line 1");
}

TEST_F(IncludeTest, PipeIsNotOpenedSoItCannotBlock) {
    ASSERT_EQ(mkfifo((dir.Path() + "/pipe.def").c_str(), 0600), 0);
    dir.Write("main.def", "#include pipe.def");
    vTextException_c e = ErrorOf("main.def");
    EXPECT_EQ(e.Text(), "Cannot open include file pipe.def in file main.def line 1");
    vDefReader_c r;
    r.Open("pipe.def");
    EXPECT_FALSE(r.IsGood());
}

TEST_F(IncludeTest, IncludeErrorInsideAnIncludedFileNamesThatFile) {
    dir.Write("inc.def", "\n\n#include gone.def");
    dir.Write("main.def", "#include inc.def");
    vTextException_c e = ErrorOf("main.def");
    EXPECT_EQ(e.Text(), "Cannot open include file gone.def in file inc.def line 3");
}

TEST_F(IncludeTest, FileIncludingItselfIsStopped) {
    dir.Write("self.def", "a\n#include \"self.def\"\n");
    vTextException_c e = ErrorOf("self.def");
    EXPECT_EQ(e.Code(), 15);
    EXPECT_EQ(e.Text(), "Recursive include of file self.def in file self.def line 2");

    dir.Write("ping.def", "#include \"./pong.def\"");
    dir.Write("pong.def", "#include \"sub/../ping.def\"");
    e = ErrorOf("ping.def");
    EXPECT_EQ(e.Code(), 15);
    EXPECT_EQ(e.Text(), "Recursive include of file sub/../ping.def in file pong.def line 1");
}

TEST_F(IncludeTest, SameFileMayBeIncludedAgainAfterItEnded) {
    dir.Write("one.def", "1");
    dir.Write("main.def", "#include one.def #include one.def");
    vDefReader_c r;
    r.Open("main.def");
    EXPECT_EQ(r.ReadAll(), (std::vector<std::string>{"1", "1"}));
}

TEST_F(IncludeTest, IncludeDepthIsBounded) {
    const int n = vIncludeFileInpStrm_c::kMaxIncludeDepth;
    // A chain of exactly the allowed depth works ...
    for (int i = 0; i < n; ++i)
        dir.Write("ok" + std::to_string(i) + ".def", "#include ok" + std::to_string(i + 1) + ".def");
    dir.Write("ok" + std::to_string(n) + ".def", "leaf");
    vDefReader_c r;
    r.Open("ok0.def");
    EXPECT_EQ(r.ReadAll(), std::vector<std::string>{"leaf"});

    // ... one more level is refused. The same file reached through ever
    // longer names is caught the same way.
    dir.Write("deep" + std::to_string(n + 1) + ".def", "leaf");
    for (int i = 0; i <= n; ++i)
        dir.Write("deep" + std::to_string(i) + ".def", "#include deep" + std::to_string(i + 1) + ".def");
    vTextException_c e = ErrorOf("deep0.def");
    EXPECT_EQ(e.Code(), 15);
    EXPECT_EQ(e.Text(), "Include files nested deeper than " + std::to_string(n) + " levels at deep" +
                            std::to_string(n + 1) + ".def in file deep" + std::to_string(n) + ".def line 1");

    dir.Write("loop.def", "#include ./sub/../loop.def");
    std::filesystem::create_directory(dir.Path() + "/sub");
    e = ErrorOf("loop.def");
    EXPECT_EQ(e.Code(), 15);
}

TEST_F(IncludeTest, DataPathHookChoosesTheFile) {
    dir.Write("primary/common.def", "from_primary");
    dir.Write("common.def", "from_language");
    dir.Write("main.def", "#include \"common.def\"");
    std::vector<std::string> asked;
    SetDataPathHook([&](const std::string& name) {
        asked.push_back(name);
        return name == "common.def" ? std::string("primary/common.def") : name;
    });
    vDefReader_c r;
    r.Open("main.def");
    EXPECT_EQ(r.ReadAll(), std::vector<std::string>{"from_primary"});
    EXPECT_EQ(asked, (std::vector<std::string>{"main.def", "common.def"}));
}

TEST_F(IncludeTest, WithoutHookNamesAreUnchangedAndStoredNormalised) {
    SetDataPathHook({});
    EXPECT_EQ(ApplyDataPathHook("a\\b.def"), "a\\b.def");
    dir.Write("a/c.dat", "c");
    vDefReader_c r;
    r.Open("a\\b\\..\\c.dat");
    EXPECT_EQ(r.FileName(), "a/c.dat");
    EXPECT_EQ(r.NextToken(), "c");
}

TEST_F(IncludeTest, OpenResetsLineAndCloseFreesEveryState) {
    dir.Write("inc.def", "i1\ni2");
    dir.Write("main.def", "\n\n#include inc.def");
    vDefReader_c r;
    r.Open("main.def");
    EXPECT_EQ(r.NextToken(), "i1");
    EXPECT_EQ(r.Depth(), 2u);
    r.Close();
    EXPECT_EQ(r.Depth(), 0u);
    EXPECT_FALSE(r.IsGood());
    r.Open("inc.def");
    EXPECT_EQ(r.Line(), 1);
    EXPECT_EQ(r.NextToken(), "i1");
}
