#pragma once

#include "ModelContract.h"
#include "TempRegistry.h"
#include "ViewerTestMessages.h"

#include "components/GroupPanelExp.h"
#include "components/ListViewEx.h"
#include "components/PanelExpander.h"
#include "viewer/panes/CaptionPanel.h"
#include "viewer/panes/KeyMarkListModel.h"
#include "viewer/panes/MessageListModel.h"
#include "viewer/panes/SourceLinesModel.h"
#include "viewer/panes/SourceWindowPane.h"
#include "viewer/panes/TrackingPage.h"
#include "viewer/session/TraceSession.h"
#include "viewer/window/MainFormUnit.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <fstream>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vireo::test {

// The window's parts as a tool driving it from outside finds them: by their object names.
struct WindowParts {
    explicit WindowParts(QMainWindow& window) : w(window)
    {
        ListViewEx_Messages = Find<TListViewEx>("ListViewEx_Messages");
        MessageRows = static_cast<MessageListModel*>(ListViewEx_Messages->model());
        ListView_Source = Find<QTreeView>("ListView_Source");
        SourceRows = static_cast<SourceLinesModel*>(ListView_Source->model());
        ListViewEx_KeyMarks = Find<TListViewEx>("ListViewEx_KeyMarks");
        KeyMarkRows = static_cast<KeyMarkListModel*>(ListViewEx_KeyMarks->model());
        Source = w.findChild<SourceWindowPane*>();
        Tracking = w.findChild<TrackingPage*>();
        const char* columns[] = {"ClassName1", "Message1", "Group1",       "Date1",
                                 "Time1",      "ComputerName1", "Delta1", "SinceMark1"};
        for (std::size_t column = 0; column < ColumnItems.size(); ++column)
            ColumnItems[column] = Find<QAction>(columns[column]);
        for (QAction* menu : w.menuBar()->actions()) {
            if (menu->text() == "&File")
                File1 = menu->menu();
            if (menu->text() == "&Message Options")
                MessageOptions1 = menu->menu();
        }
        const QList<QAction*> options = MessageOptions1->actions();
        MessageTracking1Separator = options.value(options.indexOf(MessageTracking1) + 1);
    }

    template <typename T>
    T* Find(const char* name) const
    {
        T* found = w.findChild<T*>(QString::fromLatin1(name));
        EXPECT_TRUE(found) << name;
        return found;
    }

    QMainWindow& w;
    TListViewEx* ListViewEx_Messages;
    MessageListModel* MessageRows;
    QTreeView* ListView_Source;
    SourceLinesModel* SourceRows;
    TListViewEx* ListViewEx_KeyMarks;
    KeyMarkListModel* KeyMarkRows;
    SourceWindowPane* Source;
    TrackingPage* Tracking;
    std::array<QAction*, 8> ColumnItems{};
    QMenu* File1 = nullptr;
    QMenu* MessageOptions1 = nullptr;
    QTabWidget* PageControl_Main = Find<QTabWidget>("PageControl_Main");
    QTreeWidget* TreeView_Main = Find<QTreeWidget>("TreeView_Main");
    QTreeWidget* TreeView_Tracking = Find<QTreeWidget>("TreeView_Tracking");
    TGroupPanelExp* GroupPanelExp1 = Find<TGroupPanelExp>("GroupPanelExp1");
    TPanelExpander* PanelExpander_Class = Find<TPanelExpander>("PanelExpander_Class");
    TPanelExpander* PanelExpander_Computer = Find<TPanelExpander>("PanelExpander_Computer");
    TPanelExpander* PanelExpander_MessType = Find<TPanelExpander>("PanelExpander_MessType");
    TPanelExpander* PanelExpander_Group = Find<TPanelExpander>("PanelExpander_Group");
    TCaptionPanel* Panel_Main_Client_2 = Find<TCaptionPanel>("Panel_Main_Client_2");
    QSplitter* Splitter_Main_Horiz = Find<QSplitter>("Splitter_Main_Horiz");
    QWidget* Panel_Main_Messages = Find<QWidget>("Panel_Main_Messages");
    QWidget* Panel_Main_Source = Find<QWidget>("Panel_Main_Source");
    QWidget* FindBar = Find<QWidget>("FindBar");
    QLineEdit* Edit_Find = Find<QLineEdit>("Edit_Find");
    QCheckBox* CheckBox_FindRegExp = Find<QCheckBox>("CheckBox_FindRegExp");
    QPushButton* Button_FindNext = Find<QPushButton>("Button_FindNext");
    QPushButton* Button_FindPrevious = Find<QPushButton>("Button_FindPrevious");
    QLabel* Label_FindNotice = Find<QLabel>("Label_FindNotice");
    QLabel* Label_UnitName = Find<QLabel>("Label_UnitName");
    QLabel* Label_LineNum = Find<QLabel>("Label_LineNum");
    QMenu* PopupMenu_Messages = Find<QMenu>("PopupMenu_Messages");
    QMenu* PopupMenu_Source = Find<QMenu>("PopupMenu_Source");
    QMenu* PopupMenu_ShowWindow = Find<QMenu>("PopupMenu_ShowWindow");
    QMenu* View1 = Find<QMenu>("View1");
    QMenu* Help1 = Find<QMenu>("Help1");
    QAction* HoldList1 = Find<QAction>("HoldList1");
    QAction* CopyMessageText1 = Find<QAction>("CopyMessageText1");
    QAction* SetTimeMark1 = Find<QAction>("SetTimeMark1");
    QAction* AddKeyMarkwithDescription1 = Find<QAction>("AddKeyMarkwithDescription1");
    QAction* ClearKeyMark1 = Find<QAction>("ClearKeyMark1");
    QAction* ClearsAllKeyMarks1 = Find<QAction>("ClearsAllKeyMarks1");
    QAction* AddNewMessageTrack1 = Find<QAction>("AddNewMessageTrack1");
    QAction* DeleteMessageTrack1 = Find<QAction>("DeleteMessageTrack1");
    QAction* CodeExaminer1 = Find<QAction>("CodeExaminer1");
    QAction* Options1 = Find<QAction>("Options1");
    QAction* SaveMessages1 = Find<QAction>("SaveMessages1");
    QAction* OpenMessages1 = Find<QAction>("OpenMessages1");
    QAction* Close1 = Find<QAction>("Close1");
    QAction* MessageFilterTree1 = Find<QAction>("MessageFilterTree1");
    QAction* MessagesWindow1 = Find<QAction>("MessagesWindow1");
    QAction* SourceWindow1 = Find<QAction>("SourceWindow1");
    QAction* ExpertMode1 = Find<QAction>("ExpertMode1");
    QAction* MessageFilterTree2 = Find<QAction>("MessageFilterTree2");
    QAction* MessagesWindow2 = Find<QAction>("MessagesWindow2");
    QAction* SourceWindow2 = Find<QAction>("SourceWindow2");
    QAction* MessageTracking1 = Find<QAction>("MessageTracking1");
    QAction* MessageTracking1Separator = nullptr;
    QAction* ClearMessages1 = Find<QAction>("ClearMessages1");
    QAction* ClearAllMessageTracking1 = Find<QAction>("ClearAllMessageTracking1");
    QAction* ClearAllUserKeyMarks1 = Find<QAction>("ClearAllUserKeyMarks1");
    QAction* ClearSourceWindow1 = Find<QAction>("ClearSourceWindow1");
    QAction* About1 = Find<QAction>("About1");
};

// The tree node whose text is exactly text, or null.
inline QTreeWidgetItem* FindNode(QTreeWidget* tree, const QString& text)
{
    const QList<QTreeWidgetItem*> found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

// The real main window over its session, shown offscreen and driven as a user drives it.
class ViewerWindow : public ::testing::Test {
protected:
    ViewerWindow() { OpenWindow(); }

    // Creates and shows a new main window, as a start of the viewer does.
    void OpenWindow()
    {
        CloseWindow(); // the window before saves its settings first
        session = std::make_unique<TraceSession>(std::make_unique<FixedTimeConventions>("%d/%m/%Y"));
        form = std::make_unique<TForm_Main>(*session);
        ui.emplace(*form);
        form->Dialogs.ShowMessageBox = [this](const QString& text) {
            boxes.push_back(text);
            statusDuringBox = form->StatusText();
        };
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        ui->TreeView_Main->expandAll();
        messageContract = CheckModelContract(ui->MessageRows);
        sourceContract = CheckModelContract(ui->SourceRows);
        keyMarkContract = CheckModelContract(ui->KeyMarkRows);
    }

    // Destroys the window, which saves its settings, and opens a new one as a restart does.
    void Reopen() { OpenWindow(); }

    // Destroys the window, which saves its settings; the model checkers stop watching first.
    void CloseWindow()
    {
        messageContract.reset();
        sourceContract.reset();
        keyMarkContract.reset();
        ui.reset();
        form.reset();
        session.reset();
    }

    void Post(const Msg& m) { vireo::test::Post(*session, m); }

    QTreeWidgetItem* FindNode(const QString& text) { return vireo::test::FindNode(ui->TreeView_Main, text); }

    // Lets the list announce appended rows, as the event loop does after an intake.
    void Settle()
    {
        ui->MessageRows->FlushAppendedRows();
        QCoreApplication::processEvents();
    }

    // The texts a list column shows, top to bottom.
    std::vector<std::string> Column(int column)
    {
        Settle();
        std::vector<std::string> texts;
        for (int row = 0; row < ui->MessageRows->rowCount(); ++row)
            texts.push_back(ui->MessageRows->index(row, column).data().toString().toStdString());
        return texts;
    }

    void ClickNode(const QString& text)
    {
        QTreeWidgetItem* node = FindNode(text);
        ASSERT_TRUE(node) << text.toStdString();
        ui->TreeView_Main->scrollToItem(node);
        QTest::mouseClick(ui->TreeView_Main->viewport(), Qt::LeftButton, {},
                          ui->TreeView_Main->visualItemRect(node).center());
        ASSERT_EQ(ui->TreeView_Main->currentItem(), node);
    }

    void ClickPage(ListPage page)
    {
        QTabBar* tabs = ui->PageControl_Main->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(static_cast<int>(page)).center());
        ASSERT_EQ(ui->PageControl_Main->currentIndex(), static_cast<int>(page));
    }

    // Clicks the entry of value in a filter panel as a user does: the panel expanded, the entry
    // scrolled into view, a click on its row.
    void ClickFilter(TPanelExpander* panel, std::string_view value)
    {
        const int row = panel->IndexOfValue(value);
        ASSERT_GE(row, 0) << value;
        panel->SetExpand(true);
        panel->Items()->FlushAddedRows();
        QListView* list = panel->ListView();
        list->doItemsLayout();
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    }

    // Whether the entry of value in a filter panel is there and checked.
    static bool FilterChecked(const TPanelExpander* panel, std::string_view value)
    {
        return panel->IsItemChecked(panel->IndexOfValue(value));
    }

    std::vector<std::string> Children(const QString& parent)
    {
        std::vector<std::string> texts;
        QTreeWidgetItem* node = FindNode(parent);
        for (int i = 0; node && i < node->childCount(); ++i)
            texts.push_back(node->child(i)->text(0).toStdString());
        return texts;
    }

    void ClickHeader(int column)
    {
        QHeaderView* header = ui->ListViewEx_Messages->header();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    void DoubleClickRow(int row)
    {
        Settle();
        TListViewEx* list = ui->ListViewEx_Messages;
        list->SelectRow(row);
        const QPoint at = list->visualRect(ui->MessageRows->index(row, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at); // a double-click's first press
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    int SelectedSourceRow() const
    {
        const QModelIndexList rows = ui->ListView_Source->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.first().row() : -1;
    }

    HiveFolderScope hive; // before the window, which reads and writes its settings there
    std::unique_ptr<TraceSession> session;
    std::unique_ptr<TForm_Main> form;
    std::optional<WindowParts> ui;
    std::vector<QString> boxes;
    QString statusDuringBox;
    // Declared after the window, so they stop watching before its models go.
    std::unique_ptr<QAbstractItemModelTester> messageContract;
    std::unique_ptr<QAbstractItemModelTester> sourceContract;
    std::unique_ptr<QAbstractItemModelTester> keyMarkContract;
};

// The window alone over its session, not shown, fed as the bus server feeds it.
struct Window {
    Window()
    {
        auto owned = std::make_unique<FixedTimeConventions>("%d.%m.%Y");
        time = owned.get();
        session = std::make_unique<TraceSession>(std::move(owned));
        form = std::make_unique<TForm_Main>(*session);
        ui.emplace(*form);
    }
    void Receive(const QString& text, double stamp = 0.5)
    {
        session->ReceiveTrace(QStringLiteral("TFoo"), text, 2, QString(), QStringLiteral("PC"),
                              QStringLiteral("UniqueStr_1"), QStringLiteral("/projects/demo/Unit1.pas"), stamp);
    }
    HiveFolderScope hive;
    FixedTimeConventions* time;
    std::unique_ptr<TraceSession> session;
    std::unique_ptr<TForm_Main> form;
    std::optional<WindowParts> ui;
};

using Texts = std::vector<std::string>;

// A unit file in a temporary folder.
class UnitFiles {
public:
    std::string Write(const std::string& name, const std::vector<std::string>& lines, const char* eol = "\r\n")
    {
        const std::string path = dir_.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream out(path, std::ios::binary);
        for (const std::string& line : lines)
            out << line << eol;
        return path;
    }
    std::string Folder() const { return dir_.path().toStdString(); }

private:
    QTemporaryDir dir_;
};

inline std::vector<std::string> NumberedLines(int count)
{
    std::vector<std::string> lines;
    for (int i = 1; i <= count; ++i)
        lines.push_back("  Line" + std::to_string(i) + " := " + std::to_string(i) + ";");
    return lines;
}

} // namespace vireo::test
