#include "examiner/CodeMarkReplacer.h"

#include "ExaminerTestSupport.h"

#include <gtest/gtest.h>

using namespace vireo;
using vireo::test::FixedClock;
using vireo::test::ScanAndSelectAll;

namespace {

std::string Replaced(const std::string& line, const std::string& remote = "")
{
    UnitText text {{"implementation", line}};
    ExaminerList marks;
    SourceScanner(text.lines).ScanCodeMarks(marks);
    for (auto& item : marks)
        item.selected = true;
    FixedClock clock(5437890);
    MessageIdSource ids(clock);
    DebugInsertion settings;
    settings.remoteComputer = remote;
    ReplaceCodeMarks(text, marks, settings, ids, clock, {});
    return text.lines[1];
}

} // namespace

TEST(CodeMarkReplacer, MarksBecomeCallsOfTheirType)
{
    EXPECT_EQ(Replaced("  {T=WARN x='Disk low';y='Red'}"),
              "  AddDebug(Self, 'Disk low', mtWarning, 'Red','UniqueStr_5437890',UnitFileName, '');");
    EXPECT_EQ(Replaced("Code := 1; {t=info x='Start';y=''}"),
              "Code := 1; AddDebug(Self, 'Start', mtInfo, '','UniqueStr_5437890',UnitFileName, '');");
    EXPECT_EQ(Replaced("{T=GENERAL x='';y='A'}"),
              "AddDebug(Self, 'No Message', mtGeneral, 'A','UniqueStr_5437890',UnitFileName, '');");
    EXPECT_EQ(Replaced("{T=ERROR}"),
              "AddDebug(Self, 'No Message', mtError, '','UniqueStr_5437890',UnitFileName, '');");
    EXPECT_EQ(Replaced("{T=WARN disk is low}"),
              "AddDebug(Self, 'No Message', mtWarning, '','UniqueStr_5437890',UnitFileName, '');");
    EXPECT_EQ(Replaced("{T=INFO x='a;b';y='c'}"),
              "AddDebug(Self, 'a;b', mtInfo, 'y=','UniqueStr_5437890',UnitFileName, '');")
        << "the second value is read three characters after the message's own ';'";
}

TEST(CodeMarkReplacer, TheLastMarkKindFoundDecidesAndTextAroundTheMarkStays)
{
    EXPECT_EQ(Replaced("{T=INFO x='a';y='b'} {T=ERROR x='Bad';y='c'} Halt;"),
              "{T=INFO x='a';y='b'} AddDebug(Self, 'Bad', mtError, 'c','UniqueStr_5437890',UnitFileName, ''); Halt;");
    EXPECT_EQ(Replaced("  {T=WARN x='Low';y='R'} Inc(I); // keep", "Bob's"),
              "  AddDebug(Self, 'Low', mtWarning, 'R','UniqueStr_5437890',UnitFileName, 'Bob''s'); Inc(I); // keep");
}

TEST(CodeMarkReplacer, OnlySelectedMarksStillHoldingAMarkAreReplaced)
{
    UnitText text {{"unit U;", "interface", "", "implementation", "  {T=INFO x='One';y=''}", "  {T=INFO x='Two';y=''}",
                     "  X; // no mark any more"}};
    ExaminerList marks;
    SourceScanner(text.lines).ScanCodeMarks(marks);
    ASSERT_EQ(marks.size(), 2u);
    marks[1].selected = true;
    marks.push_back({"stale", 7, false, true});
    FixedClock clock(1);
    MessageIdSource ids(clock);
    DebugInsertion settings;
    ExaminerLists lists;
    lists[ExaminerListKind::CodeMarks] = marks;
    ShiftItemLines(lists, int(*InsertUnitFileNameConst(text, 2, "/u.pas")) + 1, int(kConstantBlockLines));
    marks = lists[ExaminerListKind::CodeMarks];
    EXPECT_EQ(ReplaceCodeMarks(text, marks, settings, ids, clock, {}).replaced, 1);
    EXPECT_EQ(text.lines[8], "  {T=INFO x='One';y=''}");
    EXPECT_EQ(text.lines[9], "  AddDebug(Self, 'Two', mtInfo, '','UniqueStr_1',UnitFileName, '');");
    EXPECT_EQ(text.lines[10], "  X; // no mark any more");
}

TEST(CodeMarkReplacer, AWholeMarkIsReplacedWhateverLinesItSpans)
{
    EXPECT_EQ(Replaced("{T=WARN x='a } b';y='c } d'} Halt;"),
              "AddDebug(Self, 'a } b', mtWarning, 'c } d','UniqueStr_5437890',UnitFileName, ''); Halt;")
        << "a brace inside the quoted values does not end the mark";

    UnitText text {{"implementation",             // 1
                    "  {T=INFO x='Start';",       // 2
                    "     y='Boot'",              // 3
                    "   still the comment } Go;", // 4
                    "  {T=ERROR x='Two lines';",  // 5
                    "  {T=WARN inside} Stop;",    // 6  a mark inside the mark above
                    "  {T=GENERAL x='Last';y=''}"}, LineBreak::Lf};
    text.breaks = {LineBreak::Lf, LineBreak::CrLf, LineBreak::Lf, LineBreak::Cr, LineBreak::Lf, LineBreak::CrLf,
                   LineBreak::None};
    ExaminerLists lists;
    auto& marks = ScanAndSelectAll(text.lines, lists, ExaminerListKind::CodeMarks);
    ASSERT_EQ(marks.size(), 4u);
    FixedClock clock(1);
    MessageIdSource ids(clock);
    const auto result = ReplaceCodeMarks(text, marks, {}, ids, clock, {});
    EXPECT_EQ(result.replaced, 3);
    EXPECT_EQ(result.removedLines, (std::vector<std::pair<int, int>> {{3, 2}, {6, 1}}));
    EXPECT_EQ(text.lines, (std::vector<std::string> {
                              "implementation",
                              "  AddDebug(Self, 'Start', mtInfo, 'Boot','UniqueStr_1',UnitFileName, ''); Go;",
                              "  AddDebug(Self, 'Two lines', mtError, '','UniqueStr_2',UnitFileName, ''); Stop;",
                              "  AddDebug(Self, 'Last', mtGeneral, '','UniqueStr_3',UnitFileName, '');",
                          }));
    EXPECT_TRUE(JoinUnitText(text).ends_with("Stop;\r\n  AddDebug(Self, 'Last', mtGeneral, '','UniqueStr_3',UnitFileName, '');"))
        << "each line keeps its own end, the last none";
    EXPECT_EQ(text.breaks, (std::vector<LineBreak> {LineBreak::Lf, LineBreak::Cr, LineBreak::CrLf, LineBreak::None}));
}
