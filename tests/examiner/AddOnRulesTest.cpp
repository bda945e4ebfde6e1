#include "examiner/AddOnRules.h"
#include "examiner/LineFinderRows.h"

#include <gtest/gtest.h>

using namespace vireo;

TEST(LineFinderRows, TheLineIsSelectedAfterScrollingTenRowsBelowItWhereThoseExist)
{
    EXPECT_EQ(RowsForLine(20, 25).scrollRow, -1) << "row 30 does not exist: the first selection selects nothing";
    EXPECT_EQ(RowsForLine(20, 25).lineRow, 19);
    EXPECT_EQ(RowsForLine(7, 25).scrollRow, 17);
    EXPECT_EQ(RowsForLine(7, 25).lineRow, 6);
    EXPECT_EQ(RowsForLine(25, 25).lineRow, 24);
    EXPECT_EQ(RowsForLine(26, 25).lineRow, -1) << "a line the text no longer has selects nothing";
    EXPECT_EQ(RowsForLine(0, 25).lineRow, -1);
    EXPECT_EQ(RowsForLine(1, 0).lineRow, -1);
}

TEST(AddOnRules, ListsShowTheirColumnsAndTheHighestSelectedItemOpens)
{
    const ExaminerItem item {"procedure A;", 12, false, true};
    EXPECT_EQ(ExaminerListColumns(ExaminerListKind::Procedures).size(), 3u);
    EXPECT_EQ(ExaminerListColumns(ExaminerListKind::Exceptions).size(), 2u);
    EXPECT_EQ(ExaminerCellText(ExaminerListKind::Custom, item, 0, "Unit1"), "Unit1");
    EXPECT_EQ(ExaminerCellText(ExaminerListKind::Custom, item, 1, "Unit1"), "procedure A;");
    EXPECT_EQ(ExaminerCellText(ExaminerListKind::Custom, item, 2, "Unit1"), "12");
    EXPECT_EQ(ExaminerCellText(ExaminerListKind::Repeats, item, 1, "Unit1"), "12");
    EXPECT_EQ(FirstSelectedLine({{"", 3, false, false}, {"", 9, false, true}, {"", 5, false, true}}), 9);
    EXPECT_EQ(FirstSelectedLine({{"", 3, false, false}}), std::nullopt);
    EXPECT_EQ(ExaminerTabName(ExaminerListKind::Functions), "TabSheet_Function");
    EXPECT_EQ(ExaminerListName(ExaminerListKind::CodeMarks), "ListView_CodeMarks");
}
