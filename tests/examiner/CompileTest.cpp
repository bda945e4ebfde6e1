#include "examiner/ExaminerModel.h"

#include "ExaminerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

using namespace vireo;
using namespace vireo::test;

namespace {

const std::string kData = VIREO_SOURCE_DIR "/tests/examiner/data/";

void SelectAll(ExaminerList& list)
{
    for (auto& item : list)
        item.selected = true;
}

// Compiles a unit with fpc in the folder, finding other units there and in the options' folders
// (Delphi mode unless the options say otherwise); returns fpc's exit status and leaves its output
// in log.
int CompileWithFpc(const TempDir& dir, const std::string& unit, std::string& log, const std::string& options = "-Mdelphi")
{
    const std::string logFile = dir / "fpc.log";
    const std::string command = "cd '" + dir.path().string() + "' && fpc " + options + " -FU. -Fu. '" + unit +
                                "' > '" + logFile + "' 2>&1";
    const int status = std::system(command.c_str());
    log = ReadFile(logFile);
    return status;
}

// Instruments every procedure, function, handler and code mark of a unit as the window does.
ExaminerModel InstrumentEverything(const std::string& unit, TickSource& clock)
{
    ExaminerModel model(unit, clock, {}, "host");
    model.Open();
    for (const auto kind : {ExaminerListKind::Procedures, ExaminerListKind::Functions, ExaminerListKind::Exceptions}) {
        model.SetActiveTab(kind);
        SelectAll(model.List(kind));
        model.AddDebugCode();
    }
    model.SetActiveTab(ExaminerListKind::CodeMarks);
    model.ReplaceCodeMarks([] { return true; });
    model.Save();
    return model;
}

// The folders of the LCL's compiled units (Debian's lcl-units package), empty when not installed.
std::string LclUnitOptions()
{
    std::error_code missing;
    for (const auto& version : std::filesystem::directory_iterator("/usr/lib/lazarus", missing)) {
        const auto lcl = version.path() / "lcl/units/x86_64-linux";
        const auto lazUtils = version.path() / "components/lazutils/lib/x86_64-linux";
        if (std::filesystem::exists(lcl / "dialogs.ppu") && std::filesystem::exists(lazUtils))
            return "-Fu'" + lcl.string() + "' -Fu'" + lazUtils.string() + "'";
    }
    return {};
}

const std::string kClientUnit = VIREO_SOURCE_DIR "/clients/Vireo.pas";

} // namespace

TEST(CompileWithFreePascal, AnInstrumentedUnitStillCompiles)
{
    if (std::system("command -v fpc > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "Free Pascal (fpc) is not installed";
    TempDir dir;
    const std::string unit = dir / "Shapes.pas";
    const std::string original = ReadFile(kData + "Shapes.pas");
    WriteFile(unit, original);
    WriteFile(dir / "Vireo.pas", ReadFile(kData + "Vireo.pas"));

    SystemTickSource clock;
    ExaminerModel model(unit, clock, {}, "host");
    model.Open();
    model.SetRemoteComputer("build's box");
    // Four methods, and two lines where the word stands in a string and in a comment.
    ASSERT_EQ(model.List(ExaminerListKind::Procedures).size(), 6u);
    ASSERT_EQ(model.List(ExaminerListKind::Functions).size(), 5u);

    for (const auto kind : {ExaminerListKind::Procedures, ExaminerListKind::Functions}) {
        model.SetActiveTab(kind);
        SelectAll(model.List(kind));
        model.AddDebugCode();
        // Inserted calls quoting a line with the word in it are listed too; the methods are what counts.
        for (const auto& item : model.List(kind)) {
            if (item.name.starts_with("procedure T") || item.name.starts_with("function T")) {
                EXPECT_TRUE(item.instrumented) << item.name;
            }
        }
    }
    model.SetActiveTab(ExaminerListKind::Exceptions);
    SelectAll(model.List(ExaminerListKind::Exceptions));
    const auto handlers = model.AddDebugCode();
    EXPECT_EQ(handlers.inserted, 1);
    EXPECT_EQ(handlers.skipped, 1) << "the on-clause handler";
    model.SetActiveTab(ExaminerListKind::CodeMarks);
    EXPECT_EQ(model.ReplaceCodeMarks([] { return true; }), 4);
    model.Save();

    const std::string instrumented = ReadFile(unit);
    EXPECT_EQ(ReadFile(dir / "Shapes.BAK"), original);
    EXPECT_NE(instrumented.find("  Classes, Vireo; { lists and streams }"), std::string::npos);
    EXPECT_NE(instrumented.find("'procedure TCircle.Log(const S: string = ''x'');'"), std::string::npos);
    EXPECT_NE(instrumented.find("TShape(FItems[I]).Describe(Lines); // kept"), std::string::npos);
    EXPECT_EQ(instrumented.find("{T="), std::string::npos);
    std::string log;
    EXPECT_EQ(CompileWithFpc(dir, "Shapes.pas", log), 0) << log << "\n--- unit ---\n" << instrumented;
}

// Units the line rules used to break: no uses clause, handlers written on one line or with an
// on-clause, Self that is a record, an object or a helper's value, a code mark over two lines
// and one with a brace in its message. Compiled with the real client unit in both modes.
TEST(CompileWithFreePascal, UnitsTheLineRulesUsedToBreakCompileWithTheClientUnit)
{
    ASSERT_EQ(std::system("command -v fpc > /dev/null 2>&1"), 0) << "Free Pascal (fpc) is not installed";
    const std::string unitText =
        "unit Values;\n\n{$modeswitch advancedrecords}{$modeswitch typehelpers}\n\ninterface\n\ntype\n"
        "  TPoint2 = record\n    X: Integer;\n    procedure Show;\n  end;\n"
        "  TCounter = object\n    N: Integer;\n    procedure Step;\n  end;\n"
        "  TIntSay = type helper for Integer\n    function Twice: Integer;\n  end;\n\n"
        "function Parse(const S: string): Integer;\n\nimplementation\n\n"
        "procedure TPoint2.Show;\nbegin\n  X := 1; {T=INFO x='Shown {at} once';y='P'} X := 2;\nend;\n\n"
        "procedure TCounter.Step;\nbegin\n  Inc(N); {T=WARN x='Stepped';\n    y='C' and more words }\n  Inc(N);\nend;\n\n"
        "function TIntSay.Twice: Integer;\nbegin\n  Result := Self * 2;\nend;\n\n"
        "function Parse(const S: string): Integer;\nbegin\n"
        "  try Result := Length(S); except Result := -1; end;\n"
        "  try Result := Result + 1;\n  except on E: TObject do\n    Result := 0;\n  end;\n"
        "  try\n    Result := Result * 2;\n  except\n    { an on-clause follows }\n    on E: TObject do Result := 0;\n  end;\n"
        "end;\n\nend.\n";
    for (const std::string mode : {"-Mobjfpc", "-Mdelphi"}) {
        SCOPED_TRACE(mode);
        TempDir dir;
        const std::string unit = dir / "Values.pas";
        WriteFile(unit, unitText);
        WriteFile(dir / "Vireo.pas", ReadFile(kClientUnit));
        SystemTickSource clock;
        const ExaminerModel model = InstrumentEverything(unit, clock);
        const std::string instrumented = ReadFile(unit);
        EXPECT_NE(instrumented.find("implementation\nuses Vireo;\n"), std::string::npos);
        EXPECT_NE(instrumented.find("except AddDebug(Self, 'Exception in function Parse(const S: string): Integer;', "
                                    "mtError"),
                  std::string::npos);
        EXPECT_NE(instrumented.find("  X := 1; AddDebug(Self, 'Shown {at} once', mtInfo, 'P',"), std::string::npos);
        EXPECT_NE(instrumented.find("  Inc(N); AddDebug(Self, 'Stepped', mtWarning, 'C',"), std::string::npos);
        EXPECT_EQ(instrumented.find("more words"), std::string::npos) << "the whole mark is replaced";
        EXPECT_EQ(instrumented.find("{T="), std::string::npos);
        std::string log;
        EXPECT_EQ(CompileWithFpc(dir, "Values.pas", log, mode), 0) << log << "\n--- unit ---\n" << instrumented;
    }
}

// An LCL form unit that calls MessageDlg with mtWarning keeps compiling with Vireo in its uses
// clause, beside the inserted calls of every message type.
TEST(CompileWithFreePascal, AnInstrumentedLclFormUnitStillCompiles)
{
    ASSERT_EQ(std::system("command -v fpc > /dev/null 2>&1"), 0) << "Free Pascal (fpc) is not installed";
    const std::string lcl = LclUnitOptions();
    ASSERT_FALSE(lcl.empty()) << "the LCL's compiled units are not installed (Debian package lcl-units-2.2, see "
                                 "tools/install-deps.sh)";
    TempDir dir;
    const std::string unit = dir / "MainForm.pas";
    WriteFile(unit,
              "unit MainForm;\n\n{$mode objfpc}{$H+}\n\ninterface\n\nuses\n"
              "  Classes, SysUtils, // strings; and more\n  Forms, Controls, Dialogs, StdCtrls;\n\n"
              "type\n  TForm1 = class(TForm)\n    Button1: TButton;\n    procedure Button1Click(Sender: TObject);\n"
              "  private\n    function Confirmed: Boolean;\n  end;\n\nvar\n  Form1: TForm1;\n\nimplementation\n\n"
              "{$R *.lfm}\n\nprocedure TForm1.Button1Click(Sender: TObject);\nbegin\n  if Confirmed then\n"
              "    MessageDlg('Demo', 'Disk low', mtWarning, [mbOK], 0)\n  else\n"
              "    MessageDlg('Demo', 'Failed', mtError, [mbOK], 0);\n  {T=ERROR x='Clicked';y='UI'}\n"
              "  {T=INFO x='Shown';y='UI'}\nend;\n\nfunction TForm1.Confirmed: Boolean;\nbegin\n  try\n"
              "    Result := MessageDlg('Demo', 'Go on?', mtConfirmation, mbYesNo, 0) = mrYes;\n  except\n"
              "    on E: Exception do\n      ShowMessage(E.Message);\n  end;\nend;\n\nend.\n");
    WriteFile(dir / "MainForm.lfm", "object Form1: TForm1\n  Caption = 'Form1'\nend\n");
    WriteFile(dir / "Vireo.pas", ReadFile(kClientUnit));
    SystemTickSource clock;
    InstrumentEverything(unit, clock);
    const std::string instrumented = ReadFile(unit);
    EXPECT_NE(instrumented.find("  Classes, SysUtils, // strings; and more\n  Forms, Controls, Dialogs, StdCtrls, Vireo;"),
              std::string::npos);
    EXPECT_NE(instrumented.find("AddDebug(Self, 'Clicked', mtError, 'UI',"), std::string::npos);
    EXPECT_NE(instrumented.find("    on E: Exception do\n      ShowMessage"), std::string::npos)
        << "nothing goes between an on-clause and its statement";
    std::string log;
    EXPECT_EQ(CompileWithFpc(dir, "MainForm.pas", log, "-Mobjfpc " + lcl), 0) << log << "\n--- unit ---\n"
                                                                              << instrumented;
}

TEST(CompileWithFreePascal, AUnitInstrumentedByThePascalModeCompilesTwice)
{
    ASSERT_EQ(std::system("command -v fpc > /dev/null 2>&1"), 0) << "Free Pascal (fpc) is not installed";
    TempDir dir;
    const std::string unit = dir / "Nesting.pas";
    WriteFile(unit, ReadFile(kData + "Nesting.pas"));
    WriteFile(dir / "Vireo.pas", ReadFile(kClientUnit));
    SystemTickSource clock;
    ExaminerModel model(unit, clock, {}, "host");
    model.SetPascalMode(true);
    model.Open();
    // Twice over: the second run must leave a unit that still compiles.
    for (int run = 0; run < 2; ++run) {
        for (const auto kind : {ExaminerListKind::Procedures, ExaminerListKind::Functions, ExaminerListKind::Exceptions}) {
            model.SetActiveTab(kind);
            SelectAll(model.List(kind));
            model.AddDebugCode();
        }
    }
    model.Save();
    std::string log;
    EXPECT_EQ(CompileWithFpc(dir, "Nesting.pas", log), 0) << log << "\n--- unit ---\n" << ReadFile(unit);
}

// Programs get the thread manager the client unit's sender thread needs: a console program
// instrumented in the Pascal mode, and a project whose unit is instrumented by the line rules (the
// project's program gets cthreads, backed up); both compile and run without a bus. A project that
// names cthreads under its own condition is left as it was.
TEST(CompileWithFreePascal, InstrumentedProgramsNameCthreadsFirstAndStillCompileAndRun)
{
    ASSERT_EQ(std::system("command -v fpc > /dev/null 2>&1"), 0) << "Free Pascal (fpc) is not installed";
    const std::string routines = "procedure Greet(const Name: string);\nbegin\n  WriteLn('hello ', Name);\nend;\n\n"
                                 "function Twice(N: Integer): Integer;\nbegin\n  Result := 2 * N;\nend;\n\n";
    const auto runs = [](const TempDir& dir, const std::string& program) {
        const std::string command = "cd '" + dir.path().string() + "' && DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent ./" +
                                    program + " > run.log 2>&1";
        return std::system(command.c_str()) == 0 && ReadFile(dir / "run.log") == "hello world\n42\n";
    };
    const auto instrument = [](ExaminerModel& model) {
        for (const auto kind : {ExaminerListKind::Procedures, ExaminerListKind::Functions}) {
            model.SetActiveTab(kind);
            SelectAll(model.List(kind));
            model.AddDebugCode();
        }
        model.Save();
    };
    const std::string manager = "uses {$IFDEF UNIX}cthreads,{$ENDIF}";
    std::string log;
    {
        TempDir dir;
        const std::string program = dir / "Console.pas";
        WriteFile(program, "program Console;\n\n{$mode objfpc}{$H+}\n\nuses\n  SysUtils;\n\n" + routines +
                               "begin\n  Greet('world');\n  WriteLn(Twice(21));\nend.\n");
        WriteFile(dir / "Vireo.pas", ReadFile(kClientUnit));
        SystemTickSource clock;
        ExaminerModel model(program, clock, {}, "host");
        model.SetPascalMode(true);
        model.Open();
        instrument(model);
        const std::string instrumented = ReadFile(program);
        EXPECT_NE(instrumented.find(manager + "\n  SysUtils, Vireo;"), std::string::npos) << instrumented;
        ASSERT_EQ(CompileWithFpc(dir, "Console.pas", log), 0) << log << "\n--- program ---\n" << instrumented;
        EXPECT_TRUE(runs(dir, "Console")) << ReadFile(dir / "run.log");
    }
    const std::string unitText = "unit Unit1;\n\n{$mode objfpc}{$H+}\n\ninterface\n\n"
                                 "procedure Greet(const Name: string);\nfunction Twice(N: Integer): Integer;\n\n"
                                 "implementation\n\n" + routines + "end.\n";
    const std::string body = "  Unit1 in 'Unit1.pas';\n\nbegin\n  Greet('world');\n  WriteLn(Twice(21));\nend.\n";
    const std::string plain = "program Project1;\n\nuses\n" + body;
    const std::string lazarus = "program Project1;\n\nuses\n  {$IFDEF UNIX}{$IFDEF UseCThreads}\n  cthreads,\n"
                                "  {$ENDIF}{$ENDIF}\n" + body;
    for (const std::string* original : {&plain, &lazarus}) {
        TempDir dir;
        const std::string project = dir / "Project1.dpr";
        WriteFile(project, *original);
        WriteFile(dir / "Unit1.pas", unitText);
        WriteFile(dir / "Vireo.pas", ReadFile(kClientUnit));
        SystemTickSource clock;
        ExaminerModel model(project, clock, {}, "host");
        model.Open();
        instrument(model);
        const std::string saved = ReadFile(project);
        if (original == &plain) {
            EXPECT_EQ(saved, "program Project1;\n\n" + manager + "\n" + body);
            EXPECT_EQ(ReadFile(dir / "Project1.BAK"), plain);
        } else {
            EXPECT_EQ(saved, lazarus);
            EXPECT_FALSE(std::filesystem::exists(dir / "Project1.BAK"));
        }
        ASSERT_EQ(CompileWithFpc(dir, "Project1.dpr", log), 0) << log << "\n--- program ---\n" << saved;
        EXPECT_TRUE(runs(dir, "Project1")) << ReadFile(dir / "run.log");
    }
}

// A program whose uses clause stands behind a branch Free Pascal skips, and which names
// AdvancedIPC's TMessageType with the client unit last in its uses clause, still compiles and runs
// once every routine and handler is instrumented in the Pascal mode.
TEST(CompileWithFreePascal, SkippedBranchesAndTheProgramsOwnTypeNamesSurviveThePascalMode)
{
    if (std::system("command -v fpc > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "Free Pascal (fpc) is not installed";
    TempDir dir;
    const std::string program = dir / "Skipped.pas";
    WriteFile(program, "program Skipped; {$ifndef FPC} Sorry, this needs Free Pascal {$endif}\n"
                       "{$mode objfpc}{$H+}\nuses SysUtils, AdvancedIPC;\n"
                       "{$ifdef WINDOWS}\nprocedure WinOnly; begin end;\n{$endif}\n"
                       "function Kind: TMessageType;\nbegin\n  Result := 3;\nend;\n\n"
                       "procedure Check;\nbegin\n  try\n    raise Exception.Create('x');\n  except\n"
                       "    WriteLn('caught ', Kind);\n  end;\nend;\n\nbegin\n  Check;\nend.\n");
    WriteFile(dir / "Vireo.pas", ReadFile(kClientUnit));
    SystemTickSource clock;
    ExaminerModel model(program, clock, {}, "host");
    model.SetPascalMode(true);
    model.Open();
    for (const auto kind : {ExaminerListKind::Procedures, ExaminerListKind::Functions, ExaminerListKind::Exceptions}) {
        model.SetActiveTab(kind);
        SelectAll(model.List(kind));
        EXPECT_GT(model.AddDebugCode().inserted, 0);
    }
    model.Save();
    std::string log;
    ASSERT_EQ(CompileWithFpc(dir, "Skipped.pas", log, "-Mobjfpc"), 0) << log << "\n--- program ---\n" << ReadFile(program);
    const std::string command = "cd '" + dir.path().string() +
                                "' && DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent ./Skipped > run.log 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFile(dir / "run.log"), "caught 3\n");
}
