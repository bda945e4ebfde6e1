#include "viewer/session/SourceNavigation.h"
#include "ViewerTestMessages.h"

#include <gtest/gtest.h>

#include <map>

using namespace vireo;
using vireo::test::Msg;
using vireo::test::Post;

namespace {

// Unit files held in memory; a path mapped to an error text exists but cannot be read.
class FakeReader : public UnitReader {
public:
    std::map<std::string, UnitLines> files;
    std::map<std::string, std::string> unreadable;
    int reads = 0;

    bool Exists(const std::string& path) override
    {
        return files.count(path) || unreadable.count(path);
    }
    UnitReadResult Read(const std::string& path) override
    {
        ++reads;
        UnitReadResult result;
        if (auto bad = unreadable.find(path); bad != unreadable.end()) {
            result.Error = bad->second;
            return result;
        }
        result.Ok = true;
        result.Lines = files.at(path);
        return result;
    }
};

// Records what navigation does to the source window.
class FakePane : public SourcePane {
public:
    std::string unit;
    UnitLines rows;
    std::vector<std::string> log;

    const std::string& CurrentUnitFile() const override { return unit; }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    void ClearUnit() override
    {
        rows.clear();
        unit.clear();
        log.push_back("clear");
    }
    void LoadUnitSource(const std::string& path, UnitLines lines) override
    {
        unit = path;
        rows = std::move(lines);
        log.push_back("load " + path);
    }
    void RevealSourceRow(int row) override { log.push_back("reveal " + std::to_string(row)); }
    void ShowMessage(const std::string& text) override { log.push_back("box " + text); }
};

using Log = std::vector<std::string>;

UnitLines UnitWith(int count, int idLine, const std::string& id)
{
    UnitLines lines(static_cast<std::size_t>(count), "  x := 1;");
    lines[static_cast<std::size_t>(idLine)] = "  AddDebug(Self, '" + id + "');";
    return lines;
}

SourceRequest RequestFor(const TTraceInfo& m)
{
    return {m.MessageID.str(), m.UnitFileName.str(), m.SequenceNumber};
}

struct SourceNavigation : ::testing::Test {
    MessageStore store;
    FakeReader reader;
    FakePane pane;
    void Show(const TTraceInfo& m)
    {
        const SourceRequest request = RequestFor(m);
        ShowMessageSource(store, &request, pane, reader);
    }
};

} // namespace

TEST_F(SourceNavigation, LoadsAnotherUnitAndRevealsTheIdLine)
{
    reader.files["/src/Unit1.pas"] = UnitWith(50, 30, "ID_7");
    Show(Post(store, Msg().Id("ID_7").Unit("/src/Unit1.pas")));
    EXPECT_EQ(pane.log, (Log{"clear", "load /src/Unit1.pas", "reveal 30"}));

    pane.log.clear();
    reader.reads = 0;
    Show(Post(store, Msg().Id("ID_7").Unit("/SRC/unit1.PAS")));
    EXPECT_EQ(pane.log, Log{}) << "the case-only different path names no file here";
    reader.files["/SRC/unit1.PAS"] = reader.files["/src/Unit1.pas"];
    Show(store.Items(1));
    EXPECT_EQ(pane.log, (Log{"reveal 30"})) << "the same unit is searched, not reloaded";
    EXPECT_EQ(pane.unit, "/src/Unit1.pas");
}

TEST_F(SourceNavigation, ReportsAnIdThatNoLineHolds)
{
    reader.files["/src/Empty.pas"] = {};
    Show(Post(store, Msg().Id("ID_1").Unit("/src/Empty.pas")));
    EXPECT_EQ(pane.log, (Log{"clear", "load /src/Empty.pas", "box Message ID Not Found"}));

    pane.log.clear();
    Show(Post(store, Msg().Id("ID_1").Unit("/src/Gone.pas")));
    EXPECT_EQ(pane.log, (Log{"clear", "box Message ID Not Found"}));
    EXPECT_EQ(pane.unit, "");
}

TEST_F(SourceNavigation, EmptyUnitNameDoesNothingUntilAUnitIsShown)
{
    const TTraceInfo& noUnit = Post(store, Msg().Unit(""));
    Show(noUnit);
    EXPECT_EQ(pane.log, Log{});

    reader.files["/src/Unit1.pas"] = UnitWith(5, 1, "ID_2");
    Show(Post(store, Msg().Id("ID_2")));
    pane.log.clear();
    Show(noUnit);
    EXPECT_EQ(pane.log, (Log{"clear", "box Message ID Not Found"}));
}

TEST_F(SourceNavigation, MissingMessageOrNoSelectionChangesLittle)
{
    ShowMessageSource(store, nullptr, pane, reader);
    EXPECT_EQ(pane.log, Log{});

    const SourceRequest forgotten{"ID_1", "/src/Unit1.pas", 42};
    ShowMessageSource(store, &forgotten, pane, reader);
    EXPECT_EQ(pane.log, (Log{"clear"})) << "no message box";
}

TEST_F(SourceNavigation, UnreadableUnitIsReportedByNameAndReason)
{
    reader.unreadable["/src/Locked.pas"] = "Permission denied";
    Show(Post(store, Msg().Unit("/src/Locked.pas")));
    EXPECT_EQ(pane.log, (Log{"clear", "box " + UnreadableUnitText("/src/Locked.pas", "Permission denied")}));
    EXPECT_NE(UnreadableUnitText("/src/Locked.pas", "Permission denied").find("/src/Locked.pas"),
              std::string::npos);
    EXPECT_EQ(pane.unit, "");

    // A unit already shown that became unreadable keeps its rows.
    reader.unreadable.clear();
    reader.files["/src/Unit1.pas"] = UnitWith(5, 1, "ID_2");
    Show(Post(store, Msg().Id("ID_2")));
    reader.files.clear();
    reader.unreadable["/src/Unit1.pas"] = "Is a directory";
    pane.log.clear();
    Show(store.Items(1));
    EXPECT_EQ(pane.log, (Log{"box " + UnreadableUnitText("/src/Unit1.pas", "Is a directory")}));
    EXPECT_EQ(pane.RowCount(), 5);
}

TEST_F(SourceNavigation, SameUnitKeepsItsRowsUnlessTheIdLiesBeyondThem)
{
    reader.files["/src/Unit1.pas"] = UnitWith(10, 2, "ID_1");
    Show(Post(store, Msg().Id("ID_1")));

    reader.files["/src/Unit1.pas"] = UnitWith(10, 8, "ID_1");
    pane.log.clear();
    Show(store.Items(0));
    EXPECT_EQ(pane.log, (Log{"reveal 8"})) << "shown rows are not rebuilt";

    UnitLines grown = UnitWith(20, 15, "ID_9");
    reader.files["/src/Unit1.pas"] = grown;
    pane.log.clear();
    Show(Post(store, Msg().Id("ID_9")));
    EXPECT_EQ(pane.log, (Log{"clear", "load /src/Unit1.pas", "reveal 15"}));
    EXPECT_EQ(pane.rows, grown);

    reader.files.clear();
    pane.log.clear();
    Show(store.Items(1));
    EXPECT_EQ(pane.log, Log{}) << "a vanished file changes nothing";
}
