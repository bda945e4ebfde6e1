#include "PrivateBus.h"
#include "ViewerWindowFixture.h"

#include "components/GroupPanelExp.h"
#include "components/ListViewEx.h"
#include "components/PanelExpander.h"
#include "intake/VireoImpl.h"
#include "viewer/CaptionPanel.h"
#include "viewer/MainFormUnit.h"
#include "viewer/MessageListModel.h"
#include "viewer/MessageRows.h"
#include "viewer/SourceLinesModel.h"
#include "viewer/SourceNavigation.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QDialog>
#include <QScrollBar>
#include <QWindow>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <fstream>

using namespace vireo;
using vireo::test::FixedTimeConventions;
using vireo::test::Msg;
using vireo::test::NumberedLines;
using vireo::test::Texts;
using vireo::test::UnitFiles;
using vireo::test::ViewerWindow;


TEST_F(ViewerWindow, TreeLearnsClassesAndGroupsAndListsWhatTheSelectedNodeAdmits)
{
    EXPECT_EQ(form->PageControl_Main->currentIndex(), 0);
    EXPECT_EQ(form->TreeView_Main->currentItem()->text(0), "All") << "activation selects All";
    EXPECT_EQ(Children("Message Type"), (Texts{"General", "Information", "Warning", "Error"}));

    Post(Msg().Class("Foo").Text("m0").Type(0).Computer("pc1"));
    Post(Msg().Class("FOO").Text("m1").Type(2).Group("Red").Computer("PC1"));
    Post(Msg().Class("error").Text("m2").Type(3).Computer(""));
    Post(Msg().Class("").Text("m3").Type(7).Group("red"));
    EXPECT_EQ(Column(1), (Texts{"m0", "m1", "m2", "m3"}));
    form->TreeView_Main->expandAll();

    EXPECT_EQ(Children("Class"), (Texts{"No Class", "Foo"})) << "a class named like a node is not learned";
    EXPECT_EQ(Children("Group"), (Texts{"No Group", "Red"}));
    EXPECT_EQ(form->FindNode("Foo")->data(0, Qt::UserRole + 1).toInt(), 1);
    ASSERT_EQ(form->PanelExpander_Computer->ItemCount(), 2);
    EXPECT_EQ(form->PanelExpander_Computer->Item(0).Value(), "PC1");
    EXPECT_EQ(form->PanelExpander_Computer->Item(0).CheckBox()->text(), "pc1");
    EXPECT_EQ(form->PanelExpander_Computer->Item(1).CheckBox()->text(), "") << "empty computer name";

    ClickNode("Foo");
    EXPECT_EQ(Column(1), (Texts{"m0", "m1"}));
    ClickNode("No Class");
    EXPECT_EQ(Column(1), (Texts{"m3"}));
    ClickNode("Red");
    EXPECT_EQ(Column(1), (Texts{"m1", "m3"}));

    ClickNode("Error");
    EXPECT_EQ(Column(1), (Texts{"m2"}));
    Post(Msg().Class("Foo").Text("new error").Type(3));
    Post(Msg().Class("Foo").Text("new warning").Type(2));
    EXPECT_EQ(Column(1), (Texts{"m2", "new error"}));

    ClickNode("All");
    EXPECT_EQ(Column(1).size(), 6u);
}

TEST_F(ViewerWindow, FiltersPageListsWhatEveryPanelAdmitsAndRebuildsOnEachClick)
{
    Post(Msg().Class("Foo").Text("foo general").Type(0));
    Post(Msg().Class("FOO").Text("FOO general").Type(0));
    Post(Msg().Class("Foo").Text("foo warning").Type(2));
    Post(Msg().Class("error").Text("class error").Type(0));
    Post(Msg().Class("").Text("no computer").Type(1).Computer(""));

    ClickPage(ListPage::Filters);
    EXPECT_EQ(Column(1), (Texts{"foo general", "foo warning", "no computer"}))
        << "class filters compare exactly; unlearned classes never pass";

    QCheckBox* warning = FilterBox(form->PanelExpander_MessType, "2");
    ASSERT_TRUE(warning);
    warning->click();
    EXPECT_EQ(Column(1), (Texts{"foo general", "no computer"}));
    Post(Msg().Class("Foo").Text("later warning").Type(2));
    Post(Msg().Class("Foo").Text("later general").Type(0));
    EXPECT_EQ(Column(1), (Texts{"foo general", "no computer", "later general"}));

    FilterBox(form->PanelExpander_Computer, "")->click();
    EXPECT_EQ(Column(1), (Texts{"foo general", "later general"}));
}

TEST_F(ViewerWindow, PagesDecideWhatTheListShowsAndActivationReturnsToAll)
{
    EXPECT_FALSE(form->PageControl_Main->isTabVisible(static_cast<int>(ListPage::Tracking)));
    EXPECT_EQ(form->Panel_Main_Messages->height(), 250);
    Post(Msg().Class("Foo").Text("first"));
    ClickPage(ListPage::UserKeyMarks);
    EXPECT_FALSE(form->Panel_Main_Messages->isVisible());
    EXPECT_EQ(form->Panel_Main_Client_2->Caption(), "Click Right Mouse Button to Show Source Window");

    Post(Msg().Class("Bar").Text("while hidden"));
    EXPECT_TRUE(form->FindNode("Bar")) << "learned although no page shows it";
    EXPECT_EQ(Column(1), Texts{});

    ClickPage(ListPage::Messages);
    EXPECT_TRUE(form->Panel_Main_Messages->isVisible());
    EXPECT_EQ(form->Panel_Main_Client_2->Caption(), "Click Right Mouse Button to Show a Window");
    EXPECT_EQ(Column(1), (Texts{"first", "while hidden"}));

    form->TreeView_Main->expandAll();
    ClickNode("Bar");
    ClickPage(ListPage::Filters);
    EXPECT_EQ(Column(1).size(), 2u);
    form->FormActivate();
    EXPECT_EQ(form->PageControl_Main->currentIndex(), static_cast<int>(ListPage::Messages));
    EXPECT_EQ(form->TreeView_Main->currentItem()->text(0), "All");
    EXPECT_EQ(Column(1).size(), 2u);
}

TEST_F(ViewerWindow, ActivationFromAClosingDialogShowsMessagesButComingBackFromElsewhereKeepsThePage)
{
    // The focus changes as the window system reports them to the program.
    const auto focus = [](QWindow* window) { emit qApp->focusWindowChanged(window); };
    QWindow* main = form->windowHandle();
    ClickPage(ListPage::Filters);

    // The program loses the focus to another program and gets it back: the page stays.
    focus(nullptr);
    QTest::qWait(400);
    focus(main);
    EXPECT_EQ(form->PageControl_Main->currentIndex(), static_cast<int>(ListPage::Filters));

    // A dialog of the program closes; the focus passes through no window for a moment and comes
    // back to the main window: Messages and All, as at start.
    QDialog dialog(form.get());
    dialog.show();
    focus(dialog.windowHandle());
    dialog.close();
    focus(nullptr);
    focus(main);
    EXPECT_EQ(form->PageControl_Main->currentIndex(), static_cast<int>(ListPage::Messages));
    EXPECT_EQ(form->TreeView_Main->currentItem()->text(0), "All");
}

TEST_F(ViewerWindow, ClearAllMessagesResetsLearnedNodesAndEntriesButNotTypeChecks)
{
    Post(Msg().Class("Foo").Group("Red").Computer("pc1"));
    form->TreeView_Main->expandAll();
    ClickNode("Foo");
    ClickPage(ListPage::Filters);
    FilterBox(form->PanelExpander_MessType, "2")->click();
    FilterBox(form->PanelExpander_Class, "Foo")->click();

    form->ClearMessages1->trigger();
    EXPECT_EQ(Children("Class"), (Texts{"No Class"}));
    EXPECT_EQ(Children("Group"), (Texts{"No Group"}));
    EXPECT_EQ(Column(0), Texts{});
    ASSERT_EQ(form->PanelExpander_Class->ItemCount(), 1);
    EXPECT_TRUE(form->PanelExpander_Class->IsItemChecked(0));
    EXPECT_EQ(form->PanelExpander_Group->ItemCount(), 1);
    EXPECT_EQ(form->PanelExpander_Computer->ItemCount(), 0);
    EXPECT_FALSE(FilterBox(form->PanelExpander_MessType, "2")->isChecked());

    Post(Msg().Class("Foo").Text("again").Type(0));
    EXPECT_EQ(form->MessageStore->Items(0).SequenceNumber, 1);
    EXPECT_TRUE(FilterBox(form->PanelExpander_Class, "Foo")->isChecked());
    ClickPage(ListPage::Messages);
    form->FormActivate();
    EXPECT_EQ(Column(1), (Texts{"again"}));
}

TEST_F(ViewerWindow, RowsCarryTheMessageAndTypeIconsSurviveSorting)
{
    Post(Msg().Class("B").Text("odd type").Type(5).Id("ID_5").Unit("/u/B.pas").Stamp(37622.75));
    Post(Msg().Class("A").Text("warning").Type(2).Stamp(37622.25));
    Post(Msg().Class("C").Text("error").Type(3).Stamp(37622.5));
    Settle();
    MessageListModel& rows = *form->MessageRows;
    EXPECT_EQ(rows.SubItem(0, 5), "ID_5");
    EXPECT_EQ(rows.SubItem(0, 6), "/u/B.pas");
    EXPECT_EQ(rows.SubItem(0, 7), "5");
    EXPECT_EQ(rows.SubItem(0, 8), "0");
    EXPECT_EQ(Column(3), (Texts{"01/01/2003", "01/01/2003", "01/01/2003"}));
    EXPECT_TRUE(rows.index(0, 0).data(Qt::DecorationRole).isNull()) << "type 5 has no icon";

    ClickHeader(4); // "Time", ascending
    EXPECT_EQ(Column(4), (Texts{"06:00:00", "12:00:00", "18:00:00"}));
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(rows.StateImage(row), MessageTypeImage(std::string_view(rows.SubItem(row, 7)))) << row;
    EXPECT_TRUE(rows.index(2, 0).data(Qt::DecorationRole).isNull());
    ClickHeader(4);
    EXPECT_EQ(Column(1), (Texts{"odd type", "error", "warning"}));
}

TEST_F(ViewerWindow, HiddenColumnsComeBackWithTheirWidths)
{
    TListViewEx* list = form->ListViewEx_Messages;
    QAction* message = form->ColumnItems[1];
    QAction* group = form->ColumnItems[2];
    EXPECT_EQ(message->text(), "Message");
    EXPECT_EQ(list->columnWidth(1), 350);

    message->trigger();
    EXPECT_EQ(list->columnWidth(1), 0);
    EXPECT_FALSE(message->isChecked());
    list->header()->resizeSection(0, 140); // the user drags another column meanwhile
    message->trigger();
    EXPECT_EQ(list->columnWidth(1), 350);

    list->header()->resizeSection(2, 180); // dragged wider, then hidden and shown
    group->trigger();
    EXPECT_EQ(list->columnWidth(2), 0);
    group->trigger();
    EXPECT_EQ(list->columnWidth(2), 180);
}

TEST_F(ViewerWindow, TheListFollowsNewRowsUnlessHeld)
{
    for (int i = 0; i < 300; ++i)
        Post(Msg().Text("message " + std::to_string(i)));
    Settle();
    QScrollBar* scroll = form->ListViewEx_Messages->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0);
    EXPECT_EQ(scroll->value(), scroll->maximum()) << "follows to the bottom";

    form->HoldList1->trigger();
    scroll->setValue(0);
    Post(Msg().Text("held"));
    Settle();
    EXPECT_EQ(scroll->value(), 0);

    form->HoldList1->trigger();
    EXPECT_EQ(scroll->value(), 0) << "unchecking has no immediate effect";
    Post(Msg().Text("followed"));
    Settle();
    EXPECT_EQ(scroll->value(), scroll->maximum());
}


TEST_F(ViewerWindow, DoubleClickShowsTheFirstLineHoldingTheMessageId)
{
    UnitFiles files;
    std::vector<std::string> lines = NumberedLines(1000);
    lines[9] = "  AddDebug(Self, 'A_10');";
    lines[19] = "  AddDebug(Self, 'A_1');";
    lines[499] = "  AddDebug(Self, 'B_500');";
    const std::string unit = files.Write("Unit1.pas", lines);
    Post(Msg().Id("A_1").Unit(unit));
    Post(Msg().Id("B_500").Unit(unit));
    Post(Msg().Id("a_1").Unit(unit));

    DoubleClickRow(0);
    EXPECT_EQ(form->SourceRows->rowCount(), 1000);
    EXPECT_EQ(SelectedSourceRow(), 9) << "the ID inside a longer word on an earlier line";
    EXPECT_EQ(form->SourceRows->UnitCaption().toStdString(), "Unit Name : " + unit);
    EXPECT_EQ(form->CurrentUnitFile, unit);
    EXPECT_EQ(form->StatusText(), "Idle");
    EXPECT_EQ(form->SourceRows->index(9, 1).data().toString(), "10");

    DoubleClickRow(1);
    ASSERT_EQ(SelectedSourceRow(), 499);
    QTreeView* source = form->ListView_Source;
    const int viewHeight = source->viewport()->height();
    EXPECT_NEAR(source->visualRect(form->SourceRows->index(502, 0)).bottom(), viewHeight - 1, 1)
        << "lines 500 to 503 shown, the last at the bottom edge";

    DoubleClickRow(2);
    ASSERT_EQ(boxes.size(), 1u) << "the ID in another letter case is not found";
    EXPECT_EQ(boxes[0], "Message ID Not Found");
    EXPECT_EQ(statusDuringBox, "Loading Source.  Please Wait...");
    EXPECT_EQ(SelectedSourceRow(), 499) << "the view stays";
    EXPECT_EQ(form->StatusText(), "Idle");

    form->ClearSourceWindow1->trigger();
    EXPECT_EQ(form->SourceRows->rowCount(), 0);
    EXPECT_EQ(form->SourceRows->UnitCaption(), "Unit Name : <No Unit Name>");
    EXPECT_EQ(form->CurrentUnitFile, "");
}

TEST_F(ViewerWindow, UnreadableOrGrownUnitsAndTheKeyMarkItem)
{
    UnitFiles files;
    Post(Msg().Id("ID_1").Unit(files.Folder()));
    DoubleClickRow(0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].toStdString(), UnreadableUnitText(files.Folder(), "Is a directory"));
    EXPECT_EQ(form->SourceRows->rowCount(), 0);
    EXPECT_EQ(form->CurrentUnitFile, "");
    EXPECT_EQ(form->StatusText(), "Idle");

    std::vector<std::string> lines = NumberedLines(20);
    lines[4] = "  AddDebug(Self, 'ID_5');";
    const std::string unit = files.Write("Grows.pas", lines, "\n");
    Post(Msg().Id("ID_5").Unit(unit));
    DoubleClickRow(1);
    ASSERT_EQ(form->SourceRows->rowCount(), 20);
    EXPECT_EQ(SelectedSourceRow(), 4);

    lines.push_back("  AddDebug(Self, 'ID_21');");
    files.Write("Grows.pas", lines, "\n");
    Post(Msg().Id("ID_21").Unit(unit));
    DoubleClickRow(2);
    EXPECT_EQ(form->SourceRows->rowCount(), 21) << "reloaded to reach the new line";
    EXPECT_EQ(SelectedSourceRow(), 20);
    EXPECT_EQ(boxes.size(), 1u);

    QTreeView* source = form->ListView_Source;
    source->selectionModel()->clearSelection();
    QTest::mouseClick(source->viewport(), Qt::RightButton, {}, QPoint(5, source->viewport()->height() - 2));
    EXPECT_FALSE(form->AddKeyMarkwithDescription1->isEnabled());
    QTest::mouseClick(source->viewport(), Qt::LeftButton, {}, source->visualRect(form->SourceRows->index(20, 0)).center());
    EXPECT_TRUE(form->AddKeyMarkwithDescription1->isEnabled());
}

namespace {

// The window served on a private bus the way the program serves it.
class ServedViewer : public ViewerWindow {
protected:
    ServedViewer() : connection(bus.Connect(QStringLiteral("viewer"))), server(connection)
    {
        server.SetIntake(form.get());
        EXPECT_TRUE(server.Start());
    }
    ~ServedViewer() override
    {
        server.Stop();
        QDBusConnection::disconnectFromBus(QStringLiteral("viewer"));
    }

    vireo::testing::PrivateBus bus;
    QDBusConnection connection;
    VireoServer server;
};

} // namespace

TEST_F(ServedViewer, AMessagePostedFromAnotherProcessIsListedAndLeadsToItsLine)
{
    UnitFiles files;
    std::vector<std::string> lines = NumberedLines(60);
    lines[41] = "  AddDebug(Self, 'UniqueStr_4242', mtWarning);";
    const std::string unit = files.Write("Remote.pas", lines);
    const QString s = QStringLiteral("string:");
    const int posted = bus.Run(QStringLiteral("dbus-send"),
                               {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                                QStringLiteral("--dest=VireoX.Vireo"), QStringLiteral("/Vireo"),
                                QStringLiteral("VireoX.IVireo.AddTrace"), s + "TRemote", s + "from afar",
                                QStringLiteral("int32:2"), s + "mgBlue", s + "far-pc", s + "UniqueStr_4242",
                                s + QString::fromStdString(unit), QStringLiteral("double:37622.5")});
    ASSERT_EQ(posted, 0);

    ASSERT_EQ(Column(1), (Texts{"from afar"}));
    EXPECT_EQ(Column(0), (Texts{"TRemote"}));
    EXPECT_EQ(Column(5), (Texts{"far-pc"}));
    form->TreeView_Main->expandAll();
    EXPECT_TRUE(form->FindNode("TRemote"));
    DoubleClickRow(0);
    EXPECT_EQ(SelectedSourceRow(), 41);
    EXPECT_EQ(form->SourceRows->LineText(41), lines[41]);
    EXPECT_TRUE(boxes.empty());
}
