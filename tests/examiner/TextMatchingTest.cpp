#include "examiner/TextMatching.h"

#include <gtest/gtest.h>

using namespace vireo;

TEST(TextMatching, HasWordNeedsBlanksAroundTheWordUnlessItIsTheWholeLine)
{
    EXPECT_TRUE(HasWord("BEGIN", "BEGIN"));
    EXPECT_TRUE(HasWord("BEGIN", "BEGIN // START"));
    EXPECT_TRUE(HasWord("BEGIN", "  X; BEGIN Y"));
    EXPECT_FALSE(HasWord("BEGIN", "  BEGIN")) << "a word ending a longer line is not found";
    EXPECT_FALSE(HasWord("BEGIN", "END; BEGIN"));
    EXPECT_FALSE(HasWord("BEGIN", "BEGIN;"));
    EXPECT_FALSE(HasWord("BEGIN", "XBEGIN Y"));
    EXPECT_FALSE(HasWord("BEGIN", "\tBEGIN X")) << "a tab is not a blank";
    EXPECT_FALSE(HasWord("BEGIN", "BEGI"));
    EXPECT_TRUE(HasWord("IMPLEMENTATION", "IMPLEMENTATION { PART }"));
    EXPECT_FALSE(HasWord("IMPLEMENTATION", "IMPLEMENTATION{"));
}

TEST(TextMatching, HasWordWithLeadingBlanksCountsThePaddingBlank)
{
    // Padding adds one blank before the line: "  UNITFILENAME =" then matches a line indented by
    // exactly two blanks, or by more than two.
    EXPECT_TRUE(HasWord("  UNITFILENAME =", "  UNITFILENAME = 'X';"));
    EXPECT_TRUE(HasWord("  UNITFILENAME =", "    UNITFILENAME = 'X';"));
    EXPECT_FALSE(HasWord("    UNITFILENAME =", "  UNITFILENAME = 'X';"));
    EXPECT_TRUE(HasWord("UNITFILENAME =", "  UNITFILENAME = 'X';"));
    // Same length as the line: the word may sit one place to the left, over the padding blank.
    EXPECT_TRUE(HasWord(" AB", "ABC"));
    EXPECT_FALSE(HasWord(" AB", "XBC"));
}

TEST(TextMatching, HasWordEndAcceptsTheLineEnd)
{
    EXPECT_TRUE(HasWordEnd("EXCEPT", "EXCEPT"));
    EXPECT_TRUE(HasWordEnd("EXCEPT", "  END EXCEPT"));
    EXPECT_TRUE(HasWordEnd("EXCEPT", "XEXCEPT Y"));
    EXPECT_FALSE(HasWordEnd("EXCEPT", "EXCEPT;"));
    EXPECT_TRUE(HasWordEnd("EXCEPT", "EXCEPT; EXCEPT")) << "a later occurrence counts";
}

TEST(TextMatching, PositionsAreOneBasedAndEmptyPatternsAreNeverFound)
{
    EXPECT_EQ(TextPosition("B", "ABAB"), 2u);
    EXPECT_EQ(TextPosition("X", "ABAB"), 0u);
    EXPECT_EQ(TextPosition("", "ABAB"), 0u);
    EXPECT_FALSE(ContainsText("", "ABAB"));
    EXPECT_TRUE(ContainsText("AB", "ABAB"));
}
