#include "ViewerWindowFixture.h"

#include "settings/RegUtils.h"
#include "viewer/panes/KeyMarkListModel.h"
#include "viewer/panes/SourceLinesModel.h"
#include "viewer/session/SourceNavigation.h"

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>

using namespace vireo;
using vireo::test::Msg;
using vireo::test::NumberedLines;
using vireo::test::UnitFiles;

namespace {

// The real window (over a hive folder of its own) with the description box replaced.
class KeyMarksWindow : public vireo::test::ViewerWindow {
protected:
    KeyMarksWindow() { ReplaceDescriptionBox(); }

    void ReplaceDescriptionBox()
    {
        realDescriptionBox = form->Dialogs.InputKeyMarkDescription;
        form->Dialogs.InputKeyMarkDescription = [this](const QString& offered) -> std::optional<QString> {
            offeredTexts.push_back(offered.toStdString());
            return description;
        };
    }

    void Reopen()
    {
        OpenWindow();
        ReplaceDescriptionBox();
    }

    // Shows a unit through a message, marking its key-marked lines (IDs "LineN" stand on line N).
    void ShowThroughMessage(const std::string& unit)
    {
        if (ui->PageControl_Main->currentIndex() != static_cast<int>(ListPage::Messages))
            ClickPage(ListPage::Messages);
        ui->ClearSourceWindow1->trigger();
        Post(Msg().Id("Line1").Unit(unit));
        Settle();
        DoubleClickRow(ui->MessageRows->rowCount() - 1);
        ASSERT_EQ(ui->Source->CurrentUnitFile(), unit);
    }

    void DoubleClickSource(int row)
    {
        QTreeView* source = ui->ListView_Source;
        const QModelIndex index = ui->SourceRows->index(row, 0);
        source->scrollTo(index);
        const QPoint at = source->visualRect(index).center();
        QTest::mouseClick(source->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(source->viewport(), Qt::LeftButton, {}, at);
    }

    void SelectSource(int row)
    {
        ui->ListView_Source->selectionModel()->setCurrentIndex(
            ui->SourceRows->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    void DoubleClickKeyMark(int row)
    {
        if (ui->PageControl_Main->currentIndex() != static_cast<int>(ListPage::UserKeyMarks))
            ClickPage(ListPage::UserKeyMarks);
        TListViewEx* list = ui->ListViewEx_KeyMarks;
        list->SelectRow(row);
        const QPoint at = KeyMarkPoint(row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at); // a double-click's first press
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    // A point on a key mark's row inside the view (the column is wider than the page).
    QPoint KeyMarkPoint(int row) const
    {
        return {10, ui->ListViewEx_KeyMarks->visualRect(ui->KeyMarkRows->index(row, 0)).center().y()};
    }

    // The rows showing the key-mark image.
    std::vector<int> MarkedRows() const
    {
        std::vector<int> rows;
        for (int row = 0; row < ui->SourceRows->rowCount(); ++row)
            if (ui->SourceRows->HasKeyMarkImage(row))
                rows.push_back(row);
        return rows;
    }

    const KeyMarkList& Marks() const { return session->KeyMarks().Marks(); }

    std::optional<QString> description = QStringLiteral("my note");
    std::vector<std::string> offeredTexts;
    std::function<std::optional<QString>(const QString&)> realDescriptionBox;
};

using Rows = std::vector<int>;

} // namespace

TEST_F(KeyMarksWindow, SourceLinesAreMarkedAndUnmarkedByDoubleClickAndByDescription)
{
    EXPECT_EQ(ui->Label_UnitName->text(), "<No Unit Name>");
    EXPECT_EQ(ui->Label_LineNum->text(), "0");
    EXPECT_EQ(ui->ListViewEx_KeyMarks->Model()->ColumnCaption(0), "Key Marks");
    UnitFiles files;
    std::vector<std::string> lines = NumberedLines(40);
    lines[4] = "   begin";
    lines[5] = "     ";
    lines[6] = "  x := 1;";
    const std::string unit = files.Write("Unit1.pas", lines);
    ShowThroughMessage(unit);

    DoubleClickSource(4);
    EXPECT_EQ(Marks(), (KeyMarkList{{"begin", "5", unit, ""}}));
    EXPECT_EQ(MarkedRows(), Rows{4});
    DoubleClickSource(4);
    EXPECT_EQ(Marks(), KeyMarkList{}) << "a second double-click removes the mark";
    EXPECT_EQ(MarkedRows(), Rows{});

    DoubleClickSource(5);
    SelectSource(6);
    ui->AddKeyMarkwithDescription1->trigger();
    EXPECT_EQ(offeredTexts, std::vector<std::string>{"x := 1;"});
    ui->AddKeyMarkwithDescription1->trigger();
    EXPECT_EQ(offeredTexts.size(), 1u) << "a marked line is not asked about";
    description.reset();
    SelectSource(7);
    ui->AddKeyMarkwithDescription1->trigger();
    EXPECT_EQ(Marks(), (KeyMarkList{{"     ", "6", unit, ""}, {"my note", "7", unit, "x := 1;"}}))
        << "a line of spaces stays whole; Cancel adds nothing";

    ShowThroughMessage(unit);
    EXPECT_EQ(MarkedRows(), (Rows{5, 6})) << "the described mark marks its line after a load";
    DoubleClickSource(6);
    EXPECT_EQ(Marks().size(), 1u);

    // Two marks on one line: a plain one, then a described one added while the line showed no
    // image (its unit loaded through another key mark). A double-click removes the earlier.
    DoubleClickSource(9);
    DoubleClickSource(12);
    ui->ClearSourceWindow1->trigger();
    DoubleClickKeyMark(2);
    EXPECT_EQ(MarkedRows(), Rows{12});
    description = QStringLiteral("second");
    SelectSource(9);
    ui->AddKeyMarkwithDescription1->trigger();
    DoubleClickSource(9);
    EXPECT_EQ(Marks(), (KeyMarkList{{"     ", "6", unit, ""}, {"Line13 := 13;", "13", unit, ""},
                                    {"second", "10", unit, "Line10 := 10;"}}));

    // Editing a plain mark's caption in place changes its line text.
    TListViewEx* list = ui->ListViewEx_KeyMarks;
    list->SelectRow(1);
    EXPECT_EQ(ui->Label_UnitName->text().toStdString(), unit);
    EXPECT_EQ(ui->Label_LineNum->text(), "13");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F2);
    auto* editor = list->findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    editor->selectAll();
    QTest::keyClicks(editor, "renamed");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the editor hands its text over after the key
    EXPECT_EQ(Marks()[1].Caption, "renamed");
    ShowThroughMessage(unit);
    EXPECT_EQ(MarkedRows(), (Rows{5, 9}));
    DoubleClickSource(12);
    EXPECT_EQ(Marks().size(), 4u) << "the line now gets a new mark";

    // The real box: its caption, prompt and limit, the line text offered all selected; Cancel.
    form->Dialogs.InputKeyMarkDescription = realDescriptionBox;
    SelectSource(6);
    QTimer::singleShot(0, form.get(), [] {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        EXPECT_EQ(box->windowTitle(), "Key Mark Description");
        EXPECT_EQ(box->labelText(), "Please enter a key mark description :");
        auto* edit = box->findChild<QLineEdit*>();
        ASSERT_TRUE(edit);
        EXPECT_EQ(edit->maxLength(), 255);
        EXPECT_EQ(edit->selectedText(), "x := 1;");
        box->reject();
    });
    ui->AddKeyMarkwithDescription1->trigger();
    EXPECT_EQ(Marks().size(), 4u);
    EXPECT_FALSE(ui->SourceRows->HasKeyMarkImage(6));
}

TEST_F(KeyMarksWindow, KeyMarksLeadToTheirLinesAndMissingLinesOrFilesLoseNothing)
{
    UnitFiles files;
    const std::string a = files.Write("A.pas", NumberedLines(40));
    const std::string b = files.Write("B.pas", NumberedLines(300));
    const KeyMarkList stored{
        {"Line250 := 250;", "250", b, ""}, {"Line10 := 10;", "10", b, ""}, {"gone", "999", b, ""},
        {"edited", "x12", b, ""},          {"dir", "1", files.Folder(), ""}, {"missing", "1", a + ".bak", ""},
        {"Line3 := 3;", "3", a, ""},
    };
    CloseWindow();
    WriteKeyMarks(stored);
    Reopen();
    ASSERT_EQ(Marks(), stored);
    ShowThroughMessage(a);
    EXPECT_EQ(MarkedRows(), Rows{2});

    DoubleClickKeyMark(0); // another unit: loaded without marks, the line revealed and marked
    EXPECT_EQ(ui->Source->CurrentUnitFile(), b);
    EXPECT_EQ(SelectedSourceRow(), 249);
    EXPECT_EQ(MarkedRows(), Rows{249});
    EXPECT_EQ(form->StatusText(), "Idle");
    DoubleClickKeyMark(1); // the shown unit: revealed from the top
    EXPECT_EQ(SelectedSourceRow(), 9);
    EXPECT_EQ(ui->ListView_Source->verticalScrollBar()->value(), 0);
    EXPECT_EQ(MarkedRows(), (Rows{9, 249}));

    for (const int beyond : {2, 3}) {
        DoubleClickKeyMark(beyond);
        EXPECT_EQ(form->StatusText().toStdString(), "Key mark line not found in " + b) << beyond;
        ui->ClearKeyMark1->trigger();
        EXPECT_EQ(SelectedSourceRow(), 9) << beyond;
        EXPECT_EQ(Marks().size(), stored.size()) << "nothing deleted";
        EXPECT_EQ(MarkedRows(), (Rows{9, 249}));
    }

    DoubleClickKeyMark(4);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].toStdString(), UnreadableUnitText(files.Folder(), "Is a directory"));
    EXPECT_EQ(ui->SourceRows->rowCount(), 0);
    DoubleClickKeyMark(5);
    EXPECT_EQ(ui->SourceRows->rowCount(), 0);
    EXPECT_EQ(ui->Source->CurrentUnitFile(), "");
    EXPECT_EQ(boxes.size(), 1u) << "a missing unit is silent";
    EXPECT_EQ(Marks(), stored);

    DoubleClickKeyMark(1);
    ui->ListViewEx_KeyMarks->SelectRow(0);
    ui->ClearKeyMark1->trigger(); // the mark's unit is shown: its line is revealed and unmarked
    EXPECT_EQ(Marks().size(), stored.size() - 1);
    EXPECT_EQ(Marks()[0], stored[1]);
    EXPECT_EQ(SelectedSourceRow(), 249);
    EXPECT_EQ(MarkedRows(), Rows{9});
    ui->ListViewEx_KeyMarks->SelectRow(5);
    ui->ClearKeyMark1->trigger(); // unit A is not shown: nothing happens
    EXPECT_EQ(Marks().size(), stored.size() - 1);

    TListViewEx* list = ui->ListViewEx_KeyMarks;
    list->clearSelection();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(5, list->viewport()->height() - 2));
    EXPECT_FALSE(ui->ClearKeyMark1->isEnabled());
    EXPECT_TRUE(ui->ClearsAllKeyMarks1->isEnabled());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, KeyMarkPoint(0));
    EXPECT_TRUE(ui->ClearKeyMark1->isEnabled());

    ui->ClearAllUserKeyMarks1->trigger();
    EXPECT_EQ(Marks(), KeyMarkList{});
    EXPECT_EQ(MarkedRows(), Rows{});
    EXPECT_EQ(ui->Label_LineNum->text(), "10") << "the labels keep their texts";
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(ui->ClearsAllKeyMarks1->isEnabled());
}

TEST_F(KeyMarksWindow, KeyMarksSurviveARestartAndAShorterListLeavesNoOldEntries)
{
    UnitFiles files;
    const std::string unit = files.Write("Kept.pas", NumberedLines(20));
    ShowThroughMessage(unit);
    for (const int row : {1, 3, 5, 7, 9})
        DoubleClickSource(row);
    const KeyMarkList five = Marks();
    ASSERT_EQ(five.size(), 5u);

    Reopen();
    EXPECT_EQ(Marks(), five);
    ShowThroughMessage(unit);
    EXPECT_EQ(MarkedRows(), (Rows{1, 3, 5, 7, 9}));
    DoubleClickSource(3);
    DoubleClickSource(7);

    Reopen();
    EXPECT_EQ(Marks(), (KeyMarkList{five[0], five[2], five[4]}));
    EXPECT_EQ(CountRegSubKeys("Vireo\\KeyMarks"), 3);
    EXPECT_EQ(ReadRegString("Vireo\\KeyMarks\\2", "Line Number", ""), "10");

    // A hand-edited entry that cannot be read is reported, and closing keeps every stored entry.
    CloseWindow();
    WriteRegInteger("Vireo\\KeyMarks\\1", "Unit Name", 5);
    Reopen();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].indexOf("Invalid data type for 'Unit Name'"), -1) << boxes[0].toStdString();
    CloseWindow();
    EXPECT_EQ(CountRegSubKeys("Vireo\\KeyMarks"), 3);
    EXPECT_EQ(ReadRegString("Vireo\\KeyMarks\\2", "Line Number", ""), "10");
}
