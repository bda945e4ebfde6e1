#include "components/AsciiText.h"

#include <gtest/gtest.h>

using namespace vireo;

TEST(AsciiText, UpperCasingTouchesOnlyAsciiLetters)
{
    EXPECT_EQ(UpperCaseAscii("abz{AZ09 \xc3\xa9"), "ABZ{AZ09 \xc3\xa9");
    EXPECT_TRUE(SameTextAscii("Foo", "fOO"));
    EXPECT_FALSE(SameTextAscii("\xc3\xa9", "\xc3\x89")) << "accented letters are not folded";
    EXPECT_FALSE(SameTextAscii("Foo", "Foo "));
    EXPECT_TRUE(StartsWithTextAscii("Error in module", "ERROR"));
    EXPECT_FALSE(StartsWithTextAscii("Err", "error"));
}

TEST(AsciiText, StripLeadingBlanksRemovesSpacesOnly)
{
    EXPECT_EQ(StripLeadingBlanks("   begin"), "begin");
    EXPECT_EQ(StripLeadingBlanks("\t begin"), "\t begin");
    EXPECT_EQ(StripLeadingBlanks("   "), "   ");
    EXPECT_EQ(StripLeadingBlanks(""), "");
    EXPECT_EQ(StripLeadingBlanks("x  "), "x  ");
}
