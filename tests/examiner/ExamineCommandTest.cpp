#include "examiner/UnitFile.h"

#include "ExaminerTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace vireo::test;

namespace {

const std::string kData = VIREO_SOURCE_DIR "/tests/examiner/data/";

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs vireo-examine as its own process, with the registry hive in the test's folder.
Outcome Examine(const TempDir& dir, const std::vector<std::string>& arguments)
{
    std::string command = "VIREO_REGISTRY_DIR=" + Quoted(dir / "registry") + " " + Quoted(VIREO_EXAMINE_PATH);
    for (const auto& argument : arguments)
        command += " " + Quoted(argument);
    command += " > " + Quoted(dir / "out.txt") + " 2> " + Quoted(dir / "err.txt");
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir / "out.txt"), ReadFile(dir / "err.txt")};
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(VireoExamine, ListsEveryListInOrderOneItemPerLine)
{
    TempDir dir;
    const std::string unit = dir / "Shapes.pas";
    WriteFile(unit, ReadFile(kData + "Shapes.pas"));
    const Outcome run = Examine(dir, {unit, "--search", "FITEMS.COUNT"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("procedures\t50\t\t  Greeting = 'begin procedure end; for while repeat';"));
    EXPECT_TRUE(Has(run.out, "procedures\t168\t\tprocedure TShapeList.Report(Lines: TStrings);\n"
                             "functions\t79\t\tfunction TShape.Area: Double;\n"));
    EXPECT_TRUE(Has(run.out, "exceptions\t147\t\t\nexceptions\t182\t\t\nfors\t74\t\tfor I := 1 to FSides do\n"));
    EXPECT_TRUE(Has(run.out, "repeats\t161\t\t\ncodemarks\t55\t\t{T=INFO x='Shape created';y='Shapes'}\n"));
    EXPECT_TRUE(run.out.ends_with("codemarks\t175\t\t{T=WARN x='Reporting';y='Red'} TShape(FItems[I]).Describe(Lines); // kept\n"
                                  "custom\t124\t\tfor I := 0 to FItems.Count - 1 do\n"
                                  "custom\t143\t\twhile I < FItems.Count do\n"
                                  "custom\t162\t\tif (I < FItems.Count) and (TShape(FItems[I]).FSides = Sides) then\n"
                                  "custom\t165\t\tuntil I >= FItems.Count;\n"
                                  "custom\t173\t\tfor I := 0 to FItems.Count - 1 do\n"));
}

TEST(VireoExamine, ProjectsListTheirUnitsFromSubFoldersAndParentFolders)
{
    TempDir dir;
    const std::string project = dir / "app/Proj.dpr";
    WriteFile(project, Joined({"program Proj;", "uses", "  Forms,", "  Main in 'forms\\Main.pas' {Form1},",
                               "  Shapes in '..\\..\\lib\\Shapes.pas',", "  Gone in '../Gone.pas';", "begin", "end."}));
    WriteFile(dir / "app/forms/Main.pas", Joined({"unit Main;", "implementation", "procedure Go;", "begin", "end;"}));
    const Outcome units = Examine(dir, {project, "--units"});
    ASSERT_EQ(units.status, 0) << units.err;
    const std::string parent = dir.path().parent_path().string();
    EXPECT_EQ(units.out, dir / "app/forms/Main.pas\n" + parent + "/lib/Shapes.pas\n" + dir / "Gone.pas\n");

    const Outcome listing = Examine(dir, {project});
    EXPECT_EQ(listing.status, 1) << "two listed units are missing";
    EXPECT_TRUE(listing.out.starts_with(dir / "app/forms/Main.pas\nprocedures\t3\t\tprocedure Go;\n" + parent +
                                        "/lib/Shapes.pas\n"));
    EXPECT_TRUE(Has(listing.err, "Gone.pas"));
}

TEST(VireoExamine, InstrumentsASavedUnitWithItsBackupAndListsTheMarks)
{
    TempDir dir;
    const std::string unit = dir / "Shapes.pas";
    const std::string original = ReadFile(kData + "Shapes.pas");
    WriteFile(unit, original);

    const Outcome printed = Examine(dir, {unit, "--add-debug", "functions:all", "--stdout"});
    ASSERT_EQ(printed.status, 0) << printed.err;
    EXPECT_TRUE(Has(printed.out, "  UnitFileName = '" + unit + "';"));
    EXPECT_TRUE(Has(printed.out, "  AddDebug(Self, 'function TShape.Kind: string;', mtGeneral, '','UniqueStr_"));
    EXPECT_EQ(ReadFile(unit), original) << "--stdout leaves the unit alone";
    EXPECT_FALSE(std::filesystem::exists(dir / "Shapes.BAK"));

    const Outcome added = Examine(dir, {unit, "--add-debug", "procedures:66,109", "--indent", "4", "--remote", "Bob's"});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(ReadFile(dir / "Shapes.BAK"), original);
    EXPECT_TRUE(Has(ReadFile(unit), "    AddDebug(Self, 'procedure TCircle.Log(const S: string = ''x'');', mtGeneral, "
                                    "'','UniqueStr_"));
    const Outcome replaced = Examine(dir, {unit, "--replace-code-marks", "all"});
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(ReadFile(dir / "Shapes.BAK"), original) << "the first backup stays";

    const Outcome listed = Examine(dir, {unit});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_TRUE(Has(listed.out, "procedures\t70\tinstrumented\tprocedure TShape.Describe(Lines: TStrings);\n"));
    EXPECT_TRUE(Has(listed.out, "procedures\t114\tinstrumented\tprocedure TCircle.Log(const S: string = 'x');\n"));
    EXPECT_TRUE(Has(listed.out, "procedures\t136\t\tprocedure TShapeList.Add(Shape: TShape);\n"));
    EXPECT_FALSE(Has(listed.out, "codemarks\t"));
}

TEST(VireoExamine, ErrorsExplainThemselvesAndWriteNothing)
{
    TempDir dir;
    const std::string unit = dir / "Shapes.pas";
    const std::string original = ReadFile(kData + "Shapes.pas");
    WriteFile(unit, original);
    const std::string locked = dir / "Locked.pas";
    WriteFile(locked, original);
    ::chmod(locked.c_str(), 0444);
    const std::string binary = dir / "Binary.pas";
    const char binaryBytes[] = "unit B;\0implementation\nprocedure P;\nbegin\nend;\n";
    WriteFile(binary, std::string(binaryBytes, sizeof binaryBytes - 1));
    // Refused by their kind and size before a byte is read: a pipe without a writer would block,
    // and a huge file would fill the memory.
    const std::string pipe = dir / "Pipe.pas";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const std::string huge = dir / "Huge.pas";
    WriteFile(huge, "unit Huge;\n");
    ASSERT_EQ(::truncate(huge.c_str(), off_t(vireo::kMaxUnitFileBytes + 1)), 0);
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{dir / "Missing.pas"}, 1, "Missing.pas"},
        {{dir.path().string() + "/"}, 1, "Is a directory"},
        {{unit, "--frobnicate"}, 2, "unknown option --frobnicate"},
        {{unit, "--indent", "11"}, 2, "0 to 10"},
        {{unit, "--add-debug", "fors:all"}, 2, "procedures, functions or exceptions"},
        {{unit, "--add-debug", "procedures:66,67"}, 2, "line 67 names no item of procedures"},
        {{unit, "--replace-code-marks", "12"}, 2, "line 12 names no item of codemarks"},
        {{unit, "--add-debug", "procedures:all", "--replace-code-marks", "all"}, 2, "separate runs"},
        {{unit, "--units"}, 2, ".dpr"},
        {{}, 2, "no file given"},
        {{locked, "--add-debug", "procedures:all"}, 1, "the unit is read-only"},
        {{binary, "--add-debug", "procedures:all"}, 1, "not a text file"},
        {{pipe, "--add-debug", "procedures:all"}, 1, "Not a regular file"},
        {{huge}, 1, "Larger than 256 MB"},
    };
    for (const auto& c : cases) {
        const Outcome run = Examine(dir, c.arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_TRUE(Has(run.err, c.message)) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_EQ(ReadFile(unit), original);
    EXPECT_EQ(ReadFile(locked), original);
    EXPECT_FALSE(std::filesystem::exists(dir / "Shapes.BAK"));
    EXPECT_FALSE(std::filesystem::exists(dir / "Locked.BAK"));
    EXPECT_FALSE(std::filesystem::exists(dir / "Binary.BAK"));

    const Outcome help = Examine(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--search", "--units", "--add-debug", "--replace-code-marks", "--indent", "--remote",
                               "--stdout", "Examples:"})
        EXPECT_TRUE(Has(help.out, option)) << option;
}

// Runs moments apart never repeat an ID (the command line does not wait between calls), the
// file's own line ends are kept, and a run that changes nothing writes nothing.
TEST(VireoExamine, BackToBackRunsKeepIdsDistinctAndARunThatChangesNothingWritesNothing)
{
    TempDir dir;
    const std::string unit = dir / "Loops.pas";
    std::string text = "unit Loops;\r\ninterface\r\nuses SysUtils;\n\nimplementation\n";
    for (int i = 0; i < 50; ++i)
        text += "procedure P" + std::to_string(i) + ";\nbegin\n  try X; except\n    Y;\n  end;\nend;\n";
    text += "function F: Integer;\nbegin\nend;\nend.";
    WriteFile(unit, text);
    for (const char* list : {"procedures:all", "exceptions:all", "functions:all"}) {
        const Outcome run = Examine(dir, {unit, "--add-debug", list});
        ASSERT_EQ(run.status, 0) << run.err;
    }
    const std::string instrumented = ReadFile(unit);
    std::set<std::string> ids;
    for (auto at = instrumented.find("'UniqueStr_"); at != std::string::npos; at = instrumented.find("'UniqueStr_", at + 1))
        ids.insert(instrumented.substr(at, instrumented.find('\'', at + 1) - at));
    EXPECT_EQ(ids.size(), 101u);
    EXPECT_TRUE(instrumented.starts_with("unit Loops;\r\ninterface\r\nuses SysUtils, Vireo;\n"));
    EXPECT_TRUE(instrumented.ends_with("\nend.")) << "no final line break is added";

    const std::string done = dir / "Done.pas";
    const std::string finished = "unit Done;\ninterface\nuses Vireo;\n\nConst\n  UnitFileName = 'x';\n\nimplementation\nend.\n";
    WriteFile(done, finished);
    const Outcome nothing = Examine(dir, {done, "--add-debug", "exceptions:all"});
    ASSERT_EQ(nothing.status, 0) << nothing.err;
    EXPECT_TRUE(Has(nothing.err, "nothing changed")) << nothing.err;
    EXPECT_EQ(ReadFile(done), finished);
    EXPECT_FALSE(std::filesystem::exists(dir / "Done.BAK"));
}

// In the Pascal mode a run that inserts no call (nothing to instrument, or every routine starts
// with its call already; no mark to replace) adds neither the client unit nor the constant and
// writes nothing, no backup either.
TEST(VireoExamine, ARunThatInsertsNoCallWritesNothing)
{
    TempDir dir;
    const std::string unit = dir / "Plain.pas";
    const std::string text = "unit Plain;\ninterface\nuses SysUtils;\nimplementation\nprocedure P;\nbegin\n"
                             "  AddDebug(Self, 'P', mtGeneral, '','UniqueStr_1',UnitFileName, '');\nend;\nend.\n";
    WriteFile(unit, text);
    for (const char* list : {"procedures:all", "functions:all", "exceptions:all"}) {
        const Outcome run = Examine(dir, {unit, "--pascal", "--add-debug", list});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(Has(run.err, "0 debug call(s) inserted")) << run.err;
        EXPECT_TRUE(Has(run.err, "nothing changed")) << run.err;
    }
    const Outcome marks = Examine(dir, {unit, "--pascal", "--replace-code-marks", "all"});
    ASSERT_EQ(marks.status, 0) << marks.err;
    EXPECT_TRUE(Has(marks.err, "nothing changed")) << marks.err;
    const Outcome lineRules = Examine(dir, {unit, "--add-debug", "functions:all"}); // no function: none inserted
    ASSERT_EQ(lineRules.status, 0) << lineRules.err;
    EXPECT_TRUE(Has(lineRules.err, "nothing changed")) << lineRules.err;
    EXPECT_EQ(ReadFile(unit), text);
    EXPECT_FALSE(std::filesystem::exists(dir / "Plain.BAK"));
}

// A program the command line instruments is told to have got cthreads; one that has it is not.
TEST(VireoExamine, SaysWhenItPutsCthreadsIntoAProgram)
{
    TempDir dir;
    const std::string program = dir / "Tool.pas";
    const std::string text = "program Tool;\nuses SysUtils;\nprocedure Go;\nbegin\nend;\nbegin\n  Go;\nend.\n";
    WriteFile(program, text);
    const Outcome added = Examine(dir, {program, "--pascal", "--add-debug", "procedures:all"});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_TRUE(Has(ReadFile(program), "uses {$IFDEF UNIX}cthreads,{$ENDIF} SysUtils, Vireo;"));
    EXPECT_TRUE(Has(added.err, "cthreads put first in the program's uses clause")) << added.err;

    WriteFile(program, "program Tool;\nuses cthreads, SysUtils;\nprocedure Go;\nbegin\nend;\nbegin\nend.\n");
    const Outcome named = Examine(dir, {program, "--pascal", "--add-debug", "procedures:all"});
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_TRUE(Has(ReadFile(program), "uses cthreads, SysUtils, Vireo;"));
    EXPECT_FALSE(Has(named.err, "cthreads")) << named.err;
}
