#include "viewer/session/MessageListing.h"
#include "viewer/session/TimeColumns.h"
#include "viewer/session/TraceSession.h"
#include "ViewerTestMessages.h"

#include <gtest/gtest.h>

using namespace vireo;
using namespace vireo::test;

namespace {

constexpr double kDay = 46000.0;

double At(double seconds)
{
    return kDay + seconds / 86400.0;
}

} // namespace

TEST(TimeColumns, SecondsAreRoundedToMillisecondsAcrossTheEpoch)
{
    EXPECT_EQ(SecondsBetween(At(10), At(10.125)), "0.125");
    EXPECT_EQ(SecondsBetween(At(13), At(10)), "-3.000");
    EXPECT_EQ(SecondsBetween(At(0), At(0.0004)), "0.000");
    EXPECT_EQ(SecondsBetween(At(0), At(-0.0006)), "-0.001");
    // Before 30 December 1899 days count back but the time of day forward: -1.25 is 06:00 on the
    // 29th and -0.5 is 12:00 on the 30th, thirty hours later.
    EXPECT_EQ(SecondsBetween(-1.25, -0.5), "108000.000");
}

TEST(TimeColumns, DeltaFollowsArrivalOrderAndTheMarkFollowsItsMessage)
{
    TraceSession session(std::make_unique<FixedTimeConventions>("%d/%m/%Y"));
    MessageListing listing(session);
    TimeColumns times(session, listing);
    int markChanges = 0;
    QObject::connect(&times, &TimeColumns::MarkChanged, [&] { ++markChanges; });
    session.SetHistoryLimit({16, 0});
    const double seconds[] = {10, 10.125, 13.125, 10.125, 22.625};
    for (int i = 0; i < 5; ++i)
        Post(session, Msg().Class(i % 2 == 0 ? "A" : "B").Stamp(At(seconds[i])));
    listing.SetNodeSelected(true);
    listing.SelectNode(TreeNodeRule::All());
    EXPECT_EQ(times.Delta(0), "") << "the first listed message has no delta";
    EXPECT_EQ(times.Delta(1), "0.125");
    EXPECT_EQ(times.Delta(3), "-3.000") << "an earlier stamp than the previous one";
    EXPECT_EQ(times.Delta(4), "12.500");
    EXPECT_EQ(times.SinceMark(4), "") << "no mark";

    // Filtered to class A, then sorted newest first: the delta is still to the previous listed
    // message in arrival order, also for messages arriving after the sort.
    const std::string_view parent = "Class";
    listing.SelectNode(TreeNodeRule::ForNode("A", &parent));
    ASSERT_EQ(listing.Rows(), (std::vector<int>{0, 2, 4}));
    EXPECT_EQ(times.Delta(2), "3.125");
    const int newestFirst[] = {2, 1, 0};
    listing.PermuteRows(newestFirst);
    ASSERT_EQ(listing.Rows(), (std::vector<int>{4, 2, 0}));
    EXPECT_EQ(times.Delta(0), "");
    EXPECT_EQ(times.Delta(2), "3.125");
    EXPECT_EQ(times.Delta(4), "9.500");
    Post(session, Msg().Class("A").Stamp(At(23)));
    EXPECT_EQ(times.Delta(5), "0.375");

    times.SetMark(2);
    EXPECT_EQ(times.SinceMark(2), "0.000");
    EXPECT_EQ(times.SinceMark(0), "-3.125");
    EXPECT_EQ(times.SinceMark(1), "-3.000") << "the mark counts for messages not listed too";
    times.SetMark(4);
    EXPECT_EQ(markChanges, 2);

    // Passing the history limit drops the three oldest: the sorted rows and the mark move with
    // their messages, and the oldest listed one left has no delta.
    for (int i = 0; i < 11; ++i)
        Post(session, Msg().Class("B").Stamp(At(30)));
    ASSERT_EQ(session.Store().Count(), 14);
    ASSERT_EQ(listing.Rows(), (std::vector<int>{1, 2}));
    EXPECT_EQ(times.Delta(1), "");
    EXPECT_EQ(times.Delta(2), "0.375");
    EXPECT_EQ(times.Mark(), 1);
    EXPECT_EQ(times.SinceMark(2), "0.375");

    times.SetMark(0); // the message that goes at the next drop
    for (int i = 0; i < 3; ++i)
        Post(session, Msg().Class("B").Stamp(At(30)));
    EXPECT_EQ(times.Mark(), std::nullopt) << "the marked message was dropped";
    EXPECT_EQ(times.SinceMark(0), "");
    EXPECT_EQ(markChanges, 4);

    times.SetMark(3);
    session.Clear();
    EXPECT_EQ(times.Mark(), std::nullopt);
    EXPECT_EQ(markChanges, 6);
}
