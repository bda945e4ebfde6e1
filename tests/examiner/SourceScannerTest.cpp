#include "examiner/SourceScanner.h"

#include <gtest/gtest.h>

using namespace vireo;

namespace {

std::vector<int> LinesOf(const ExaminerList& list)
{
    std::vector<int> lines;
    for (const auto& item : list)
        lines.push_back(item.line);
    return lines;
}

ExaminerLists ScanAll(const std::vector<std::string>& text)
{
    ExaminerLists lists;
    SourceScanner(text).ScanAll(lists);
    return lists;
}

} // namespace

TEST(SourceScanner, RoutinesAreListedFromTheImplementationOnWithTheirHeaderAsWritten)
{
    const std::vector<std::string> text = {
        "unit U;",                                         // 1
        "interface",                                       // 2
        "type TForm1 = class",                             // 3
        "    procedure FormCreate(Sender: TObject);",      // 4
        "  end;",                                          // 5
        "implementation",                                  // 6
        "  procedure TForm1.FormCreate(Sender: TObject);", // 7
        "begin",                                           // 8
        "  addDEBUG(Self, 'x');",                          // 9
        "end;",                                            // 10
        "class procedure TFoo.Bar;",                       // 11
        "begin",                                           // 12
        "  X;",                                            // 13
        "  AddDebug(Self, 'y');",                          // 14
        "end;",                                            // 15
        "function F(procedure: Integer): Integer;",        // 16
        "begin Result := 0; AddDebug(nil);",               // 17
        "end;",                                            // 18
        "function G: Integer;",                            // 19
        "begin { first }",                                 // 20
        "  AddDebug(Self, 'g');",                          // 21
        "end;",                                            // 22
    };
    const ExaminerLists lists = ScanAll(text);
    const auto& procedures = lists[ExaminerListKind::Procedures];
    ASSERT_EQ(LinesOf(procedures), (std::vector<int> {7, 11}));
    EXPECT_EQ(procedures[0].name, "  procedure TForm1.FormCreate(Sender: TObject);");
    EXPECT_TRUE(procedures[0].instrumented) << "the call may be in any letter case";
    EXPECT_FALSE(procedures[1].instrumented) << "a call on the second body line does not count";
    const auto& functions = lists[ExaminerListKind::Functions];
    ASSERT_EQ(LinesOf(functions), (std::vector<int> {16, 19}));
    EXPECT_FALSE(functions[0].instrumented) << "a call on the begin line itself is not the first body line";
    EXPECT_TRUE(functions[1].instrumented);
}

TEST(SourceScanner, BeginSearchRunsOnToALaterRoutineAndStopsAtTheEndOfText)
{
    const std::vector<std::string> text = {
        "implementation",
        "procedure Fwd; forward;",
        "procedure A;",
        "  begin",              // ends the line: not a begin line
        "end;",
        "procedure B;",
        "begin",
        "  AddDebug(Self, '');",
        "end;",
        "procedure Tail;",
    };
    const ExaminerLists lists = ScanAll(text);
    const auto& procedures = lists[ExaminerListKind::Procedures];
    ASSERT_EQ(LinesOf(procedures), (std::vector<int> {2, 3, 6, 10}));
    EXPECT_TRUE(procedures[0].instrumented) << "a forward declaration borrows B's begin line";
    EXPECT_TRUE(procedures[1].instrumented);
    EXPECT_TRUE(procedures[2].instrumented);
    EXPECT_FALSE(procedures[3].instrumented);
}

TEST(SourceScanner, TheImplementationPartStartsAtTheFirstLineHoldingTheWord)
{
    EXPECT_TRUE(ScanAll({"procedure A;", "implementation{x}", "procedure B;"})[ExaminerListKind::Procedures].empty());
    EXPECT_EQ(LinesOf(ScanAll({"procedure A; // see implementation below", "procedure B;"})[ExaminerListKind::Procedures]),
              (std::vector<int> {1, 2}));
    EXPECT_EQ(LinesOf(ScanAll({"procedure A;", "implementation // here", "procedure B;"})[ExaminerListKind::Procedures]),
              (std::vector<int> {3}));
}

TEST(SourceScanner, StatementListsUseLooseTextMatching)
{
    const std::vector<std::string> text = {
        "x := 'for i := 1 to 2 do';", // before the implementation: ignored
        "implementation",
        "  Form1.Top := TopDown;",    // 3: FOR, TO, DO inside longer words
        "  for I := 0 to 9 do",       // 4
        "  while not Eof(F) do",      // 5
        "  repeat",                   // 6
        "  except",                   // 7
        "  end except",               // 8
        "  except;",                  // 9: not a handler
        "    on E: Exception do",     // 10: a while? no: no WHILE
        "  {t=info x='a';y='b'}",     // 11
        "  {T=ERROR}",                // 12
        "  {T=GENERALLY}",            // 13: holds {T=GENERAL
        "  {T=DEBUG x}",              // 14
    };
    const ExaminerLists lists = ScanAll(text);
    EXPECT_EQ(LinesOf(lists[ExaminerListKind::Fors]), (std::vector<int> {3, 4}));
    EXPECT_EQ(lists[ExaminerListKind::Fors][1].name, "for I := 0 to 9 do");
    EXPECT_EQ(LinesOf(lists[ExaminerListKind::Whiles]), (std::vector<int> {5}));
    EXPECT_EQ(LinesOf(lists[ExaminerListKind::Repeats]), (std::vector<int> {6}));
    EXPECT_TRUE(lists[ExaminerListKind::Repeats][0].name.empty());
    EXPECT_EQ(LinesOf(lists[ExaminerListKind::Exceptions]), (std::vector<int> {7, 8}));
    EXPECT_EQ(LinesOf(lists[ExaminerListKind::CodeMarks]), (std::vector<int> {11, 12, 13}));
    EXPECT_EQ(lists[ExaminerListKind::CodeMarks][0].name, "{t=info x='a';y='b'}");
}

TEST(SourceScanner, CustomSearchCoversTheWholeTextInAnyCase)
{
    const std::vector<std::string> text = {"unit X;", "interface", "  var y: Integer;", "implementation"};
    ExaminerList custom;
    SourceScanner scanner(text);
    scanner.ScanCustomSearch("x", custom);
    ASSERT_EQ(LinesOf(custom), (std::vector<int> {1}));
    EXPECT_EQ(custom[0].name, "unit X;");
    scanner.ScanCustomSearch("INT", custom);
    EXPECT_EQ(LinesOf(custom), (std::vector<int> {2, 3}));
    scanner.ScanCustomSearch("", custom);
    EXPECT_TRUE(custom.empty());
}
