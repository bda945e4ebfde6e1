#include "viewer/session/MessageStore.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

using namespace vireo;

namespace {
TraceFields fields(std::string_view cls, std::string text)
{
    TraceFields f;
    f.ClassName = cls;
    f.MessageStr = std::move(text);
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
    EXPECT_EQ(a.ClassName.str().data(), b.ClassName.str().data());
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
