#include "viewer/session/MessageListing.h"
#include "viewer/session/TraceSession.h"
#include "ViewerTestMessages.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vireo;
using namespace vireo::test;

namespace {

using Rows = std::vector<int>;

// A session, its listing, and filter panels the test checks and unchecks.
struct Listed {
    Listed()
    {
        listing.SetFilterSource([this] {
            ++snapshots;
            return FilterSnapshot(classes, {{"", true}}, types, {{"PC1", true}});
        });
    }
    void Select(const char* text, const char* parent)
    {
        const std::string_view parentText = parent ? parent : "";
        listing.SetNodeSelected(true);
        listing.SelectNode(TreeNodeRule::ForNode(text, parent ? &parentText : nullptr));
    }
    TraceSession session{std::make_unique<FixedTimeConventions>("%d/%m/%Y")};
    MessageListing listing{session};
    std::vector<FilterEntry> classes{{"", true}, {"A", true}, {"B", true}};
    std::vector<FilterEntry> types{{"0", true}, {"1", true}, {"2", true}, {"3", true}};
    int snapshots = 0;
};

} // namespace

TEST(MessageListing, ArrivalsPassTheSelectedNodeOnEveryPageAndRebuildsFollowThePage)
{
    Listed l;
    Post(l.session, Msg().Class("A"));
    EXPECT_EQ(l.listing.Rows(), Rows{}) << "no node selected: nothing listed";

    l.Select("A", "Class");
    EXPECT_EQ(l.listing.Rows(), (Rows{0}));
    Post(l.session, Msg().Class("B"));
    Post(l.session, Msg().Class("a").Type(2));
    EXPECT_EQ(l.listing.Rows(), (Rows{0, 2}));
    l.listing.SetNodeSelected(false);
    Post(l.session, Msg().Class("A"));
    EXPECT_EQ(l.listing.Rows(), (Rows{0, 2})) << "a current node that is not selected admits no arrival";
    l.listing.SetNodeSelected(true);

    l.listing.ChoosePage(ListPage::Filters);
    EXPECT_EQ(l.listing.Rows(), (Rows{0, 1, 3})) << "the filters relist from All; class a has no entry";
    Post(l.session, Msg().Class("B"));
    Post(l.session, Msg().Class("A"));
    EXPECT_EQ(l.listing.Rows(), (Rows{0, 1, 3, 5})) << "arrivals still pass the tree's node first";

    l.types[2].Checked = false;
    l.listing.FiltersChanged();
    EXPECT_EQ(l.listing.Rows(), (Rows{0, 1, 3, 4, 5}));
    Post(l.session, Msg().Class("A").Type(2));
    EXPECT_EQ(l.listing.Rows(), (Rows{0, 1, 3, 4, 5})) << "an unchecked type keeps arrivals out";
    const int asked = l.snapshots;
    Post(l.session, Msg().Class("A").Type(1));
    Post(l.session, Msg().Class("A").Type(1));
    EXPECT_EQ(l.snapshots, asked) << "the checks are read once per change, not per message";
    l.classes.push_back({"C", true});
    Post(l.session, Msg().Class("C"));
    EXPECT_EQ(l.snapshots, asked + 1) << "a learned name makes the checks be read again";
    l.Select("All", nullptr);
    EXPECT_EQ(l.listing.Rows(), (Rows{0, 1, 3, 4, 5, 7, 8, 9}));

    l.listing.ChoosePage(ListPage::UserKeyMarks);
    EXPECT_EQ(l.listing.Rows(), Rows{});
    Post(l.session, Msg().Class("A"));
    EXPECT_EQ(l.listing.Rows(), Rows{});
    l.listing.SetPage(ListPage::Messages);
    EXPECT_EQ(l.listing.Rows(), Rows{}) << "a page the program chose relists nothing";
    l.listing.ChoosePage(ListPage::Messages);
    EXPECT_EQ(l.listing.Rows().size(), 11u);
}

TEST(MessageListing, TheTrackingPageListsTheSelectedTracksMessagesAndClearingEmptiesAll)
{
    Listed l;
    l.Select("All", nullptr);
    Post(l.session, Msg().Text("Entering TFoo"));
    Post(l.session, Msg().Text("leaving TFoo"));
    l.listing.SelectTrack(TrackMatcher(TTrackInfo{"enter", tkStartWith}));
    EXPECT_EQ(l.listing.Rows(), (Rows{0, 1})) << "another page's list stays";

    l.listing.ChoosePage(ListPage::Tracking);
    EXPECT_EQ(l.listing.Rows(), (Rows{0}));
    Post(l.session, Msg().Text("ENTERING again"));
    Post(l.session, Msg().Text("other"));
    EXPECT_EQ(l.listing.Rows(), (Rows{0, 2}));
    l.listing.SelectTrack(std::nullopt);
    EXPECT_EQ(l.listing.Rows(), Rows{}) << "a root or no track lists nothing";
    Post(l.session, Msg().Text("Entering"));
    EXPECT_EQ(l.listing.Rows(), Rows{});

    l.listing.SelectTrack(TrackMatcher(TTrackInfo{"other", tkExact}));
    EXPECT_EQ(l.listing.Rows(), (Rows{3}));
    l.session.Clear();
    EXPECT_EQ(l.listing.Rows(), Rows{});
    Post(l.session, Msg().Text("OTHER"));
    EXPECT_EQ(l.listing.Rows(), (Rows{0}));
}

TEST(MessageListing, TheQuickFilterNarrowsEveryPageAndArrivalsByTheShownTexts)
{
    Listed l;
    for (const char* text : {"Disk full", "disk ok", "net down", "DISKette"})
        Post(l.session, Msg().Class(text[0] == 'n' ? "B" : "A").Text(text).Computer("PC1"));
    l.Select("All", nullptr);
    const ShownColumns shown{{0, 1}, false}; // class and text
    const auto quick = [&](QuickFilterSettings settings, ShownColumns columns) {
        l.listing.SetQuickFilter(QuickFilter(settings, std::move(columns)));
        return l.listing.Rows();
    };
    EXPECT_EQ(quick({QStringLiteral("disk")}, shown), (Rows{0, 1, 3})) << "any case by default";
    EXPECT_EQ(quick({QStringLiteral("disk"), false, true}, shown), (Rows{1}));
    EXPECT_EQ(quick({QStringLiteral("-disk")}, shown), (Rows{2})) << "a leading - excludes";
    EXPECT_EQ(quick({QStringLiteral("disk"), false, false, true}, shown), (Rows{2}));
    EXPECT_EQ(quick({QStringLiteral("^d.*k "), true}, shown), (Rows{0, 1}));
    EXPECT_EQ(quick({QStringLiteral("pc1")}, shown), Rows{}) << "a hidden column's text does not count";
    EXPECT_EQ(quick({QStringLiteral("pc1")}, {{0, 1, 5}, false}), (Rows{0, 1, 2, 3}));
    EXPECT_EQ(quick({QStringLiteral("^b$"), true}, shown), (Rows{2})) << "the class is a shown text too";

    // It combines with the node, the page and arrivals; an unfinished expression lists nothing.
    quick({QStringLiteral("disk")}, shown);
    l.Select("A", "Class");
    Post(l.session, Msg().Class("A").Text("disk again"));
    Post(l.session, Msg().Class("A").Text("other"));
    Post(l.session, Msg().Class("B").Text("disk on B"));
    EXPECT_EQ(l.listing.Rows(), (Rows{0, 1, 3, 4}));
    l.listing.ChoosePage(ListPage::Filters);
    EXPECT_EQ(l.listing.Rows(), (Rows{0, 1, 3, 4, 6})) << "the filters page relists from All, text filtered";
    EXPECT_EQ(quick({QStringLiteral("disk ("), true}, shown), Rows{});
    EXPECT_FALSE(l.listing.Quick().Error().isEmpty());
    Post(l.session, Msg().Class("A").Text("disk"));
    EXPECT_EQ(l.listing.Rows(), Rows{});
    EXPECT_EQ(quick({}, shown).size(), 8u) << "an empty filter lists the page's rows again";
}
