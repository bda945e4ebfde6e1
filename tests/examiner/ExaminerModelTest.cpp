#include "examiner/ExaminerModel.h"
#include "examiner/ProjectUnits.h"

#include "ExaminerTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace vireo;
using namespace vireo::test;

namespace {

const std::vector<std::string> kSmallUnit = {
    "unit Small;", "interface", "uses SysUtils;", "implementation", "", "procedure Go;", "begin",
    "  {T=INFO x='Going';y=''}", "end;", "", "end.",
};

// The file's inode: a unit written again (atomically) gets a new one.
ino_t InodeOf(const std::string& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_ino;
}

ExaminerModel MakeModel(const std::string& path, TickSource& clock, std::vector<Share> shares = {})
{
    return ExaminerModel(path, clock, [shares] { return shares; }, "DEVPC");
}

} // namespace

TEST(ProjectUnits, RelativePathsAreResolvedAgainstTheProjectFolder)
{
    const std::vector<std::string> project = {
        "program P;",
        "{$R 'before.res'}",
        "uses",
        "  Forms,",
        "  Unit1 in 'Unit1.pas' {Form1},",
        "  Sub in 'sub\\Sub.pas',",
        "  X in '..\\..\\Lib\\X.pas',",
        "  Y in '..\\2000\\Lib\\Y.pas',",
        "  Z in './a/../b/Z.pas',",
        "  Abs in '/opt/lib/Abs.pas';",
        "begin",
        "  Late in 'Late.pas'",
        "end.",
    };
    EXPECT_EQ(LoadProjectUnits(project, "/w/proj/app/P.dpr"),
              (std::vector<std::string> {"/w/proj/app/Unit1.pas", "/w/proj/app/sub/Sub.pas", "/w/Lib/X.pas",
                                         "/w/proj/2000/Lib/Y.pas", "/w/proj/app/b/Z.pas", "/opt/lib/Abs.pas"}));
}

TEST(NetworkPath, OnlyAShareOfTheDriveRootMatchesAndTheFirstWins)
{
    const std::vector<Share> shares = {{"DOCS", "C:\\WORK"}, {"CDRIVE", "c:\\"}, {"C2", "C:\\"}, {"ROOT", "/"}};
    EXPECT_EQ(MapToNetworkPath("C:\\Work\\Unit1.pas", "DEVPC", shares), "\\\\DEVPC\\CDRIVE\\Work\\Unit1.pas");
    EXPECT_EQ(MapToNetworkPath("D:\\Work\\Unit1.pas", "DEVPC", shares), "");
    EXPECT_EQ(MapToNetworkPath("/home/u/Unit1.pas", "vm", shares), "\\\\vm\\ROOT/home/u/Unit1.pas");
    EXPECT_EQ(MapToNetworkPath("/home/u/Unit1.pas", "vm", {}), "");
    EXPECT_EQ(MapToNetworkPath("Unit1.pas", "vm", shares), "");
}

TEST(NetworkPath, ThisComputersNetworkFormLeadsBackToTheLocalPath)
{
    const std::vector<Share> shares = {{"DOCS", "/home"}, {"CDRIVE", "c:\\"}, {"ROOT", "/"}};
    for (const std::string path : {"/home/u/Unit1.pas", "/a b/It's.pas"})
        EXPECT_EQ(LocalPathOfNetworkPath(MapToNetworkPath(path, "vm", shares), "VM", shares), path);
    EXPECT_EQ(LocalPathOfNetworkPath("\\\\DevPC\\cdrive\\Work\\Unit1.pas", "DEVPC", shares), "c:\\Work\\Unit1.pas");
    for (const std::string other : {"\\\\other\\ROOT/home/u/Unit1.pas", "\\\\vm\\DOCS/u/Unit1.pas",
                                    "\\\\vm\\GONE/home/u/Unit1.pas", "\\\\vm", "\\\\vm\\ROOT", "/home/u/Unit1.pas", ""})
        EXPECT_EQ(LocalPathOfNetworkPath(other, "vm", shares), "") << other;
}

TEST(ExaminerModel, OpeningAUnitFillsItsListsAndEnablesButtonsByTab)
{
    TempDir dir;
    const std::string unit = dir / "Small.old.pas";
    WriteFile(unit, Joined(kSmallUnit));
    FixedClock clock(7);
    ExaminerModel model = MakeModel(unit, clock);
    model.Open();
    EXPECT_EQ(model.Units(), std::vector<std::string> {unit});
    EXPECT_TRUE(model.UnitLoaded());
    EXPECT_EQ(model.CurrentUnitName(), "Small");
    EXPECT_EQ(model.FilePath(), unit);
    EXPECT_EQ(model.List(ExaminerListKind::Procedures).size(), 1u);
    EXPECT_EQ(model.List(ExaminerListKind::CodeMarks).size(), 1u);
    EXPECT_TRUE(model.AddDebugEnabled());
    EXPECT_FALSE(model.CodeMarksEnabled());
    model.SetActiveTab(ExaminerListKind::CodeMarks);
    EXPECT_FALSE(model.AddDebugEnabled());
    EXPECT_TRUE(model.CodeMarksEnabled());
    model.SetIndentation(42);
    EXPECT_EQ(model.Indentation(), 10);
}

TEST(ExaminerModel, MissingFileIsReportedAndOtherExtensionsLoadNothing)
{
    TempDir dir;
    FixedClock clock(7);
    ExaminerModel missing = MakeModel(dir / "Gone.pas", clock);
    EXPECT_THROW(missing.Open(), ExaminerError);
    EXPECT_FALSE(missing.UnitLoaded());

    const std::string text = dir / "notes.txt";
    WriteFile(text, "implementation\nprocedure A;\n");
    ExaminerModel other = MakeModel(text, clock);
    other.Open();
    EXPECT_FALSE(other.UnitLoaded());
    EXPECT_TRUE(other.Units().empty());
    other.Save();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "nothing written";
}

TEST(ExaminerModel, SwitchingUnitsOfAProjectSavesEachChangedOneWithItsBackup)
{
    TempDir dir;
    const std::string project = dir / "app/Proj.dpr";
    WriteFile(project, Joined({"program Proj;", "uses", "  A in 'units\\A.pas',", "  B in '..\\shared\\B.pas',",
                               "  C in 'Missing.pas';", "begin", "end."}));
    const std::string a = dir / "app/units/A.pas";
    const std::string b = dir / "shared/B.pas";
    WriteFile(a, Joined(kSmallUnit, "\n"));
    WriteFile(b, Joined(kSmallUnit));
    FixedClock clock(1000);
    ExaminerModel model = MakeModel(project, clock, {{"ROOT", "/"}});
    model.Open();
    ASSERT_EQ(model.Units(), (std::vector<std::string> {a, b, dir / "app/Missing.pas"}));
    EXPECT_EQ(model.LocalPath(), a);
    EXPECT_EQ(model.FilePath(), "\\\\DEVPC\\ROOT" + a);

    model.List(ExaminerListKind::Procedures)[0].selected = true;
    EXPECT_EQ(model.AddDebugCode().inserted, 1);
    EXPECT_TRUE(model.List(ExaminerListKind::Procedures)[0].instrumented);
    model.SelectUnit(1);
    const std::string savedA = ReadFile(a);
    EXPECT_NE(savedA.find("  UnitFileName = '\\\\DEVPC\\ROOT" + a + "';\n"), std::string::npos);
    EXPECT_NE(savedA.find("'UniqueStr_1000'"), std::string::npos);
    EXPECT_EQ(savedA.find('\r'), std::string::npos) << "A keeps its LF line ends";
    EXPECT_EQ(ReadFile(dir / "app/units/A.BAK"), Joined(kSmallUnit, "\n"));
    EXPECT_EQ(model.CurrentUnitName(), "B");

    // Units only looked at are not written: same file (no new inode), no backup; nor is one saved
    // already and not changed since.
    const auto bInode = InodeOf(b);
    model.SelectUnit(0);
    EXPECT_EQ(InodeOf(b), bInode) << "an unchanged unit is not rewritten";
    EXPECT_FALSE(std::filesystem::exists(dir / "shared/B.BAK"));
    EXPECT_EQ(model.WorkingText().size(), kSmallUnit.size() + 5);
    model.SetActiveTab(ExaminerListKind::CodeMarks);
    EXPECT_EQ(model.ReplaceCodeMarks([] { return true; }), 1);
    model.Save();
    const auto aInode = InodeOf(a);
    model.SelectUnit(1);
    EXPECT_EQ(InodeOf(a), aInode) << "a unit saved and not changed since is not written again";
    model.SelectUnit(0);

    EXPECT_THROW(model.SelectUnit(2), ExaminerError);
    EXPECT_EQ(model.CurrentUnitName(), "A") << "a failed load keeps the previous unit";
    EXPECT_EQ(model.LocalPath(), a);
}

TEST(ExaminerModel, CodeMarkReplacementAsksWhenNothingIsChosen)
{
    TempDir dir;
    const std::string unit = dir / "Small.pas";
    WriteFile(unit, Joined(kSmallUnit));
    FixedClock clock(5);
    ExaminerModel model = MakeModel(unit, clock);
    model.Open();
    model.SetActiveTab(ExaminerListKind::CodeMarks);
    int asked = 0;
    EXPECT_EQ(model.ReplaceCodeMarks([&] { ++asked; return false; }), 0);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(model.WorkingText().size(), kSmallUnit.size() + 4) << "the constant is added even on No";
    EXPECT_EQ(model.WorkingText()[6], "uses SysUtils, Vireo;") << "the unit path of the constant holds \"vireo\"";
    EXPECT_EQ(model.List(ExaminerListKind::CodeMarks)[0].line, 12) << "the list follows the inserted constant";
    EXPECT_EQ(model.ReplaceCodeMarks([&] { ++asked; return true; }), 1);
    EXPECT_EQ(model.WorkingText()[11], "  AddDebug(Self, 'Going', mtInfo, '','UniqueStr_5',UnitFileName, '');");
}

TEST(ExaminerModel, AFailedSaveAbandonsTheSwitchAndKeepsTheChanges)
{
    TempDir dir;
    // No temporary file can stand beside a unit with so long a name, so its save fails.
    const std::string longName = std::string(248, 'L') + ".pas";
    const std::string project = dir / "P.dpr";
    WriteFile(project, Joined({"program P;", "uses", "  L in '" + longName + "',", "  S in 'Small.pas';", "begin",
                               "end."}));
    WriteFile(dir / longName, Joined(kSmallUnit));
    WriteFile(dir / "Small.pas", Joined(kSmallUnit));
    FixedClock clock(3);
    ExaminerModel model = MakeModel(project, clock);
    model.Open();
    model.List(ExaminerListKind::Procedures)[0].selected = true;
    model.AddDebugCode();
    const auto changed = model.WorkingText();
    EXPECT_THROW(model.SelectUnit(1), ExaminerError);
    EXPECT_EQ(model.CurrentUnitIndex(), 0);
    EXPECT_EQ(model.WorkingText(), changed) << "the changes are still there to be saved";
    EXPECT_EQ(ReadFile(dir / longName), Joined(kSmallUnit));
}

TEST(ExaminerModel, FreePascalFilesOpenAsTheirDelphiTwinsAndFilesThatAreNotTextAreRefused)
{
    TempDir dir;
    FixedClock clock(9);
    const std::string unit = dir / "Small.PP";
    WriteFile(unit, Joined(kSmallUnit));
    ExaminerModel pp = MakeModel(unit, clock);
    pp.Open();
    EXPECT_EQ(pp.CurrentUnitName(), "Small");
    EXPECT_EQ(pp.List(ExaminerListKind::Procedures).size(), 1u);

    const std::string project = dir / "app/Proj.lpr";
    const std::string binary = dir / "app/Bin.pas";
    WriteFile(project, Joined({"program Proj;", "uses", "  Small in '../Small.PP',", "  Bin in 'Bin.pas';", "begin", "end."}));
    WriteFile(binary, std::string("unit Bin;\0\x01\x02", 12));
    ExaminerModel lpr = MakeModel(project, clock);
    lpr.Open();
    EXPECT_EQ(lpr.Units(), (std::vector<std::string> {unit, binary}));
    EXPECT_EQ(lpr.LocalPath(), unit);
    try {
        lpr.SelectUnit(1);
        ADD_FAILURE() << "a file with NUL bytes is not a unit";
    } catch (const ExaminerError& error) {
        EXPECT_NE(std::string(error.what()).find(binary), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("not a text file"), std::string::npos) << error.what();
    }
    EXPECT_EQ(lpr.CurrentUnitIndex(), 0) << "the unit shown is still the first";
    EXPECT_EQ(lpr.LocalPath(), unit);
    EXPECT_EQ(ReadFile(binary), std::string("unit Bin;\0\x01\x02", 12));
}

// Lines added (a uses clause of its own) or removed (a mark over two lines) keep the lists
// pointing at their lines until the next rescan, and IDs already in the unit are not given again.
TEST(ExaminerModel, ListsFollowAddedAndRemovedLinesAndIdsStayDistinct)
{
    TempDir dir;
    const std::string unit = dir / "Bare.pas";
    WriteFile(unit, Joined({"unit Bare;", "interface", "", "implementation", "procedure A;", "begin",
                            "  {T=INFO x='A';", "    y=''} while X do;", "end;", "procedure B;", "begin",
                            "  AddDebug(Self, 'old', mtGeneral, '','UniqueStr_5',UnitFileName, '');", "end;", "end."},
                           "\n"));
    FixedClock clock(5, 0);
    ExaminerModel model = MakeModel(unit, clock);
    model.Open();
    model.SetActiveTab(ExaminerListKind::CodeMarks);
    EXPECT_EQ(model.ReplaceCodeMarks([] { return true; }), 1);
    EXPECT_EQ(model.WorkingText()[8], "uses Vireo;");
    EXPECT_EQ(model.WorkingText()[11],
              "  AddDebug(Self, 'A', mtInfo, '','UniqueStr_6',UnitFileName, ''); while X do;");
    ASSERT_EQ(model.List(ExaminerListKind::Whiles).size(), 1u);
    EXPECT_EQ(model.List(ExaminerListKind::Whiles)[0].line, 12) << "an item on a removed line follows its text";
    auto& procedures = model.List(ExaminerListKind::Procedures);
    ASSERT_EQ(procedures.size(), 2u);
    EXPECT_EQ(model.WorkingText()[std::size_t(procedures[1].line) - 1], "procedure B;");
    procedures[1].selected = true;
    model.SetActiveTab(ExaminerListKind::Procedures);
    EXPECT_EQ(model.AddDebugCode().inserted, 1);
    EXPECT_EQ(model.WorkingText()[15], "  AddDebug(Self, 'procedure B;', mtGeneral, '','UniqueStr_7',UnitFileName, '');");
}
