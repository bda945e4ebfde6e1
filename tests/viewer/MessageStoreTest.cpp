#include "viewer/session/MessageStore.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <stdexcept>

using namespace vireo;

namespace {
TraceFields fields(std::string_view cls, std::string_view text)
{
    TraceFields f;
    f.ClassName = cls;
    f.MessageStr = text;
    f.ComputerName = "PC";
    f.UnitFileName = "/src/Unit1.pas";
    return f;
}
} // namespace

TEST(MessageStore, NumbersMessagesInArrivalOrderAcrossClears)
{
    MessageStore store;
    EXPECT_EQ(store.Items(store.Append(fields("TFoo", "a"))).SequenceNumber, 0);
    EXPECT_EQ(store.Items(store.Append(fields("TBar", "b"))).SequenceNumber, 1);
    EXPECT_EQ(store.Items(1).ClassName.view(), "TBar");
    EXPECT_EQ(store.IndexOfSequence(1), 1);

    store.Clear();
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.IndexOfSequence(1), -1);
    const TTraceInfo& next = store.Items(store.Append(fields("TFoo", "c")));
    EXPECT_EQ(next.SequenceNumber, 2) << "numbers are never reused";
    EXPECT_EQ(store.IndexOfSequence(2), 0);
    EXPECT_EQ(store.IndexOfSequence(0), -1);
}

TEST(MessageStore, RepeatedTextsShareOneCopy)
{
    MessageStore store;
    const TTraceInfo& a = store.Items(store.Append(fields("TFoo", "a")));
    const TTraceInfo& b = store.Items(store.Append(fields("TFoo", "b")));
    EXPECT_EQ(&a.ClassName.str(), &b.ClassName.str());
    EXPECT_EQ(a.UnitFileName.view(), "/src/Unit1.pas");
    EXPECT_TRUE(a.MessageGroup.empty());
}

TEST(MessageStore, SpentSequenceNumbersRefuseMessagesInsteadOfReusingNumbers)
{
    MessageStore store;
    store.NextSequenceNumber = std::numeric_limits<int32_t>::max() - 1;
    EXPECT_EQ(store.Items(store.Append(fields("TFoo", "last"))).SequenceNumber, std::numeric_limits<int32_t>::max() - 1);
    EXPECT_THROW(store.Append(fields("TFoo", "one too many")), std::overflow_error);
    EXPECT_EQ(store.Count(), 1);
}

TEST(MessageStore, DroppingAcrossBlocksKeepsTheRestWholeAndTheirNumbersFindable)
{
    // Texts of every kind of size: empty, packed beside others, and too long to share a piece.
    const auto textOf = [](int i) {
        return i % 7 == 0 ? std::string() : std::string(i % 500 == 1 ? 20'000 : i % 90, char('a' + i % 26)) + std::to_string(i);
    };
    MessageStore store;
    constexpr int kCount = 10'000;
    for (int i = 0; i < kCount; ++i) {
        const std::string text = textOf(i);
        const std::string cls = "TClass" + std::to_string(i % 13);
        store.Append(fields(cls, text));
    }
    std::int64_t bytes = 0;
    for (int i = 0; i < store.Count(); ++i)
        bytes += store.BytesAt(i);
    EXPECT_EQ(store.Bytes(), bytes);

    int dropped = 0;
    for (const int step : {1, 4094, 3000, 2500}) { // the first block goes on the second step
        store.DropOldest(step);
        dropped += step;
        ASSERT_EQ(store.Count(), kCount - dropped);
        for (int i = 0; i < store.Count(); i += 97) {
            const TTraceInfo m = store.Items(i);
            ASSERT_EQ(m.SequenceNumber, dropped + i);
            ASSERT_EQ(m.MessageStr, textOf(dropped + i));
            ASSERT_EQ(m.ClassName.view(), "TClass" + std::to_string((dropped + i) % 13));
            ASSERT_EQ(store.IndexOfSequence(m.SequenceNumber), i);
        }
        EXPECT_EQ(store.IndexOfSequence(dropped - 1), -1);
    }
    bytes = 0;
    for (int i = 0; i < store.Count(); ++i)
        bytes += store.BytesAt(i);
    EXPECT_EQ(store.Bytes(), bytes);
    EXPECT_THROW(store.Items(store.Count()), std::out_of_range);

    store.DropOldest(kCount);
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.Bytes(), 0);
    const TTraceInfo next = store.Items(store.Append(fields("TFoo", "after")));
    EXPECT_EQ(next.SequenceNumber, kCount);
    EXPECT_EQ(next.MessageStr, "after");
    EXPECT_EQ(store.IndexOfSequence(kCount), 0);
}
