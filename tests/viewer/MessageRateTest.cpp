#include "viewer/session/MessageListing.h"
#include "viewer/session/MessageRate.h"
#include "viewer/session/TraceSession.h"
#include "ViewerTestMessages.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vireo;
using namespace vireo::test;

namespace {

constexpr double kNoon = 37622.5; // 01/01/2003 12:00:00
const std::int64_t kNoonSecond = StampSecond(kNoon);

double At(double seconds)
{
    return kNoon + seconds / 86'400.0;
}

// A session listing "All", and the histogram over its listing.
struct Rated {
    Rated()
    {
        listing.SetNodeSelected(true);
        listing.SelectNode(TreeNodeRule::All());
    }
    void PostAt(double seconds, const char* cls = "A") { Post(session, Msg().Class(cls).Stamp(At(seconds))); }
    // Count and first store index of every bucket, earliest first.
    std::vector<std::pair<int, int>> Buckets() const
    {
        std::vector<std::pair<int, int>> buckets;
        for (const RateBar& bar : rate.Bars(MessageRate::kMaxBuckets))
            buckets.emplace_back(bar.Count, bar.FirstStoreIndex);
        return buckets;
    }
    int Total() const
    {
        int total = 0;
        for (const RateBar& bar : rate.Bars(MessageRate::kMaxBuckets))
            total += bar.Count;
        return total;
    }
    TraceSession session{std::make_unique<FixedTimeConventions>("%d/%m/%Y")};
    MessageListing listing{session};
    MessageRate rate{session, listing};
};

using Buckets = std::vector<std::pair<int, int>>;

} // namespace

TEST(MessageRate, SecondsWidenToMinutesDaysAndBeyondAsTheSpanGrows)
{
    Rated r;
    for (const double second : {0.0, 0.4, 0.999, 2.0})
        r.PostAt(second);
    EXPECT_EQ(r.rate.BucketSeconds(), 1);
    EXPECT_EQ(r.Buckets(), (Buckets{{3, 0}, {0, -1}, {1, 3}}));
    EXPECT_EQ(r.rate.Bars(2), (std::vector<RateBar>{{kNoonSecond, 2, 3, 0}, {kNoonSecond + 2, 1, 1, 3}}));
    EXPECT_EQ(RateBarText(r.rate.Bars(2)[0]), "2003-01-01 12:00:00 to 12:00:02: 3 messages");
    EXPECT_EQ(RateBarText({kNoonSecond + 43'199, 1, 1, 0}), "2003-01-01 23:59:59 to 2003-01-02 00:00:00: 1 message");

    r.PostAt(3'599);
    EXPECT_EQ(r.rate.BucketSeconds(), 1) << "3,600 one-second buckets still fit";
    r.PostAt(3'600);
    EXPECT_EQ(r.rate.BucketSeconds(), 60);
    EXPECT_EQ(r.rate.BucketCount(), 61);
    EXPECT_EQ(r.Buckets().front(), std::make_pair(4, 0));
    EXPECT_EQ(r.Buckets().back(), std::make_pair(1, 5));

    r.PostAt(200 * 86'400.0);
    EXPECT_EQ(r.rate.BucketSeconds(), 86'400) << "4,800 hours do not fit";
    EXPECT_EQ(r.rate.BucketCount(), 201);
    Post(r.session, Msg().Stamp(2'958'465.99)); // 31/12/9999
    EXPECT_GT(r.rate.BucketSeconds(), 86'400);
    EXPECT_LE(r.rate.BucketCount(), MessageRate::kMaxBuckets);
    EXPECT_EQ(r.Total(), 8);
}

TEST(MessageRate, StampsOutOfOrderCountWhereTheyFallAndKeepTheEarliestArrival)
{
    Rated r;
    for (const double second : {5.0, 1.0, 5.0, 3.0})
        r.PostAt(second);
    EXPECT_EQ(r.Buckets(), (Buckets{{1, 1}, {0, -1}, {1, 3}, {0, -1}, {2, 0}}));

    Post(r.session, Msg().Stamp(-1.25)); // 29/12/1899 06:00, before the automation dates' day 0
    EXPECT_EQ(StampSecond(-1.25), -64'800);
    const std::vector<RateBar> bars = r.rate.Bars(MessageRate::kMaxBuckets);
    EXPECT_LE(bars.front().Start, -64'800);
    EXPECT_GT(bars.front().Start + bars.front().Seconds, -64'800);
    EXPECT_EQ(bars.front().FirstStoreIndex, 4);
    EXPECT_EQ(bars.back().Count, 4);
    EXPECT_EQ(bars.back().FirstStoreIndex, 0);
}

TEST(MessageRate, FollowsRelistsDropsAndSortingToTheFirstRow)
{
    Rated r;
    r.PostAt(0, "A");
    r.PostAt(0, "B");
    r.PostAt(1, "A");
    r.PostAt(2, "B");
    r.PostAt(2, "A");
    EXPECT_EQ(r.Buckets(), (Buckets{{2, 0}, {1, 2}, {2, 3}}));
    const std::string_view parent = "Class";
    r.listing.SelectNode(TreeNodeRule::ForNode("A", &parent));
    EXPECT_EQ(r.Buckets(), (Buckets{{1, 0}, {1, 2}, {1, 4}}));

    const std::vector<int> reversed{2, 1, 0};
    r.listing.PermuteRows(reversed); // sorted: rows 4, 2, 0
    r.PostAt(0, "A");                // index 5, listed last, counted in the first bucket
    EXPECT_EQ(r.Buckets(), (Buckets{{2, 0}, {1, 2}, {1, 4}}));
    EXPECT_EQ(r.listing.RowOf(r.Buckets()[0].second), 2);

    r.session.DropOldest(1); // a sorted list is relisted by the drop
    EXPECT_EQ(r.Buckets(), (Buckets{{1, 4}, {1, 1}, {1, 3}})) << "the first bucket's first went";
    EXPECT_EQ(r.listing.RowOf(4), 2) << "rows 3, 1, 4 stay sorted";

    r.listing.SelectNode(TreeNodeRule::All()); // store: B@0 A@1 B@2 A@2 A@0
    r.session.DropOldest(2);                   // leading rows go; A@0 is now index 2
    EXPECT_EQ(r.Buckets(), (Buckets{{1, 2}, {0, -1}, {2, 0}}));

    r.PostAt(7'200);
    EXPECT_EQ(r.rate.BucketSeconds(), 60);
    r.session.DropOldest(3);
    EXPECT_EQ(r.Buckets(), (Buckets{{1, 0}})) << "what is left fits one-second buckets again";
    EXPECT_EQ(r.rate.BucketSeconds(), 1);

    r.session.Clear();
    EXPECT_EQ(r.rate.BucketCount(), 0);
}
