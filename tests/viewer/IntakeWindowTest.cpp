#include "ViewerWindowFixture.h"

#include <QAction>
#include <QMenu>

#include <limits>

using namespace vireo;
using namespace vireo::test;

TEST(MainForm, StoresNumbersAndFormatsEachMessageThenRestsIdle)
{
    Window w;
    EXPECT_EQ(w.form->windowTitle(), "Vireo");
    EXPECT_EQ(w.form->StatusText(), "Idle");

    w.form->ReceiveTrace(QString(), QStringLiteral("héllo ✓"), 7, QStringLiteral("mgRed"), QStringLiteral("Pc-1"),
                         QStringLiteral("UniqueStr_9"), QStringLiteral("/p/Unit1.pas"), 0.5);
    w.time->conventions = ConventionsFromStrftime("%m/%d/%y", "%I:%M:%S %p", "AM", "PM");
    w.Receive(QStringLiteral("second"), 0.75);

    const MessageStore& store = *w.form->MessageStore;
    ASSERT_EQ(store.Count(), 2);
    const TTraceInfo& first = store.Items(0);
    EXPECT_EQ(first.ClassName.view(), "");
    EXPECT_EQ(first.MessageStr, "h\xc3\xa9llo \xe2\x9c\x93");
    EXPECT_EQ(first.MessageType, 7);
    EXPECT_EQ(first.MessageGroup.view(), "mgRed");
    EXPECT_EQ(first.ComputerName.view(), "Pc-1");
    EXPECT_EQ(first.MessageID.view(), "UniqueStr_9");
    EXPECT_EQ(first.UnitFileName.view(), "/p/Unit1.pas");
    EXPECT_EQ(first.MessageDate.view(), "30.12.1899");
    EXPECT_EQ(first.MessageTime.view(), "12:00:00");
    EXPECT_EQ(first.SequenceNumber, 0);
    EXPECT_EQ(store.Items(1).SequenceNumber, 1);
    EXPECT_EQ(store.Items(1).MessageTime.view(), "06:00:00 PM") << "conventions are read for every message";
    EXPECT_EQ(w.form->StatusText(), "Idle");
}

TEST(MainForm, UnformattableStampStoresNothingAndUsesNoNumber)
{
    Window w;
    EXPECT_THROW(w.Receive(QStringLiteral("bad"), std::numeric_limits<double>::quiet_NaN()), TimeStampError);
    EXPECT_EQ(w.form->MessageStore->Count(), 0);
    EXPECT_EQ(w.form->StatusText(), "Receiving Message...") << "left as the failed intake set it";
    w.Receive(QStringLiteral("good"));
    ASSERT_EQ(w.form->MessageStore->Count(), 1);
    EXPECT_EQ(w.form->MessageStore->Items(0).SequenceNumber, 0);
    EXPECT_EQ(w.form->StatusText(), "Idle");
}

TEST(MainForm, SpentSequenceNumbersRefuseMessagesInsteadOfReusingNumbers)
{
    Window w;
    w.form->MessageStore->NextSequenceNumber = std::numeric_limits<int32_t>::max() - 1;
    w.Receive(QStringLiteral("last"));
    EXPECT_EQ(w.form->MessageStore->Items(0).SequenceNumber, std::numeric_limits<int32_t>::max() - 1);
    EXPECT_THROW(w.Receive(QStringLiteral("one too many")), std::overflow_error);
    EXPECT_EQ(w.form->MessageStore->Count(), 1);
}

TEST(MainForm, ClearAllMessagesEmptiesTheStoreAndNumberingGoesOn)
{
    Window w;
    w.Receive(QStringLiteral("a"));
    w.Receive(QStringLiteral("b"));
    ASSERT_EQ(w.form->ClearMessages1->text(), "Clear All &Messages");
    ASSERT_EQ(w.form->MessageOptions1->title(), "&Message Options");
    w.form->ClearMessages1->trigger();
    EXPECT_EQ(w.form->MessageStore->Count(), 0);
    w.Receive(QStringLiteral("c"));
    EXPECT_EQ(w.form->MessageStore->Items(0).SequenceNumber, 2);
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
