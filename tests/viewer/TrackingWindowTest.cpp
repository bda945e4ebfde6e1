#include "ViewerWindowFixture.h"

#include "settings/RegUtils.h"
#include "viewer/window/MainFormUnit.h"
#include "viewer/panes/MessageListModel.h"
#include "viewer/panes/NewMessageTrack.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <cstdlib>

using namespace vireo;
using namespace vireo::test;

namespace {

// What the add-track dialog is asked: the text typed and the boxes clicked, then OK or Cancel.
struct DialogInput {
    std::string text;
    bool exact = false, startWith = false, containing = false;
    bool ok = true;
};

// The real main window offscreen over a hive folder of its own, so the user's settings are never
// touched; a test may close and reopen the window over the same folder.
class TrackingWindow : public ::testing::Test {
protected:
    TrackingWindow() { Open(); }

    ~TrackingWindow() override { Close(); }

    void Open()
    {
        session = std::make_unique<TraceSession>(std::make_unique<FixedTimeConventions>("%d/%m/%Y"));
        form = std::make_unique<TForm_Main>(*session);
        ui.emplace(*form);
        form->Dialogs.ShowMessageBox = [this](const QString& text) { boxes.push_back(text.toStdString()); };
        form->Dialogs.ShowNewTrackDialog = [this](TForm_NewMessageTrack& dialog) { return Answer(dialog); };
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QCoreApplication::processEvents();
    }

    void Close()
    {
        ui.reset();
        form.reset();
        session.reset();
    }

    void Reopen()
    {
        Close();
        Open();
    }

    // Fills in and closes the dialog as the user would, checking its initial state.
    int Answer(TForm_NewMessageTrack& dialog)
    {
        dialog.ShowMessageBox = [this](const QString& text) { refusals.push_back(text.toStdString()); };
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), "Add New Message Track");
        EXPECT_TRUE(dialog.Edit_Message->text().isEmpty());
        EXPECT_FALSE(dialog.Button_Ok->isEnabled()) << "OK waits for a checked box";
        QTest::keyClicks(dialog.Edit_Message, QString::fromStdString(input.text));
        const auto click = [](QCheckBox* box, bool wanted) {
            if (wanted)
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
        };
        click(dialog.CheckBox_Exact, input.exact);
        click(dialog.CheckBox_StartWith, input.startWith);
        click(dialog.CheckBox_Containing, input.containing);
        QTest::mouseClick(input.ok ? dialog.Button_Ok : dialog.Button_Cancel, Qt::LeftButton);
        return dialog.result();
    }

    void AddTracks(DialogInput wanted)
    {
        input = std::move(wanted);
        ui->AddNewMessageTrack1->trigger();
    }

    void Post(const Msg& m) { vireo::test::Post(*session, m); }

    // The message texts the list shows, top to bottom.
    Texts Listed()
    {
        ui->MessageRows->FlushAppendedRows();
        QCoreApplication::processEvents();
        Texts texts;
        for (int row = 0; row < ui->MessageRows->rowCount(); ++row)
            texts.push_back(ui->MessageRows->SubItem(row, 0));
        return texts;
    }

    // The tracks under each root, as "root/caption".
    Texts TrackNodes()
    {
        Texts nodes;
        QTreeWidget* tree = ui->TreeView_Tracking;
        for (int root = 0; root < tree->topLevelItemCount(); ++root)
            for (int i = 0; i < tree->topLevelItem(root)->childCount(); ++i)
                nodes.push_back(tree->topLevelItem(root)->text(0).toStdString() + "/"
                                + tree->topLevelItem(root)->child(i)->text(0).toStdString());
        return nodes;
    }

    Texts TrackListTexts()
    {
        Texts texts;
        for (int i = 0; i < session->Tracks().List().Count(); ++i)
            texts.push_back(std::to_string(session->Tracks().List().Items(i).TrackKind) + ":"
                            + session->Tracks().List().Items(i).MessageText);
        return texts;
    }

    void ClickTrackNode(int root, int child)
    {
        QTreeWidget* tree = ui->TreeView_Tracking;
        tree->expandAll();
        QTreeWidgetItem* node = child < 0 ? tree->topLevelItem(root) : tree->topLevelItem(root)->child(child);
        ASSERT_TRUE(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
        ASSERT_EQ(tree->currentItem(), node);
    }

    void SetExpertMode(bool on)
    {
        if (ui->ExpertMode1->isChecked() != on)
            ui->ExpertMode1->trigger();
    }

    void ClickPage(ListPage page)
    {
        QTabBar* tabs = ui->PageControl_Main->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(static_cast<int>(page)).center());
        ASSERT_EQ(ui->PageControl_Main->currentIndex(), static_cast<int>(page));
    }

    bool TrackingTabShown() const
    {
        return ui->PageControl_Main->isTabVisible(static_cast<int>(ListPage::Tracking));
    }

    HiveFolderScope hive_;
    std::unique_ptr<TraceSession> session;
    std::unique_ptr<TForm_Main> form;
    std::optional<WindowParts> ui;
    DialogInput input;
    Texts boxes, refusals;
};

} // namespace

TEST_F(TrackingWindow, ExpertModeOffersTrackingAndSwitchesPagesWithoutRefillingTheList)
{
    Texts menus;
    for (QAction* menu : form->menuBar()->actions())
        menus.push_back(menu->text().toStdString());
    EXPECT_EQ(menus, (Texts{"&File", "&View", "&Message Options", "&Help"}));
    Texts options;
    for (QAction* item : ui->MessageOptions1->actions())
        options.push_back(item->isSeparator() ? "-" : item->text().toStdString());
    EXPECT_EQ(options, (Texts{"&Add Message Track", "-", "Clear All &Messages", "Clear All Message &Tracking",
                              "Clear All &User Key Marks", "Clear &Source Window", "-", "&Highlight Rules...",
                              "Filter &Presets"}));
    EXPECT_EQ(ui->View1->accessibleName(), "View");
    EXPECT_EQ(ui->TreeView_Tracking->accessibleName(), "Tracking");
    EXPECT_FALSE(ui->ExpertMode1->isChecked());
    EXPECT_FALSE(TrackingTabShown());
    EXPECT_FALSE(ui->MessageTracking1->isVisible());
    EXPECT_FALSE(ui->MessageTracking1Separator->isVisible());
    EXPECT_TRUE(ui->ClearAllMessageTracking1->isVisible());

    Texts roots;
    for (int root = 0; root < ui->TreeView_Tracking->topLevelItemCount(); ++root)
        roots.push_back(ui->TreeView_Tracking->topLevelItem(root)->text(0).toStdString());
    EXPECT_EQ(roots, (Texts{"Exact Track", "Starting With Track", "Containing Track"}));
    EXPECT_EQ(ui->TreeView_Tracking->topLevelItem(1)->data(0, Qt::UserRole + 1).toInt(), 2);

    Post(Msg().Text("alpha"));
    Post(Msg().Text("beta"));
    EXPECT_EQ(Listed(), (Texts{"alpha", "beta"}));
    SetExpertMode(true);
    EXPECT_TRUE(TrackingTabShown());
    EXPECT_TRUE(ui->MessageTracking1->isVisible());
    EXPECT_TRUE(ui->MessageTracking1Separator->isVisible());
    EXPECT_EQ(ui->PageControl_Main->currentIndex(), static_cast<int>(ListPage::Tracking));
    EXPECT_EQ(Listed(), (Texts{"alpha", "beta"})) << "the list keeps its rows until a track is selected";

    input = {"alp", false, false, true};
    ui->MessageTracking1->trigger();
    ClickTrackNode(tkContaining, 0);
    EXPECT_EQ(Listed(), (Texts{"alpha"}));

    SetExpertMode(false);
    EXPECT_FALSE(TrackingTabShown());
    EXPECT_FALSE(ui->MessageTracking1->isVisible());
    EXPECT_FALSE(ui->MessageTracking1Separator->isVisible());
    EXPECT_EQ(ui->PageControl_Main->currentIndex(), static_cast<int>(ListPage::Messages));
    EXPECT_EQ(Listed(), (Texts{"alpha"})) << "switching back by program refills nothing";
    Post(Msg().Text("gamma"));
    EXPECT_EQ(Listed(), (Texts{"alpha", "gamma"})) << "the Messages page lists new messages again";
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TrackingWindow, AddTrackDialogAddsEachCheckedKindAndRefusesTakenOnes)
{
    SetExpertMode(true);
    AddTracks({"Timeout", true, true, true});
    EXPECT_EQ(TrackNodes(), (Texts{"Exact Track/Timeout", "Starting With Track/Timeout", "Containing Track/Timeout"}));
    EXPECT_EQ(TrackListTexts(), (Texts{"0:Timeout", "1:Timeout", "2:Timeout"}));
    EXPECT_EQ(ui->TreeView_Tracking->topLevelItem(0)->child(0)->data(0, Qt::UserRole + 1).toInt(), 1);
    EXPECT_TRUE(refusals.empty());

    AddTracks({"TIMEOUT", true, false, false});
    EXPECT_EQ(refusals, (Texts{"Failed to add exact track.  Tracking name already exists!"}));
    AddTracks({"timeOUT", false, true, true});
    EXPECT_EQ(refusals, (Texts{"Failed to add exact track.  Tracking name already exists!",
                               "Failed to add starting with track.  Tracking name already exists!",
                               "Failed to add containing track.  Tracking name already exists!"}));
    EXPECT_EQ(TrackListTexts().size(), 3u) << "refused kinds add nothing";

    refusals.clear();
    ASSERT_EQ(ui->ClearAllMessageTracking1->isEnabled(), true);
    ui->ClearAllMessageTracking1->trigger();
    AddTracks({"TIMEOUT", true, false, false});
    AddTracks({"Timeout", true, true, false});
    EXPECT_EQ(refusals, (Texts{"Failed to add exact track.  Tracking name already exists!"}));
    EXPECT_EQ(TrackNodes(), (Texts{"Exact Track/TIMEOUT", "Starting With Track/Timeout"}))
        << "a refused kind leaves the other checked kinds of the same dialog to be added";

    AddTracks({"never", true, true, true, false});
    AddTracks({"", false, true, false});
    EXPECT_EQ(TrackNodes(), (Texts{"Exact Track/TIMEOUT", "Starting With Track/Timeout", "Starting With Track/"}))
        << "Cancel adds nothing; an empty text is accepted";
}

TEST_F(TrackingWindow, SelectedTrackListsStoredAndArrivingMatchesUntilDeletedOrCleared)
{
    Post(Msg().Text("Error in module"));
    Post(Msg().Text("An error"));
    Post(Msg().Text("ERROR"));
    SetExpertMode(true);
    AddTracks({"error", false, true, true});
    AddTracks({"err", true, false, false});
    AddTracks({"zzz", false, true, false});

    ClickTrackNode(tkStartWith, 0);
    EXPECT_EQ(Listed(), (Texts{"Error in module", "ERROR"}));
    Post(Msg().Text("error later"));
    Post(Msg().Text("later error"));
    EXPECT_EQ(Listed(), (Texts{"Error in module", "ERROR", "error later"}));
    ClickTrackNode(tkContaining, 0);
    EXPECT_EQ(Listed(), (Texts{"Error in module", "An error", "ERROR", "error later", "later error"}));
    ClickTrackNode(tkExact, 0);
    EXPECT_TRUE(Listed().empty());
    Post(Msg().Text("ERR"));
    EXPECT_EQ(Listed(), (Texts{"ERR"}));
    ClickTrackNode(tkExact, -1);
    EXPECT_TRUE(Listed().empty()) << "a root lists nothing";
    Post(Msg().Text("ERR"));
    EXPECT_TRUE(Listed().empty());
    EXPECT_FALSE(ui->DeleteMessageTrack1->isEnabled());
    ui->DeleteMessageTrack1->trigger();
    EXPECT_EQ(TrackListTexts().size(), 4u) << "deleting with a root selected does nothing";

    ClickPage(ListPage::Messages);
    ClickPage(ListPage::Tracking);
    EXPECT_TRUE(Listed().empty()) << "switching to Tracking with a root selected";
    ClickTrackNode(tkStartWith, 0);
    EXPECT_TRUE(ui->DeleteMessageTrack1->isEnabled());
    ui->DeleteMessageTrack1->trigger();
    EXPECT_EQ(TrackListTexts(), (Texts{"2:error", "0:err", "1:zzz"}));
    EXPECT_EQ(TrackNodes(), (Texts{"Exact Track/err", "Starting With Track/zzz", "Containing Track/error"}));
    EXPECT_EQ(ui->TreeView_Tracking->currentItem()->text(0), "zzz") << "the selection moves on";
    EXPECT_TRUE(Listed().empty()) << "and the list follows it";
    Post(Msg().Text("error again"));
    EXPECT_TRUE(Listed().empty()) << "the deleted track tracks no more";
    Post(Msg().Text("ZZZ top"));
    EXPECT_EQ(Listed(), (Texts{"ZZZ top"}));

    ClickTrackNode(tkContaining, 0);
    EXPECT_EQ(Listed().size(), 6u);
    QTreeWidget* tree = ui->TreeView_Tracking;
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, tree->visualItemRect(tree->topLevelItem(0)).center());
    EXPECT_EQ(ui->Tracking->SelectedTrack(), &session->Tracks().List().Items(0)) << "a right click does not select";
    EXPECT_EQ(Listed().size(), 6u);
    ClickPage(ListPage::Messages);
    EXPECT_EQ(Listed().size(), 9u);
    ui->ClearAllMessageTracking1->trigger();
    EXPECT_EQ(Listed().size(), 9u) << "clearing tracks from the menu leaves the Messages list alone";
    EXPECT_TRUE(TrackNodes().empty());
    EXPECT_EQ(ui->Tracking->SelectedTrack(), nullptr);
    EXPECT_EQ(ui->TreeView_Tracking->topLevelItemCount(), 3);
    ClickPage(ListPage::Tracking);
    EXPECT_TRUE(Listed().empty());
    Post(Msg().Text("error once more"));
    EXPECT_TRUE(Listed().empty()) << "no track is left to match";
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TrackingWindow, TracksSurviveARestartAndUnreadableStoredTracksAreKept)
{
    AddTracks({"One", true, false, true});
    AddTracks({"two", true, false, false});
    Reopen();
    EXPECT_FALSE(ui->ExpertMode1->isChecked()) << "tracks load with Expert Mode off";
    EXPECT_EQ(TrackListTexts(), (Texts{"0:One", "0:two", "2:One"}));
    EXPECT_EQ(TrackNodes(), (Texts{"Exact Track/One", "Exact Track/two", "Containing Track/One"}));
    EXPECT_EQ(ReadRegString("Vireo\\MessageTracking\\Exact\\1", "TrackMessage", "?"), "two");
    EXPECT_EQ(CountRegSubKeys("Vireo\\MessageTracking\\StartWith"), 0);

    ui->ClearAllMessageTracking1->trigger();
    AddTracks({"three", false, true, false});
    Reopen();
    EXPECT_EQ(TrackListTexts(), (Texts{"1:three"})) << "a shorter list replaces the stored one whole";

    form.reset();
    WriteRegInteger("Vireo\\MessageTracking\\StartWith\\1", "TrackMessage", 7);
    Open();
    EXPECT_EQ(TrackListTexts(), (Texts{"1:three"}));
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes, (Texts{"Invalid data type for 'TrackMessage'"}));
    AddTracks({"four", true, false, false});
    form.reset();
    EXPECT_EQ(ReadRegInteger("Vireo\\MessageTracking\\StartWith\\1", "TrackMessage", 0), 7)
        << "tracks that could not be read are not overwritten at close";
    EXPECT_EQ(ReadRegString("Vireo\\MessageTracking\\StartWith\\0", "TrackMessage", "?"), "three");
}
