#include "ViewerWindowFixture.h"

#include "components/GroupPanelExp.h"
#include "viewer/panes/CaptionPanel.h"

#include <QAccessible>
#include <QDialog>
#include <QScrollBar>
#include <QSplitter>
#include <QWindow>

using namespace vireo;
using namespace vireo::test;

TEST_F(ViewerWindow, TreeLearnsClassesAndGroupsAndListsWhatTheSelectedNodeAdmits)
{
    EXPECT_EQ(ui->PageControl_Main->currentIndex(), 0);
    EXPECT_EQ(ui->TreeView_Main->currentItem()->text(0), "All") << "activation selects All";
    EXPECT_EQ(Children("Message Type"), (Texts{"General", "Information", "Warning", "Error"}));

    Post(Msg().Class("Foo").Text("m0").Type(0).Computer("pc1"));
    Post(Msg().Class("FOO").Text("m1").Type(2).Group("Red").Computer("PC1"));
    Post(Msg().Class("error").Text("m2").Type(3).Computer(""));
    Post(Msg().Class("").Text("m3").Type(7).Group("red"));
    EXPECT_EQ(Column(1), (Texts{"m0", "m1", "m2", "m3"}));
    ui->TreeView_Main->expandAll();

    EXPECT_EQ(Children("Class"), (Texts{"No Class", "Foo"})) << "a class named like a node is not learned";
    EXPECT_EQ(Children("Group"), (Texts{"No Group", "Red"}));
    EXPECT_EQ(FindNode("Foo")->data(0, Qt::UserRole + 1).toInt(), 1);
    ASSERT_EQ(ui->PanelExpander_Computer->ItemCount(), 2);
    EXPECT_EQ(ui->PanelExpander_Computer->Item(0).Value(), "PC1");
    EXPECT_EQ(ui->PanelExpander_Computer->Item(0).Caption(), "pc1");
    EXPECT_EQ(ui->PanelExpander_Computer->Item(1).Caption(), "") << "empty computer name";

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

    ClickFilter(ui->PanelExpander_MessType, "2");
    EXPECT_EQ(Column(1), (Texts{"foo general", "no computer"}));
    Post(Msg().Class("Foo").Text("later warning").Type(2));
    Post(Msg().Class("Foo").Text("later general").Type(0));
    EXPECT_EQ(Column(1), (Texts{"foo general", "no computer", "later general"}));

    ClickFilter(ui->PanelExpander_Computer, "");
    EXPECT_EQ(Column(1), (Texts{"foo general", "later general"}));
}

TEST_F(ViewerWindow, HugeNamesShowShortenedEverywhereAndAreMatchedWhole)
{
    // Two-byte characters: the shortening counts characters, and the two names differ only
    // past the shown part.
    const std::string shown = [] {
        std::string text;
        for (int i = 0; i < 4096; ++i)
            text += "\xC3\xA9"; // é
        return text;
    }();
    const std::string first = shown + "-first", second = shown + "-second";
    Post(Msg().Class(first).Computer(first).Text("one"));
    Post(Msg().Class(second).Text("two"));
    const QString caption = QString::fromUtf8(shown) + QChar(0x2026);
    ui->TreeView_Main->expandAll();

    QTreeWidgetItem* classes = FindNode(QStringLiteral("Class"));
    ASSERT_EQ(classes->childCount(), 3) << "names equal in their shown part are still two";
    for (QTreeWidgetItem* node : {classes->child(1), classes->child(2)}) {
        EXPECT_EQ(node->text(0), caption);
        ui->TreeView_Main->scrollToItem(node);
        QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(ui->TreeView_Main);
        const int cell = tree->indexOfChild(tree->childAt(
            ui->TreeView_Main->viewport()->mapToGlobal(ui->TreeView_Main->visualItemRect(node).center()).x(),
            ui->TreeView_Main->viewport()->mapToGlobal(ui->TreeView_Main->visualItemRect(node).center()).y()));
        ASSERT_GE(cell, 0);
        EXPECT_EQ(tree->child(cell)->text(QAccessible::Name), caption);
    }
    ui->TreeView_Main->setCurrentItem(classes->child(2));
    EXPECT_EQ(Column(1), (Texts{"two"})) << "the node's rule reads the whole name";

    TPanelExpander* panel = ui->PanelExpander_Class;
    ASSERT_EQ(panel->ItemCount(), 3);
    EXPECT_EQ(panel->Item(1).Caption(), caption);
    EXPECT_EQ(panel->Item(1).Value(), first);
    EXPECT_EQ(panel->IndexOfValue(second), 2);
    EXPECT_EQ(ui->PanelExpander_Computer->Item(0).Caption(), caption);
    ClickPage(ListPage::Filters);
    EXPECT_EQ(Column(1), (Texts{"one", "two"})) << "each message's whole names find their own entries";
    ClickFilter(ui->PanelExpander_Class, first);
    EXPECT_EQ(Column(1), (Texts{"two"})) << "the click reached the entry of the whole first name";
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(ui->PanelExpander_Class->ListView());
    ASSERT_EQ(list->childCount(), 3);
    EXPECT_EQ(list->child(1)->text(QAccessible::Name), caption);
    EXPECT_TRUE(list->child(1)->state().checkable);
    EXPECT_FALSE(list->child(1)->state().checked);
    EXPECT_TRUE(list->child(2)->state().checked);
}

TEST_F(ViewerWindow, PagesDecideWhatTheListShowsAndActivationReturnsToAll)
{
    EXPECT_FALSE(ui->PageControl_Main->isTabVisible(static_cast<int>(ListPage::Tracking)));
    EXPECT_EQ(ui->Panel_Main_Messages->height(), 250);
    Post(Msg().Class("Foo").Text("first"));
    ClickPage(ListPage::UserKeyMarks);
    EXPECT_FALSE(ui->Panel_Main_Messages->isVisible());
    EXPECT_EQ(ui->Panel_Main_Client_2->Caption(), "Click Right Mouse Button to Show Source Window");

    Post(Msg().Class("Bar").Text("while hidden"));
    EXPECT_TRUE(FindNode("Bar")) << "learned although no page shows it";
    EXPECT_EQ(Column(1), Texts{});

    ClickPage(ListPage::Messages);
    EXPECT_TRUE(ui->Panel_Main_Messages->isVisible());
    EXPECT_EQ(ui->Panel_Main_Client_2->Caption(), "Click Right Mouse Button to Show a Window");
    EXPECT_EQ(Column(1), (Texts{"first", "while hidden"}));

    ui->TreeView_Main->expandAll();
    ClickNode("Bar");
    ClickPage(ListPage::Filters);
    EXPECT_EQ(Column(1).size(), 2u);
    form->FormActivate();
    EXPECT_EQ(ui->PageControl_Main->currentIndex(), static_cast<int>(ListPage::Messages));
    EXPECT_EQ(ui->TreeView_Main->currentItem()->text(0), "All");
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
    EXPECT_EQ(ui->PageControl_Main->currentIndex(), static_cast<int>(ListPage::Filters));

    // A dialog of the program closes; the focus passes through no window for a moment and comes
    // back to the main window: Messages and All, as at start.
    QDialog dialog(form.get());
    dialog.show();
    focus(dialog.windowHandle());
    dialog.close();
    focus(nullptr);
    focus(main);
    EXPECT_EQ(ui->PageControl_Main->currentIndex(), static_cast<int>(ListPage::Messages));
    EXPECT_EQ(ui->TreeView_Main->currentItem()->text(0), "All");
}

TEST_F(ViewerWindow, AMenuClosingIsNoActivationAndEveryTabFitsAtTheDefaultSize)
{
    const auto focus = [](QWindow* window) { emit qApp->focusWindowChanged(window); };
    // A choice from the View menu, as a keyboard or a screen reader makes it: the menu has the
    // focus, closes, and the focus comes back to the main window.
    const auto chooseFromView = [&](QAction* item) {
        ui->View1->popup(form->mapToGlobal(QPoint(0, 0)));
        focus(ui->View1->windowHandle());
        item->trigger();
        ui->View1->close();
        focus(nullptr);
        focus(form->windowHandle());
    };
    chooseFromView(ui->ExpertMode1);
    EXPECT_EQ(ui->PageControl_Main->currentIndex(), static_cast<int>(ListPage::Tracking));
    QTabBar* tabs = ui->PageControl_Main->tabBar();
    EXPECT_LE(tabs->tabRect(static_cast<int>(ListPage::Tracking)).right(), tabs->width())
        << "no tab behind the scroll arrows";

    ClickPage(ListPage::UserKeyMarks);
    chooseFromView(ui->MessagesWindow1);
    chooseFromView(ui->MessagesWindow1);
    EXPECT_TRUE(ui->MessagesWindow1->isChecked());
    EXPECT_EQ(ui->PageControl_Main->currentIndex(), static_cast<int>(ListPage::UserKeyMarks));
    EXPECT_FALSE(ui->Panel_Main_Messages->isVisible()) << "hidden on the key marks page whatever the toggle";
    ClickPage(ListPage::Filters);
    EXPECT_TRUE(ui->Panel_Main_Messages->isVisible());
}
