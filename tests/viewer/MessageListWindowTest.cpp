#include "ViewerWindowFixture.h"

#include "viewer/session/MessageColumns.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>

using namespace vireo;
using namespace vireo::test;

TEST_F(ViewerWindow, RowsCarryTheMessageAndTypeIconsSurviveSorting)
{
    Post(Msg().Class("B").Text("odd type").Type(5).Id("ID_5").Unit("/u/B.pas").Stamp(37622.75));
    Post(Msg().Class("A").Text("warning").Type(2).Stamp(37622.25));
    Post(Msg().Class("C").Text("error").Type(3).Stamp(37622.5));
    Settle();
    MessageListModel& rows = *ui->MessageRows;
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
    TListViewEx* list = ui->ListViewEx_Messages;
    QAction* message = ui->ColumnItems[1];
    QAction* group = ui->ColumnItems[2];
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
    QScrollBar* scroll = ui->ListViewEx_Messages->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0);
    EXPECT_EQ(scroll->value(), scroll->maximum()) << "follows to the bottom";

    ui->HoldList1->trigger();
    scroll->setValue(0);
    Post(Msg().Text("held"));
    Settle();
    EXPECT_EQ(scroll->value(), 0);

    ui->HoldList1->trigger();
    EXPECT_EQ(scroll->value(), 0) << "unchecking has no immediate effect";
    Post(Msg().Text("followed"));
    Settle();
    EXPECT_EQ(scroll->value(), scroll->maximum());
}

TEST_F(ViewerWindow, CopyMessageTextPutsTheWholeTextOfTheSelectedMessageOnTheClipboard)
{
    const std::string huge(100000, 'h');
    Post(Msg().Text("small"));
    Post(Msg().Text(huge + "\xC3\xA9nd"));
    Settle();
    QAction* copy = ui->CopyMessageText1;
    EXPECT_EQ(copy->text(), "Copy Message Text");
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    ui->ListViewEx_Messages->clearSelection();
    emit ui->PopupMenu_Messages->aboutToShow();
    EXPECT_FALSE(copy->isEnabled()) << "nothing selected";

    ui->ListViewEx_Messages->SelectRow(1);
    emit ui->PopupMenu_Messages->aboutToShow();
    ASSERT_TRUE(copy->isEnabled());
    copy->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), huge + "\xC3\xA9nd");
    EXPECT_EQ(Column(1)[1].size(), kMessageDisplayChars + 3) << "the list shows the beginning and an ellipsis";
}

TEST_F(ViewerWindow, TheQuickFilterIsReachedByCtrlLClearedByEscapeMarkedWhenUnfinishedAndKept)
{
    for (const char* text : {"alpha", "beta", "alphabet"})
        Post(Msg().Text(text));
    auto* field = form->findChild<QLineEdit*>(QStringLiteral("Edit_QuickFilter"));
    auto* expression = form->findChild<QCheckBox*>(QStringLiteral("CheckBox_QuickFilterRegularExpression"));
    ASSERT_TRUE(field && expression);
    EXPECT_EQ(expression->accessibleName(), "Regular Expression");

    QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClicks(field, QStringLiteral("alph"));
    EXPECT_EQ(Column(1), (Texts{"alpha", "alphabet"}));
    Post(Msg().Text("not listed"));
    Post(Msg().Text("alphorn"));
    EXPECT_EQ(Column(1), (Texts{"alpha", "alphabet", "alphorn"}));
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(Column(1).size(), 5u);

    expression->setChecked(true);
    QTest::keyClicks(field, QStringLiteral("alpha("));
    EXPECT_EQ(Column(1), Texts{}) << "an unfinished expression lists nothing";
    EXPECT_FALSE(field->accessibleDescription().isEmpty()) << "and says why";
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->accessibleDescription(), "");
    EXPECT_EQ(Column(1), (Texts{"alpha", "alphabet"}));

    Reopen();
    field = form->findChild<QLineEdit*>(QStringLiteral("Edit_QuickFilter"));
    EXPECT_EQ(field->text(), "alpha");
    EXPECT_TRUE(form->findChild<QCheckBox*>(QStringLiteral("CheckBox_QuickFilterRegularExpression"))->isChecked());
    Post(Msg().Text("alpha"));
    Post(Msg().Text("beta"));
    EXPECT_EQ(Column(1), Texts{"alpha"}) << "kept with the settings, applied at start";
}

TEST_F(ViewerWindow, TimeColumnsAreChosenFromTheMenuAndSinceMarkFollowsTheMarkedRow)
{
    for (const double seconds : {0.0, 0.25, 3.0})
        Post(Msg().Text(std::to_string(seconds)).Stamp(37622.5 + seconds / 86400));
    Settle();
    TListViewEx* list = ui->ListViewEx_Messages;
    MessageListModel& rows = *ui->MessageRows;
    QAction* delta = ui->ColumnItems[kDeltaColumn];
    QAction* sinceMark = ui->ColumnItems[kSinceMarkColumn];
    EXPECT_EQ(delta->text(), "Delta");
    EXPECT_EQ(sinceMark->text(), "Since Mark");
    EXPECT_EQ(rows.headerData(kSinceMarkColumn, Qt::Horizontal, Qt::AccessibleTextRole).toString(), "Since Mark");
    EXPECT_EQ(rows.headerData(kDeltaColumn, Qt::Horizontal, Qt::ToolTipRole).toString(),
              "Seconds since the previous listed message, in arrival order");
    for (QAction* item : {delta, sinceMark}) {
        EXPECT_TRUE(item->isCheckable() && !item->isChecked()) << "hidden at first";
        EXPECT_EQ(list->columnWidth(item == delta ? kDeltaColumn : kSinceMarkColumn), 0);
    }

    delta->trigger();
    sinceMark->trigger();
    EXPECT_EQ(list->columnWidth(kDeltaColumn), 75);
    EXPECT_EQ(Column(kDeltaColumn), (Texts{"", "0.250", "2.750"}));
    EXPECT_EQ(Column(kSinceMarkColumn), (Texts{"", "", ""}));
    EXPECT_EQ(ui->SetTimeMark1->text(), "Set Time Mark");
    list->SelectRow(1);
    ui->SetTimeMark1->trigger();
    EXPECT_EQ(Column(kSinceMarkColumn), (Texts{"-0.250", "0.000", "2.750"}));

    ClickHeader(kDeltaColumn);
    EXPECT_EQ(Column(1)[0], "0.000000") << "the time columns do not sort the list";
    list->selectAll();
    ui->Find<QAction>("CopyMessages1")->trigger(); // copying takes the shown time columns along
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.contains("Delta\tSince Mark\n") && copied.contains("\t0.250\t0.000\n")) << copied.toStdString();
    sinceMark->trigger();
    EXPECT_EQ(list->columnWidth(kSinceMarkColumn), 0);
}
