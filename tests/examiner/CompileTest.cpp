#include "examiner/ExaminerModel.h"

#include "ExaminerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace vireo;
using namespace vireo::test;

namespace {

const std::string kData = VIREO_SOURCE_DIR "/tests/examiner/data/";

void SelectAll(ExaminerList& list)
{
    for (auto& item : list)
        item.selected = true;
}

// Compiles a unit in Delphi mode beside the tests' own Vireo unit; returns fpc's exit status and
// leaves its output in log.
int CompileWithFpc(const TempDir& dir, const std::string& unit, std::string& log)
{
    const std::string logFile = dir / "fpc.log";
    const std::string command = "cd '" + dir.path().string() + "' && fpc -Mdelphi -FU. -Fu. '" + unit + "' > '" +
                                logFile + "' 2>&1";
    const int status = std::system(command.c_str());
    log = ReadFile(logFile);
    return status;
}

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

TEST(CompileWithFreePascal, AUnitInstrumentedByThePascalModeCompilesTwice)
{
    if (std::system("command -v fpc > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "Free Pascal (fpc) is not installed";
    TempDir dir;
    const std::string unit = dir / "Nesting.pas";
    WriteFile(unit, ReadFile(kData + "Nesting.pas"));
    WriteFile(dir / "Vireo.pas", ReadFile(kData + "Vireo.pas"));
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
