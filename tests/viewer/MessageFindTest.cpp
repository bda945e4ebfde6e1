#include "viewer/session/MessageFind.h"

#include "intake/TimeStampText.h"
#include "viewer/session/MessageStore.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vireo;

namespace {

TTraceInfo Add(MessageStore& store, std::string_view text, std::string_view time = "1:02:03 pm",
               double stamp = 0.5)
{
    TraceFields f;
    f.ClassName = "TPooled";
    f.MessageStr = text;
    f.MessageGroup = "Database";
    f.MessageTime = time;
    f.MessageDateTime = stamp;
    return store.Items(store.Append(f));
}

} // namespace

TEST(MessageFind, TextsMatchCaseInsensitivelyOrByExpressionInTheShownColumnsOnly)
{
    MessageStore store;
    const TTraceInfo& plain = Add(store, "Connection LOST to server");
    const TTraceInfo& greek = Add(store, "ΣΦΑΛΜΑ δίσκου");
    const TTraceInfo& late = Add(store, "x", "am 9:00:00", 0.25 + 7.0 / 86'400'000);
    const ShownColumns all{{0, 1, 2, 3, 4, 5}, false};
    const ShownColumns noMessage{{0, 2, 3, 4, 5}, false};

    EXPECT_TRUE(TextMatcher(QStringLiteral("lost TO"), false).Matches(plain, all));
    EXPECT_FALSE(TextMatcher(QStringLiteral("lost TO"), false).Matches(plain, noMessage)) << "a hidden column";
    EXPECT_TRUE(TextMatcher(QStringLiteral("σφάλμα"), false).Matches(std::string_view("ΣΦΆΛΜΑ")));
    EXPECT_TRUE(TextMatcher(QStringLiteral("δΊσκου"), false).Matches(greek, all));
    EXPECT_FALSE(TextMatcher(QStringLiteral("lostt"), false).Matches(plain, all));
    EXPECT_TRUE(TextMatcher(QStringLiteral("datab"), false).Matches(plain, noMessage)) << "a pooled group";
    EXPECT_TRUE(TextMatcher(QStringLiteral("^conn.*server$"), true).Matches(plain, all));
    EXPECT_FALSE(TextMatcher(QStringLiteral("(?-i)^conn"), true).Matches(plain, all));
    EXPECT_THROW(TextMatcher(QStringLiteral("(unclosed"), true), std::invalid_argument);

    // A pooled text that missed on one row must not hide a row where another column matches.
    const TextMatcher lost(QStringLiteral("lost"), false);
    EXPECT_FALSE(lost.Matches(greek, all));
    EXPECT_TRUE(lost.Matches(plain, all));

    // Milliseconds stand after the seconds, before a marker; the time column is then matched with them.
    EXPECT_EQ(TimeWithMilliseconds(plain), "1:02:03.000 pm");
    EXPECT_EQ(TimeWithMilliseconds(late), "am 9:00:00.007");
    EXPECT_TRUE(TextMatcher(QStringLiteral("00.007"), false).Matches(late, {{4}, true}));
    EXPECT_FALSE(TextMatcher(QStringLiteral("00.007"), false).Matches(late, {{4}, false}));

    // Copying: captions, then one line per message; tabs and line breaks inside texts become spaces.
    Add(store, "a\tb\r\nc");
    EXPECT_EQ(MessagesAsTable(store, {3, 0}, {{1, 0}, false}),
              "Message\tClass Name\na b  c\tTPooled\nConnection LOST to server\tTPooled\n");
}

TEST(MessageFind, SearchesWrapAtEitherEndAndComeBackToTheStart)
{
    const std::vector<bool> hits{false, true, false, true, false};
    const auto matches = [&hits](int row) { return hits[static_cast<std::size_t>(row)]; };
    const auto find = [&](int current, bool forward) {
        const FoundRow found = FindRow(5, current, forward, matches);
        return std::pair(found.Row, found.Wrapped);
    };
    EXPECT_EQ(find(-1, true), std::pair(1, false));
    EXPECT_EQ(find(1, true), std::pair(3, false));
    EXPECT_EQ(find(3, true), std::pair(1, true));
    EXPECT_EQ(find(-1, false), std::pair(3, false));
    EXPECT_EQ(find(1, false), std::pair(3, true));
    EXPECT_EQ(FindRow(5, 3, true, [](int row) { return row == 3; }).Row, 3) << "the current row, last";
    EXPECT_EQ(FindRow(5, 2, true, [](int) { return false; }).Row, -1);
    EXPECT_EQ(FindRow(0, -1, false, matches).Row, -1);
}
