#include "examiner/DebugCodeInserter.h"

#include "ExaminerTestSupport.h"

#include <gtest/gtest.h>

using namespace vireo;
using vireo::test::FixedClock;
using vireo::test::ScanAndSelectAll;

namespace {

const std::vector<std::string> kUnit1 = {
    "unit Unit1;",                                   // 1
    "",                                              // 2
    "interface",                                     // 3
    "",                                              // 4
    "uses",                                          // 5
    "  Windows, Forms, Dialogs;",                    // 6
    "",                                              // 7
    "type",                                          // 8
    "  TForm1 = class(TForm)",                       // 9
    "    procedure FormCreate(Sender: TObject);",    // 10
    "  end;",                                        // 11
    "",                                              // 12
    "var",                                           // 13
    "  Form1: TForm1;",                              // 14
    "",                                              // 15
    "implementation",                                // 16
    "",                                              // 17
    "{$R *.DFM}",                                    // 18
    "",                                              // 19
    "procedure TForm1.FormCreate(Sender: TObject);", // 20
    "begin",                                         // 21
    "  Caption := 'Ready';",                         // 22
    "end;",                                          // 23
    "",                                              // 24
    "end.",                                          // 25
};

const std::string kCall5437890 =
    "  AddDebug(Self, 'procedure TForm1.FormCreate(Sender: TObject);', mtGeneral, "
    "'','UniqueStr_5437890',UnitFileName, '');";

// One press of the button as the examiner runs it, on the Procedures list.
DebugInsertionResult AddDebugToProcedures(UnitText& text, ExaminerLists& lists, int indentation,
                                          const std::string& filePath, MessageIdSource& ids, TickSource& clock)
{
    DebugInsertion settings;
    settings.indentation = indentation;
    AddClientUnitToUses(text);
    if (const auto at = InsertUnitFileNameConst(text, indentation, filePath))
        ShiftItemLines(lists, int(*at) + 1, int(kConstantBlockLines));
    const auto result =
        InsertDebugCalls(text, lists[ExaminerListKind::Procedures], false, settings, ids, clock, {});
    SourceScanner(text.lines).ScanAll(lists);
    return result;
}

} // namespace

TEST(DebugCodeInserter, WorkedExampleLineByLine)
{
    UnitText text {kUnit1};
    ExaminerLists lists;
    SourceScanner(text.lines).ScanAll(lists);
    ASSERT_EQ(lists[ExaminerListKind::Procedures].size(), 1u);
    EXPECT_EQ(lists[ExaminerListKind::Procedures][0].line, 20);
    lists[ExaminerListKind::Procedures][0].selected = true;
    FixedClock clock(5437890);
    MessageIdSource ids(clock);

    EXPECT_EQ(AddDebugToProcedures(text, lists, 2, "C:\\P\\Unit1.pas", ids, clock).inserted, 1);

    std::vector<std::string> expected = kUnit1;
    expected[5] = "  Windows, Forms, Dialogs, Vireo;";
    expected.insert(expected.begin() + 14, {"", "Const", "  UnitFileName = 'C:\\P\\Unit1.pas';", ""});
    expected.insert(expected.begin() + 25, kCall5437890);
    ASSERT_EQ(text.lines.size(), expected.size());
    for (std::size_t i = 0; i < text.lines.size(); ++i)
        EXPECT_EQ(text.lines[i], expected[i]) << "line " << i + 1;
    EXPECT_EQ(text.lines[19], "implementation");
    EXPECT_EQ(text.lines[26], "  Caption := 'Ready';");
    EXPECT_EQ(clock.pauses, 1);
    ASSERT_EQ(lists[ExaminerListKind::Procedures].size(), 1u);
    EXPECT_EQ(lists[ExaminerListKind::Procedures][0].line, 24);
    EXPECT_TRUE(lists[ExaminerListKind::Procedures][0].instrumented);

    // A second press: no second constant or uses change, a second call above the first, and an
    // ID that differs even though this clock has stood still since.
    FixedClock stopped(5437890, 0);
    MessageIdSource sameRunIds(stopped);
    sameRunIds.NextId();
    lists[ExaminerListKind::Procedures][0].selected = true;
    AddDebugToProcedures(text, lists, 0, "C:\\P\\Unit1.pas", sameRunIds, stopped);
    EXPECT_EQ(text.lines.size(), expected.size() + 1);
    EXPECT_EQ(text.lines[25], "AddDebug(Self, 'procedure TForm1.FormCreate(Sender: TObject);', mtGeneral, "
                        "'','UniqueStr_5437891',UnitFileName, '');");
    EXPECT_EQ(text.lines[26], kCall5437890);
    EXPECT_EQ(text.lines[5], "  Windows, Forms, Dialogs, Vireo;");
}

TEST(DebugCodeInserter, ConstantIsRecognisedOnlyWithItsIndentation)
{
    UnitText text {kUnit1};
    ASSERT_TRUE(InsertUnitFileNameConst(text, 2, "/p/Unit1.pas"));
    EXPECT_FALSE(InsertUnitFileNameConst(text, 0, "/p/Unit1.pas"));
    EXPECT_FALSE(InsertUnitFileNameConst(text, 2, "/p/Unit1.pas"));
    EXPECT_EQ(InsertUnitFileNameConst(text, 4, "/p/Unit1.pas"), std::optional<std::size_t>(18));

    UnitText startsWithImplementation {{"implementation", "end."}};
    EXPECT_EQ(InsertUnitFileNameConst(startsWithImplementation, 2, "it's.pas"), std::optional<std::size_t>(0));
    EXPECT_EQ(startsWithImplementation.lines[2], "  UnitFileName = 'it''s.pas';");
    EXPECT_EQ(startsWithImplementation.lines[4], "implementation");

    UnitText noImplementation {{"program P;", "begin", "end."}};
    EXPECT_FALSE(InsertUnitFileNameConst(noImplementation, 2, "x"));
    EXPECT_EQ(noImplementation.lines.size(), 3u);
}

TEST(DebugCodeInserter, VireoGoesBeforeTheClosingSemicolonKeepingTheRestOfTheLine)
{
    struct Case {
        std::vector<std::string> before;
        std::vector<std::string> after;
    };
    const std::vector<Case> cases = {
        {{"uses Windows, Forms;"}, {"uses Windows, Forms, Vireo;"}},
        {{"uses", "  Windows,", "  Forms; // the GUI"}, {"uses", "  Windows,", "  Forms, Vireo; // the GUI"}},
        {{"uses Windows;   "}, {"uses Windows, Vireo;   "}},
        {{"program P; // no uses", "begin", "end."}, {"program P; // no uses", "begin", "end."}},
        {{"uses", "  Windows"}, {"uses", "  Windows"}},
        {{"uses Forms;", "{ talks to vireo }"}, {"uses Forms;", "{ talks to vireo }"}},
        // ";" and "uses" inside comments and strings do not count.
        {{"uses", "  SysUtils, // strings; and more", "  Classes;"},
         {"uses", "  SysUtils, // strings; and more", "  Classes, Vireo;"}},
        {{"{ uses A; }", "uses (* x; *) { y; } SysUtils;"}, {"{ uses A; }", "uses (* x; *) { y; } SysUtils, Vireo;"}},
        {{"uses", "  {", "  ; }", "  Classes;"}, {"uses", "  {", "  ; }", "  Classes, Vireo;"}},
        // A unit without a uses clause gets its own, where the calls can see it.
        {{"unit U;", "interface", "// no uses", "implementation", "end."},
         {"unit U;", "interface", "// no uses", "implementation", "uses Vireo;", "end."}},
        {{"unit U;", "interface", "// see implementation below", "implementation", "end."},
         {"unit U;", "interface", "uses Vireo;", "// see implementation below", "implementation", "end."}},
    };
    for (const auto& c : cases) {
        UnitText text {c.before};
        AddClientUnitToUses(text);
        EXPECT_EQ(text.lines, c.after) << c.before[0];
    }
}

// A program's uses clause starts with the thread manager the client unit's sender needs; a unit,
// or a program that mentions cthreads anyhow (Lazarus' conditional form), gets only Vireo.
TEST(DebugCodeInserter, AProgramGetsCthreadsFirstUnlessItMentionsIt)
{
    const std::string manager = "{$IFDEF UNIX}cthreads,{$ENDIF}";
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
        {{"program P;", "uses SysUtils;"}, {"program P;", "uses " + manager + " SysUtils, Vireo;"}},
        {{"{$mode objfpc} // program uses", "(* uses *) program P;", "uses", "  SysUtils;"},
         {"{$mode objfpc} // program uses", "(* uses *) program P;", "uses " + manager, "  SysUtils, Vireo;"}},
        {{"program P;", "uses", "  {$IFDEF UNIX}{$IFDEF UseCThreads}", "  cthreads,", "  {$ENDIF}{$ENDIF}", "  Forms;"},
         {"program P;", "uses", "  {$IFDEF UNIX}{$IFDEF UseCThreads}", "  cthreads,", "  {$ENDIF}{$ENDIF}",
          "  Forms, Vireo;"}},
        {{"unit U;", "interface", "uses SysUtils;"}, {"unit U;", "interface", "uses SysUtils, Vireo;"}},
        {{"library L;", "uses SysUtils;"}, {"library L;", "uses SysUtils, Vireo;"}},
    };
    for (const auto& [before, after] : cases) {
        UnitText text {before};
        AddClientUnitToUses(text);
        EXPECT_EQ(text.lines, after) << before[0];
    }
    // A project's program that uses its units already gets the manager alone, once.
    UnitText project {{"program Project1;", "uses", "  Unit1 in 'Unit1.pas';", "begin", "end."}};
    EXPECT_TRUE(AddThreadManagerToProgram(project));
    EXPECT_FALSE(AddThreadManagerToProgram(project));
    EXPECT_EQ(project.lines[1], "uses " + manager);
}

TEST(DebugCodeInserter, TextsInsideTheCallAreQuotedForPascal)
{
    EXPECT_EQ(PascalQuoted("it's 'x'"), "it''s ''x''");
    EXPECT_EQ(BuildAddDebugCall("procedure Log(const S: string = 'x');", "mtGeneral", "", "UniqueStr_1", "Bob's PC"),
              "AddDebug(Self, 'procedure Log(const S: string = ''x'');', mtGeneral, '','UniqueStr_1',UnitFileName, "
              "'Bob''s PC');");
}

TEST(DebugCodeInserter, SeveralItemsAreInsertedTopDownWithShiftedLines)
{
    UnitText text {{
        "implementation",        // 1
        "procedure A;",          // 2
        "begin",                 // 3
        "end;",                  // 4
        "procedure B;",          // 5
        "begin",                 // 6
        "  try",                 // 7
        "  except",              // 8
        "    Handle;",           // 9
        "  end;",                // 10
        "  try",                 // 11
        "  except",              // 12
        "    on E: Exception do",// 13
        "  end;",                // 14
        "end;",                  // 15
        "procedure C;",          // 16
    }};
    ExaminerLists lists;
    auto& procedures = ScanAndSelectAll(text.lines, lists, ExaminerListKind::Procedures);
    ASSERT_EQ(procedures.size(), 3u);
    FixedClock clock(100);
    MessageIdSource ids(clock);
    const auto result = InsertDebugCalls(text, procedures, false, {}, ids, clock, {});
    EXPECT_EQ(result.inserted, 2);
    EXPECT_EQ(result.skipped, 1) << "C has no begin line below it";
    EXPECT_EQ(procedures[1].line, 6) << "B moved down by A's call";
    EXPECT_EQ(text.lines[3], "  AddDebug(Self, 'procedure A;', mtGeneral, '','UniqueStr_100',UnitFileName, '');");
    EXPECT_EQ(text.lines[7], "  AddDebug(Self, 'procedure B;', mtGeneral, '','UniqueStr_101',UnitFileName, '');");
    EXPECT_EQ(text.lines.size(), 18u);

    SourceScanner(text.lines).ScanAll(lists);
    auto& handlers = lists[ExaminerListKind::Exceptions];
    ASSERT_EQ(handlers.size(), 2u);
    for (auto& item : handlers)
        item.selected = true;
    DebugInsertion settings;
    settings.indentation = 4;
    settings.remoteComputer = "host";
    const auto handled = InsertDebugCalls(text, handlers, true, settings, ids, clock, {});
    EXPECT_EQ(handled.inserted, 1);
    EXPECT_EQ(handled.skipped, 1) << "a statement before an on-clause would not compile";
    EXPECT_EQ(text.lines[9], "  except");
    EXPECT_EQ(text.lines[10], "    AddDebug(Self, 'Exception in procedure B;', mtError, '','UniqueStr_102',UnitFileName, "
                        "'host');");
    EXPECT_EQ(text.lines[11], "    Handle;");
}

TEST(DebugCodeInserter, HandlerCallsGoRightAfterTheExceptKeywordOrNowhere)
{
    UnitText text {{
        "implementation",                                    // 1
        "function F: Integer;",                              // 2
        "begin",                                             // 3
        "  try Result := G; except Result := -1; end;",      // 4  one-line handler
        "  try G;",                                          // 5
        "  except on E: Exception do",                       // 6  on-clause on the EXCEPT line
        "    Log(E.Message);",                               // 7
        "  end;",                                            // 8
        "  try G; except",                                   // 9
        "    // the handlers:",                              // 10
        "    on E: EAbort do ;",                             // 11 on-clause after a comment
        "  end;",                                            // 12
        "  S := 'except ';",                                 // 13 listed, but only a string
        "  try G; except",                                   // 14
        "    Result := 0;",                                  // 15
        "  end;",                                            // 16
        "end;",                                              // 17
    }};
    ExaminerLists lists;
    auto& handlers = ScanAndSelectAll(text.lines, lists, ExaminerListKind::Exceptions);
    ASSERT_EQ(handlers.size(), 5u);
    FixedClock clock(7);
    MessageIdSource ids(clock);
    const auto result = InsertDebugCalls(text, handlers, true, {}, ids, clock, {});
    EXPECT_EQ(result.inserted, 2);
    EXPECT_EQ(result.skipped, 3);
    const std::string call = "AddDebug(Self, 'Exception in function F: Integer;', mtError, '','UniqueStr_";
    EXPECT_EQ(text.lines[3], "  try Result := G; except " + call + "7',UnitFileName, ''); Result := -1; end;");
    EXPECT_EQ(text.lines[5], "  except on E: Exception do");
    EXPECT_EQ(text.lines[6], "    Log(E.Message);");
    EXPECT_EQ(text.lines[12], "  S := 'except ';");
    EXPECT_EQ(text.lines[13], "  try G; except");
    EXPECT_EQ(text.lines[14], "  " + call + "8',UnitFileName, '');");
    EXPECT_EQ(text.lines[15], "    Result := 0;");
    EXPECT_EQ(text.lines.size(), 18u);
    EXPECT_EQ(handlers[4].line, 14) << "no line was added above it";
}
