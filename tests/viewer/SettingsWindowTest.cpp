#include "ViewerWindowFixture.h"

#include "components/GroupPanelExp.h"
#include "settings/RegUtils.h"
#include "settings/RegistryHive.h"
#include "viewer/panes/About.h"
#include "viewer/panes/CaptionPanel.h"
#include "viewer/panes/OptionsForm.h"
#include "viewer/session/MessageColumns.h"

#include <QAccessible>
#include <QLineEdit>
#include <QSpinBox>
#include <QStatusBar>
#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>

#include <cstdint>
#include <optional>

namespace vireo::test {
namespace {

constexpr const char* kSettingsPath = "SOFTWARE\\Korvel\\Vireo";
constexpr const char* kPlacementPath = "Software\\Korvel\\WindowPlacement\\Vireo";

// A stored number read without storing a default, as a user inspecting the hive sees it.
std::optional<std::int32_t> Stored(const char* path, const std::string& name)
{
    const std::optional<RegKey> key = RegKey::Open(RegRoot::LocalMachine, path, RegAccess::Read);
    const std::optional<RegValue> value = key ? key->QueryValue(name) : std::nullopt;
    if (!value)
        return std::nullopt;
    return RegValueAsInteger(*value, name);
}

std::vector<std::string> Captions(const QMenu* menu)
{
    std::vector<std::string> texts;
    for (const QAction* item : menu->actions())
        texts.push_back(item->isSeparator() ? "-" : item->text().toStdString());
    return texts;
}

QString AccessibleName(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name);
}

// The main window over a hive of its own, with the options dialog answered as a user would.
class SettingsWindow : public ViewerWindow {
protected:
    SettingsWindow() { AnswerOptions(); }

    void AnswerOptions()
    {
        form->Dialogs.ShowOptionsDialog = [this](TForm_Options& dialog) {
            dialog.show();
            seenOptions = dialog.Options();
            if (clickLineNumbers)
                QTest::mouseClick(dialog.CheckBox_ShowLineNumbers, Qt::LeftButton, {},
                                  QPoint(4, dialog.CheckBox_ShowLineNumbers->height() / 2));
            if (clickAllOthers)
                for (QCheckBox* box : {dialog.CheckBox_ExpandMessages, dialog.CheckBox_ExpandFilters,
                                       dialog.CheckBox_SaveKeys, dialog.CheckBox_SaveTracking,
                                       dialog.CheckBox_ShowMilliseconds})
                    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
            if (clickAllOthers) {
                QTest::keyClick(dialog.SpinEdit_HistoryLimit, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(dialog.SpinEdit_HistoryLimit, QStringLiteral("3"));
            }
            QTest::mouseClick(ok ? dialog.Button_Ok : dialog.Button_Cancel, Qt::LeftButton);
            return dialog.result();
        };
    }

    void ReopenAnswering()
    {
        Reopen();
        AnswerOptions();
    }

    void RunOptions(bool lineNumbers, bool others, bool accept)
    {
        clickLineNumbers = lineNumbers;
        clickAllOthers = others;
        ok = accept;
        ui->Options1->trigger();
    }

    int MessagePaneHeight() const { return ui->Splitter_Main_Horiz->sizes().value(0); }

    ViewerOptions seenOptions;
    bool clickLineNumbers = false, clickAllOthers = false, ok = true;
};

TEST_F(SettingsWindow, FirstRunStoresEveryDefaultAndTheMenusAreComplete)
{
    std::vector<std::string> bar;
    for (const QAction* menu : form->menuBar()->actions())
        bar.push_back(menu->text().toStdString());
    EXPECT_EQ(bar, (Texts{"&File", "&View", "&Message Options", "&Help"}));
    EXPECT_EQ(Captions(ui->File1), (Texts{"&Code Examiner", "&Options", "&Save Messages...", "&Open Messages...",
                                            "-", "&Close"}));
    EXPECT_EQ(Captions(ui->View1),
              (Texts{"Message/Filter &Tree", "&Messages Window", "&Source Window", "Message &Rate", "-",
                     "&Expert Mode"}));
    EXPECT_EQ(Captions(ui->Help1), (Texts{"&About"}));
    EXPECT_EQ(Captions(ui->PopupMenu_ShowWindow),
              (Texts{"Message/Filter &Tree", "&Messages Window", "&Source Window", "Message &Rate"}));
    EXPECT_EQ(ui->Help1->accessibleName(), "Help");
    for (QAction* item : {ui->MessageFilterTree1, ui->MessagesWindow1, ui->SourceWindow1,
                          ui->MessageFilterTree2, ui->MessagesWindow2, ui->SourceWindow2})
        EXPECT_TRUE(item->isCheckable() && item->isChecked()) << item->objectName().toStdString();

    for (const char* on : {"ShowLineNums", "SaveUserKeyMarks", "SaveMessageTracking", "MessageFilterTree",
                           "MessageWindow", "SourceWindow"})
        EXPECT_EQ(Stored(kSettingsPath, on), -1) << on << " is stored at the first run";
    for (const char* off : {"ExpandMessages", "ExpandFilters", "ExpertMode", "MessageRate", "HistoryLimitMegabytes"})
        EXPECT_EQ(Stored(kSettingsPath, off), 0) << off;
    EXPECT_EQ(Stored(kSettingsPath, "HistoryLimit"), 5'000'000);
    EXPECT_FALSE(Stored(kPlacementPath, "Form_Main : Left")) << "placement is written only at close";
    EXPECT_EQ(MessagePaneHeight(), kSavedMessagesHeightAtStart);
    EXPECT_EQ(ui->SourceRows->columnCount(), 2);

    // Placement and column widths come back after a restart; a hidden column comes back 75 wide.
    form->setGeometry(120, 90, 900, 640);
    ui->ListViewEx_Messages->setColumnWidth(0, 133);
    ui->ListView_Source->setColumnWidth(0, 411);
    ui->ColumnItems[2]->trigger();
    ASSERT_EQ(ui->ListViewEx_Messages->columnWidth(2), 0);
    ui->ColumnItems[kDeltaColumn]->trigger(); // a time column shown keeps its width, a hidden one stays hidden
    ui->ListViewEx_Messages->setColumnWidth(kDeltaColumn, 90);
    const QRect bounds = form->geometry();
    ReopenAnswering();
    EXPECT_EQ(ui->ListViewEx_Messages->columnWidth(kDeltaColumn), 90);
    EXPECT_TRUE(ui->ColumnItems[kDeltaColumn]->isChecked());
    EXPECT_EQ(Stored(kPlacementPath, "ReportColWidth : Messages[7]"), -1);
    EXPECT_EQ(ui->ListViewEx_Messages->columnWidth(kSinceMarkColumn), 0);
    EXPECT_FALSE(ui->ColumnItems[kSinceMarkColumn]->isChecked());
    EXPECT_EQ(Stored(kPlacementPath, "ReportColWidth : Messages[2]"), 75);
    EXPECT_EQ(Stored(kPlacementPath, "Form_Main : Width"), 900);
    EXPECT_EQ(form->geometry().size(), bounds.size());
    EXPECT_EQ(ui->ListViewEx_Messages->columnWidth(0), 133);
    EXPECT_EQ(ui->ListViewEx_Messages->columnWidth(2), 75);
    EXPECT_EQ(ui->ListView_Source->columnWidth(0), 411);
    EXPECT_EQ(ui->ListView_Source->columnWidth(1), 80);
}

TEST_F(SettingsWindow, OptionsRemoveAndRecreateTheLineNumberColumnAndCancelKeepsEverything)
{
    UnitFiles files;
    const std::string unit = files.Write("Unit1.pas", {"begin", "  x := 1;", "end."});
    ASSERT_TRUE(ui->Source->ShowKeyMark(PlainKeyMark("begin", 0, unit)));
    RunOptions(false, false, false);
    EXPECT_EQ(seenOptions, ViewerOptions{});
    RunOptions(true, true, false); // every box changed, then Cancel
    EXPECT_EQ(form->Options(), ViewerOptions{}) << "Cancel leaves every setting as it was";
    EXPECT_EQ(ui->SourceRows->columnCount(), 2);

    RunOptions(true, false, true);
    EXPECT_FALSE(form->Options().ShowLineNums);
    EXPECT_EQ(ui->SourceRows->columnCount(), 1);
    RunOptions(true, false, true);
    EXPECT_EQ(ui->SourceRows->columnCount(), 2) << "a second visit brings the column back";
    EXPECT_EQ(ui->ListView_Source->columnWidth(1), 80);
    EXPECT_EQ(ui->SourceRows->index(2, 1).data().toString(), "3") << "rows already shown keep their numbers";
    EXPECT_EQ(ui->SourceRows->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Line Number");

    Post(Msg().Stamp(37622.5 + 250.4 / 86'400'000)); // 12:00:00.250, 0.4 ms past
    RunOptions(true, true, true);
    const ViewerOptions changed{false, true, true, false, false, true, {3, 0}};
    EXPECT_EQ(form->Options(), changed);
    EXPECT_EQ(Column(4), Texts{"12:00:00.250"}) << "the shown rows take the milliseconds at once";
    EXPECT_EQ(session->Limit(), changed.History) << "the session keeps at most what the dialog says";
    EXPECT_EQ(Stored(kSettingsPath, "ExpandFilters"), 0) << "options reach the hive only at close";
    ReopenAnswering();
    EXPECT_EQ(form->Options(), changed);
    EXPECT_EQ(ui->SourceRows->columnCount(), 1);
    Post(Msg().Stamp(37622.75 - 0.3 / 86'400'000)); // rounds up to 18:00:00.000, as the seconds do
    EXPECT_EQ(Column(4), Texts{"18:00:00.000"});
    EXPECT_TRUE(ui->PanelExpander_Class->Expand() && ui->PanelExpander_Group->Expand());
    EXPECT_TRUE(ui->PanelExpander_Computer->Expand() && ui->PanelExpander_MessType->Expand());

    // The dialog itself: caption, tab order, accessible names.
    TForm_Options dialog(form->Options(), OtlpOptions{}, form.get());
    EXPECT_EQ(dialog.windowTitle(), "Vireo Options");
    EXPECT_FALSE(dialog.CheckBox_ShowLineNumbers->isChecked());
    std::vector<QWidget*> chain{dialog.CheckBox_ShowLineNumbers};
    // A spin box's own field stands for the spin box: it takes the focus for it.
    const auto stop = [](QWidget* widget) {
        auto* spin = qobject_cast<QAbstractSpinBox*>(widget->parentWidget());
        return spin ? spin : widget;
    };
    for (QWidget* at = chain.back(); chain.size() < 14;) {
        at = at->nextInFocusChain();
        if ((at->focusPolicy() & Qt::TabFocus) && stop(at) != chain.back())
            chain.push_back(stop(at));
    }
    EXPECT_EQ(chain, (std::vector<QWidget*>{dialog.CheckBox_ShowLineNumbers, dialog.CheckBox_ShowMilliseconds,
                                            dialog.CheckBox_ExpandMessages, dialog.CheckBox_ExpandFilters,
                                            dialog.CheckBox_SaveKeys, dialog.CheckBox_SaveTracking,
                                            dialog.SpinEdit_HistoryLimit, dialog.SpinEdit_HistoryMegabytes,
                                            dialog.CheckBox_OtlpReceiver, dialog.Edit_OtlpAddress,
                                            dialog.SpinEdit_OtlpPort, dialog.Edit_OtlpToken,
                                            dialog.Button_Ok, dialog.Button_Cancel}));
    EXPECT_EQ(dialog.SpinEdit_HistoryLimit->text(), "3 messages");
    EXPECT_EQ(dialog.SpinEdit_HistoryMegabytes->text(), "no limit");
    EXPECT_EQ(dialog.SpinEdit_HistoryLimit->accessibleName(), "Keep at most messages");
    EXPECT_EQ(dialog.Button_Ok->accessibleName(), "Ok");
    EXPECT_EQ(dialog.CheckBox_SaveTracking->accessibleName(), "Save Message Tracking (Expert Mode)");
}

TEST_F(SettingsWindow, ViewTogglesFollowThePagesAndTheHiddenSourcePaneKeepsItsHeight)
{
    Post(Msg().Text("one"));
    Post(Msg().Text("two"));
    ClickPage(ListPage::UserKeyMarks);
    EXPECT_FALSE(ui->Panel_Main_Messages->isVisible()) << "the key marks page hides the message pane";
    ui->MessagesWindow1->trigger();
    ui->MessagesWindow1->trigger(); // on again: still hidden on this page
    EXPECT_FALSE(ui->Panel_Main_Messages->isVisible());
    ClickPage(ListPage::Messages);
    EXPECT_TRUE(ui->Panel_Main_Messages->isVisible());
    ClickNode(QStringLiteral("All"));
    EXPECT_EQ(Column(1), (Texts{"one", "two"}));

    // All three areas hidden: the right-hand area offers its menu, whose items mirror the View menu.
    ui->MessageFilterTree1->trigger();
    ui->MessagesWindow1->trigger();
    ui->SourceWindow1->trigger();
    EXPECT_FALSE(ui->PageControl_Main->isVisible());
    EXPECT_FALSE(ui->Panel_Main_Source->isVisible());
    EXPECT_FALSE(ui->MessagesWindow2->isChecked());
    EXPECT_EQ(ui->Panel_Main_Client_2->Caption(), "Click Right Mouse Button to Show a Window");
    const QPoint centre = ui->Panel_Main_Client_2->rect().center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, centre, ui->Panel_Main_Client_2->mapToGlobal(centre));
    QCoreApplication::sendEvent(ui->Panel_Main_Client_2, &menuEvent);
    EXPECT_TRUE(ui->PopupMenu_ShowWindow->isVisible());
    ui->PopupMenu_ShowWindow->close();
    ui->MessagesWindow2->trigger();
    EXPECT_TRUE(ui->MessagesWindow1->isChecked());
    EXPECT_TRUE(ui->Panel_Main_Messages->isVisible());
    ui->MessageFilterTree2->trigger();
    EXPECT_TRUE(ui->PageControl_Main->isVisible());

    // The source pane was hidden over a 250-pixel message pane: it comes back at that height,
    // also across a restart that begins with it hidden.
    ReopenAnswering();
    EXPECT_FALSE(ui->SourceWindow1->isChecked());
    EXPECT_FALSE(ui->Panel_Main_Source->isVisible());
    EXPECT_EQ(MessagePaneHeight(), ui->Splitter_Main_Horiz->height()) << "the message pane fills the area";
    ui->SourceWindow2->trigger();
    EXPECT_TRUE(ui->SourceWindow1->isChecked());
    EXPECT_TRUE(ui->Panel_Main_Source->isVisible());
    EXPECT_EQ(MessagePaneHeight(), kSavedMessagesHeightAtStart);
}

TEST_F(SettingsWindow, AHandEditedHiveStartsInItsStateAndTracksLoadWithSavingOff)
{
    CloseWindow();
    WriteRegShort("Vireo", "ExpertMode", 1);
    WriteRegShort("Vireo", "SourceWindow", 0);
    WriteRegShort("Vireo", "SaveMessageTracking", 0);
    WriteRegInteger("WindowPlacement\\Vireo", "ReportColWidth : Messages[1]", 0);
    WriteRegString("Vireo\\MessageTracking\\Exact\\0", "TrackMessage", "kept");
    WriteRegString("Vireo", "ShowLineNums", "yes");
    OpenWindow();
    AnswerOptions();
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes, (std::vector<QString>{"Invalid data type for 'ShowLineNums'"}))
        << "an unreadable value is reported and the others still apply";
    EXPECT_TRUE(form->Options().ShowLineNums);
    EXPECT_TRUE(ui->ExpertMode1->isChecked());
    EXPECT_TRUE(ui->PageControl_Main->isTabVisible(static_cast<int>(ListPage::Tracking)));
    EXPECT_TRUE(ui->MessageTracking1->isVisible());
    EXPECT_FALSE(ui->Panel_Main_Source->isVisible());
    EXPECT_EQ(ui->ListViewEx_Messages->columnWidth(1), 50) << "a stored width of 0 starts 50 wide";
    EXPECT_FALSE(form->Options().SaveMessageTracking);
    ASSERT_EQ(session->Tracks().List().Count(), 1);

    ui->ExpertMode1->trigger();
    ui->ClearAllMessageTracking1->trigger();
    EXPECT_EQ(session->Tracks().List().Count(), 0);
    CloseWindow();
    EXPECT_EQ(ReadRegString("Vireo\\MessageTracking\\Exact\\0", "TrackMessage", "?"), "kept")
        << "with saving off the stored tracks stay";
    EXPECT_EQ(Stored(kSettingsPath, "ExpertMode"), 0);
    EXPECT_EQ(Stored(kSettingsPath, "SourceWindow"), 0);
}

TEST_F(SettingsWindow, AFailedSaveIsReportedOnceAndLeavesTheStoredHive)
{
    ui->ExpertMode1->trigger();
    setenv("VIREO_REGISTRY_DIR", "/dev/null/registry", 1); // a folder that cannot be made
    form->SaveSettings();
    EXPECT_TRUE(form->StatusText().startsWith("Settings not saved: ")) << form->StatusText().toStdString();
    Post(Msg());
    EXPECT_EQ(form->StatusText(), "Idle");
    form->SaveSettings();
    EXPECT_EQ(form->StatusText(), "Idle") << "the failure is said once";
    setenv("VIREO_REGISTRY_DIR", hive.Folder().c_str(), 1);
    EXPECT_EQ(Stored(kSettingsPath, "ExpertMode"), 0) << "the stored settings are as they were";
    EXPECT_TRUE(boxes.empty());

    TForm_About* shown = nullptr;
    form->Dialogs.ShowAboutBox = [&shown](TForm_About& box) {
        shown = &box;
        box.show();
        EXPECT_EQ(box.windowTitle(), "About Vireo");
        EXPECT_EQ(box.Label_Version->text(), "Version :");
        EXPECT_EQ(box.Label_VersionNumber->text(), "1.0.0");
        EXPECT_TRUE(box.Label_VersionNumber->font().bold());
        EXPECT_EQ(box.Label_VersionNumber->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        EXPECT_TRUE(box.Image_Animation->Running());
        const int frame = box.Image_Animation->Frame();
        QTRY_VERIFY(box.Image_Animation->Frame() != frame);
        EXPECT_TRUE(box.SpeedButton_Close->isFlat());
        QTest::mouseClick(box.SpeedButton_Close, Qt::LeftButton);
        EXPECT_FALSE(box.isVisible());
    };
    ui->About1->trigger();
    EXPECT_NE(shown, nullptr);
}

// Faults a new user met: the rebuilt list out of sight, a stale filter scroll bar, labels read
// by assistive technology under invented names, and a context menu the keyboard could not open.
TEST_F(SettingsWindow, RebuiltListShowsItsLastRowAndFilterPanelsFollowTheWindowHeight)
{
    for (int i = 0; i < 300; ++i)
        Post(Msg().Class("TC" + std::to_string(i % 40)).Text("m" + std::to_string(i)));
    const auto rowShown = [this](int row) {
        Settle();
        const QRect rect = ui->ListViewEx_Messages->visualRect(ui->MessageRows->index(row, 0));
        return ui->ListViewEx_Messages->viewport()->rect().intersects(rect);
    };
    ClickNode(QStringLiteral("Class"));
    ClickNode(QStringLiteral("All"));
    EXPECT_TRUE(rowShown(299)) << "a rebuilt list shows its last row";
    ui->HoldList1->trigger();
    ClickNode(QStringLiteral("Class"));
    ClickNode(QStringLiteral("All"));
    EXPECT_TRUE(rowShown(0)) << "a held list stays at its first row";

    ClickPage(ListPage::Filters);
    ui->PanelExpander_Class->SetExpand(true);
    QScrollBar* bar = ui->GroupPanelExp1->ScrollBar();
    const auto reachable = [&] {
        QCoreApplication::processEvents();
        return bar->maximum() + ui->GroupPanelExp1->height()
               >= ui->GroupPanelExp1->Container()->PanelsHeight();
    };
    form->resize(form->width(), 900);
    EXPECT_TRUE(reachable());
    form->resize(form->width(), 500);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(reachable()) << "after shrinking, the last panels can be scrolled to";
    ui->PanelExpander_Class->SetExpand(false);
    QCoreApplication::processEvents();
    form->resize(form->width(), 1000);
    QCoreApplication::processEvents();
    EXPECT_FALSE(bar->isVisible()) << "after growing, no useless scroll bar stays";

    EXPECT_EQ(AccessibleName(form->statusBar()->findChild<QLabel*>()), "Idle");
    QLabel* caption = ui->PanelExpander_Group->findChild<QLabel*>();
    ASSERT_TRUE(caption);
    EXPECT_EQ(AccessibleName(caption), "Group");
    ASSERT_GE(ui->PanelExpander_Class->IndexOfValue("TC1"), 0);
    QListView* box = ui->PanelExpander_Class->ListView();
    EXPECT_FALSE(box->isVisible()) << "a collapsed panel's entries are not offered";
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(box)->state().invisible);
    ui->PanelExpander_Class->SetExpand(true);
    EXPECT_TRUE(box->isVisible());

    ClickPage(ListPage::Messages);
    ui->ListViewEx_Messages->setFocus();
    ui->ListViewEx_Messages->SelectRow(3);
    QTest::keyClick(ui->ListViewEx_Messages, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(ui->PopupMenu_Messages->isVisible()) << "Shift+F10 opens the list's menu";
    const QRect row = ui->ListViewEx_Messages->visualRect(ui->MessageRows->index(3, 0));
    EXPECT_EQ(ui->PopupMenu_Messages->pos(), ui->ListViewEx_Messages->viewport()->mapToGlobal(row.bottomLeft()));
    ui->PopupMenu_Messages->close();
    QTest::keyClick(ui->ListViewEx_Messages, Qt::Key_Menu);
    EXPECT_TRUE(ui->PopupMenu_Messages->isVisible()) << "so does the Menu key";
    ui->PopupMenu_Messages->close();
}

TEST_F(SettingsWindow, TheReceiversOptionsAreKeptAndAnAddressOffLoopbackGetsItsTokenAtOnce)
{
    int shown = 0;
    form->Dialogs.ShowOptionsDialog = [&shown](TForm_Options& dialog) {
        dialog.show();
        if (shown++ == 0) {
            EXPECT_EQ(dialog.Receiver(), OtlpOptions{}) << "off, on 127.0.0.1:4318 at first";
            EXPECT_EQ(dialog.Edit_OtlpAddress->accessibleName(), "Address");
            QTest::mouseClick(dialog.CheckBox_OtlpReceiver, Qt::LeftButton, {},
                              QPoint(4, dialog.CheckBox_OtlpReceiver->height() / 2));
            dialog.Edit_OtlpAddress->setText(QStringLiteral("not an address"));
            QTest::mouseClick(dialog.Button_Ok, Qt::LeftButton);
            EXPECT_TRUE(dialog.isVisible()) << "refused, said in the dialog";
            EXPECT_EQ(dialog.Label_OtlpProblem->text(),
                      "\"not an address\" is not an IP address such as 127.0.0.1, 0.0.0.0 or ::1.");
            dialog.Edit_OtlpAddress->setText(QStringLiteral("0.0.0.0"));
            EXPECT_EQ(dialog.Edit_OtlpToken->text().size(), 64) << "shown before OK, to be copied";
            dialog.SpinEdit_OtlpPort->setValue(4400);
        }
        QTest::mouseClick(dialog.Button_Ok, Qt::LeftButton);
        return dialog.result();
    };
    ui->Options1->trigger();
    const OtlpOptions kept = ReadOtlpOptions();
    EXPECT_TRUE(kept.Enabled);
    EXPECT_EQ(kept.Address, "0.0.0.0");
    EXPECT_EQ(kept.Port, 4400);
    EXPECT_EQ(kept.Token.size(), 64);
    ui->Options1->trigger();
    EXPECT_EQ(ReadOtlpOptions(), kept) << "the token stays once made";
}

} // namespace
} // namespace vireo::test
