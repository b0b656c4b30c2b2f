#include <gtest/gtest.h>

#include "objects/stream_path.h"

TEST(NormalizePath, BackslashesBecomeSlashesAndDotDotCancels) {
    EXPECT_EQ(NormalizePath("a\\b\\..\\c.dat"), "a/c.dat");
    EXPECT_EQ(NormalizePath("Pic\\Cursors\\arrow.bmp"), "Pic/Cursors/arrow.bmp");
    EXPECT_EQ(NormalizePath("a/b\\c"), "a/b/c");
}

TEST(NormalizePath, DotComponentsAndRepeatedSeparatorsGo) {
    EXPECT_EQ(NormalizePath("./a/./b"), "a/b");
    EXPECT_EQ(NormalizePath("a//b///c"), "a/b/c");
    EXPECT_EQ(NormalizePath("a/b/."), "a/b");
}

TEST(NormalizePath, LeadingDotDotOfRelativePathsStays) {
    EXPECT_EQ(NormalizePath("../common/a.bmp"), "../common/a.bmp");
    EXPECT_EQ(NormalizePath("a/../../b"), "../b");
    EXPECT_EQ(NormalizePath("../../x"), "../../x");
    EXPECT_EQ(NormalizePath("a/b/../../.."), "..");
}

TEST(NormalizePath, AbsolutePathsStayBelowTheRoot) {
    EXPECT_EQ(NormalizePath("/lang/english/../common/a.bmp"), "/lang/common/a.bmp");
    EXPECT_EQ(NormalizePath("/../a"), "/a");
    EXPECT_EQ(NormalizePath("\\x.bmp"), "/x.bmp");
    EXPECT_EQ(NormalizePath("/"), "/");
    EXPECT_EQ(NormalizePath("/a/.."), "/");
}

TEST(NormalizePath, TrailingSeparatorKeptAndEmptyResultIsDot) {
    EXPECT_EQ(NormalizePath("a/b/"), "a/b/");
    EXPECT_EQ(NormalizePath("a\\"), "a/");
    EXPECT_EQ(NormalizePath("a/.."), ".");
    EXPECT_EQ(NormalizePath("."), ".");
    EXPECT_EQ(NormalizePath(""), "");
}
