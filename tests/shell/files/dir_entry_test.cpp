#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>

#include "../../objects/stream_test_util.h"
#include "platform/exception.h"
#include "shell/files/dir_entry.h"

namespace {

class DirEntryTest : public ::testing::Test {
protected:
    vScratchDir_c dir;
    vCurrentDir_c cwd{dir.Path()};
};

std::string ErrorText(const std::function<void()>& f) {
    try {
        f();
    } catch (const vTextException_c& e) {
        return e.Text();
    }
    return "(no error)";
}

}  // namespace

TEST_F(DirEntryTest, FlagsAndSizeComeFromTheFileSystem) {
    dir.Write("card.crd", "12345");
    std::filesystem::create_directory("Folder");
    vDirEntry_c file("card.crd");
    EXPECT_TRUE(file.Exists());
    EXPECT_FALSE(file.IsDirectory());
    EXPECT_EQ(file.Size(), 5);

    vDirEntry_c folder("Folder");
    EXPECT_TRUE(folder.Exists());
    EXPECT_TRUE(folder.IsDirectory());

    vDirEntry_c missing("nothing.crd");
    EXPECT_FALSE(missing.Exists());
    EXPECT_FALSE(missing.IsDirectory());
    EXPECT_EQ(missing.Size(), 0);
    // Below a plain file nothing can exist; that is no error.
    EXPECT_FALSE(vDirEntry_c("card.crd/inner").Exists());
    EXPECT_FALSE(vDirEntry_c("").Exists());
}

TEST_F(DirEntryTest, BackslashPathsAreFound) {
    dir.Write("Pic/Apple.bmp", "x");
    vDirEntry_c e("Pic\\Apple.bmp");
    EXPECT_TRUE(e.Exists());
    EXPECT_EQ(e.Name(), "Apple.bmp");
    EXPECT_EQ(e.Path(), "Pic\\Apple.bmp");
}

TEST_F(DirEntryTest, RefreshSeesChanges) {
    vDirEntry_c e("later.txt");
    EXPECT_FALSE(e.Exists());
    dir.Write("later.txt", "abc");
    e.Refresh();
    EXPECT_TRUE(e.Exists());
    EXPECT_EQ(e.Size(), 3);
    // A copy asks again too.
    dir.Write("later.txt", "abcdef");
    vDirEntry_c copy(e);
    EXPECT_EQ(copy.Size(), 6);
}

TEST_F(DirEntryTest, OtherFileSystemErrorsRaiseErrorWithTheNumber) {
    // A name longer than any the system allows.
    const std::string tooLong(5000, 'n');
    EXPECT_EQ(ErrorText([&] { vDirEntry_c e(tooLong); }), "Error " + std::to_string(ENAMETOOLONG));
    std::filesystem::create_symlink("loop2", "loop1");
    std::filesystem::create_symlink("loop1", "loop2");
    EXPECT_EQ(ErrorText([&] { vDirEntry_c e("loop1"); }), "Error " + std::to_string(ELOOP));
}

TEST(DirEntryParts, NameAndExtension) {
    vDirEntry_c noExt("pic.d2/card");
    EXPECT_FALSE(noExt.HasExtension());
    EXPECT_EQ(noExt.Extension(), "");
    EXPECT_EQ(noExt.Name(), "card");

    vDirEntry_c crd("card.crd");
    EXPECT_TRUE(crd.HasExtension());
    EXPECT_EQ(crd.Extension(), "crd");
    EXPECT_EQ(crd.Name(), "card.crd");

    vDirEntry_c win("lang\\pic.d2\\Apple.jpg");
    EXPECT_EQ(win.Name(), "Apple.jpg");
    EXPECT_EQ(win.Extension(), "jpg");

    EXPECT_EQ(vDirEntry_c(".Drawer.dat").Extension(), "dat");
    EXPECT_EQ(vDirEntry_c("archive.tar.gz").Extension(), "gz");
    EXPECT_TRUE(vDirEntry_c("dot.").HasExtension());
    EXPECT_EQ(vDirEntry_c("dot.").Extension(), "");
    EXPECT_FALSE(vDirEntry_c("plain").HasExtension());
    EXPECT_EQ(vDirEntry_c("folder/").Name(), "");
}

TEST(DirEntryParts, DirectoryAndNameAreJoinedOnce) {
    EXPECT_EQ(vDirEntry_c("a", "b.crd").Path(), "a/b.crd");
    EXPECT_EQ(vDirEntry_c("a/", "b.crd").Path(), "a/b.crd");
    EXPECT_EQ(vDirEntry_c("a\\", "b.crd").Path(), "a\\b.crd");
    // An empty folder is the current one, not the root.
    EXPECT_EQ(vDirEntry_c("", "b.crd").Path(), "b.crd");
}

TEST(DirEntryParts, DirectoryPartIsThePathBeforeTheName) {
    EXPECT_EQ(vDirEntry_c("a/b/c.crd").DirectoryPart(), "a/b/");
    EXPECT_EQ(vDirEntry_c("a\\b\\c.crd").DirectoryPart(), "a/b/");
    EXPECT_EQ(vDirEntry_c("c.crd").DirectoryPart(), "");
    EXPECT_EQ(vDirEntry_c("/c.crd").DirectoryPart(), "/");
}

TEST_F(DirEntryTest, FullPathIsAbsoluteAndNormalised) {
    const std::string here = CurrentDirectory();
    EXPECT_EQ(vDirEntry_c("card.crd").FullPath(), here + "/card.crd");
    EXPECT_EQ(vDirEntry_c("a\\b\\..\\c.dat").FullPath(), here + "/a/c.dat");
    EXPECT_EQ(vDirEntry_c("./x/../y/").FullPath(), here + "/y/");
    EXPECT_EQ(vDirEntry_c("/lang/english/../common/a.bmp").FullPath(), "/lang/common/a.bmp");
    EXPECT_EQ(vDirEntry_c("\\x.bmp").FullPath(), "/x.bmp");
}

TEST_F(DirEntryTest, RelativePathAgainstTheLanguageFolder) {
    std::filesystem::create_directories("lang/english");
    std::filesystem::create_directories("lang/eng");
    const std::string root = CurrentDirectory();
    {
        vCurrentDir_c english("lang/english");
        vDirEntry_c common(root + "/lang/common/a.bmp");
        EXPECT_EQ(common.RelativePath(), "../common/a.bmp");
        EXPECT_TRUE(common.IsOutsideCurrentDirectory());

        vDirEntry_c inside(root + "/lang/english/Pic/a.bmp");
        EXPECT_EQ(inside.RelativePath(), "Pic/a.bmp");
        EXPECT_FALSE(inside.IsOutsideCurrentDirectory());
        EXPECT_EQ(vDirEntry_c("Pic\\.\\b.bmp").RelativePath(), "Pic/b.bmp");
        EXPECT_EQ(vDirEntry_c("..\\english\\c.bmp").RelativePath(), "c.bmp");
        EXPECT_EQ(vDirEntry_c(root + "/lang/english").RelativePath(), ".");
        EXPECT_EQ(vDirEntry_c("../../x.bmp").RelativePath(), "../../x.bmp");
    }
    {
        // The common part ends at a separator: "eng" is no prefix of "english".
        vCurrentDir_c eng("lang/eng");
        EXPECT_EQ(vDirEntry_c(root + "/lang/english/x.bmp").RelativePath(), "../english/x.bmp");
    }
}

TEST(RelativeTo, RuleForAbsolutePaths) {
    EXPECT_EQ(RelativeTo("/lang/common/a.bmp", "/lang/english"), "../common/a.bmp");
    EXPECT_EQ(RelativeTo("/lang/common/a.bmp", "/lang/english/"), "../common/a.bmp");
    EXPECT_EQ(RelativeTo("/x.bmp", "/"), "x.bmp");
    EXPECT_EQ(RelativeTo("/x.bmp", "/a/b/c"), "../../../x.bmp");
    EXPECT_EQ(RelativeTo("/", "/a/b"), "../..");
    EXPECT_EQ(RelativeTo("/a/b/", "/a/b"), ".");
    EXPECT_EQ(RelativeTo("/a/bc/d", "/a/b"), "../bc/d");
}

TEST_F(DirEntryTest, CreateEntryMakesFilesAndFolders) {
    vDirEntry_c file("new.txt");
    file.CreateEntry(vEntryKind::File);
    EXPECT_TRUE(file.Exists());
    EXPECT_FALSE(file.IsDirectory());
    EXPECT_EQ(file.Size(), 0);

    vDirEntry_c folder("New Folder");
    folder.CreateEntry(vEntryKind::Directory);
    EXPECT_TRUE(folder.IsDirectory());

    // An existing file keeps its contents.
    dir.Write("keep.txt", "data");
    vDirEntry_c keep("keep.txt");
    keep.CreateEntry(vEntryKind::File);
    EXPECT_EQ(keep.Size(), 4);

    EXPECT_EQ(ErrorText([] { vDirEntry_c("no/such/dir/f.txt").CreateEntry(vEntryKind::File); }),
              "Cannot create file: no/such/dir/f.txt");
    EXPECT_EQ(ErrorText([] { vDirEntry_c("no/such/dir").CreateEntry(vEntryKind::Directory); }),
              "Cannot create directory: no/such/dir");
}
