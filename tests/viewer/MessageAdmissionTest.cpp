#include "viewer/session/MessageAdmission.h"
#include "viewer/session/TraceSources.h"
#include "ViewerTestMessages.h"

#include <gtest/gtest.h>

using namespace vireo;
using vireo::test::Msg;
using vireo::test::Post;

namespace {

std::vector<FilterEntry> TypeEntries(bool general = true, bool info = true, bool warn = true,
                                     bool error = true)
{
    return {{"0", general}, {"1", info}, {"2", warn}, {"3", error}};
}

TreeNodeRule Child(std::string_view text, std::string_view parent)
{
    return TreeNodeRule::ForNode(text, &parent);
}

} // namespace

TEST(TraceSourceRegistry, LearnsEachNameOnceIgnoringCaseAndNeverShadowsANode)
{
    MessageStore store;
    TraceSourceRegistry registry;
    const LearnedSources foo = registry.Learn(Post(store, Msg().Class("Foo").Computer("pc1")));
    EXPECT_TRUE(foo.Class);
    EXPECT_FALSE(foo.Group) << "an empty group is never learned";
    EXPECT_TRUE(foo.Computer);
    const LearnedSources again = registry.Learn(Post(store, Msg().Class("FOO").Computer("PC1")));
    EXPECT_FALSE(again.Class);
    EXPECT_FALSE(again.Computer);

    EXPECT_FALSE(registry.Learn(Post(store, Msg().Class("error"))).Class) << "a type node's text";
    EXPECT_FALSE(registry.Learn(Post(store, Msg().Class("no group"))).Class);
    const LearnedSources same = registry.Learn(Post(store, Msg().Class("Bar").Group("bar")));
    EXPECT_TRUE(same.Class);
    EXPECT_FALSE(same.Group) << "the group search sees the class node just added";
    EXPECT_TRUE(registry.Learn(Post(store, Msg().Computer(""))).Computer);
    EXPECT_FALSE(registry.Learn(Post(store, Msg().Computer(""))).Computer);

    registry.Reset();
    EXPECT_TRUE(registry.Learn(Post(store, Msg().Class("foo").Group("G"))).Class);
    EXPECT_FALSE(registry.Learn(Post(store, Msg().Class("All"))).Class);
}

TEST(TreeNodeRule, AdmitsByNodeAndParentText)
{
    MessageStore store;
    const TTraceInfo& plain = Post(store, Msg().Class("").Type(3));
    const TTraceInfo& foo = Post(store, Msg().Class("FOO").Type(2).Group("Red"));
    const TTraceInfo& odd = Post(store, Msg().Class("Foo").Type(7));

    const TreeNodeRule all = TreeNodeRule::ForNode("All", nullptr);
    EXPECT_TRUE(all.Admits(plain) && all.Admits(odd));
    EXPECT_TRUE(TreeNodeRule::ForNode("Class", nullptr).Admits(foo));

    EXPECT_TRUE(Child("No Class", "Class").Admits(plain));
    EXPECT_FALSE(Child("No Class", "Class").Admits(foo));
    EXPECT_TRUE(Child("Foo", "Class").Admits(foo)) << "class nodes ignore case";
    EXPECT_FALSE(Child("Foo", "Class").Admits(plain));
    EXPECT_TRUE(Child("No Group", "Group").Admits(plain));
    EXPECT_TRUE(Child("red", "Group").Admits(foo));

    EXPECT_TRUE(Child("Error", "Message Type").Admits(plain));
    EXPECT_FALSE(Child("Error", "Message Type").Admits(foo));
    EXPECT_TRUE(Child("Warning", "Message Type").Admits(foo));
    for (const char* type : kTypeNames)
        EXPECT_FALSE(Child(type, "Message Type").Admits(odd)) << "type 7 matches no type node";

    EXPECT_FALSE(Child("Foo", "class").Admits(foo)) << "fixed captions compare exactly";
    EXPECT_FALSE(TreeNodeRule().Admits(foo));
}

TEST(FilterSnapshot, NeedsACheckedEntryInEveryPanel)
{
    MessageStore store;
    const TTraceInfo& foo = Post(store, Msg().Class("Foo").Computer("pc1"));
    const TTraceInfo& fooUpper = Post(store, Msg().Class("FOO").Computer("PC1"));
    const TTraceInfo& warning = Post(store, Msg().Class("Foo").Type(2));
    const TTraceInfo& noName = Post(store, Msg().Class("").Computer(""));
    const TTraceInfo& odd = Post(store, Msg().Class("Foo").Type(7));

    const std::vector<FilterEntry> classes{{"", true}, {"Foo", true}};
    const std::vector<FilterEntry> groups{{"", true}};
    const std::vector<FilterEntry> computers{{"PC1", true}, {"", true}};
    const FilterSnapshot open(classes, groups, TypeEntries(), computers);
    EXPECT_TRUE(open.Admits(foo));
    EXPECT_FALSE(open.Admits(fooUpper)) << "class filters compare exactly";
    EXPECT_TRUE(open.Admits(warning));
    EXPECT_TRUE(open.Admits(noName));
    EXPECT_FALSE(open.Admits(odd)) << "a type outside 0 to 3 has no entry";

    const FilterSnapshot noWarnings(classes, groups, TypeEntries(true, true, false), computers);
    EXPECT_TRUE(noWarnings.Admits(foo));
    EXPECT_FALSE(noWarnings.Admits(warning));

    const FilterSnapshot noEmptyComputer(classes, groups, TypeEntries(), {{"PC1", true}, {"", false}});
    EXPECT_FALSE(noEmptyComputer.Admits(noName));
    EXPECT_TRUE(noEmptyComputer.Admits(foo));

    const FilterSnapshot firstWins({{"Foo", false}, {"Foo", true}, {"", true}}, groups, TypeEntries(),
                                   computers);
    EXPECT_FALSE(firstWins.Admits(foo)) << "the first entry of a value decides";
}

TEST(MessageRowsForViews, OnePassPerPage)
{
    MessageStore store;
    Post(store, Msg().Class("A").Type(0));
    Post(store, Msg().Class("B").Type(2));
    Post(store, Msg().Class("A").Type(2));
    Post(store, Msg().Class("").Type(1));

    const FilterSnapshot filters({{"", true}, {"A", true}, {"B", true}}, {{"", true}},
                                 TypeEntries(true, true, false), {{"PC1", true}});
    const TreeNodeRule nodeA = Child("A", "Class");
    using Rows = std::vector<int>;
    EXPECT_EQ(ListedRows(store, ListingRule(nodeA, ListPage::Messages, &filters)), (Rows{0, 2}));
    EXPECT_EQ(ListedRows(store, ListingRule(nodeA, ListPage::Filters, &filters)), (Rows{0}));
    EXPECT_EQ(ListedRows(store, ListingRule(nodeA, ListPage::UserKeyMarks, &filters)), Rows{});
    EXPECT_EQ(ListedRows(store, ListingRule(nodeA, ListPage::Tracking, &filters)), Rows{})
        << "no track selected";
    const ListingRule tracking(nodeA, ListPage::Tracking, &filters,
                               [](const TTraceInfo& m) { return m.MessageType == 2; });
    EXPECT_EQ(ListedRows(store, tracking), (Rows{2}));
    EXPECT_EQ(ListedRows(store, ListingRule(TreeNodeRule(), ListPage::Messages, &filters)), Rows{});
    EXPECT_EQ(ListedRows(store, ListingRule(TreeNodeRule::All(), ListPage::Filters, &filters)),
              (Rows{0, 3}));
}
