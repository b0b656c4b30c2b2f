#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "../../objects/stream_test_util.h"
#include "platform/exception.h"
#include "shell/files/dir_entry_link.h"
#include "shell/files/file_iterator.h"

namespace {

class LinkTest : public ::testing::Test {
protected:
    vScratchDir_c dir;
    vCurrentDir_c cwd{dir.Path()};

    void Link(const std::string& name, const std::string& target, const std::string& eol = "\r\n") {
        dir.Write(name, "[vLink]" + eol + target + eol);
    }
};

using lorvano_test::ReadFile;

std::vector<std::string> LinesOf(const std::string& bytes) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(
        fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "r"), &std::fclose);
    std::vector<std::string> lines;
    std::string line;
    while (ReadLine(f.get(), line)) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(LinkReadLine, EveryLineEndAndItsPartner) {
    using L = std::vector<std::string>;
    EXPECT_EQ(LinesOf("a\r\nb\nc\rd\n\re"), (L{"a", "b", "c", "d", "e"}));
    // A second line end of the same kind is an empty line.
    EXPECT_EQ(LinesOf("a\n\nb\r\rc"), (L{"a", "", "b", "", "c"}));
    // CR LF CR: the second CR starts the next line end.
    EXPECT_EQ(LinesOf("a\r\n\r\nb"), (L{"a", "", "b"}));
    EXPECT_EQ(LinesOf("last"), (L{"last"}));
    EXPECT_EQ(LinesOf(""), (L{}));
    EXPECT_EQ(LinesOf("\n"), (L{""}));
}

TEST(LinkReadLine, LineLengthLimit) {
    EXPECT_EQ(LinesOf(std::string(259, 'x') + "\nok"), (std::vector<std::string>{std::string(259, 'x'), "ok"}));
    try {
        LinesOf(std::string(260, 'x'));
        FAIL() << "no error";
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "String too long");
    }
}

TEST_F(LinkTest, LinkToAFileDescribesTheTarget) {
    dir.Write("real/Apple.bmp", "123456");
    Link("Apple.bmp", "real/Apple.bmp");
    vDirEntryLink_c e("Apple.bmp");
    EXPECT_TRUE(e.IsLink());
    EXPECT_TRUE(e.Exists());
    EXPECT_FALSE(e.IsDirectory());
    EXPECT_EQ(e.Size(), 6);
    EXPECT_EQ(e.LinkTarget(), "real/Apple.bmp");
    EXPECT_EQ(e.FullPath(), CurrentDirectory() + "/real/Apple.bmp");
    EXPECT_EQ(e.RelativePath(), "real/Apple.bmp");
    // The entry's own name and path stay those of the link file.
    EXPECT_EQ(e.Path(), "Apple.bmp");
    EXPECT_EQ(e.Name(), "Apple.bmp");
}

TEST_F(LinkTest, HeaderIgnoresCaseAndEveryLineEndWorks) {
    dir.Write("t.txt", "t");
    for (const char* eol : {"\r\n", "\n", "\r", "\n\r"}) {
        dir.Write("l.lnk", std::string("[VLINK]") + eol + "t.txt" + eol);
        vDirEntryLink_c e("l.lnk");
        EXPECT_TRUE(e.IsLink()) << "line end " << static_cast<int>(eol[0]);
        EXPECT_EQ(e.LinkTarget(), "t.txt");
        EXPECT_TRUE(e.Exists());
    }
    dir.Write("l.lnk", "[vlink]\nt.txt");  // no final line end
    EXPECT_EQ(vDirEntryLink_c("l.lnk").LinkTarget(), "t.txt");
}

TEST_F(LinkTest, MissingTargetMakesTheEntryNonExistent) {
    Link("gone.crd", "nowhere/gone.crd");
    vDirEntryLink_c e("gone.crd");
    EXPECT_TRUE(e.IsLink());
    EXPECT_FALSE(e.Exists());
    EXPECT_FALSE(e.IsDirectory());

    Link("empty.lnk", "");
    EXPECT_FALSE(vDirEntryLink_c("empty.lnk").Exists());
    dir.Write("header.lnk", "[vLink]");
    EXPECT_FALSE(vDirEntryLink_c("header.lnk").Exists());
}

TEST_F(LinkTest, LinkToALinkToAFolderIsAFolder) {
    std::filesystem::create_directories("common/Fruit");
    Link("second.lnk", "common\\Fruit");
    Link("Fruit", "second.lnk");
    vDirEntryLink_c e("Fruit");
    EXPECT_TRUE(e.Exists());
    EXPECT_TRUE(e.IsDirectory());
    EXPECT_EQ(e.LinkTarget(), "common\\Fruit");
    EXPECT_EQ(e.FullPath(), CurrentDirectory() + "/common/Fruit");
}

TEST_F(LinkTest, TargetsAreRelativeToTheCurrentDirectoryNotTheLink) {
    dir.Write("a.txt", "top");
    dir.Write("sub/a.txt", "sub-level");
    Link("sub/a.lnk", "a.txt");
    vDirEntryLink_c e("sub/a.lnk");
    EXPECT_EQ(e.Size(), 3);
}

TEST_F(LinkTest, LoopsAndOverlongChainsMakeTheEntryNonExistent) {
    Link("self.lnk", "self.lnk");
    EXPECT_FALSE(vDirEntryLink_c("self.lnk").Exists());
    EXPECT_TRUE(vDirEntryLink_c("self.lnk").IsLink());

    Link("ping.lnk", "./pong.lnk");
    Link("pong.lnk", "sub/../ping.lnk");
    EXPECT_FALSE(vDirEntryLink_c("ping.lnk").Exists());
    // A chain that reaches a loop later is broken as well.
    Link("into.lnk", "ping.lnk");
    EXPECT_FALSE(vDirEntryLink_c("into.lnk").Exists());

    // 16 links are followed; a 17th is too many.
    const int n = vDirEntryLink_c::kMaxLinkChain;
    dir.Write("end.txt", "end");
    for (int i = 0; i < n + 1; ++i)
        Link("c" + std::to_string(i), i == n ? std::string("end.txt") : "c" + std::to_string(i + 1));
    vDirEntryLink_c longest("c1");  // c1 .. c16: 16 links
    EXPECT_TRUE(longest.Exists());
    EXPECT_EQ(longest.Size(), 3);
    vDirEntryLink_c tooLong("c0");  // 17 links
    EXPECT_FALSE(tooLong.Exists());
}

TEST_F(LinkTest, FilesThatAreNoLinkFilesStayPlainEntries) {
    dir.Write("card.crd", "<vTrExLoadBtn_c> Obj = {}\n");
    vDirEntryLink_c card("card.crd");
    EXPECT_FALSE(card.IsLink());
    EXPECT_TRUE(card.Exists());
    EXPECT_EQ(card.LinkTarget(), "");
    EXPECT_EQ(card.FullPath(), CurrentDirectory() + "/card.crd");

    // An overlong line ends resolution without a link and without an error.
    dir.Write("long.bin", std::string(5000, 'z'));
    EXPECT_FALSE(vDirEntryLink_c("long.bin").IsLink());
    dir.Write("longtarget.lnk", "[vLink]\n" + std::string(300, 'p') + "\n");
    vDirEntryLink_c lt("longtarget.lnk");
    EXPECT_FALSE(lt.IsLink());
    EXPECT_TRUE(lt.Exists());

    // A pipe is never read (that could block): it is no link file.
    ASSERT_EQ(mkfifo("pipe", 0600), 0);
    vDirEntryLink_c pipe("pipe");
    EXPECT_FALSE(pipe.IsLink());
    EXPECT_TRUE(pipe.Exists());
    Link("topipe.lnk", "pipe");
    EXPECT_TRUE(vDirEntryLink_c("topipe.lnk").Exists());

    std::filesystem::create_directory("folder");
    vDirEntryLink_c folder("folder");
    EXPECT_FALSE(folder.IsLink());
    EXPECT_TRUE(folder.IsDirectory());
    EXPECT_FALSE(vDirEntryLink_c("missing").Exists());
    // Binary garbage in the target is no path.
    dir.Write("nul.lnk", std::string("[vLink]\na\0b\n", 12));
    EXPECT_FALSE(vDirEntryLink_c("nul.lnk").Exists());
}

TEST_F(LinkTest, CopyAndAssignmentResolveAgain) {
    dir.Write("t1.txt", "1");
    dir.Write("t22.txt", "22");
    Link("l.lnk", "t1.txt");
    vDirEntryLink_c a("l.lnk");
    Link("l.lnk", "t22.txt");
    vDirEntryLink_c b(a);
    EXPECT_EQ(b.Size(), 2);
    vDirEntryLink_c c("t1.txt");
    EXPECT_FALSE(c.IsLink());
    c = a;
    EXPECT_TRUE(c.IsLink());
    EXPECT_EQ(c.LinkTarget(), "t22.txt");
}

TEST_F(LinkTest, ReadLinkTargetByPath) {
    Link("l.lnk", "../common/x.bmp");
    EXPECT_EQ(vDirEntryLink_c::ReadLinkTarget("l.lnk"), "../common/x.bmp");
    dir.Write("plain.txt", "first line\nsecond\n");
    EXPECT_EQ(vDirEntryLink_c::ReadLinkTarget("plain.txt"), "first line");
    try {
        vDirEntryLink_c::ReadLinkTarget("none.lnk");
        FAIL() << "no error";
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "Cannot open link file: none.lnk");
    }
}

TEST_F(LinkTest, CreateEntryWritesTheLinkAndCreatesTheTarget) {
    vDirEntryLink_c e("Apple.lnk");
    e.SetLinkTarget("store/Apple.bmp");
    EXPECT_FALSE(e.Exists());
    std::filesystem::create_directory("store");
    e.CreateEntry(vEntryKind::File);
    EXPECT_EQ(ReadFile("Apple.lnk"), "[vLink]\r\nstore/Apple.bmp\r\n");
    EXPECT_EQ(vDirEntryLink_c::ReadLinkTarget("Apple.lnk"), "store/Apple.bmp");
    EXPECT_TRUE(std::filesystem::is_regular_file("store/Apple.bmp"));
    EXPECT_TRUE(e.Exists());
    vDirEntryLink_c back("Apple.lnk");
    EXPECT_TRUE(back.IsLink());
    EXPECT_EQ(back.LinkTarget(), "store/Apple.bmp");

    // Pointing an existing link elsewhere replaces the link file whole and
    // leaves no temporary file behind.
    const int entries = lorvano_test::CountEntries(dir.Path());
    dir.Write("store/Pear.bmp", "pear");
    vDirEntryLink_c again("Apple.lnk");
    again.SetLinkTarget("store/Pear.bmp");
    again.CreateEntry(vEntryKind::File);
    EXPECT_EQ(ReadFile("Apple.lnk"), "[vLink]\r\nstore/Pear.bmp\r\n");
    EXPECT_EQ(lorvano_test::CountEntries(dir.Path()), entries);
    EXPECT_EQ(vDirEntryLink_c("Apple.lnk").Size(), 4);

    // An existing target is kept as it is.
    dir.Write("kept.txt", "keep me");
    vDirEntryLink_c k("kept.lnk");
    k.SetLinkTarget("kept.txt");
    k.CreateEntry(vEntryKind::File);
    EXPECT_EQ(ReadFile("kept.txt"), "keep me");
    EXPECT_EQ(vDirEntryLink_c("kept.lnk").Size(), 7);

    vDirEntryLink_c folder("Fruit");
    folder.SetLinkTarget("common/Fruit");
    std::filesystem::create_directory("common");
    folder.CreateEntry(vEntryKind::Directory);
    EXPECT_TRUE(vDirEntryLink_c("Fruit").IsDirectory());

    // A plain entry is simply created.
    vDirEntryLink_c plain("plain.txt");
    plain.CreateEntry(vEntryKind::File);
    EXPECT_TRUE(plain.Exists());
    EXPECT_FALSE(plain.IsLink());
}

TEST_F(LinkTest, CreateEntryFailures) {
    auto textOf = [](vDirEntryLink_c& e, vEntryKind kind) -> std::string {
        try {
            e.CreateEntry(kind);
        } catch (const vTextException_c& x) {
            return x.Text();
        }
        return "(no error)";
    };
    vDirEntryLink_c noTargetDir("a.lnk");
    noTargetDir.SetLinkTarget("missing/t.bmp");
    EXPECT_EQ(textOf(noTargetDir, vEntryKind::File), "Cannot create file: missing/t.bmp");
    EXPECT_FALSE(std::filesystem::exists("a.lnk"));

    vDirEntryLink_c noFolder("b.lnk");
    noFolder.SetLinkTarget("missing/sub");
    EXPECT_EQ(textOf(noFolder, vEntryKind::Directory), "Cannot create directory: missing/sub");

    dir.Write("t.txt", "t");
    vDirEntryLink_c noLinkDir("nolinkdir/c.lnk");
    noLinkDir.SetLinkTarget("t.txt");
    EXPECT_EQ(textOf(noLinkDir, vEntryKind::File), "Cannot create link file: nolinkdir/c.lnk");
}

TEST_F(LinkTest, SortOrderPutsBackCardFirstThenPathWithoutCase) {
    for (const char* n : {"b.exc", "A.exc", "c", "BACK.crd", "a2.exc"}) dir.Write(n, "x");
    std::vector<vSortFile_c> files;
    for (const char* n : {"b.exc", "A.exc", "c", "BACK.crd", "a2.exc"}) files.emplace_back(n);
    std::sort(files.begin(), files.end());
    std::vector<std::string> order;
    for (const auto& f : files) order.push_back(f.Path());
    EXPECT_EQ(order, (std::vector<std::string>{"BACK.crd", "A.exc", "a2.exc", "b.exc", "c"}));
    EXPECT_FALSE(vSortFile_c("back.crd") < vSortFile_c("Back.crd"));
    EXPECT_TRUE(vSortFile_c("z/back.crd") < vSortFile_c("a"));
    EXPECT_FALSE(vSortFile_c("a") < vSortFile_c("z/back.crd"));
    // "back.crd" must be the whole name.
    EXPECT_TRUE(vSortFile_c("a") < vSortFile_c("xback.crd"));
}

TEST_F(LinkTest, IteratorSkipsDotNamesUnlessAsked) {
    for (const char* n : {".Drawer.dat", ".def_dir.crd", "a.exc", "B.crd", ".Pic/Cursors/x.bmp", "Fruit/x.exc"})
        dir.Write(std::string("lang/") + n, "x");
    std::multiset<std::string> names;
    for (vFileIterator_c it("lang"); !it.AtEnd(); it.Next()) {
        names.insert(it.Name());
        vDirEntry_c e = it.Entry();
        EXPECT_TRUE(e.Exists()) << e.Path();
        EXPECT_EQ(e.Path(), "lang/" + it.Name());
    }
    EXPECT_EQ(names, (std::multiset<std::string>{"B.crd", "Fruit", "a.exc"}));

    std::multiset<std::string> all;
    for (vFileIterator_c it("lang\\", true); !it.AtEnd(); it.Next()) all.insert(it.Name());
    EXPECT_EQ(all, (std::multiset<std::string>{".Drawer.dat", ".Pic", ".def_dir.crd", "B.crd", "Fruit", "a.exc"}));

    std::filesystem::create_directory("only_dots");
    dir.Write("only_dots/.hidden", "x");
    EXPECT_TRUE(vFileIterator_c("only_dots").AtEnd());
    vFileIterator_c missing("no_such_folder");
    EXPECT_TRUE(missing.AtEnd());
    missing.Next();
    EXPECT_TRUE(missing.AtEnd());
    dir.Write("file.txt", "x");
    EXPECT_TRUE(vFileIterator_c("file.txt").AtEnd());
}
