#include "platform/profile.h"

#include "../support/child_process.h"
#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>

using namespace lorvano_test;
using platform::ReadProfileString;
using platform::WriteProfileString;

namespace {

class Profile : public ::testing::Test {
protected:
    std::string Read(const char* section, const char* key, const char* def = "DEF", size_t size = 256) {
        std::string buf(size, '\x7f');
        size_t n = ReadProfileString(section, key, def, buf.data(), size, ini);
        EXPECT_LT(n, size);
        EXPECT_EQ(buf[n], '\0');
        return buf.substr(0, n);
    }
    // A name list as the NUL-separated text, without its final NUL.
    std::string List(const char* section, size_t size = 256) {
        std::string buf(size, '\x7f');
        size_t n = ReadProfileString(section, nullptr, "ignored", buf.data(), size, ini);
        EXPECT_EQ(buf[n], '\0');
        return buf.substr(0, n);
    }

    TempDir dir;
    std::string ini = dir.File("test.ini");
};

using namespace std::string_literals;

TEST_F(Profile, MissingFileReadsAsEmpty) {
    EXPECT_EQ(Read("Screen", "BPP", "16"), "16");
    EXPECT_EQ(Read("Screen", "BPP", nullptr), "");
    EXPECT_EQ(List(nullptr), "");
    EXPECT_EQ(List("Screen"), "");
    // A folder where the file should be is no file either.
    ini = dir.Path().string();
    EXPECT_EQ(Read("Screen", "BPP", "16"), "16");
}

TEST_F(Profile, NamesMatchWithoutCaseAndValuesAreTrimmed) {
    WriteFile(ini,
              "; leading comment\n"
              "  [ ScreenMode ]  \n"
              "\tBpp \t=  32 \t\r\n"
              "Quoted = \"  spaced  \"\n"
              "Single='x'\n"
              "Half=\"open\n"
              "Empty=\n"
              "NoEquals\n"
              ";Hidden=1\n"
              "Inner = a = b ; not a comment\n");
    EXPECT_EQ(Read("screenmode", "BPP"), "32");
    EXPECT_EQ(Read("SCREENMODE", "bpp"), "32");
    EXPECT_EQ(Read("ScreenMode", "Quoted"), "  spaced  ");
    EXPECT_EQ(Read("ScreenMode", "Single"), "x");
    EXPECT_EQ(Read("ScreenMode", "Half"), "\"open");
    EXPECT_EQ(Read("ScreenMode", "Empty"), "");  // present: not the default
    EXPECT_EQ(Read("ScreenMode", "NoEquals"), "DEF");
    EXPECT_EQ(Read("ScreenMode", "Hidden"), "DEF");
    EXPECT_EQ(Read("ScreenMode", ";Hidden"), "DEF");
    EXPECT_EQ(Read("ScreenMode", "Inner"), "a = b ; not a comment");
    EXPECT_EQ(Read("Other", "BPP"), "DEF");
}

TEST_F(Profile, KeysBelongToTheirSectionAndTheFirstOccurrenceCounts) {
    WriteFile(ini,
              "Loose=0\n"
              "[A]\nk=1\nK=2\n"
              "[B]\nk=3\n"
              "[a]\nk=4\nonly=5\n");
    EXPECT_EQ(Read("A", "k"), "1");
    EXPECT_EQ(Read("B", "k"), "3");
    EXPECT_EQ(Read("A", "only"), "DEF");  // the second [a] is not searched
    EXPECT_EQ(Read("", "Loose"), "DEF");  // lines before any section are nobody's
    EXPECT_EQ(List(nullptr), "A\0B\0"s);
    EXPECT_EQ(List("a"), "k\0"s);
    EXPECT_EQ(List("b"), "k\0"s);
}

TEST_F(Profile, DefaultLosesTrailingBlanks) { EXPECT_EQ(Read("S", "k", "  x \t"), "  x"); }

TEST_F(Profile, ValuesAreCutToSizeMinusOne) {
    WriteFile(ini, "[S]\nfour=abcd\n");
    char buf[8];
    EXPECT_EQ(ReadProfileString("S", "four", "", buf, 6, ini), 4u);  // fits with room to spare
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(ReadProfileString("S", "four", "", buf, 5, ini), 4u);  // exactly fills: size - 1
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(ReadProfileString("S", "four", "", buf, 3, ini), 2u);  // cut: size - 1
    EXPECT_STREQ(buf, "ab");
    EXPECT_EQ(ReadProfileString("S", "four", "", buf, 1, ini), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(ReadProfileString("S", "none", "12345", buf, 3, ini), 2u);  // defaults too
    EXPECT_STREQ(buf, "12");
    buf[0] = 'x';
    EXPECT_EQ(ReadProfileString("S", "four", "", buf, 0, ini), 0u);
    EXPECT_EQ(buf[0], 'x');  // size 0: nothing touched
}

TEST_F(Profile, NameListsThatDoNotFitEndWithTwoNulsAndSizeMinusTwo) {
    WriteFile(ini, "[One]\n[Two]\n[Three]\nalpha=1\nbeta=2\n");
    EXPECT_EQ(List(nullptr), "One\0Two\0Three\0"s);
    EXPECT_EQ(List("three"), "alpha\0beta\0"s);

    // "One\0Two\0Three\0" is 14 characters, 15 with the final NUL.
    char buf[16];
    EXPECT_EQ(ReadProfileString(nullptr, nullptr, "", buf, 15, ini), 14u);
    EXPECT_EQ(std::string(buf, 15), "One\0Two\0Three\0\0"s);
    EXPECT_EQ(ReadProfileString(nullptr, nullptr, "", buf, 14, ini), 12u);
    EXPECT_EQ(std::string(buf, 14), "One\0Two\0Thre\0\0"s);
    EXPECT_EQ(ReadProfileString(nullptr, nullptr, "", buf, 5, ini), 3u);
    EXPECT_EQ(std::string(buf, 5), "One\0\0"s);
    EXPECT_EQ(ReadProfileString("Three", nullptr, "", buf, 9, ini), 7u);
    EXPECT_EQ(std::string(buf, 9), "alpha\0b\0\0"s);
}

TEST_F(Profile, WriteKeepsEveryOtherLineAsItIs) {
    const std::string before =
        "; Lorvano settings\r\n"
        "\r\n"
        "[ScreenMode]\r\n"
        "  BPP = 16\r\n"
        "   odd line without equals\r\n"
        "\r\n"
        "; about the next section\r\n"
        "[Application]\r\n"
        "Title=Lorvano";  // no final line break
    WriteFile(ini, before);

    ASSERT_TRUE(WriteProfileString("screenmode", "bpp", "32", ini));
    ASSERT_TRUE(WriteProfileString("ScreenMode", "FullScreen", "TRUE", ini));
    ASSERT_TRUE(WriteProfileString("Application", "LoadingText", "Loading", ini));
    ASSERT_TRUE(WriteProfileString("New", "Key", "v", ini));
    EXPECT_EQ(ReadFile(ini),
              "; Lorvano settings\r\n"
              "\r\n"
              "[ScreenMode]\r\n"
              "  BPP = 32\r\n"
              "FullScreen=TRUE\r\n"
              "   odd line without equals\r\n"
              "\r\n"
              "; about the next section\r\n"
              "[Application]\r\n"
              "Title=Lorvano\r\n"
              "LoadingText=Loading\r\n"
              "[New]\r\n"
              "Key=v\r\n");
    EXPECT_EQ(Read("ScreenMode", "BPP"), "32");
    EXPECT_EQ(Read("new", "key"), "v");
}

TEST_F(Profile, WriteCreatesAMissingFileAndKeyAfterTheLastEntry) {
    ASSERT_TRUE(WriteProfileString("S", "a", "1", ini));
    EXPECT_EQ(ReadFile(ini), "[S]\na=1\n");
    WriteFile(ini, "[S]\n\n; trailing comment\n[T]\n");
    ASSERT_TRUE(WriteProfileString("S", "b", "2", ini));
    EXPECT_EQ(ReadFile(ini), "[S]\nb=2\n\n; trailing comment\n[T]\n");
    ASSERT_TRUE(WriteProfileString("T", "c", "  3  ", ini));
    EXPECT_EQ(Read("T", "c"), "3");
}

TEST_F(Profile, NullValueDeletesKeyAndNullKeyDeletesSection) {
    WriteFile(ini, "[A]\nx=1\ny=2\n[B]\n; b's comment\nz=3\n[C]\nw=4\n");
    ASSERT_TRUE(WriteProfileString("a", "X", nullptr, ini));
    EXPECT_EQ(ReadFile(ini), "[A]\ny=2\n[B]\n; b's comment\nz=3\n[C]\nw=4\n");
    ASSERT_TRUE(WriteProfileString("b", nullptr, nullptr, ini));
    EXPECT_EQ(ReadFile(ini), "[A]\ny=2\n[C]\nw=4\n");
    ASSERT_TRUE(WriteProfileString("C", nullptr, "ignored", ini));
    EXPECT_EQ(ReadFile(ini), "[A]\ny=2\n");

    // Deleting what is not there changes nothing and creates no file.
    ASSERT_TRUE(WriteProfileString("A", "gone", nullptr, ini));
    ASSERT_TRUE(WriteProfileString("Gone", nullptr, nullptr, ini));
    EXPECT_EQ(ReadFile(ini), "[A]\ny=2\n");
    std::string other = dir.File("none.ini");
    ASSERT_TRUE(WriteProfileString("A", nullptr, nullptr, other));
    EXPECT_FALSE(std::filesystem::exists(other));
}

TEST_F(Profile, WritesThatCannotReadBackAreRefused) {
    WriteFile(ini, "[A]\nx=1\n");
    EXPECT_FALSE(WriteProfileString(nullptr, "x", "1", ini));
    EXPECT_FALSE(WriteProfileString("A", "x", "1\n[Evil]\ny=2", ini));
    EXPECT_FALSE(WriteProfileString("A", "x\r", "1", ini));
    EXPECT_FALSE(WriteProfileString("A", "a=b", "1", ini));
    EXPECT_FALSE(WriteProfileString("A", ";x", "1", ini));
    EXPECT_FALSE(WriteProfileString("A]", "x", "1", ini));
    EXPECT_EQ(ReadFile(ini), "[A]\nx=1\n");
}

TEST_F(Profile, EveryReadSeesTheFileAsItIsNow) {
    WriteFile(ini, "[A]\nx=1\n");
    EXPECT_EQ(Read("A", "x"), "1");
    WriteFile(ini, "[A]\nx=2\n");  // another program writes
    EXPECT_EQ(Read("A", "x"), "2");
    std::filesystem::remove(ini);
    EXPECT_EQ(Read("A", "x"), "DEF");
}

TEST_F(Profile, BinaryTruncatedAndLongLinesAreHarmless) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131 + 7) & 0xff);
    WriteFile(ini, binary);
    Read("A", "x");
    List(nullptr);
    ASSERT_TRUE(WriteProfileString("A", "x", "1", ini));
    EXPECT_EQ(ReadFile(ini).substr(0, binary.size()), binary);  // nothing of it lost
    EXPECT_EQ(Read("A", "x"), "1");

    WriteFile(ini, "[A]\nx=1\n[B");  // cut in a header
    EXPECT_EQ(Read("A", "x"), "1");
    EXPECT_EQ(List(nullptr), "A\0"s);
    WriteFile(ini, "[A]\nx=12");  // cut in a value
    EXPECT_EQ(Read("A", "x"), "12");
    WriteFile(ini, "\xEF\xBB\xBF[A]\nx=bom");
    EXPECT_EQ(Read("A", "x"), "bom");
    ASSERT_TRUE(WriteProfileString("A", "y", "2", ini));
    EXPECT_EQ(ReadFile(ini), "\xEF\xBB\xBF[A]\nx=bom\ny=2\n");

    const std::string longValue(10000, 'v');
    WriteFile(ini, "[A]\n" + std::string(10000, ' ') + "\nlong=" + longValue + "\nafter=ok\n");
    EXPECT_EQ(Read("A", "long", "", 10001), longValue.substr(0, 10000));
    EXPECT_EQ(Read("A", "long", "", 10002), longValue);
    EXPECT_EQ(Read("A", "long", "", 50), longValue.substr(0, 49));
    EXPECT_EQ(Read("A", "after"), "ok");
}

TEST_F(Profile, RewriteKeepsPermissionsAndFollowsLinks) {
    WriteFile(ini, "[A]\nx=1\n");
    std::filesystem::permissions(ini, std::filesystem::perms(0640));
    ASSERT_TRUE(WriteProfileString("A", "x", "2", ini));
    EXPECT_EQ(std::filesystem::status(ini).permissions(), std::filesystem::perms(0640));

    std::string link = dir.File("link.ini");
    std::filesystem::create_symlink(ini, link);
    ASSERT_TRUE(WriteProfileString("A", "x", "3", link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(ini), "[A]\nx=3\n");
}

// The write either replaces the file or leaves it as it was, without litter.
TEST_F(Profile, FailedWritesLeaveTheOldFileIntact) {
    const std::string before = "[A]\nx=1\n";
    std::filesystem::permissions(dir.Path(), std::filesystem::perms(0755));
    std::filesystem::path ro = dir.Path() / "ro";
    std::filesystem::create_directory(ro);
    std::string roIni = (ro / "test.ini").string();
    WriteFile(roIni, before);
    std::filesystem::permissions(roIni, std::filesystem::perms(0666));
    std::filesystem::permissions(ro, std::filesystem::perms(0555));
    // Read-only folder: the file itself could be written, but not replaced whole.
    EXPECT_EQ(RunInChild([&] {
                  if (!DropRoot()) return 2;
                  return WriteProfileString("A", "x", "2", roIni) ? 1 : 0;
              }),
              0);
    EXPECT_EQ(ReadFile(roIni), before);
    EXPECT_EQ(CountEntries(ro), 1);

    // Read-only file in a writable folder.
    std::filesystem::permissions(ro, std::filesystem::perms(0777));
    std::filesystem::permissions(roIni, std::filesystem::perms(0444));
    EXPECT_EQ(RunInChild([&] {
                  if (!DropRoot()) return 2;
                  return WriteProfileString("A", "x", "2", roIni) ? 1 : 0;
              }),
              0);
    EXPECT_EQ(ReadFile(roIni), before);
    EXPECT_EQ(CountEntries(ro), 1);

    // Full disk, simulated by a file size limit below the new file's size.
    WriteFile(ini, before);
    EXPECT_EQ(RunInChild([&] {
                  std::signal(SIGXFSZ, SIG_IGN);
                  rlimit limit{64, 64};
                  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
                  return WriteProfileString("A", "x", std::string(1000, 'y').c_str(), ini) ? 1 : 0;
              }),
              0);
    EXPECT_EQ(ReadFile(ini), before);
    EXPECT_EQ(CountEntries(dir.Path()), 2);  // test.ini and ro/
}

}  // namespace
