#include "ViewerWindowFixture.h"

#include <QAction>
#include <QMenu>

#include <limits>

using namespace vireo;
using namespace vireo::test;

TEST(MainForm, TheStatusBarShowsEachIntakeAndKeepsAFailedOnesText)
{
    Window w;
    EXPECT_EQ(w.form->windowTitle(), "Vireo");
    EXPECT_EQ(w.form->StatusText(), "Idle");
    QStringList seen;
    QObject::connect(w.session.get(), &TraceSession::MessagesAppended, [&] { seen << w.form->StatusText(); });
    w.Receive(QStringLiteral("good"));
    EXPECT_EQ(seen, QStringList{"Receiving Message..."});
    EXPECT_EQ(w.form->StatusText(), "Idle");
    EXPECT_THROW(w.Receive(QStringLiteral("bad"), std::numeric_limits<double>::quiet_NaN()), TimeStampError);
    EXPECT_EQ(w.form->StatusText(), "Receiving Message...") << "left as the failed intake set it";
    w.Receive(QStringLiteral("good"));
    EXPECT_EQ(w.form->StatusText(), "Idle");
}

TEST(MainForm, ClearAllMessagesEmptiesTheStoreAndNumberingGoesOn)
{
    Window w;
    w.Receive(QStringLiteral("a"));
    w.Receive(QStringLiteral("b"));
    ASSERT_EQ(w.ui->ClearMessages1->text(), "Clear All &Messages");
    ASSERT_EQ(w.ui->MessageOptions1->title(), "&Message Options");
    w.ui->ClearMessages1->trigger();
    EXPECT_EQ(w.session->Store().Count(), 0);
    w.Receive(QStringLiteral("c"));
    EXPECT_EQ(w.session->Store().Items(0).SequenceNumber, 2);
}

TEST_F(ViewerWindow, ClearAllMessagesResetsLearnedNodesAndEntriesButNotTypeChecks)
{
    Post(Msg().Class("Foo").Group("Red").Computer("pc1"));
    ui->TreeView_Main->expandAll();
    ClickNode("Foo");
    ClickPage(ListPage::Filters);
    ClickFilter(ui->PanelExpander_MessType, "2");
    ClickFilter(ui->PanelExpander_Class, "Foo");

    ui->ClearMessages1->trigger();
    EXPECT_EQ(Children("Class"), (Texts{"No Class"}));
    EXPECT_EQ(Children("Group"), (Texts{"No Group"}));
    EXPECT_EQ(Column(0), Texts{});
    ASSERT_EQ(ui->PanelExpander_Class->ItemCount(), 1);
    EXPECT_TRUE(ui->PanelExpander_Class->IsItemChecked(0));
    EXPECT_EQ(ui->PanelExpander_Group->ItemCount(), 1);
    EXPECT_EQ(ui->PanelExpander_Computer->ItemCount(), 0);
    EXPECT_FALSE(FilterChecked(ui->PanelExpander_MessType, "2"));

    Post(Msg().Class("Foo").Text("again").Type(0));
    EXPECT_EQ(session->Store().Items(0).SequenceNumber, 1);
    EXPECT_TRUE(FilterChecked(ui->PanelExpander_Class, "Foo"));
    ClickPage(ListPage::Messages);
    form->FormActivate();
    EXPECT_EQ(Column(1), (Texts{"again"}));
}
