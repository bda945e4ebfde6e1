#include "ViewerWindowFixture.h"

#include "viewer/panes/MessageRateStrip.h"

using namespace vireo;
using namespace vireo::test;

namespace {

// The middle of a bar as the strip lays its bars out.
QPoint BarCenter(const MessageRateStrip& strip, int bar)
{
    const int count = static_cast<int>(strip.Bars().size());
    const int left = bar * strip.width() / count;
    const int right = (bar + 1) * strip.width() / count;
    return {(left + right) / 2, strip.height() / 2};
}

} // namespace

TEST_F(ViewerWindow, TheRateStripComesFromTheViewMenuAndItsBarsSelectTheirFirstRows)
{
    Post(Msg().Text("late").Stamp(37622.5 + 5 / 86'400.0));
    Post(Msg().Text("early").Stamp(37622.5));
    Post(Msg().Text("early too").Stamp(37622.5));
    ClickHeader(1);
    ClickHeader(1); // descending: late, early too, early
    ASSERT_EQ(Column(1), (Texts{"late", "early too", "early"}));

    auto* strip = ui->Find<MessageRateStrip>("MessageRateStrip");
    EXPECT_FALSE(strip->isVisible());
    ui->Find<QAction>("MessageRate1")->trigger();
    Settle(); // laid out
    ASSERT_TRUE(strip->isVisible());
    EXPECT_TRUE(ui->Find<QAction>("MessageRate2")->isChecked());
    ASSERT_EQ(strip->Bars().size(), 6u);

    QTest::mouseClick(strip, Qt::LeftButton, {}, BarCenter(*strip, 0));
    EXPECT_EQ(ui->ListViewEx_Messages->currentIndex().row(), 2) << "the bar's earliest arrival, sorted last";

    EXPECT_EQ(strip->accessibleName(), "Message Rate");
    strip->setFocus(Qt::TabFocusReason);
    QTest::keyClick(strip, Qt::Key_Right); // past the empty seconds
    EXPECT_EQ(strip->CurrentBar(), 5);
    EXPECT_EQ(strip->accessibleDescription(), "2003-01-01 12:00:05 to 12:00:06: 1 message");
    QTest::keyClick(strip, Qt::Key_Return);
    EXPECT_EQ(ui->ListViewEx_Messages->currentIndex().row(), 0);

    Reopen();
    EXPECT_TRUE(ui->Find<QAction>("MessageRate1")->isChecked());
    EXPECT_TRUE(ui->Find<MessageRateStrip>("MessageRateStrip")->isVisible());
}
