#include "viewer/session/KeyMarkRules.h"
#include "viewer/session/UnitSource.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace vireo;
using Lines = UnitLines;

TEST(SplitUnitLines, BreaksAtEveryKindOfLineEndAndStopsAtNul)
{
    using namespace std::string_view_literals;
    EXPECT_EQ(SplitUnitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitUnitLines("a\r\n"), (Lines{"a"})) << "no empty last line";
    EXPECT_EQ(SplitUnitLines("a\n\n"), (Lines{"a", ""}));
    EXPECT_EQ(SplitUnitLines("\r\r\n\n"), (Lines{"", "", ""})) << "CR, CR LF, LF";
    EXPECT_EQ(SplitUnitLines(""), Lines{});
    EXPECT_EQ(SplitUnitLines("one\ntwo\0three\nfour"sv), (Lines{"one", "two"}));
    EXPECT_EQ(SplitUnitLines("\0x"sv), Lines{});
    EXPECT_EQ(SplitUnitLines("  \tbegin \n"), (Lines{"  \tbegin "})) << "blanks kept";
}

TEST(LocateMessageLine, FirstLineContainingTheIdExactly)
{
    Lines lines(30, "x");
    lines[9] = "  AddDebug(Self, 'A_10');";
    lines[19] = "  AddDebug(Self, 'A_1');";
    lines[25] = "a_2";
    EXPECT_EQ(LocateMessageLine(lines, "A_1"), 9) << "the ID inside a longer word counts";
    EXPECT_EQ(LocateMessageLine(lines, "A_1'"), 19);
    EXPECT_EQ(LocateMessageLine(lines, "A_2"), -1) << "case matters";
    EXPECT_EQ(LocateMessageLine(lines, ""), -1);
    EXPECT_EQ(LocateMessageLine({}, "A_1"), -1);
}

TEST(RevealRowSequence, ShowsThreeFollowingRowsWhereTheyExist)
{
    EXPECT_EQ(RevealRowSequence(1000, 1, true), (std::vector<int>{0, 4, 1}));
    EXPECT_EQ(RevealRowSequence(1000, 499, false), (std::vector<int>{502, 499}));
    EXPECT_EQ(RevealRowSequence(1000, 997, true), (std::vector<int>{0, 997}));
    EXPECT_EQ(RevealRowSequence(1000, 996, true), (std::vector<int>{0, 999, 996}));
    EXPECT_EQ(RevealRowSequence(10, 10, true), std::vector<int>{});
}

TEST(FileUnitReader, ReadsRegularFilesAndReportsWhyOthersCannotBeRead)
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string unit = root + "/Unit1.pas";
    std::ofstream(unit, std::ios::binary) << "unit Unit1;\r\ninterface\rimplementation\n";
    FileUnitReader reader;

    EXPECT_TRUE(reader.Exists(unit));
    const UnitReadResult read = reader.Read(unit);
    ASSERT_TRUE(read.Ok);
    EXPECT_EQ(read.Lines, (Lines{"unit Unit1;", "interface", "implementation"}));

    EXPECT_FALSE(reader.Exists(root + "/Missing.pas"));
    EXPECT_FALSE(reader.Exists(""));
    EXPECT_TRUE(reader.Exists(root));
    const UnitReadResult folder = reader.Read(root);
    EXPECT_FALSE(folder.Ok);
    EXPECT_EQ(folder.Error, "Is a directory");

    const std::string pipe = root + "/Pipe.pas";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const UnitReadResult fifo = reader.Read(pipe); // must not wait for a writer
    EXPECT_FALSE(fifo.Ok);
    EXPECT_FALSE(fifo.Error.empty());

    // A huge (sparse) file is refused from its size, before any of it is read.
    const std::string huge = root + "/Huge.pas";
    ASSERT_EQ(::truncate((std::ofstream(huge), huge).c_str(), kMaxUnitFileBytes + 1), 0);
    const UnitReadResult tooLarge = reader.Read(huge);
    EXPECT_FALSE(tooLarge.Ok);
    EXPECT_EQ(tooLarge.Error, "Larger than 256 MB");

    if (::geteuid() != 0) { // permissions do not bind the super-user
        ::chmod(unit.c_str(), 0);
        const UnitReadResult denied = reader.Read(unit);
        EXPECT_FALSE(denied.Ok);
        EXPECT_EQ(denied.Error, "Permission denied");
    }
}

TEST(HasKeyMark, MatchesUnitAndLineTextIgnoringCaseAndTheNumberExactly)
{
    const std::vector<KeyMark> marks{
        {"begin", "12", "/src/Unit1.pas", ""},
        {"my note", "20", "/src/Unit1.pas", "x := 1;"},
    };
    EXPECT_TRUE(HasKeyMark(marks, "   BEGIN", "12", "/SRC/unit1.pas"));
    EXPECT_FALSE(HasKeyMark(marks, "\tbegin", "12", "/src/Unit1.pas")) << "only spaces are stripped";
    EXPECT_FALSE(HasKeyMark(marks, "begin", "012", "/src/Unit1.pas"));
    EXPECT_FALSE(HasKeyMark(marks, "begin", "12", "/src/Unit2.pas"));
    EXPECT_TRUE(HasKeyMark(marks, "  x := 1;", "20", "/src/Unit1.pas")) << "described mark";
    EXPECT_FALSE(HasKeyMark(marks, "my note", "20", "/src/Unit1.pas"));
    EXPECT_FALSE(HasKeyMark({}, "begin", "12", "/src/Unit1.pas"));
}
