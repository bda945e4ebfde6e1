#include "examiner/ExamineCommand.h"
#include "examiner/ExaminerModel.h"
#include "examiner/PascalInstrumenter.h"

#include "ExaminerTestSupport.h"

#include <gtest/gtest.h>

using namespace vireo;
using namespace vireo::test;

namespace {

const std::string kData = VIREO_SOURCE_DIR "/tests/examiner/data/";

std::vector<std::pair<int, std::string>> Rows(const ExaminerList& list)
{
    std::vector<std::pair<int, std::string>> rows;
    for (const auto& item : list)
        rows.emplace_back(item.line, item.name);
    return rows;
}

std::string Line(const ExaminerModel& model, int number)
{
    return model.WorkingText()[std::size_t(number - 1)];
}

// Instruments every item of the three lists, as "--add-debug LIST:all" does, and sums the results.
DebugInsertionResult InstrumentAll(ExaminerModel& model)
{
    DebugInsertionResult sum;
    for (const auto kind : {ExaminerListKind::Procedures, ExaminerListKind::Functions, ExaminerListKind::Exceptions}) {
        model.SetActiveTab(kind);
        for (auto& item : model.List(kind))
            item.selected = true;
        const auto result = model.AddDebugCode();
        sum.inserted += result.inserted;
        sum.skipped += result.skipped;
    }
    return sum;
}

std::vector<std::string> Prepared(std::vector<std::string> lines)
{
    PreparePascalUnitForCalls(lines, 2, "/p/U.pas");
    return lines;
}

} // namespace

// The fixture hides keywords in comments, strings and a nested comment, and holds a forward
// declaration, a nested routine, class methods, an operator, a one-line body, an asm body, a
// record's method, a class with a parent in the implementation part and handlers of both kinds.
TEST(PascalMode, ListsAndInstrumentsWhatThePascalReaderFinds)
{
    TempDir dir;
    const std::string unit = dir / "Nesting.pas";
    WriteFile(unit, ReadFile(kData + "Nesting.pas"));
    FixedClock clock(500);
    ExaminerModel model(unit, clock, {}, "host");
    model.SetPascalMode(true);
    model.Open();

    using Rows_ = std::vector<std::pair<int, std::string>>;
    EXPECT_EQ(Rows(model.List(ExaminerListKind::Procedures)),
              (Rows_ {{32, "procedure TLocal.Hidden; begin Exit; end;"}, {36, "constructor TThing.Create;"},
                      {41, "destructor TThing.Destroy;"}, {56, "procedure TThing.Run(const S: string = 'begin');"},
                      {78, "procedure Later;"}, {99, "procedure TPair.Clear;"}}));
    EXPECT_EQ(Rows(model.List(ExaminerListKind::Functions)),
              (Rows_ {{46, "class function TThing.Make: TThing;"}, {47, "  function Inner: Integer;"},
                      {85, "operator + (A, B: TThing): TThing;"}}));
    EXPECT_EQ(Rows(model.List(ExaminerListKind::Exceptions)), (Rows_ {{67, ""}, {74, ""}, {107, ""}}));
    EXPECT_EQ(Rows(model.List(ExaminerListKind::Fors)), (Rows_ {{62, "for I := 0 to 2 do"}}));
    EXPECT_EQ(Rows(model.List(ExaminerListKind::Whiles)), (Rows_ {{63, "while I > 5 do"}}));
    EXPECT_EQ(Rows(model.List(ExaminerListKind::Repeats)), (Rows_ {{75, ""}}));

    const auto first = InstrumentAll(model);
    EXPECT_EQ(first.inserted, 6 + 3 + 3) << "the record's method included: the client takes its Self";
    EXPECT_EQ(first.skipped, 0);
    EXPECT_EQ(clock.pauses, 0);
    EXPECT_EQ(Line(model, 11), "  Classes, SysUtils, Vireo; // uses Foo; and ; here");
    EXPECT_EQ(Line(model, 26), "Const");
    EXPECT_EQ(Line(model, 27), "  UnitFileName = '" + unit + "';");
    EXPECT_EQ(Line(model, 29), "implementation");
    // The one-line body is split after its begin; the nested routine and its outer one each get a call.
    EXPECT_EQ(Line(model, 36), "procedure TLocal.Hidden; begin");
    EXPECT_EQ(Line(model, 37),
              "  AddDebug(Self, 'procedure TLocal.Hidden; begin Exit; end;', Vireo.mtGeneral, '','UniqueStr_500',UnitFileName, '');");
    EXPECT_EQ(Line(model, 38), " Exit; end;");
    EXPECT_EQ(Line(model, 56), "  begin");
    EXPECT_NE(Line(model, 57).find("'  function Inner: Integer;', Vireo.mtGeneral"), std::string::npos);
    EXPECT_EQ(Line(model, 60), "begin");
    EXPECT_NE(Line(model, 61).find("'class function TThing.Make: TThing;', Vireo.mtGeneral"), std::string::npos);
    // A handler of "on" clauses gets its call inside the clause with a begin only.
    EXPECT_EQ(Line(model, 80), "    begin");
    EXPECT_NE(Line(model, 81).find("AddDebug(Self, 'Exception in procedure TThing.Run(const S: string = ''begin'');', Vireo.mtError"),
              std::string::npos);
    EXPECT_EQ(Line(model, 84), "    on E: Exception do T := '';");
    EXPECT_EQ(Line(model, 116), "begin");
    EXPECT_NE(Line(model, 117).find("AddDebug(Self, 'procedure TPair.Clear;', Vireo.mtGeneral"), std::string::npos);
    EXPECT_NE(Line(model, 125).find("AddDebug(Self, 'Exception', Vireo.mtError"), std::string::npos);
    const std::string once = model.TextAsSaved();

    // The calls are neither listed nor inserted again.
    EXPECT_EQ(model.List(ExaminerListKind::Procedures).size(), 6u);
    EXPECT_EQ(model.List(ExaminerListKind::Functions).size(), 3u);
    for (const auto kind : {ExaminerListKind::Procedures, ExaminerListKind::Functions})
        for (const auto& item : model.List(kind))
            EXPECT_TRUE(item.instrumented) << item.name;
    const auto second = InstrumentAll(model);
    EXPECT_EQ(second.inserted, 0);
    EXPECT_EQ(second.skipped, 6 + 3 + 3);
    EXPECT_EQ(model.TextAsSaved(), once);
}

// Routines sharing a header line are items of their own: each chosen one gets its call, once.
TEST(PascalMode, RoutinesSharingALineAreToldApartByTheirOrder)
{
    TempDir dir;
    const std::string unit = dir / "OneLine.pas";
    WriteFile(unit, "unit OneLine;\ninterface\nimplementation\nprocedure A; begin end; procedure B; begin end;\nend.\n");
    FixedClock clock(7);
    ExaminerModel model(unit, clock, {}, "host");
    model.SetPascalMode(true);
    model.Open();
    model.SetActiveTab(ExaminerListKind::Procedures);
    auto& procedures = model.List(ExaminerListKind::Procedures);
    ASSERT_EQ(procedures.size(), 2u);
    procedures[1].selected = true;
    EXPECT_EQ(model.AddDebugCode().inserted, 1);
    ASSERT_EQ(procedures.size(), 2u);
    EXPECT_FALSE(procedures[0].instrumented);
    EXPECT_TRUE(procedures[1].instrumented) << "B chosen, B instrumented";
    EXPECT_EQ(Line(model, 9), "procedure A; begin end; procedure B; begin");

    for (auto& item : procedures)
        item.selected = true;
    const auto second = model.AddDebugCode();
    EXPECT_EQ(second.inserted, 1);
    EXPECT_EQ(second.skipped, 1);
    EXPECT_TRUE(procedures[0].instrumented && procedures[1].instrumented);
    EXPECT_EQ(Line(model, 9), "procedure A; begin");
    EXPECT_NE(Line(model, 10).find("AddDebug(Self, 'procedure A; begin end; procedure B; begin', Vireo.mtGeneral"),
              std::string::npos);
    EXPECT_EQ(Line(model, 11), " end; procedure B; begin");
    EXPECT_NE(Line(model, 12).find("'UniqueStr_7'"), std::string::npos) << "B's call stays the only one";
}

// Headers without a body nest no deeper than the reader's own stack allows: any number is read.
TEST(PascalMode, AnyNumberOfHeadersWithoutABodyIsRead)
{
    std::vector<std::string> lines = {"unit Deep;", "interface", "implementation"};
    lines.insert(lines.end(), 200000, "procedure A;");
    lines.insert(lines.end(), {"begin end;", "end."});
    ExaminerLists lists;
    ScanPascalUnit(lines, lists);
    EXPECT_EQ(Rows(lists[ExaminerListKind::Procedures]), (std::vector<std::pair<int, std::string>> {{200003, "procedure A;"}}))
        << "the last header takes the body";
}

// Where the client unit and the constant go when the uses clauses differ, and in a program.
TEST(PascalMode, PutsTheClientUnitIntoTheRealUsesClause)
{
    const std::string constant = "  UnitFileName = '/p/U.pas';";
    EXPECT_EQ(Prepared({"unit U;", "interface", "implementation", "uses SysUtils {;};", "end."}),
              (std::vector<std::string> {"unit U;", "interface", "", "Const", constant, "", "implementation",
                                         "uses SysUtils {;}, Vireo;", "end."}));
    EXPECT_EQ(Prepared({"unit U; interface", "implementation {$R *.lfm}", "end."}),
              (std::vector<std::string> {"unit U; interface", "", "Const", constant, "", "implementation",
                                         "uses Vireo;", " {$R *.lfm}", "end."}));
    // A program's uses clause starts with cthreads, unless it names it already; a library's does not.
    EXPECT_EQ(Prepared({"program P;", "begin", "end."}),
              (std::vector<std::string> {"program P;", "uses {$IFDEF UNIX}cthreads,{$ENDIF} Vireo;", "", "Const",
                                         constant, "", "begin", "end."}));
    EXPECT_EQ(Prepared({"program P; { uses }", "uses SysUtils;", "begin", "end."}),
              (std::vector<std::string> {"program P; { uses }", "uses {$IFDEF UNIX}cthreads,{$ENDIF} SysUtils, Vireo;",
                                         "", "Const", constant, "", "begin", "end."}));
    EXPECT_EQ(Prepared({"library L;", "uses SysUtils;", "begin", "end."}),
              (std::vector<std::string> {"library L;", "uses SysUtils, Vireo;", "", "Const", constant, "", "begin",
                                         "end."}));
    EXPECT_EQ(Prepared({"program P;", "uses", "  {$IFDEF UNIX}cthreads,{$ENDIF} Forms;", "begin", "end."}),
              (std::vector<std::string> {"program P;", "uses", "  {$IFDEF UNIX}cthreads,{$ENDIF} Forms, Vireo;", "",
                                         "Const", constant, "", "begin", "end."}));
    const std::vector<std::string> done = {"unit U;", "interface", "uses vireo;", "Const", " UnitFileName = 'x';",
                                           "implementation", "end."};
    EXPECT_EQ(Prepared(done), done);

    // Code marks are replaced on the lines they moved to; a mark's text in a string is no mark.
    TempDir dir;
    const std::string unit = dir / "Marks.pas";
    WriteFile(unit, Joined({"unit Marks;", "interface", "implementation", "procedure Go;", "begin",
                            "  {T=INFO x='Going';y=''}", "  S := '{T=ERROR x=''no''}'; {T=WARN x='w';y='2'}", "end;",
                            "end."}));
    FixedClock clock(7);
    ExaminerModel model(unit, clock, {}, "host");
    model.SetPascalMode(true);
    model.Open();
    model.SetActiveTab(ExaminerListKind::CodeMarks);
    EXPECT_EQ(model.ReplaceCodeMarks([] { return true; }), 2);
    EXPECT_EQ(Line(model, 11), "  AddDebug(Self, 'Going', Vireo.mtInfo, '','UniqueStr_7',UnitFileName, '');");
    EXPECT_EQ(Line(model, 12),
              "  S := '{T=ERROR x=''no''}'; AddDebug(Self, 'w', Vireo.mtWarning, '2','UniqueStr_8',UnitFileName, '');");
}

// Text in a branch Free Pascal skips on Linux is not read: its uses clauses, routines and marks
// make no item and take no edit. {$define} and {$undef} count, nested branches follow their
// outer one, and a condition that cannot be decided leaves both branches read.
TEST(PascalMode, TextInASkippedConditionalBranchIsNotRead)
{
    const std::string constant = "  UnitFileName = '/p/U.pas';";
    const std::string manager = "uses {$IFDEF UNIX}cthreads,{$ENDIF} ";
    EXPECT_EQ(Prepared({"program p; {$ifndef FPC} Sorry, text {$endif} uses SysUtils;", "begin", "end."}),
              (std::vector<std::string> {"program p; {$ifndef FPC} Sorry, text {$endif} " + manager + "SysUtils, Vireo;",
                                         "", "Const", constant, "", "begin", "end."}));
    EXPECT_EQ(Prepared({"unit U;", "interface", "{$IF defined(WINDOWS) or (FPC_FULLVERSION < 30000)}", "uses Windows;",
                        "{$ELSEIF defined(UNIX) and not defined(DARWIN)}", "uses BaseUnix;", "{$ELSE}", "uses Other;",
                        "{$IFEND}", "implementation", "end."}),
              (std::vector<std::string> {"unit U;", "interface", "{$IF defined(WINDOWS) or (FPC_FULLVERSION < 30000)}",
                                         "uses Windows;", "{$ELSEIF defined(UNIX) and not defined(DARWIN)}",
                                         "uses BaseUnix, Vireo;", "{$ELSE}", "uses Other;", "{$IFEND}", "", "Const",
                                         constant, "", "implementation", "end."}));

    ExaminerLists lists;
    ScanPascalUnit({"unit U;", "interface", "implementation", "{$define MINE}", "{$ifdef MSWINDOWS}",
                    "procedure WinOnly; begin {T=INFO x='w'} end;", "{$ifdef MINE} procedure Nested; begin end; {$endif}",
                    "{$else}", "procedure Posix; begin end;", "{$endif}", "{$undef MINE}",
                    "{$ifndef MINE} procedure Undefined; begin end; {$endif}",
                    "{$if declared(TFoo)} procedure Either; begin end; {$else} function Other: Integer; begin end; {$endif}",
                    "end."},
                   lists);
    EXPECT_EQ(Rows(lists[ExaminerListKind::Procedures]),
              (std::vector<std::pair<int, std::string>> {
                  {9, "procedure Posix; begin end;"},
                  {12, "{$ifndef MINE} procedure Undefined; begin end; {$endif}"},
                  {13, "{$if declared(TFoo)} procedure Either; begin end; {$else} function Other: Integer; begin end; {$endif}"}}));
    EXPECT_EQ(lists[ExaminerListKind::Functions].size(), 1u);
    EXPECT_TRUE(lists[ExaminerListKind::CodeMarks].empty());
}

// In the Pascal mode an action that puts in no call leaves the text as it was: no client unit, no
// constant, whether nothing is selected, every routine starts with its call, or no mark is chosen.
TEST(PascalMode, AnActionThatInsertsNoCallChangesNothing)
{
    TempDir dir;
    const std::string unit = dir / "Calm.pas";
    WriteFile(unit, Joined({"unit Calm;", "interface", "uses SysUtils;", "implementation", "procedure Done;", "begin",
                            "  AddDebug(Self, 'x', mtGeneral, '','UniqueStr_1',UnitFileName, '');", "end;",
                            "procedure Open;", "begin", "end;", "end."}));
    FixedClock clock(7);
    ExaminerModel model(unit, clock, {}, "host");
    model.SetPascalMode(true);
    model.Open();
    const std::vector<std::string> before = model.WorkingText();
    model.SetActiveTab(ExaminerListKind::Procedures);
    EXPECT_EQ(model.AddDebugCode().inserted, 0);
    model.List(ExaminerListKind::Procedures)[0].selected = true;
    EXPECT_EQ(model.AddDebugCode().inserted, 0);
    model.SetActiveTab(ExaminerListKind::CodeMarks);
    EXPECT_EQ(model.ReplaceCodeMarks([] { return true; }), 0);
    model.SetActiveTab(ExaminerListKind::Fors);
    EXPECT_EQ(model.AddDebugCode().inserted, 0);
    EXPECT_EQ(model.WorkingText(), before);

    model.SetActiveTab(ExaminerListKind::Procedures);
    model.List(ExaminerListKind::Procedures)[1].selected = true;
    EXPECT_EQ(model.AddDebugCode().inserted, 1);
    EXPECT_EQ(Line(model, 3), "uses SysUtils, Vireo;");
}

// The mode can change while a unit is open, both ways: the lists and the insertions follow it. A
// routine named in a comment is an item of the line rules only, and only the line rules wait
// after each call.
TEST(PascalMode, SwitchingTheModeSwapsTheReadingBothWays)
{
    TempDir dir;
    const std::string unit = dir / "Notes.pas";
    WriteFile(unit, Joined({"unit Notes;", "interface", "implementation", "{ procedure Hidden; is a note }",
                            "procedure Shown;", "begin", "end;", "end."}));
    FixedClock clock(7);
    ExaminerModel model(unit, clock, {}, "host");
    model.Open();
    model.SetActiveTab(ExaminerListKind::Procedures);
    auto& procedures = model.List(ExaminerListKind::Procedures);
    EXPECT_EQ(procedures.size(), 2u);

    model.SetPascalMode(true);
    model.RescanUnit();
    ASSERT_EQ(Rows(procedures), (std::vector<std::pair<int, std::string>> {{5, "procedure Shown;"}}));
    procedures[0].selected = true;
    EXPECT_EQ(model.AddDebugCode().inserted, 1);
    EXPECT_EQ(clock.pauses, 0);

    model.SetPascalMode(false);
    model.RescanUnit();
    ASSERT_EQ(procedures.size(), 2u);
    EXPECT_EQ(procedures[0].name, "{ procedure Hidden; is a note }");
    procedures[0].selected = true;
    EXPECT_EQ(model.AddDebugCode().inserted, 1);
    EXPECT_EQ(clock.pauses, 1);
}

TEST(PascalMode, TheCommandLineSelectsIt)
{
    EXPECT_TRUE(ParseExamineArguments({"U.pas", "--pascal"}).pascal);
    EXPECT_FALSE(ParseExamineArguments({"U.pas"}).pascal);
    EXPECT_NE(ExamineHelpText().find("--pascal"), std::string::npos);
}
