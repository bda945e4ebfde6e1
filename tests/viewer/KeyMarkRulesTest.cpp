#include "TempRegistry.h"

#include "settings/RegUtils.h"
#include "viewer/session/KeyMarkRules.h"

#include <gtest/gtest.h>

using namespace vireo;

TEST(KeyMarkRules, AWholeUnitIsMarkedAsLineByLineAndRemovalReadsNumbersAsIntegers)
{
    const UnitLines lines{"unit A;", "   begin", "\tbegin", "     ", "  x := 1;", "begin", "end."};
    const std::string unit = "/src/Unit1.pas";
    const KeyMarkList marks{
        {"BEGIN", "2", "/SRC/unit1.pas", ""},      // another case of unit and text
        {"begin", "3", unit, ""},                  // the tab stays: no match
        {"     ", "4", unit, ""},                  // a line of spaces keeps them
        {"my note", "5", unit, "x := 1;"},         // described
        {"begin", "06", unit, ""},                 // number not as the window writes it
        {"end.", "7", "/src/Unit2.pas", ""},       // another unit
        {"end.", "70", unit, ""},                  // beyond the last line
        {"unit A;", "x1", unit, ""},               // no number at all
        {"unit A;", "-1", unit, ""},
        {"unit A;", "1", unit, ""},
        {"unit A;", "1", unit, ""},                // a duplicate
    };
    const std::vector<bool> marked = KeyMarkedLines(marks, lines, unit);
    ASSERT_EQ(marked.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(marked[i], HasKeyMark(marks, lines[i], std::to_string(i + 1), unit)) << i;
    EXPECT_EQ(marked, (std::vector<bool>{true, true, false, true, true, false, false}));
    EXPECT_EQ(KeyMarkedLines({}, lines, unit), std::vector<bool>(lines.size(), false));

    EXPECT_EQ(FindKeyMarkOnLine(marks, "begin", 5, unit), 4) << "06 reads as line 6 here";
    EXPECT_EQ(FindKeyMarkOnLine(marks, lines[0], 0, "/SRC/UNIT1.PAS"), 9) << "the earlier of two";
    EXPECT_EQ(FindKeyMarkOnLine(marks, "  x := 1;", 4, unit), 3) << "a described mark by its line text";
    EXPECT_EQ(FindKeyMarkOnLine(marks, "my note", 4, unit), -1);
    EXPECT_EQ(FindKeyMarkOnLine(marks, "end.", 6, unit), -1);

    EXPECT_EQ(PlainKeyMark("   begin", 1, unit), (KeyMark{"begin", "2", unit, ""}));
    EXPECT_EQ(DescribedKeyMark("", "  x", 9, unit), (KeyMark{"", "10", unit, "x"}));
    EXPECT_EQ(KeyMarkLineNumber(marks[7]), std::nullopt);
    EXPECT_EQ(KeyMarkLineNumber({"", "2147483648", "", ""}), std::nullopt) << "too large for an integer";
}

class KeyMarkEntries : public vireo::test::TempRegistry {};

TEST_F(KeyMarkEntries, SavingReplacesEveryEntryAndLoadingReadsThemBackInOrder)
{
    KeyMarkList five;
    for (int n = 0; n < 5; ++n)
        five.push_back({"mark " + std::to_string(n), std::to_string(n + 1), "C:\\src\\\"q\".pas", n % 2 ? "line" : ""});
    WriteKeyMarks(five);
    EXPECT_EQ(ReadKeyMarks(), five);

    const KeyMarkList three(five.begin(), five.begin() + 3);
    WriteKeyMarks(three);
    EXPECT_EQ(CountRegSubKeys("Vireo\\KeyMarks"), 3);
    EXPECT_EQ(ReadKeyMarks(), three);
    EXPECT_EQ(ReadRegString("Vireo\\KeyMarks\\1", "MeaningFullDesc", "?"), "mark 1");

    WriteRegString("Vireo\\KeyMarks\\3", "Unit Name", "/only/a/unit.pas"); // a hand-made entry
    const KeyMarkList read = ReadKeyMarks();
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[3], (KeyMark{"", "", "/only/a/unit.pas", ""})) << "missing values read empty";

    WriteRegInteger("Vireo\\KeyMarks\\2", "Line Number", 7);
    EXPECT_THROW(ReadKeyMarks(), ERegistryException);
    EXPECT_EQ(ReadRegInteger("Vireo\\KeyMarks\\2", "Line Number", 0), 7) << "nothing overwritten";
}
