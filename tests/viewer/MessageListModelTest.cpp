#include "viewer/panes/MessageListModel.h"
#include "viewer/session/MessageColumns.h"
#include "viewer/session/MessageListing.h"
#include "viewer/session/TimeColumns.h"
#include "viewer/session/TraceSession.h"
#include "ModelContract.h"
#include "ViewerTestMessages.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

using namespace vireo;
using vireo::test::FixedTimeConventions;
using vireo::test::Msg;
using vireo::test::Post;

namespace {

constexpr std::string_view kMessageTypeNode = "Message Type";

// A session listing every message, as the node "All" on the "Messages" page does.
struct ListedSession {
    ListedSession()
    {
        listing.SetNodeSelected(true);
        listing.SelectNode(TreeNodeRule::All());
    }
    TraceSession session{std::make_unique<FixedTimeConventions>("%d/%m/%Y")};
    MessageListing listing{session};
    TimeColumns times{session, listing};
    MessageListModel model{session.Store(), listing, times};
};

} // namespace

TEST(MessageListModel, RowsAreTheListingsStoreIndicesCarryingTheMessageTexts)
{
    ListedSession s;
    MessageListModel& model = s.model;
    const auto contract = test::CheckModelContract(&model);
    EXPECT_EQ(model.columnCount(), kMessageListColumnCount);
    EXPECT_EQ(model.headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(), "Computer Name");

    Post(s.session, Msg().Class("TFoo").Text("first").Type(5).Group("Red").Id("ID_1").Unit("/u/A.pas"));
    Post(s.session, Msg().Class("TBar").Text("second").Type(-3).Computer("box"));
    EXPECT_EQ(model.rowCount(), 0) << "views learn of appended rows at the end of the turn";
    QCoreApplication::processEvents();
    ASSERT_EQ(model.rowCount(), 2);

    const std::vector<std::string> row0{"first", "Red", "01/01/2003", "12:00:00", "pc1",
                                        "ID_1", "/u/A.pas", "5", "0"};
    for (int i = 0; i < kMessageSubItemCount; ++i)
        EXPECT_EQ(model.SubItem(0, i), row0[static_cast<std::size_t>(i)]) << "sub-item " << i;
    EXPECT_EQ(model.SubItem(1, 7), "-3");
    EXPECT_EQ(model.SortKey(0, 0), "TFoo");
    EXPECT_EQ(model.data(model.index(1, 5), Qt::DisplayRole).toString(), "box");
    EXPECT_EQ(model.StateImage(0), -1) << "type 5 has no icon";

    Post(s.session, Msg().Class("TBaz").Text("third").Type(2));
    s.listing.SelectNode(TreeNodeRule::ForNode("Warning", &kMessageTypeNode));
    s.listing.SelectNode(TreeNodeRule::All());
    ASSERT_EQ(model.rowCount(), 3) << "a relisting reaches the views at once";
    EXPECT_EQ(model.StateImage(2), 2);
    const int order[] = {2, 0, 1};
    model.PermuteRows(order);
    EXPECT_EQ(s.listing.Rows(), (std::vector<int>{2, 0, 1})) << "sorting reorders the listing";
    EXPECT_EQ(model.SortKey(1, 1), "first");
    EXPECT_EQ(model.StateImage(0), 2) << "the icon follows the message";
    EXPECT_EQ(model.StateImage(1), -1);
    const SourceRequest request = model.RequestForRow(1);
    EXPECT_EQ(request.MessageID, "ID_1");
    EXPECT_EQ(request.UnitFileName, "/u/A.pas");
    EXPECT_EQ(request.SequenceNumber, 0);
}

TEST(MessageTypeImage, OnlyTheFourTypesHaveIcons)
{
    EXPECT_EQ(MessageTypeImage(3), 3);
    EXPECT_EQ(MessageTypeImage(4), -1);
    EXPECT_EQ(MessageTypeImage("0"), 0);
    EXPECT_EQ(MessageTypeImage("7"), -1);
    EXPECT_EQ(MessageTypeImage("-1"), -1);
    EXPECT_EQ(MessageTypeImage("2x"), -1);
}

TEST(MessageDisplayText, ALongTextShowsItsFirstCharactersWholeThenAnEllipsis)
{
    const std::string ellipsis = "\xE2\x80\xA6";
    const std::string limit(kMessageDisplayChars, 'x');
    EXPECT_EQ(MessageDisplayText("short"), "short");
    EXPECT_EQ(MessageDisplayText(limit), limit) << "a text of the limit is shown whole";
    EXPECT_EQ(MessageDisplayText(limit + "y"), limit + ellipsis);
    std::string accents;
    for (std::size_t i = 0; i <= kMessageDisplayChars; ++i)
        accents += "\xC3\xA9"; // é, two bytes
    EXPECT_EQ(MessageDisplayText(accents), accents.substr(0, 2 * kMessageDisplayChars) + ellipsis)
        << "characters are counted, never cut";

    // The list shows the prefix; sorting, the sub-items and copying keep the whole text.
    ListedSession s;
    MessageListModel& model = s.model;
    const std::string huge(10 * 1024 * 1024, 'm');
    Post(s.session, Msg().Text(huge));
    model.FlushAppendedRows();
    const QString shown = model.data(model.index(0, 1), Qt::DisplayRole).toString();
    EXPECT_EQ(shown.size(), static_cast<qsizetype>(kMessageDisplayChars) + 1);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
    EXPECT_EQ(model.SortKey(0, 1).size(), huge.size());
    EXPECT_EQ(model.SubItem(0, 0), huge);
    EXPECT_EQ(model.MessageText(0), huge);
}

TEST(MessageListModel, DroppedMessagesLeaveTheListAsARemovalUnlessItIsSorted)
{
    ListedSession s;
    MessageListModel& model = s.model;
    const auto contract = test::CheckModelContract(&model);
    for (const char* text : {"a", "b", "c", "d"})
        Post(s.session, Msg().Text(text));
    model.FlushAppendedRows();
    int removed = 0, resets = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsRemoved, [&](const QModelIndex&, int first, int last) {
        EXPECT_EQ(first, 0);
        removed += last - first + 1;
    });
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });

    s.session.DropOldest(2);
    EXPECT_EQ(removed, 2);
    EXPECT_EQ(resets, 0) << "views keep their selection and place";
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.SortKey(0, 1), "c");

    const int order[] = {1, 0};
    model.PermuteRows(order);
    s.session.DropOldest(1);
    EXPECT_EQ(resets, 1) << "a sorted list has its dropped rows anywhere: it is relisted";
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.SortKey(0, 1), "d");
}

TEST(MessageListModel, HighlightedRowsFollowTheirMessagesThroughDropsAndClears)
{
    ListedSession s;
    const auto contract = test::CheckModelContract(&s.model);
    const auto post = [&s](std::initializer_list<const char*> classes) {
        for (const char* name : classes)
            Post(s.session, Msg().Class(name));
        QCoreApplication::processEvents();
    };
    const auto marks = [&s] {
        std::string shown;
        for (int row = 0; row < s.model.rowCount(); ++row)
            shown += s.model.index(row, 3).data(Qt::BackgroundRole).isValid() ? '#' : '.';
        return shown;
    };
    post({"TOther", "TKeep", "TOther", "TKeep", "TOther"});
    HighlightRule keep;
    keep.Target = HighlightTarget::ClassName;
    keep.Pattern = QStringLiteral("TKeep");
    keep.Background = 0xff00ff00u;
    s.model.SetHighlightRules(HighlightRules({keep}), 0, 4);
    EXPECT_EQ(marks(), ".#.#.");
    EXPECT_EQ(s.model.index(1, 0).data(Qt::AccessibleDescriptionRole).toString(), "Highlighted: Class contains \"TKeep\"");

    s.session.SetHistoryLimit({4, 0}); // the oldest goes: every store index moves by one
    EXPECT_EQ(marks(), "#.#.");
    s.session.Clear(); // the pooled class names are freed, their places reused
    post({"TOther", "TKeep"});
    EXPECT_EQ(marks(), ".#");
}
