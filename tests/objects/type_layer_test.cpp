// The type layer: value texts, the registry, property tables, iterators and
// path lookup.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "objects/registration.h"
#include "platform/exception.h"
#include "test_classes.h"

namespace {

const ConversionContext kCtx;

template <class T>
std::string Text(const vRTTI_TypeInfo_c& type, T value, std::size_t size = 255,
                 const ConversionContext& ctx = kCtx) {
    char buf[256];
    std::memset(buf, '#', sizeof buf);
    const std::size_t n = type.ToText(buf, size, &value, ctx);
    EXPECT_EQ(n, std::strlen(buf));
    return std::string(buf, n);
}

template <class T>
T Parse(const vRTTI_TypeInfo_c& type, const char* text, std::size_t* used = nullptr, T start = T{}) {
    T value = start;
    const std::size_t n = type.FromText(text, &value, kCtx);
    if (used) *used = n;
    return value;
}

std::string TextOf(vPropIterator_c& it, std::size_t size = 255) {
    char buf[256];
    const std::size_t n = it.ToText(buf, size, kCtx);
    return std::string(buf, n);
}

std::unique_ptr<vPropIterator_c> Find(vPropCntnr_c& object, const char* path, const char* cls = "",
                                      bool declaring = false) {
    vPropCntnrIterator_c it(&object);
    return it.FindPath(path, cls, declaring);
}

void Set(vPropCntnr_c& object, const char* path, const char* text) {
    auto it = Find(object, path);
    ASSERT_TRUE(it) << path;
    it->SetFromText(text, kCtx);
}

}  // namespace

TEST(IntegerText, PrefixesChooseTheBase) {
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "0x10"), 16);
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "0X10"), 16);
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "$10"), 16);
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "010"), 8);
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "16"), 16);
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "$1f"), 31);
    EXPECT_EQ(Parse<uint32_t>(gTD_vUInt32, "$ff00ff"), 0xff00ffu);
}

TEST(IntegerText, SignsOnlyFirstAndWithoutPrefix) {
    std::size_t used = 0;
    EXPECT_EQ(Parse<uint8_t>(gTD_vUInt8, "-5"), 251);
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "+7", &used), 7);
    EXPECT_EQ(used, 2u);
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "0x-1", &used, 99), 0);
    EXPECT_EQ(used, 2u);
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "--1", &used, 99), 0);
    EXPECT_EQ(used, 1u);
    // No prefix after a sign: "x" is the digit 33.
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "-0x10", &used), -(33 * 100 + 10));
    EXPECT_EQ(used, 5u);
}

TEST(IntegerText, DigitsAccumulateInTheWidthOfTheType) {
    std::size_t used = 0;
    EXPECT_EQ(Parse<uint8_t>(gTD_vUInt8, "300"), 44);
    EXPECT_EQ(Parse<int16_t>(gTD_vSInt16, "40000"), static_cast<int16_t>(40000 - 65536));
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "4294967297"), 1);
    // A digit is taken even when it is not below the base: 9 in octal, z in decimal.
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "09"), 9);
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "1z", &used), 10 + 35);
    EXPECT_EQ(used, 2u);
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "12px;", &used), 1 * 10 * 10 * 10 + 2 * 100 + 25 * 10 + 33);
    EXPECT_EQ(used, 4u);
}

TEST(IntegerText, UnrecognisedTextLeavesTheValue) {
    std::size_t used = 1;
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, ";", &used, 42), 42);
    EXPECT_EQ(used, 0u);
    EXPECT_EQ(Parse<int32_t>(gTD_vSInt32, "", &used, 42), 42);
    EXPECT_EQ(used, 0u);
}

TEST(IntegerText, ToTextDigitsSignsAndCuts) {
    EXPECT_EQ(Text(gTD_vSInt32, int32_t{0}), "0");
    EXPECT_EQ(Text(gTD_vSInt32, int32_t{-1234}), "-1234");
    EXPECT_EQ(Text(gTD_vSInt32, INT32_MIN), "-2147483648");
    EXPECT_EQ(Text(gTD_vUInt32, UINT32_MAX), "4294967295");
    EXPECT_EQ(Text(gTD_vSInt8, int8_t{-128}), "-128");
    EXPECT_EQ(Text(gTD_vUInt32, uint32_t{255}, 255, ConversionContext{16}), "FF");
    EXPECT_EQ(Text(gTD_vUInt32, uint32_t{35}, 255, ConversionContext{36}), "Z");
    // Two characters or fewer: nothing; too long: the leading digits.
    EXPECT_EQ(Text(gTD_vSInt32, int32_t{7}, 2), "");
    EXPECT_EQ(Text(gTD_vSInt32, int32_t{7}, 3), "7");
    EXPECT_EQ(Text(gTD_vSInt32, int32_t{12345}, 4), "123");
}

TEST(IntegerText, ReadCountRefusesNegativeValues) {
    int32_t n = 12;
    EXPECT_EQ(gTD_vSInt32.ReadCount(&n), 12u);
    n = -1;
    EXPECT_THROW(gTD_vSInt32.ReadCount(&n), vException_c);
    uint32_t big = 4000000000u;
    EXPECT_EQ(gTD_vUInt32.ReadCount(&big), 4000000000u);
    double d = 1;
    EXPECT_THROW(gTD_vFloat8.ReadCount(&d), vException_c);
}

TEST(FloatText, FormatsAndScansValues) {
    EXPECT_EQ(Text(gTD_vFloat4, 1.5f), "1.500000");
    EXPECT_EQ(Text(gTD_vFloat8, -0.25), "-0.250000");
    std::size_t used = 0;
    EXPECT_DOUBLE_EQ(Parse<double>(gTD_vFloat8, "2.5e1", &used), 25.0);
    EXPECT_GT(used, 0u);
    EXPECT_FLOAT_EQ(Parse<float>(gTD_vFloat4, "0.125"), 0.125f);
    EXPECT_DOUBLE_EQ(Parse<double>(gTD_vFloat10, "3"), 3.0);
    EXPECT_EQ(Parse<double>(gTD_vFloat8, "abc", &used, 7.0), 7.0);
    EXPECT_EQ(used, 0u);
    EXPECT_EQ(Text(gTD_vFloat8, 1e300).size(), 0u) << "does not fit in 255";
}

TEST(CharText, QuotedWithSixEscapes) {
    EXPECT_EQ(Text(gTD_char, 'a'), "'a'");
    EXPECT_EQ(Text(gTD_char, '\n'), "'\\n'");
    EXPECT_EQ(Text(gTD_char, '\0'), "'\\0'");
    EXPECT_EQ(Text(gTD_char, '\''), "'\\''");
    EXPECT_EQ(Text(gTD_char, '\\'), "'\\\\'");
    EXPECT_EQ(Text(gTD_char, 'a', 4), "");
    std::size_t used = 0;
    EXPECT_EQ(Parse<char>(gTD_char, "'q'", &used), 'q');
    EXPECT_EQ(used, 3u);
    EXPECT_EQ(Parse<char>(gTD_char, "'\\t'", &used), '\t');
    EXPECT_EQ(used, 4u);
    EXPECT_EQ(Parse<char>(gTD_char, "q", &used, 'z'), 'z');
    EXPECT_EQ(used, 0u);
    EXPECT_EQ(Parse<char>(gTD_char, "'ab'", &used, 'z'), 'z');
    EXPECT_EQ(used, 0u);
}

TEST(BoolText, WordsInAnyCase) {
    std::size_t used = 0;
    EXPECT_EQ(Text(gTD_vBool, true), "true");
    EXPECT_EQ(Text(gTD_vBool, false), "false");
    EXPECT_TRUE(Parse<bool>(gTD_vBool, "Yes"));
    EXPECT_TRUE(Parse<bool>(gTD_vBool, "TRUE"));
    EXPECT_FALSE(Parse<bool>(gTD_vBool, "no", nullptr, true));
    EXPECT_FALSE(Parse<bool>(gTD_vBool, "False", nullptr, true));
    EXPECT_TRUE(Parse<bool>(gTD_vBool, "1", &used, true));
    EXPECT_EQ(used, 0u);
    EXPECT_FALSE(Parse<bool>(gTD_vBool, "truely", &used));
    EXPECT_EQ(used, 0u);
}

TEST(StringText, EscapesAndQuotes) {
    vStrTmpl_c s = "a\"b'c\\d\ne";
    EXPECT_EQ(Text(gTD_vStr, s), "\"a\\\"b\\'c\\\\d\\ne\"");
    EXPECT_EQ(Text(gTD_vStr, s, 5), "");
    std::size_t used = 0;
    // The reader hands over a token with its quotes, escapes decoded.
    EXPECT_EQ(Parse<vStrTmpl_c>(gTD_vStr, "\"x\"y\"", &used), "x\"y");
    EXPECT_EQ(used, 5u);
    EXPECT_EQ(Parse<vStrTmpl_c>(gTD_vStr, "plain", &used, "old"), "old");
    EXPECT_EQ(used, 0u);
    EXPECT_EQ(Parse<vStrTmpl_c>(gTD_vStr, "\"", &used, "old"), "");
}

TEST(StringText, FixedAndHeapKinds) {
    vTestBox_c box;
    Set(box, "FixedText", "\"abc\"");
    EXPECT_STREQ(box.mFixedText, "abc");
    Set(box, "FixedText", "\"a much longer text\"");
    EXPECT_STREQ(box.mFixedText, "a much ") << "cut to the array, NUL kept";
    Set(box, "FixedText", "noquote");
    EXPECT_STREQ(box.mFixedText, "noquote");
    auto it = Find(box, "FixedText");
    EXPECT_EQ(TextOf(*it), "\"noquote\"");

    it = Find(box, "HeapText");
    EXPECT_EQ(TextOf(*it), "\"\"");
    EXPECT_EQ(it->SetFromText("\"heap\" rest", kCtx), 6u);
    EXPECT_STREQ(box.mHeapText.get(), "heap");
    EXPECT_EQ(TextOf(*it), "\"heap\"");
    EXPECT_EQ(it->SetFromText("bare", kCtx), 0u);
    EXPECT_EQ(box.mHeapText, nullptr);
}

TEST(ContainerText, ArraySetsLeadingElementsOnly) {
    vTestBox_c box;
    for (int i = 0; i < 20; ++i) box.mValues[i] = 100 + i;
    Set(box, "Values", "(1, 2, 3)");
    EXPECT_EQ(box.mValues[0], 1);
    EXPECT_EQ(box.mValues[2], 3);
    EXPECT_EQ(box.mValues[3], 103);
    EXPECT_EQ(box.mValues[19], 119);
    Set(box, "Values", "  (\t4,5 ,6)");
    EXPECT_EQ(box.mValues[2], 6);
}

TEST(ContainerText, MissingParenthesesRaise) {
    vTestBox_c box;
    auto it = Find(box, "Values");
    try {
        it->SetFromText("(1,2", kCtx);
        FAIL();
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "')' is missing.");
    }
    try {
        it->SetFromText("1,2)", kCtx);
        FAIL();
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "'(' is expected.");
    }
    // More values than elements.
    auto corner = Find(box, "Corner");
    EXPECT_THROW(corner->SetFromText("(1,2,3)", kCtx), vTextException_c);
    // A value that is not recognised does not stall the list.
    EXPECT_THROW(corner->SetFromText("(;;;;)", kCtx), vTextException_c);
}

TEST(ContainerText, ObjectsInPropertyOrder) {
    vTestBox_c box;
    Set(box, "Corner", "(40, 60)");
    EXPECT_EQ(box.mCorner.mX, 40);
    EXPECT_EQ(box.mCorner.mY, 60);
    Set(box, "Color", "(255, 1, 2, 3)");
    EXPECT_EQ(box.mColor.mRed, 255);
    EXPECT_EQ(box.mColor.mGreen, 1);
    EXPECT_EQ(box.mColor.mBlue, 2);
    EXPECT_EQ(box.mColor.mAlpha, 3);
    // Stored blue, green, red, alpha.
    const uint8_t* bytes = &box.mColor.mBlue;
    EXPECT_EQ(bytes[2], 255);
    EXPECT_EQ(TextOf(*Find(box, "Color")), "(255,1,2,3)");
    EXPECT_EQ(TextOf(*Find(box, "Corner")), "(40,60)");
}

TEST(ContainerText, LongListsEndWithDotsOrEllipsis) {
    vTestBox_c box;
    for (int i = 0; i < 20; ++i) box.mValues[i] = 1000000 + i;
    auto it = Find(box, "Values");
    const std::string full = TextOf(*it);
    EXPECT_EQ(full.substr(0, 17), "(1000000,1000001,");
    EXPECT_EQ(full.back(), ')');
    // 20 elements of 7 digits and 19 commas do not fit in 64 characters.
    char buf[64];
    const std::size_t n = it->ToText(buf, sizeof buf, kCtx);
    EXPECT_EQ(n, std::strlen(buf));
    const std::string cut(buf, n);
    EXPECT_LT(n, sizeof buf);
    EXPECT_EQ(cut.substr(0, 8), "(1000000");
    const bool ellipsis = cut.size() >= 5 && cut.substr(cut.size() - 5) == ",...)";
    const bool dots = cut.find(",..") != std::string::npos && cut.back() == ')' && n == sizeof buf - 1;
    EXPECT_TRUE(ellipsis || dots) << cut;
    EXPECT_EQ(it->ToText(buf, 2, kCtx), 0u);
    // Numbers are cut rather than refused.
    EXPECT_EQ(it->ToText(buf, 10, kCtx), 9u);
    EXPECT_STREQ(buf, "(100,...)");
}

TEST(ContainerText, APieceThatDoesNotFitBecomesDots) {
    vTestShape_c shape;
    shape.mName = std::string(40, 'n');
    char buf[20];
    EXPECT_EQ(shape.ToText(buf, sizeof buf, kCtx), 19u);
    EXPECT_STREQ(buf, "(0,0,.............)");
    shape.mName = "n";
    EXPECT_EQ(shape.ToText(buf, sizeof buf, kCtx), 11u);
    EXPECT_STREQ(buf, "(0,0,\"n\",0)");
}

TEST(Registry, CreationByNameAndType) {
    std::unique_ptr<vPropCntnr_c> box(gTypeRegistry.CreateByName("vTestBox_c"));
    ASSERT_TRUE(box);
    EXPECT_STREQ(box->GetTypeName(), "vTestBox_c");
    EXPECT_NE(dynamic_cast<vTestBox_c*>(box.get()), nullptr);
    EXPECT_EQ(gTypeRegistry.CreateByName("vNoSuchClass_c"), nullptr);
    EXPECT_EQ(gTypeRegistry.CreateByName("vtestbox_c"), nullptr) << "names are case-sensitive";
    std::unique_ptr<vPropCntnr_c> color(gTypeRegistry.CreateByType(&vColor_c::sTypeInfo));
    EXPECT_NE(dynamic_cast<vColor_c*>(color.get()), nullptr);
    EXPECT_THROW(gTypeRegistry.CreateByName("vTestAbstract_c"), vException_c);
    EXPECT_THROW(gTypeRegistry.CreateByName("vSInt32"), vException_c);

    void* arr = gTypeRegistry.CreateArrayByName("vPointProp_c", 3);
    ASSERT_NE(arr, nullptr);
    EXPECT_EQ(static_cast<vPointProp_c*>(arr)[2].mX, 0);
    vPointProp_c::sTypeInfo.DeleteArray(arr);
    EXPECT_EQ(gTypeRegistry.CreateArrayByName("vNoSuchClass_c", 3), nullptr);
}

namespace {
struct vTestType_c : vRTTI_TypeInfo_c {
    vTestType_c(const char* name, uint32_t size, uint32_t key) : vRTTI_TypeInfo_c(name, size, key) {}
    std::size_t ToText(char*, std::size_t, void*, const ConversionContext&) const override { return 0; }
    std::size_t FromText(const char*, void*, const ConversionContext&) const override { return 0; }
};
}  // namespace

TEST(Registry, SameTypeComparesNamesOrKeys) {
    const vTD_vStrTmpl_c otherText{"vCString"};
    EXPECT_TRUE(vTypeRegistry_c::SameType(&gTD_vSInt32, &gTD_vSInt32));
    EXPECT_TRUE(vTypeRegistry_c::SameType(&gTD_vStr, &otherText));
    EXPECT_FALSE(vTypeRegistry_c::SameType(&gTD_vSInt32, &gTD_vUInt32));
    const vTestType_c a{"vA", 4, 7}, b{"vB", 4, 7}, c{"vA", 4, 8}, d{"vA", 4, 0};
    EXPECT_TRUE(vTypeRegistry_c::SameType(&a, &b)) << "equal keys";
    EXPECT_FALSE(vTypeRegistry_c::SameType(&a, &c)) << "different keys win over equal names";
    EXPECT_TRUE(vTypeRegistry_c::SameType(&c, &d)) << "one key 0: names";
    EXPECT_EQ(*a.KeyAddress(), 7u);
}

TEST(Registry, SizesAndKeys) {
    EXPECT_EQ(gTD_vSInt16.GetSizeOf(), 2u);
    EXPECT_EQ(vColor_c::sTypeInfo.GetSizeOf(), sizeof(vColor_c));
    const vTestType_c noSize{"vUnsized", 0, 0};
    try {
        noSize.GetSizeOf();
        FAIL();
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "'_SizeOf' was not initialized.");
    }
    EXPECT_EQ(gTypeRegistry.First(), &noSize) << "the newest descriptor is at the head";
}

TEST(Registry, TemplateInstancesRegisterUnderTheirOwnName) {
    std::unique_ptr<vPropCntnr_c> b(gTypeRegistry.CreateByName("vTestButton_c"));
    ASSERT_TRUE(b);
    EXPECT_NE(dynamic_cast<vTestButton_c*>(b.get()), nullptr);
    EXPECT_TRUE(b->GetClassInfo()->DerivesFrom(&vTestShape_c::sTypeInfo));
    Set(*b, "State", "3");
    Set(*b, "Size", "4");
    EXPECT_EQ(static_cast<vTestButton_c*>(b.get())->mState, 3);
    EXPECT_EQ(static_cast<vTestButton_c*>(b.get())->vTestBox_c::mSize, 4);
}

TEST(Properties, SubClassListRunsFromMostDerivedToRoot) {
    vTestSprite_c sprite;
    const vSubClassList_c& list = sprite.GetSubClassList();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].type, &vTestSprite_c::sTypeInfo);
    EXPECT_EQ(list[1].type, &vTestShape_c::sTypeInfo);
    EXPECT_EQ(list[2].type, &vPropCntnr_c::sTypeInfo);
    EXPECT_EQ(&list, &vTestSprite_c().GetSubClassList()) << "one list per class";
}

TEST(Properties, IteratorWalksOwnPropertiesFirst) {
    vTestSprite_c sprite;
    std::vector<std::string> names;
    for (vPropCntnrIterator_c it(&sprite); !it.AtEnd(); it.Next()) names.push_back(it.GetName());
    EXPECT_EQ(names, (std::vector<std::string>{"HotX", "PosX", "PosY", "Name", "Size"}));
    // A getter without a value is skipped.
    sprite.mNoHot = true;
    names.clear();
    for (vPropCntnrIterator_c it(&sprite); !it.AtEnd(); it.Next()) names.push_back(it.GetName());
    EXPECT_EQ(names, (std::vector<std::string>{"PosX", "PosY", "Name", "Size"}));
    vPropCntnrIterator_c end(&sprite);
    end.ToEnd();
    EXPECT_THROW(end.GetTypeInfo(), vException_c);
    EXPECT_FALSE(end.Next());
}

TEST(Properties, SameNameFindsTheMostDerivedClass) {
    vTestBox_c box;
    Set(box, "Size", "5");
    EXPECT_EQ(box.mSize, 5);
    EXPECT_EQ(box.vTestShape_c::mSize, 0);
    // Also after a lookup that ended in the base class.
    Set(box, "Name", "\"n\"");
    Set(box, "Size", "6");
    EXPECT_EQ(box.mSize, 6);
    EXPECT_EQ(box.vTestShape_c::mSize, 0);
}

TEST(Properties, GettersGoThroughAccessors) {
    vTestSprite_c sprite;
    Set(sprite, "PosX", "20");
    EXPECT_EQ(sprite.GetPosX(), 20);
    Set(sprite, "HotX", "$10");
    EXPECT_EQ(sprite.mHotX, 16);
    EXPECT_EQ(TextOf(*Find(sprite, "HotX")), "16");
    sprite.mNoHot = true;
    EXPECT_EQ(Find(sprite, "HotX"), nullptr);
    EXPECT_FALSE(Find(sprite, "PosX")->GetTypeInfo()->IsContainer());
    const vPropDesc_c& hot = vTestSprite_c::sTypeInfo.Properties()[0];
    EXPECT_FALSE(hot.type->IsPresent(hot.Address(&sprite)));
    char buf[16] = "x";
    EXPECT_EQ(hot.type->ToText(buf, sizeof buf, hot.Address(&sprite), kCtx), 0u);
    EXPECT_STREQ(buf, "");
}

TEST(Properties, ScalarKindsReadAndWrite) {
    vTestBox_c box;
    Set(box, "Filled", "yes");
    Set(box, "Ratio", "0.5");
    Set(box, "Scale", "2");
    Set(box, "Mark", "'m'");
    Set(box, "S8", "-128");
    Set(box, "S16", "$7fff");
    Set(box, "U16", "65537");
    Set(box, "U32", "0xFFFFFFFF");
    Set(box, "Long", "1.25");
    EXPECT_TRUE(box.mFilled);
    EXPECT_DOUBLE_EQ(box.mRatio, 0.5);
    EXPECT_FLOAT_EQ(box.mScale, 2.0f);
    EXPECT_EQ(box.mMark, 'm');
    EXPECT_EQ(box.mS8, -128);
    EXPECT_EQ(box.mS16, 32767);
    EXPECT_EQ(box.mU16, 1);
    EXPECT_EQ(box.mU32, 0xFFFFFFFFu);
    EXPECT_DOUBLE_EQ(box.mLong, 1.25);
    EXPECT_STREQ(Find(box, "Long")->GetTypeInfo()->Name(), "vFloat10");
}

TEST(FindPath, NamesElementsAndChains) {
    vTestBox_c box;
    ASSERT_TRUE(Find(box, "Corner.x"));
    Find(box, "Corner.y")->SetFromText("9", kCtx);
    EXPECT_EQ(box.mCorner.mY, 9);
    Find(box, "Values[3]")->SetFromText("33", kCtx);
    EXPECT_EQ(box.mValues[3], 33);
    EXPECT_EQ(Find(box, "Values[19]")->GetName(), "[19]");
    EXPECT_EQ(Find(box, "Values[20]"), nullptr);
    EXPECT_EQ(Find(box, "Values[4000000000]"), nullptr);
    EXPECT_EQ(Find(box, "Values[99999999999999999999]"), nullptr);
    EXPECT_EQ(Find(box, "Values[-1]"), nullptr);
    EXPECT_EQ(Find(box, "Values[]"), nullptr);
    EXPECT_EQ(Find(box, "Values[1"), nullptr);
    EXPECT_EQ(Find(box, "Values[1]x"), nullptr);
    EXPECT_EQ(Find(box, "Corner."), nullptr);
    EXPECT_EQ(Find(box, "Corner.z"), nullptr);
    EXPECT_EQ(Find(box, "Size.x"), nullptr) << "a scalar has nothing below it";
    EXPECT_EQ(Find(box, "Corne"), nullptr);
    EXPECT_EQ(Find(box, "CornerX"), nullptr);
    EXPECT_EQ(Find(box, "corner"), nullptr) << "case-sensitive";
    EXPECT_EQ(Find(box, ""), nullptr);
    EXPECT_EQ(Find(box, "[0]"), nullptr);
    vPropCntnrIterator_c it(&box);
    EXPECT_EQ(it.FindPath(nullptr, "", false), nullptr);
}

TEST(FindPath, DeclaringCreatesObjects) {
    vTestPanel_c panel;
    // Fixed class: created by the owner, kept when declared again.
    EXPECT_EQ(panel.mButton, nullptr);
    ASSERT_TRUE(Find(panel, "Button")) << "found without declaring, nothing created";
    EXPECT_EQ(panel.mButton, nullptr);
    ASSERT_TRUE(Find(panel, "Button", "", true));
    ASSERT_TRUE(panel.mButton);
    vTestBox_c* first = panel.mButton.get();
    Find(panel, "Button.Size", "vColor_c", true)->SetFromText("3", kCtx);
    EXPECT_EQ(panel.mButton.get(), first);
    EXPECT_EQ(first->mSize, 3);

    // Declared class: of the named class; the value's type is the object's.
    auto bg = Find(panel, "Background", "vTestSprite_c", true);
    ASSERT_TRUE(bg);
    EXPECT_NE(dynamic_cast<vTestSprite_c*>(panel.mBackground.get()), nullptr);
    EXPECT_STREQ(bg->GetTypeInfo()->Name(), "vTestSprite_c");
    ASSERT_TRUE(Find(panel, "Background.HotX"));
    // Without a class name the object stays.
    Find(panel, "Background", "", true);
    EXPECT_NE(dynamic_cast<vTestSprite_c*>(panel.mBackground.get()), nullptr);
    try {
        Find(panel, "Background", "vColor_c", true);
        FAIL();
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "Cannot create non vTestShape_c derivative class!");
    }
    EXPECT_THROW(Find(panel, "Background", "vNoSuchClass_c", true), vTextException_c);
    EXPECT_THROW(Find(panel, "Background", "vTestAbstract_c", true), vException_c);

    // Via pointer: nothing is created; an empty pointer has no path below it.
    EXPECT_TRUE(Find(panel, "Owned", "vTestBox_c", true));
    EXPECT_EQ(panel.mOwned, nullptr);
    EXPECT_EQ(Find(panel, "Owned.Size", "", true), nullptr);
}

TEST(FindPath, ListsAppendAndReplace) {
    vTestPanel_c panel;
    auto a = Find(panel, "Items", "vTestBox_c", true)->NewValueIterator();
    ASSERT_TRUE(a->FindPath("", "vTestBox_c", true));
    ASSERT_TRUE(a->FindPath("", "vTestSprite_c", true));
    ASSERT_TRUE(a->FindPath("", "", true));
    ASSERT_EQ(panel.mItems.size(), 3u);
    EXPECT_NE(dynamic_cast<vTestBox_c*>(panel.mItems[0].get()), nullptr);
    EXPECT_NE(dynamic_cast<vTestSprite_c*>(panel.mItems[1].get()), nullptr);
    EXPECT_STREQ(panel.mItems[2]->GetTypeName(), "vTestShape_c");
    EXPECT_EQ(a->FindPath("", "", false), nullptr) << "only declarations append";
    EXPECT_THROW(a->FindPath("", "vColor_c", true), vTextException_c);
    EXPECT_EQ(panel.mItems.size(), 3u);

    vTestShape_c* second = panel.mItems[1].get();
    ASSERT_TRUE(a->FindPath("[1]", "", true));
    EXPECT_EQ(panel.mItems[1].get(), second) << "no class: the element stays";
    ASSERT_TRUE(a->FindPath("[1]", "vTestBox_c", true));
    EXPECT_NE(dynamic_cast<vTestBox_c*>(panel.mItems[1].get()), nullptr);
    EXPECT_EQ(a->FindPath("[3]", "vTestBox_c", true), nullptr);
    a->FindPath("[0].Size", "", true)->SetFromText("8", kCtx);
    EXPECT_EQ(static_cast<vTestBox_c*>(panel.mItems[0].get())->mSize, 8);
    ASSERT_TRUE(Find(panel, "Items[1].Corner.x"));

    // Lists of values append the element class only.
    auto p = Find(panel, "Points")->NewValueIterator();
    ASSERT_TRUE(p->FindPath("", "", true));
    ASSERT_TRUE(p->FindPath("", "vPointProp_c", true));
    EXPECT_THROW(p->FindPath("", "vColor_c", true), vTextException_c);
    EXPECT_EQ(panel.mPoints.size(), 2u);
    // A value past the end of a list appends.
    p->ToEnd();
    p->SetFromText("(5, 6)", kCtx);
    ASSERT_EQ(panel.mPoints.size(), 3u);
    EXPECT_EQ(panel.mPoints[2].mY, 6);
}

TEST(FindPath, DynamicArraysStayInsideTheirCountAndStorage) {
    vTestPanel_c panel;
    EXPECT_EQ(Find(panel, "Frames[0]"), nullptr) << "count 0";
    panel.mFrameCount = 2;
    ASSERT_TRUE(Find(panel, "Frames[1].x"));
    EXPECT_EQ(Find(panel, "Frames[2]"), nullptr);
    // A count beyond the storage does not reach past it.
    panel.mFrameCount = 1000;
    EXPECT_TRUE(Find(panel, "Frames[3]"));
    EXPECT_EQ(Find(panel, "Frames[4]"), nullptr);
    // Declarations ask the owner to grow the array.
    panel.mFrameCount = 0;
    Find(panel, "Frames[7].y", "", true)->SetFromText("70", kCtx);
    EXPECT_EQ(panel.mFrameCount, 8u);
    EXPECT_EQ(panel.mFrames[7].mY, 70);
    EXPECT_EQ(Find(panel, "Frames[16]", "", true), nullptr) << "the owner refuses";
    EXPECT_EQ(Find(panel, "Frames[4000000000]", "", true), nullptr);
    EXPECT_EQ(Find(panel, "Slots[0]", "", true), nullptr) << "default: no growth";
    // Text of the whole array follows the count.
    panel.mFrameCount = 2;
    panel.mFrames[0] = vPointProp_c(1, 2);
    panel.mFrames[1] = vPointProp_c(3, 4);
    EXPECT_EQ(TextOf(*Find(panel, "Frames")), "((1,2),(3,4))");
}

TEST(FindPath, PointerArraysCreateEmptySlots) {
    vTestPanel_c panel;
    panel.mSlots.resize(3);
    panel.mSlotCount = 3;
    EXPECT_TRUE(Find(panel, "Slots[1]"));
    EXPECT_EQ(Find(panel, "Slots[1].Size"), nullptr) << "empty slot";
    ASSERT_TRUE(Find(panel, "Slots[1]", "vTestBox_c", true));
    EXPECT_NE(dynamic_cast<vTestBox_c*>(panel.mSlots[1].get()), nullptr);
    ASSERT_TRUE(Find(panel, "Slots[2]", "", true));
    EXPECT_STREQ(panel.mSlots[2]->GetTypeName(), "vTestShape_c");
    EXPECT_TRUE(Find(panel, "Slots[1].Corner"));
}

TEST(Properties, FlagsFollowThePropertyKind) {
    auto props = vTestPanel_c::sTypeInfo.Properties();
    ASSERT_EQ(props.size(), 9u);
    EXPECT_EQ(static_cast<uint32_t>(props[0].flags), 0x8031u);
    EXPECT_EQ(static_cast<uint32_t>(props[1].flags), 0x4031u);
    EXPECT_EQ(static_cast<uint32_t>(props[2].flags), 0x0031u);
    EXPECT_EQ(static_cast<uint32_t>(props[3].flags), 0x0030u);
    EXPECT_EQ(static_cast<uint32_t>(props[5].flags), 0x0000u);
    EXPECT_EQ(static_cast<uint32_t>(props[6].flags), 0x0031u);
    EXPECT_STREQ(props[6].countName, "FrameCount");
}

TEST(Properties, WholeObjectText) {
    vPointProp_c p(3, -4);
    char buf[32];
    EXPECT_EQ(p.ToText(buf, sizeof buf, kCtx), 6u);
    EXPECT_STREQ(buf, "(3,-4)");
    EXPECT_EQ(p.FromText("(7,8)", kCtx), 5u);
    EXPECT_EQ(p.mX, 7);
    EXPECT_EQ(p.mY, 8);
    vColor_c c;
    EXPECT_EQ(vColor_c::sTypeInfo.FromText("(1,2,3,4)", &c, kCtx), 9u);
    EXPECT_EQ(c.mBlue, 3);
}
