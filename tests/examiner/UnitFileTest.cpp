#include "examiner/UnitFile.h"

#include "ExaminerTestSupport.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace vireo;
using namespace vireo::test;

TEST(UnitFile, LinesAreSplitOnEitherBreakAndKeepTheFilesStyle)
{
    const UnitText crlf = SplitUnitText("a\r\nb\r\n\r\nc");
    EXPECT_EQ(crlf.lines, (std::vector<std::string> {"a", "b", "", "c"}));
    EXPECT_EQ(crlf.style, LineBreak::CrLf);
    const UnitText lf = SplitUnitText("a\nb\n");
    EXPECT_EQ(lf.lines, (std::vector<std::string> {"a", "b"}));
    EXPECT_EQ(lf.style, LineBreak::Lf);
    EXPECT_EQ(SplitUnitText("single").style, LineBreak::CrLf) << "no line break at all: lines added get CR LF";
    EXPECT_TRUE(SplitUnitText("").lines.empty());
}

TEST(UnitFile, BackupReplacesTheExtension)
{
    EXPECT_EQ(BackupPathFor("/p/Unit1.pas"), "/p/Unit1.BAK");
    EXPECT_EQ(BackupPathFor("/p/Unit1.old.pas"), "/p/Unit1.old.BAK");
    EXPECT_EQ(BackupPathFor("/p.d/Unit1"), "/p.d/Unit1.BAK");
}

TEST(UnitFile, SavingKeepsTheFirstBackupThePermissionsAndTheLineStyle)
{
    TempDir dir;
    const std::string unit = dir / "Unit1.pas";
    WriteFile(unit, "one\ntwo\n");
    ::chmod(unit.c_str(), 0751);
    UnitText text = LoadUnitText(unit);
    text.lines.push_back("three");
    SaveUnitWithBackup(unit, text);
    EXPECT_EQ(ReadFile(unit), "one\ntwo\nthree\n");
    EXPECT_EQ(ReadFile(dir / "Unit1.BAK"), "one\ntwo\n");
    struct stat st {};
    ::stat(unit.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0751u);

    text.lines = {"four"};
    SaveUnitWithBackup(unit, text);
    EXPECT_EQ(ReadFile(unit), "four\n");
    EXPECT_EQ(ReadFile(dir / "Unit1.BAK"), "one\ntwo\n") << "an existing backup is never overwritten";

    const std::string windows = dir / "Win.pas";
    WriteFile(windows, "a\r\nb");
    SaveUnitWithBackup(windows, LoadUnitText(windows));
    EXPECT_EQ(ReadFile(windows), "a\r\nb") << "no final line break is added";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4) << "no temporary file left";
}

TEST(UnitFile, FailuresNameTheFileAndLeaveUnitAndBackupAlone)
{
    TempDir dir;
    try {
        LoadUnitText(dir / "Missing.pas");
        FAIL() << "loading a missing unit must fail";
    } catch (const ExaminerError& e) {
        EXPECT_NE(std::string(e.what()).find("Missing.pas"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos);
    }

    // A name so long that no temporary file can stand beside it: the save fails before anything
    // is touched, even for root.
    const std::string unit = dir / (std::string(250, 'u') + ".pas");
    WriteFile(unit, "old\n");
    try {
        SaveUnitWithBackup(unit, UnitText {{"new"}, LineBreak::Lf});
        FAIL() << "the save must fail";
    } catch (const ExaminerError& e) {
        EXPECT_NE(std::string(e.what()).find(unit), std::string::npos);
    }
    EXPECT_EQ(ReadFile(unit), "old\n");
    EXPECT_FALSE(std::filesystem::exists(BackupPathFor(unit)));

    // A backup that cannot be written (a file-size limit standing for a full disk) stops the save,
    // though the shorter new text would fit.
    const std::string large = dir / "Large.pas";
    const std::string original(64 * 1024, 'x');
    WriteFile(large, original);
    rlimit usual {};
    ::getrlimit(RLIMIT_FSIZE, &usual);
    const rlimit limited {4096, usual.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limited);
    std::string failure;
    try {
        SaveUnitWithBackup(large, UnitText {{"new"}, LineBreak::Lf});
    } catch (const ExaminerError& e) {
        failure = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &usual);
    EXPECT_NE(failure.find("Large.BAK\" cannot be made (File too large)"), std::string::npos) << failure;
    EXPECT_EQ(ReadFile(large), original);
    EXPECT_FALSE(std::filesystem::exists(dir / "Large.BAK")) << "no half-written backup is left";
}

TEST(UnitFile, EveryLineKeepsItsOwnBreakAndTextThatIsNotTextIsRefused)
{
    const std::string mixed = "a\r\nb\nc\rd\r\n\re";
    UnitText text = SplitUnitText(mixed);
    EXPECT_EQ(text.lines, (std::vector<std::string> {"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(JoinUnitText(text), mixed) << "no final break is added";
    text.InsertLines(2, {"x"});
    text.InsertLines(text.lines.size(), {"end."});
    EXPECT_EQ(JoinUnitText(text), "a\r\nb\nx\r\nc\rd\r\n\re\r\nend.") << "added lines end in the first break's style";
    EXPECT_EQ(JoinUnitText(SplitUnitText("x\ry\r")), "x\ry\r");
    EXPECT_EQ(SplitUnitText("x\ry\r").style, LineBreak::Cr);
    // Lines added where a lone CR would meet an empty line's LF still read back as written.
    UnitText crFirst = SplitUnitText("a\rb\n\n");
    crFirst.InsertLines(2, {"x"});
    UnitText lfFirst = SplitUnitText("a\nb\rc");
    lfFirst.InsertLines(2, {""});
    for (const UnitText* added : {&crFirst, &lfFirst})
        EXPECT_EQ(SplitUnitText(JoinUnitText(*added)).lines, added->lines) << JoinUnitText(*added);

    TempDir dir;
    const std::string binary = dir / "Data.pas";
    WriteFile(binary, std::string("unit X;\0\1", 9));
    try {
        LoadUnitText(binary);
        FAIL() << "a file holding NUL bytes is not a unit";
    } catch (const ExaminerError& e) {
        EXPECT_NE(std::string(e.what()).find("not a text file"), std::string::npos) << e.what();
    }

    const std::string locked = dir / "Locked.pas";
    WriteFile(locked, "old\n");
    ::chmod(locked.c_str(), 0444);
    try {
        SaveUnitWithBackup(locked, UnitText {{"new"}});
        FAIL() << "a read-only unit is not overwritten";
    } catch (const ExaminerError& e) {
        EXPECT_NE(std::string(e.what()).find("the unit is read-only"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFile(locked), "old\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "Locked.BAK"));
}
