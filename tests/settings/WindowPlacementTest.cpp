#include "settings/RegUtils.h"
#include "settings/WindowPlacement.h"
#include "settings/WindowPlacementWidgets.h"
#include "TempRegistry.h"

#include <QApplication>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTreeView>
#include <QWidget>

using namespace vireo;

namespace {

// A window that records what a restore does to it.
class FakeWindow final : public PlacementWindow {
public:
    WindowRect rect{10, 20, 300, 200};
    WindowShowState state = WindowShowState::Normal;
    BorderStyle border = BorderStyle::Sizeable;
    ScreenSize screen{1024, 768};
    std::vector<std::string> calls;

    WindowRect NormalRect() const override { return rect; }
    WindowShowState State() const override { return state; }
    BorderStyle Border() const override { return border; }
    ScreenSize Screen() const override { return screen; }
    void SetLeft(int left) override { rect.left = left; calls.push_back("left"); }
    void SetTop(int top) override { rect.top = top; calls.push_back("top"); }
    void SetWidth(int width) override { rect.width = width; calls.push_back("width"); }
    void SetHeight(int height) override { rect.height = height; calls.push_back("height"); }
    void SetState(WindowShowState s) override { state = s; calls.push_back("state"); }
};

class FakeColumns final : public PlacementColumns {
public:
    std::vector<int> widths;
    int Count() const override { return static_cast<int>(widths.size()); }
    int Width(int column) const override { return widths[static_cast<std::size_t>(column)]; }
    void SetWidth(int column, int width) override { widths[static_cast<std::size_t>(column)] = width; }
};

class WindowPlacement : public test::TempRegistry {
protected:
    void StorePlacement(std::string_view suffix, const RegValue& value)
    {
        auto key = RegKey::Create(RegRoot::LocalMachine, PlacementKeyPath("Vireo"));
        ASSERT_TRUE(key);
        key->SetValue(PlacementValueName("Form_Main", suffix), value);
    }

    QApplication& App() { return *qApp; }
};

} // namespace

TEST(WindowPlacementRules, KeepOnScreenLeavesPartOfTheWindowReachable)
{
    const ScreenSize screen{1024, 768};
    EXPECT_EQ(KeepOnScreen({5000, 2000, 300, 200}, screen), (WindowRect{974, 718, 300, 200}));
    EXPECT_EQ(KeepOnScreen({-900, -700, 800, 600}, screen), (WindowRect{-740, -550, 800, 600}));
    EXPECT_EQ(KeepOnScreen({-100, -100, 200, 200}, screen), (WindowRect{-100, -100, 200, 200}));
    EXPECT_EQ(RestoredColumnWidth(0), 50);
    EXPECT_EQ(RestoredColumnWidth(120), 120);
    EXPECT_EQ(RestoredColumnWidth(-3), -1) << "no width: the designed one stays";
}

TEST_F(WindowPlacement, AMaximisedWindowComesBackAtItsNormalBoundsThenMaximised)
{
    FakeWindow saved;
    saved.rect = {5000, -700, 640, 600};
    saved.state = WindowShowState::Maximised;
    SaveWindowPlacement(saved, "Vireo", "Form_Main");
    EXPECT_EQ(ReadRegInteger("WindowPlacement\\Vireo", "Form_Main : ShowCmd", -9), 2)
        << "the same branch as the helpers' base path";
    EXPECT_EQ(ReadRegInteger("WindowPlacement\\Vireo", "Form_Main : Width", -9), 640);

    FakeWindow restored;
    RestoreWindowPlacement(restored, "Vireo", "Form_Main", false);
    EXPECT_EQ(restored.rect, (WindowRect{974, -550, 640, 600}));
    EXPECT_EQ(restored.state, WindowShowState::Maximised);
    EXPECT_EQ(restored.calls.back(), "state");

    FakeWindow kept;
    RestoreWindowPlacement(kept, "Vireo", "Form_Main", true);
    EXPECT_EQ(kept.rect, (WindowRect{10, 20, 640, 600}));
}

TEST_F(WindowPlacement, ARestoreStopsSilentlyWhereAValueIsMissingOrOfAnotherType)
{
    FakeWindow untouched;
    RestoreWindowPlacement(untouched, "Vireo", "Form_Main", false);
    EXPECT_TRUE(untouched.calls.empty()) << "nothing stored yet";

    StorePlacement(" : Left", RegValue::FromDWord(100));
    StorePlacement(" : Top", RegValue::FromDWord(110));
    FakeWindow partly;
    RestoreWindowPlacement(partly, "Vireo", "Form_Main", false);
    EXPECT_EQ(partly.calls, (std::vector<std::string>{"left", "top"}));
    EXPECT_EQ(partly.rect, (WindowRect{100, 110, 300, 200}));

    StorePlacement(" : Width", RegValue::FromText("wide"));
    FakeWindow wrongType;
    EXPECT_NO_THROW(RestoreWindowPlacement(wrongType, "Vireo", "Form_Main", false));
    EXPECT_EQ(wrongType.calls, (std::vector<std::string>{"left", "top"}));

    StorePlacement(" : ShowCmd", RegValue::FromDWord(1));
    FakeWindow dialog;
    dialog.border = BorderStyle::Dialog;
    RestoreWindowPlacement(dialog, "Vireo", "Form_Main", false);
    EXPECT_EQ(dialog.calls, (std::vector<std::string>{"left", "top", "state"})) << "a fixed border keeps its size";
    EXPECT_EQ(dialog.state, WindowShowState::Minimised);
}

TEST_F(WindowPlacement, ColumnWidthsComeBackWithZeroAsFiftyAndForeignValuesIgnored)
{
    FakeColumns saved;
    saved.widths = {0, 120, 75};
    SaveColumnWidths(saved, "Vireo", "Key Marks");
    EXPECT_EQ(ReadRegInteger("WindowPlacement\\Vireo", "ReportColWidth : Key Marks[2]", -9), 75);

    FakeColumns restored;
    restored.widths = {10, 10, 10, 33};
    RestoreColumnWidths(restored, "Vireo", "Key Marks");
    EXPECT_EQ(restored.widths, (std::vector<int>{50, 120, 75, 33}));

    FakeColumns fewer;
    fewer.widths = {10};
    RestoreColumnWidths(fewer, "Vireo", "Key Marks");
    EXPECT_EQ(fewer.widths, std::vector<int>{50});

    WriteRegString("WindowPlacement\\Vireo", "ReportColWidth : Key Marks[1]", "wide");
    EXPECT_THROW(RestoreColumnWidths(restored, "Vireo", "Key Marks"), ERegistryException);
}

TEST_F(WindowPlacement, SavesIntoAHiveThatCannotBeWrittenFailWithTheFirstValueName)
{
    std::filesystem::create_directories(base_);
    std::ofstream(folder_) << "not a folder";
    FakeWindow window;
    try {
        SaveWindowPlacement(window, "Vireo", "Form_Main");
        ADD_FAILURE() << "no failure";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'Form_Main : ShowCmd'");
    }
    FakeColumns columns;
    columns.widths = {1};
    EXPECT_THROW(SaveColumnWidths(columns, "Vireo", "Messages"), ERegistryException);
    EXPECT_NO_THROW(RestoreWindowPlacement(window, "Vireo", "Form_Main", false));
    EXPECT_TRUE(window.calls.empty());
}

TEST_F(WindowPlacement, QtWindowsAndReportListsRoundTrip)
{
    App();
    QWidget saved;
    saved.setGeometry(40, 60, 320, 240);
    saved.showMaximized();
    SaveWindowPlacement(saved, "Vireo", "Form_Main");
    EXPECT_EQ(ReadRegInteger("WindowPlacement\\Vireo", "Form_Main : Width", -9), 320);

    QWidget restored;
    restored.setGeometry(0, 0, 100, 100);
    RestoreWindowPlacement(restored, "Vireo", "Form_Main", false);
    EXPECT_TRUE(restored.windowState().testFlag(Qt::WindowMaximized));
    restored.showNormal();
    EXPECT_EQ(restored.geometry(), QRect(40, 60, 320, 240));

    QWidget fixed;
    fixed.setFixedSize(200, 100);
    EXPECT_EQ(BorderStyleOf(fixed), BorderStyle::Single);
    RestoreWindowPlacement(fixed, "Vireo", "Form_Main", false);
    EXPECT_EQ(fixed.size(), QSize(200, 100));

    QStandardItemModel model(0, 3);
    QTreeView list;
    list.setModel(&model);
    list.header()->resizeSection(0, 90);
    list.header()->setSectionHidden(1, true);
    SaveColumnWidths(list, "Vireo", "Messages");
    EXPECT_EQ(ReadRegInteger("WindowPlacement\\Vireo", "ReportColWidth : Messages[1]", -9), 0);

    QTreeView again;
    again.setModel(&model);
    again.header()->setSectionHidden(1, true);
    RestoreColumnWidths(again, "Vireo", "Messages");
    EXPECT_EQ(again.header()->sectionSize(0), 90);
    EXPECT_FALSE(again.header()->isSectionHidden(1)) << "a restored width shows the column";
    EXPECT_EQ(again.header()->sectionSize(1), 50);
}
