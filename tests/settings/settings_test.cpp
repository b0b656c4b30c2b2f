#include "settings/settings.h"
#include "settings/setting.h"
#include "platform/atomic_file.h"

#include "../support/child_process.h"
#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

using namespace lorvano_test;
using namespace std::string_literals;

namespace {

// Runs f and returns the code of the vException_c it raised, or -1000 when
// it raised nothing.
template <class F>
int RaisedCode(F&& f) {
    try {
        f();
    } catch (const vException_c& e) {
        return e.Code();
    }
    return -1000;
}

TEST(NumberText, DecimalSignsAndBases) {
    char buf[50];
    IntToText(buf, 50, 0);
    EXPECT_STREQ(buf, "0");
    IntToText(buf, 50, -1234);
    EXPECT_STREQ(buf, "-1234");
    IntToText(buf, 50, INT32_MIN);
    EXPECT_STREQ(buf, "-2147483648");
    IntToText(buf, 50, INT32_MAX);
    EXPECT_STREQ(buf, "2147483647");
    UIntToText(buf, 50, UINT32_MAX);
    EXPECT_STREQ(buf, "4294967295");
    UIntToText(buf, 50, 31, 16);
    EXPECT_STREQ(buf, "1f");
    UIntToText(buf, 50, 35, 36);
    EXPECT_STREQ(buf, "z");
    UIntToText(buf, 50, 5, 2);
    EXPECT_STREQ(buf, "101");
}

TEST(NumberText, CapacityIsCountedWithTheNul) {
    char buf[8];
    UIntToText(buf, 4, 999);  // three digits and the NUL fit exactly
    EXPECT_STREQ(buf, "999");
    EXPECT_EQ(RaisedCode([&] { UIntToText(buf, 3, 999); }), 0);
    IntToText(buf, 5, -999);
    EXPECT_STREQ(buf, "-999");
    EXPECT_EQ(RaisedCode([&] { IntToText(buf, 4, -999); }), 0);
    EXPECT_EQ(RaisedCode([&] { IntToText(buf, 1, -1); }), 0);
    EXPECT_EQ(RaisedCode([&] { UIntToText(buf, 1, 0); }), 0);
    EXPECT_EQ(RaisedCode([&] { UIntToText(buf, 0, 0); }), 0);
    EXPECT_EQ(RaisedCode([&] { IntToText(buf, -5, 0); }), 0);
    EXPECT_EQ(RaisedCode([&] { UIntToText(buf, 8, 1, 1); }), 0);
    EXPECT_EQ(RaisedCode([&] { UIntToText(buf, 8, 1, 37); }), 0);
}

class Settings : public ::testing::Test {
protected:
    void SetUp() override { store.SetFileName(ini.c_str()); }
    void Ini(const std::string& text) { WriteFile(ini, text); }

    TempDir dir;
    std::string ini = dir.File("trainer.ini");
    vSettings_c store;
};

TEST_F(Settings, EveryUseBeforeAFileIsSetRaises) {
    vSettings_c empty;
    char buf[10];
    EXPECT_EQ(empty.FileName(), nullptr);
    EXPECT_EQ(RaisedCode([&] { empty.GetString("A/b", buf, 10, "x"); }), 0);
    EXPECT_EQ(RaisedCode([&] { empty.GetInt("A/b", 1); }), 0);
    EXPECT_EQ(RaisedCode([&] { empty.GetUnsigned("A/b", 1); }), 0);
    EXPECT_EQ(RaisedCode([&] { empty.GetDouble("A/b", 1); }), 0);
    EXPECT_EQ(RaisedCode([&] { empty.GetBool("A/b", true); }), 0);
    EXPECT_EQ(RaisedCode([&] { empty.PutString("A/b", "1"); }), 0);
    EXPECT_EQ(RaisedCode([&] { empty.PutInt("A/b", 1); }), 0);
    EXPECT_EQ(RaisedCode([&] { empty.PutHex("A/b", 1); }), 0);
    EXPECT_EQ(RaisedCode([&] { empty.PutBool("A/b", true); }), 0);
    // Clearing the path brings the same state back.
    store.SetFileName(nullptr);
    EXPECT_EQ(RaisedCode([&] { store.GetInt("A/b", 1); }), 0);
    EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(Settings, ThePathIsAPrivateCopy) {
    std::string path = ini;
    vSettings_c direct(path.c_str());
    path.assign(path.size(), 'x');
    EXPECT_STREQ(direct.FileName(), ini.c_str());
    direct.PutInt("A/n", 5);
    EXPECT_EQ(store.GetInt("A/n", 0), 5);
    std::string other = dir.File("other.ini");
    direct.SetFileName(other.c_str());
    EXPECT_EQ(direct.GetInt("A/n", -1), -1);
}

TEST_F(Settings, MissingFileGivesEveryDefault) {
    EXPECT_EQ(store.GetInt("ScreenMode/BPP", -7), -7);
    EXPECT_EQ(store.GetInt("ScreenMode/BPP", INT32_MIN), INT32_MIN);
    EXPECT_EQ(store.GetUnsigned("ScreenMode/BPP", 32), 32u);
    EXPECT_EQ(store.GetUnsigned("ScreenMode/BPP", UINT32_MAX), UINT32_MAX);
    EXPECT_DOUBLE_EQ(store.GetDouble("ScreenMode/Gamma", 2.5), 2.5);
    EXPECT_TRUE(store.GetBool("ScreenMode/FullScreen", true));
    EXPECT_FALSE(store.GetBool("ScreenMode/FullScreen", false));
    char buf[20];
    store.GetString("Application/Title", buf, sizeof buf, "Lorvano");
    EXPECT_STREQ(buf, "Lorvano");
    store.GetString("Application/Title", buf, sizeof buf, nullptr);
    EXPECT_STREQ(buf, "");
}

TEST_F(Settings, EmptyValueIsZeroForNumbersButTheDefaultForBoolAndDouble) {
    Ini("[ScreenMode]\nBPP=\n");
    EXPECT_EQ(store.GetUnsigned("ScreenMode/BPP", 16), 0u);
    EXPECT_EQ(store.GetInt("ScreenMode/BPP", 16), 0);
    EXPECT_TRUE(store.GetBool("ScreenMode/BPP", true));
    EXPECT_DOUBLE_EQ(store.GetDouble("ScreenMode/BPP", 1.5), 1.5);
}

TEST_F(Settings, IntegersAreReadLikeAtol) {
    Ini("[N]\na= -42\nb=+17xyz\nc=abc\nd=12.9\ne=99999999999\nf=-99999999999\ng=0x20\n");
    EXPECT_EQ(store.GetInt("N/a", 1), -42);
    EXPECT_EQ(store.GetInt("N/b", 1), 17);
    EXPECT_EQ(store.GetInt("N/c", 1), 0);
    EXPECT_EQ(store.GetInt("N/d", 1), 12);
    EXPECT_EQ(store.GetInt("N/e", 1), INT32_MAX);  // limited to 32 bits
    EXPECT_EQ(store.GetInt("N/f", 1), INT32_MIN);
    EXPECT_EQ(store.GetInt("N/g", 1), 0);  // no hexadecimal here
}

TEST_F(Settings, UnsignedTakesHexPrefixesAndDecimalNotOctal) {
    Ini("[N]\nlx=0x20\nux=0X20\ndollar=$20\noctal=020\nplain=800\nneg=-1\nneg5=-5\n"
        "big=4294967295\nhuge=4294967296\nhexbig=0x1FFFFFFFF\nword=abc\nhexword=0xzz\n");
    EXPECT_EQ(store.GetUnsigned("N/lx", 0), 32u);
    EXPECT_EQ(store.GetUnsigned("N/ux", 0), 32u);
    EXPECT_EQ(store.GetUnsigned("N/dollar", 0), 32u);
    EXPECT_EQ(store.GetUnsigned("N/octal", 0), 20u);
    EXPECT_EQ(store.GetUnsigned("N/plain", 0), 800u);
    EXPECT_EQ(store.GetUnsigned("N/neg", 0), UINT32_MAX);
    EXPECT_EQ(store.GetUnsigned("N/neg5", 0), UINT32_MAX - 4);
    EXPECT_EQ(store.GetUnsigned("N/big", 0), UINT32_MAX);
    EXPECT_EQ(store.GetUnsigned("N/huge", 0), UINT32_MAX);  // saturates, as a 32-bit strtoul does
    EXPECT_EQ(store.GetUnsigned("N/hexbig", 0), UINT32_MAX);
    EXPECT_EQ(store.GetUnsigned("N/word", 9), 0u);
    EXPECT_EQ(store.GetUnsigned("N/hexword", 9), 0u);
}

TEST_F(Settings, BoolWordsAndNumbers) {
    Ini("[B]\nYes=Yes\nTRUE=TRUE\ntwo=2\nfalseword=FaLsE\nNo=No\nzero=0\nminus=-1\nmaybe=maybe\n"
        "true=true\nyes2=yES\n");
    EXPECT_TRUE(store.GetBool("B/Yes", false));
    EXPECT_TRUE(store.GetBool("B/TRUE", false));
    EXPECT_TRUE(store.GetBool("B/two", false));
    EXPECT_TRUE(store.GetBool("B/yes2", false));
    EXPECT_FALSE(store.GetBool("B/falseword", true));
    EXPECT_FALSE(store.GetBool("B/No", true));
    EXPECT_FALSE(store.GetBool("B/zero", true));
    EXPECT_FALSE(store.GetBool("B/minus", true));
    EXPECT_FALSE(store.GetBool("B/maybe", true));
}

TEST_F(Settings, DoublesLikeAtof) {
    Ini("[D]\na=2.75\nb=-1e3\nc=abc\nd=  0.5kg\n");
    EXPECT_DOUBLE_EQ(store.GetDouble("D/a", 0), 2.75);
    EXPECT_DOUBLE_EQ(store.GetDouble("D/b", 0), -1000);
    EXPECT_DOUBLE_EQ(store.GetDouble("D/c", 7), 0);
    EXPECT_DOUBLE_EQ(store.GetDouble("D/d", 7), 0.5);
}

TEST_F(Settings, AKeyWithTwoSlashesReadsTheRestOfTheKey) {
    Ini("[A]\nB/C=inner\nB=outer\n");
    char buf[20];
    store.GetString("A/B/C", buf, sizeof buf, "none");
    EXPECT_STREQ(buf, "inner");
    store.PutString("A/X/Y", "new");
    EXPECT_EQ(ReadFile(ini), "[A]\nB/C=inner\nB=outer\nX/Y=new\n");
}

TEST_F(Settings, AValueThatFillsTheBufferCountsAsTruncated) {
    Ini("[V]\nv49=" + std::string(49, '7') + "\nv48=" + std::string(48, '7') + "\n");
    EXPECT_EQ(RaisedCode([&] { store.GetInt("V/v49", 0); }), 0);
    EXPECT_EQ(RaisedCode([&] { store.GetUnsigned("V/v49", 0); }), 0);
    EXPECT_EQ(RaisedCode([&] { store.GetBool("V/v49", false); }), 0);
    EXPECT_EQ(RaisedCode([&] { store.GetDouble("V/v49", 0); }), 0);
    EXPECT_EQ(store.GetInt("V/v48", 0), INT32_MAX);  // read whole, then limited
    char buf[50];
    store.GetString("V/v48", buf, 50, "");
    EXPECT_EQ(std::string(buf), std::string(48, '7'));
    EXPECT_EQ(RaisedCode([&] { store.GetString("V/v48", buf, 49, ""); }), 0);
    // A default that fills the buffer is just as ambiguous.
    EXPECT_EQ(RaisedCode([&] { store.GetString("V/none", buf, 4, "abc"); }), 0);
    EXPECT_EQ(RaisedCode([&] { store.GetString("V/v48", buf, 0, ""); }), 0);
    EXPECT_EQ(RaisedCode([&] { store.GetString("V/v48", nullptr, 50, ""); }), 0);
    // A 10 000 character line is no problem for a buffer large enough.
    Ini("[V]\nlong=" + std::string(10000, 'z') + "\n");
    std::string big(10002, '\0');
    store.GetString("V/long", big.data(), big.size(), "");
    EXPECT_EQ(std::strlen(big.c_str()), 10000u);
    EXPECT_EQ(RaisedCode([&] { store.GetInt("V/long", 0); }), 0);
}

TEST_F(Settings, DeclaredSettingsReadTheirKeyAndDefaultAndKeepTheTextsRoom) {
    constexpr vTextSetting_c models{"R/Models", "Models.ini", 22};
    constexpr vIntSetting_c level{"R/Level", 300};
    Ini("[R]\nLevel=120\n");
    EXPECT_EQ(models.Read(store), "Models.ini");
    EXPECT_EQ(level.Read(store), 120);
    level.Write(-5, store);
    EXPECT_EQ(level.Read(store), -5);
    Ini("[R]\nModels=" + std::string(20, 'm') + "\n");
    EXPECT_EQ(models.Read(store), std::string(20, 'm'));
    Ini("[R]\nModels=" + std::string(21, 'm') + "\n");
    EXPECT_EQ(RaisedCode([&] { models.Read(store); }), 0);
}

TEST_F(Settings, NameListsOfKeysAndSections) {
    Ini("[Screen]\nBPP=32\nResX=800\n[Audio]\n");
    char buf[64];
    store.GetString("Screen", buf, sizeof buf, "");
    EXPECT_EQ(std::string(buf, 10), "BPP\0ResX\0\0"s);
    store.GetString(nullptr, buf, sizeof buf, "");
    EXPECT_EQ(std::string(buf, 14), "Screen\0Audio\0\0"s);
    // "BPP\0ResX\0" plus the final NUL needs 10 bytes; 10 fit, 9 do not.
    store.GetString("Screen", buf, 10, "");
    EXPECT_EQ(RaisedCode([&] { store.GetString("Screen", buf, 9, ""); }), 0);
    EXPECT_EQ(RaisedCode([&] { store.GetString("Screen", buf, 1, ""); }), 0);
}

TEST_F(Settings, AUsersFileLaysItselfOverTheShippedOne) {
    const std::string shipped = dir.File("shipped.ini");
    const std::string shippedText = "[Screen]\nBPP=16\nResX=800\n[Audio]\nRate=22050\n";
    WriteFile(shipped, shippedText);
    Ini("[Overlay]\nBase=" + shipped + "\n[Screen]\nBPP=32\nDepth=7\n");
    EXPECT_EQ(store.GetInt("Screen/BPP", 0), 32);        // the user's value wins
    EXPECT_EQ(store.GetInt("Screen/ResX", 0), 800);      // the rest comes from the shipped file
    EXPECT_EQ(store.GetInt("Audio/Rate", 0), 22050);
    EXPECT_EQ(store.GetInt("Audio/Missing", -3), -3);    // in neither: the default
    char buf[64];
    store.GetString("Screen", buf, sizeof buf, "");
    EXPECT_EQ(std::string(buf, 16), "BPP\0Depth\0ResX\0\0"s);
    store.GetString("Screen", buf, 16, "");  // 15 bytes of names and the final NUL
    EXPECT_EQ(RaisedCode([&] { store.GetString("Screen", buf, 15, ""); }), 0);
    // Writes reach the user's file only; deleting a key there shows the shipped value again.
    store.PutInt("Audio/Rate", 44100);
    EXPECT_EQ(store.GetInt("Audio/Rate", 0), 44100);
    store.PutString("Screen/BPP", nullptr);
    EXPECT_EQ(store.GetInt("Screen/BPP", 0), 16);
    std::string now;
    ASSERT_TRUE(platform::ReadWholeFile(shipped, now));
    EXPECT_EQ(now, shippedText);
}

TEST_F(Settings, WritesInTheirTextForms) {
    Ini("; keep me\n[S]\nold=1\n");
    store.PutInt("S/neg", -12);
    store.PutHex("S/hex", 31);
    store.PutHex("S/zero", 0);
    store.PutHex("S/max", UINT32_MAX);
    store.PutBool("S/on", true);
    store.PutBool("S/off", false);
    store.PutString("S/old", "replaced");
    EXPECT_EQ(ReadFile(ini),
              "; keep me\n[S]\nold=replaced\nneg=-12\nhex=0x1f\nzero=0x0\nmax=0xffffffff\non=TRUE\noff=FALSE\n");
    EXPECT_EQ(store.GetInt("S/neg", 0), -12);
    EXPECT_EQ(store.GetUnsigned("S/hex", 0), 31u);
    EXPECT_EQ(store.GetUnsigned("S/max", 0), UINT32_MAX);
    EXPECT_TRUE(store.GetBool("S/on", false));
    EXPECT_FALSE(store.GetBool("S/off", true));
}

TEST_F(Settings, NullTextDeletesAKeyAndAKeyWithoutSlashDeletesTheSection) {
    Ini("[S]\na=1\nb=2\n[T]\nc=3\n");
    store.PutString("S/a", nullptr);
    EXPECT_EQ(store.GetInt("S/a", -1), -1);
    EXPECT_EQ(store.GetInt("S/b", -1), 2);
    store.PutString("T", "anything");
    EXPECT_EQ(ReadFile(ini), "[S]\nb=2\n");
    EXPECT_EQ(RaisedCode([&] { store.PutString(nullptr, "x"); }), 0);
    EXPECT_EQ(RaisedCode([&] { store.PutString("S/a", "two\nlines"); }), 0);
    EXPECT_EQ(ReadFile(ini), "[S]\nb=2\n");
}

TEST_F(Settings, BinaryAndTruncatedFilesGiveDefaults) {
    std::string binary;
    for (int i = 0; i < 2000; ++i) binary += static_cast<char>((i * 37) & 0xff);
    Ini(binary);
    EXPECT_EQ(store.GetUnsigned("ScreenMode/BPP", 32), 32u);
    EXPECT_TRUE(store.GetBool("ScreenMode/FullScreen", true));
    Ini("[ScreenMode]\nBPP=1");
    EXPECT_EQ(store.GetUnsigned("ScreenMode/BPP", 32), 1u);
    Ini("");
    EXPECT_EQ(store.GetUnsigned("ScreenMode/BPP", 32), 32u);
}

TEST_F(Settings, AWriteIntoAReadOnlyFolderRaisesAndKeepsTheFile) {
    std::filesystem::permissions(dir.Path(), std::filesystem::perms(0755));
    std::filesystem::path ro = dir.Path() / "ro";
    std::filesystem::create_directory(ro);
    std::string roIni = (ro / "trainer.ini").string();
    WriteFile(roIni, "[S]\nx=1\n");
    std::filesystem::permissions(roIni, std::filesystem::perms(0666));
    std::filesystem::permissions(ro, std::filesystem::perms(0555));
    vSettings_c roStore(roIni.c_str());
    EXPECT_EQ(RunInChild([&] {
                  if (!DropRoot()) return 99;
                  return RaisedCode([&] { roStore.PutInt("S/x", 2); }) == 0 ? 0 : 1;
              }),
              0);
    EXPECT_EQ(ReadFile(roIni), "[S]\nx=1\n");
    EXPECT_EQ(roStore.GetInt("S/x", 0), 1);
}

}  // namespace
