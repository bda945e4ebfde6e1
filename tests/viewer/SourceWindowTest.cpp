#include "ViewerWindowFixture.h"

#include "viewer/panes/SourceLinesModel.h"
#include "viewer/session/SourceNavigation.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>

using namespace vireo;
using namespace vireo::test;

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
    EXPECT_EQ(ui->SourceRows->rowCount(), 1000);
    EXPECT_EQ(SelectedSourceRow(), 9) << "the ID inside a longer word on an earlier line";
    EXPECT_EQ(ui->SourceRows->UnitCaption().toStdString(), "Unit Name : " + unit);
    EXPECT_EQ(ui->Source->CurrentUnitFile(), unit);
    EXPECT_EQ(form->StatusText(), "Idle");
    EXPECT_EQ(ui->SourceRows->index(9, 1).data().toString(), "10");

    DoubleClickRow(1);
    ASSERT_EQ(SelectedSourceRow(), 499);
    QTreeView* source = ui->ListView_Source;
    const int viewHeight = source->viewport()->height();
    EXPECT_NEAR(source->visualRect(ui->SourceRows->index(502, 0)).bottom(), viewHeight - 1, 1)
        << "lines 500 to 503 shown, the last at the bottom edge";

    DoubleClickRow(2);
    ASSERT_EQ(boxes.size(), 1u) << "the ID in another letter case is not found";
    EXPECT_EQ(boxes[0], "Message ID Not Found");
    EXPECT_EQ(statusDuringBox, "Loading Source.  Please Wait...");
    EXPECT_EQ(SelectedSourceRow(), 499) << "the view stays";
    EXPECT_EQ(form->StatusText(), "Idle");

    ui->ClearSourceWindow1->trigger();
    EXPECT_EQ(ui->SourceRows->rowCount(), 0);
    EXPECT_EQ(ui->SourceRows->UnitCaption(), "Unit Name : <No Unit Name>");
    EXPECT_EQ(ui->Source->CurrentUnitFile(), "");
}

TEST_F(ViewerWindow, UnreadableOrGrownUnitsAndTheKeyMarkItem)
{
    UnitFiles files;
    Post(Msg().Id("ID_1").Unit(files.Folder()));
    DoubleClickRow(0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].toStdString(), UnreadableUnitText(files.Folder(), "Is a directory"));
    EXPECT_EQ(ui->SourceRows->rowCount(), 0);
    EXPECT_EQ(ui->Source->CurrentUnitFile(), "");
    EXPECT_EQ(form->StatusText(), "Idle");

    std::vector<std::string> lines = NumberedLines(20);
    lines[4] = "  AddDebug(Self, 'ID_5');";
    const std::string unit = files.Write("Grows.pas", lines, "\n");
    Post(Msg().Id("ID_5").Unit(unit));
    DoubleClickRow(1);
    ASSERT_EQ(ui->SourceRows->rowCount(), 20);
    EXPECT_EQ(SelectedSourceRow(), 4);

    lines.push_back("  AddDebug(Self, 'ID_21');");
    files.Write("Grows.pas", lines, "\n");
    Post(Msg().Id("ID_21").Unit(unit));
    DoubleClickRow(2);
    EXPECT_EQ(ui->SourceRows->rowCount(), 21) << "reloaded to reach the new line";
    EXPECT_EQ(SelectedSourceRow(), 20);
    EXPECT_EQ(boxes.size(), 1u);

    QTreeView* source = ui->ListView_Source;
    source->selectionModel()->clearSelection();
    QTest::mouseClick(source->viewport(), Qt::RightButton, {}, QPoint(5, source->viewport()->height() - 2));
    EXPECT_FALSE(ui->AddKeyMarkwithDescription1->isEnabled());
    QTest::mouseClick(source->viewport(), Qt::LeftButton, {}, source->visualRect(ui->SourceRows->index(20, 0)).center());
    EXPECT_TRUE(ui->AddKeyMarkwithDescription1->isEnabled());
    source->selectionModel()->clearSelection();
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(5, 5), source->viewport()->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(source->viewport(), &menuKey);
    EXPECT_FALSE(ui->AddKeyMarkwithDescription1->isEnabled()) << "opened from the keyboard, the menu is current";
    ui->PopupMenu_Source->close();
}
