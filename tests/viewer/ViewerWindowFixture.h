#pragma once

#include "ModelContract.h"
#include "TempRegistry.h"
#include "ViewerTestMessages.h"

#include "components/ListViewEx.h"
#include "components/PanelExpander.h"
#include "viewer/MainFormUnit.h"
#include "viewer/KeyMarkListModel.h"
#include "viewer/MessageListModel.h"
#include "viewer/SourceLinesModel.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace vireo::test {

// The real main window, shown offscreen and driven as a user drives it.
class ViewerWindow : public ::testing::Test {
protected:
    ViewerWindow() { OpenWindow(); }

    // Creates and shows a new main window, as a start of the viewer does.
    void OpenWindow()
    {
        CloseWindow(); // the window before saves its settings first
        form = std::make_unique<TForm_Main>(std::make_unique<FixedTimeConventions>("%d/%m/%Y"));
        form->ShowMessageBox = [this](const QString& text) {
            boxes.push_back(text);
            statusDuringBox = form->StatusText();
        };
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->TreeView_Main->expandAll();
        messageContract = CheckModelContract(form->MessageRows);
        sourceContract = CheckModelContract(form->SourceRows);
        keyMarkContract = CheckModelContract(form->KeyMarkRows);
    }

    // Destroys the window, which saves its settings, and opens a new one as a restart does.
    void Reopen() { OpenWindow(); }

    // Destroys the window, which saves its settings; the model checkers stop watching first.
    void CloseWindow()
    {
        messageContract.reset();
        sourceContract.reset();
        keyMarkContract.reset();
        form.reset();
    }

    void Post(const Msg& m) { vireo::test::Post(*form, m); }

    // Lets the list announce appended rows, as the event loop does after an intake.
    void Settle()
    {
        form->MessageRows->FlushAppendedRows();
        QCoreApplication::processEvents();
    }

    // The texts a list column shows, top to bottom.
    std::vector<std::string> Column(int column)
    {
        Settle();
        std::vector<std::string> texts;
        for (int row = 0; row < form->MessageRows->rowCount(); ++row)
            texts.push_back(form->MessageRows->index(row, column).data().toString().toStdString());
        return texts;
    }

    void ClickNode(const QString& text)
    {
        QTreeWidgetItem* node = form->FindNode(text);
        ASSERT_TRUE(node) << text.toStdString();
        form->TreeView_Main->scrollToItem(node);
        QTest::mouseClick(form->TreeView_Main->viewport(), Qt::LeftButton, {},
                          form->TreeView_Main->visualItemRect(node).center());
        ASSERT_EQ(form->TreeView_Main->currentItem(), node);
    }

    void ClickPage(ListPage page)
    {
        QTabBar* tabs = form->PageControl_Main->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(static_cast<int>(page)).center());
        ASSERT_EQ(form->PageControl_Main->currentIndex(), static_cast<int>(page));
    }

    QCheckBox* FilterBox(TPanelExpander* panel, std::string_view value)
    {
        const int index = panel->IndexOfValue(value);
        return index < 0 ? nullptr : panel->Item(index).CheckBox();
    }

    std::vector<std::string> Children(const QString& parent)
    {
        std::vector<std::string> texts;
        QTreeWidgetItem* node = form->FindNode(parent);
        for (int i = 0; node && i < node->childCount(); ++i)
            texts.push_back(node->child(i)->text(0).toStdString());
        return texts;
    }

    void ClickHeader(int column)
    {
        QHeaderView* header = form->ListViewEx_Messages->header();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    void DoubleClickRow(int row)
    {
        Settle();
        TListViewEx* list = form->ListViewEx_Messages;
        list->SelectRow(row);
        const QPoint at = list->visualRect(form->MessageRows->index(row, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at); // a double-click's first press
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    int SelectedSourceRow() const
    {
        const QModelIndexList rows = form->ListView_Source->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.first().row() : -1;
    }

    HiveFolderScope hive; // before the window, which reads and writes its settings there
    std::unique_ptr<TForm_Main> form;
    std::vector<QString> boxes;
    QString statusDuringBox;
    // Declared after the window, so they stop watching before its models go.
    std::unique_ptr<QAbstractItemModelTester> messageContract;
    std::unique_ptr<QAbstractItemModelTester> sourceContract;
    std::unique_ptr<QAbstractItemModelTester> keyMarkContract;
};

// The window alone, not shown, fed as the bus server feeds it.
struct Window {
    Window()
    {
        auto owned = std::make_unique<FixedTimeConventions>("%d.%m.%Y");
        time = owned.get();
        form = std::make_unique<TForm_Main>(std::move(owned));
    }
    void Receive(const QString& text, double stamp = 0.5)
    {
        form->ReceiveTrace(QStringLiteral("TFoo"), text, 2, QString(), QStringLiteral("PC"),
                           QStringLiteral("UniqueStr_1"), QStringLiteral("/projects/demo/Unit1.pas"), stamp);
    }
    HiveFolderScope hive;
    FixedTimeConventions* time;
    std::unique_ptr<TForm_Main> form;
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
