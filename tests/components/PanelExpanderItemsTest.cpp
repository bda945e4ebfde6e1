#include "ModelContract.h"

#include "components/PanelExpanderItems.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace vireo;

namespace {

// Runs the event loop until the views have heard of every entry (the pacing allows it soon).
void UntilAnnounced(TExpanderItems& items)
{
    for (int wait = 0; wait < 100 && items.rowCount() < items.Count(); ++wait)
        QTest::qWait(TPacedFlush::PauseMs / 5);
}

} // namespace

TEST(ExpanderItems, EntriesAreFoundAtOnceAndViewsLearnOfThemTogether)
{
    TExpanderItems items;
    const auto contract = test::CheckModelContract(&items);
    QSignalSpy inserted(&items, &QAbstractItemModel::rowsInserted);
    for (const char* value : {"a", "b", "a"})
        items.Add(QString::fromLatin1(value).toUpper(), value, true, false);
    EXPECT_EQ(items.Count(), 3);
    EXPECT_EQ(items.rowCount(), 0) << "views hear of added rows later";
    EXPECT_EQ(items.IndexOfValue("a"), 0) << "the first of two equal values";
    EXPECT_EQ(items.IndexOfValue("b"), 1);
    EXPECT_TRUE(items.IsChecked(2));

    UntilAnnounced(items);
    ASSERT_EQ(items.rowCount(), 3);
    EXPECT_EQ(inserted.size(), 1) << "in one announcement";

    items.Add(QStringLiteral("c"), "c", false, false);
    items.Add(QStringLiteral("Top"), "b", false, true);
    EXPECT_EQ(items.rowCount(), 5) << "an entry at the top first announces those waiting";
    EXPECT_EQ(items.IndexOfValue("b"), 0) << "the new first entry of its value";
    EXPECT_EQ(items.IndexOfValue("a"), 1) << "the others moved down by one";
    EXPECT_EQ(items.IndexOfValue("c"), 4);
    items.Add(QStringLiteral("d"), "d", true, false);
    EXPECT_EQ(items.IndexOfValue("d"), 5);

    items.Clear();
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(items.rowCount(), 0);
    EXPECT_EQ(items.IndexOfValue("a"), -1);
    items.Add(QStringLiteral("e"), "e", true, false);
    EXPECT_EQ(items.IndexOfValue("e"), 0);
    UntilAnnounced(items);
    EXPECT_EQ(items.rowCount(), 1);
}

TEST(ExpanderItems, ViewsShowCaptionsAndChangeChecksAsTheUser)
{
    TExpanderItems items;
    const auto contract = test::CheckModelContract(&items);
    items.Add(QStringLiteral("Shown"), "value", true, false);
    items.Add(QStringLiteral("Other"), "other", false, false);
    items.FlushAddedRows();
    const QModelIndex first = items.index(0);
    EXPECT_EQ(first.data(Qt::DisplayRole).toString(), "Shown");
    EXPECT_EQ(first.data(Qt::AccessibleTextRole).toString(), "Shown");
    EXPECT_EQ(first.data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_TRUE(items.flags(first) & Qt::ItemIsUserCheckable);

    QSignalSpy changed(&items, &TExpanderItems::CheckChanged);
    QSignalSpy data(&items, &QAbstractItemModel::dataChanged);
    EXPECT_TRUE(items.setData(first, Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(items.IsChecked(0));
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 0);
    EXPECT_TRUE(items.setData(first, Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(changed.size(), 1) << "the state it has already is no change";
    EXPECT_FALSE(items.setData(first, QStringLiteral("x"), Qt::EditRole)) << "captions are not edited";

    items.SetAllChecked(true);
    EXPECT_TRUE(items.IsChecked(0) && items.IsChecked(1));
    EXPECT_EQ(changed.size(), 1) << "the owner reports the command itself";
    EXPECT_EQ(data.size(), 2) << "views repaint every row at once";
}
