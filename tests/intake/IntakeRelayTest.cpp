#include "PrivateBus.h"

#include "intake/IntakeRelay.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace vireo;
using vireo::testing::PrivateBus;

namespace {

// Keeps what reaches it and on which thread, and how many batches.
class Sink : public ITraceIntake {
public:
    void ReceiveTrace(const QString&, const QString& MessageStr, int32_t, const QString&, const QString&,
                      const QString&, const QString&, double) override
    {
        if (std::this_thread::get_id() != home)
            ++foreignCalls;
        texts.push_back(MessageStr);
    }
    std::vector<TraceRefusal> ReceiveTraces(const std::vector<TraceArguments>& traces) override
    {
        ++batches;
        return ITraceIntake::ReceiveTraces(traces);
    }

    std::thread::id home = std::this_thread::get_id();
    std::vector<QString> texts;
    int batches = 0;
    int foreignCalls = 0;
};

TraceArguments Message(const QString& text, double stamp = 45000.5)
{
    return {QStringLiteral("C"), text, 0, {}, QStringLiteral("pc"), {}, {}, stamp};
}

} // namespace

// Senders on other threads are answered at once; their messages reach the target on the relay's
// thread, each sender's in its order, in batches; bad time stamps are refused as storing would.
TEST(IntakeRelay, CarriesEverySendersMessagesInOrderToTheTargetsThread)
{
    Sink sink;
    IntakeRelay relay(sink);
    constexpr int kSenders = 3;
    constexpr int kEach = 5000;
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([&relay, s] {
            for (int i = 0; i < kEach; i += 100) {
                std::vector<TraceArguments> batch;
                for (int j = i; j < i + 100; ++j)
                    batch.push_back(Message(QStringLiteral("%1 %2").arg(s).arg(j)));
                relay.ReceiveTraces(batch);
            }
        });
    }
    for (std::thread& t : senders)
        t.join();
    EXPECT_EQ(sink.texts.size(), 0u) << "nothing is stored before the relay's thread takes its turn";

    const auto refused = relay.ReceiveTraces({Message(QStringLiteral("good")),
                                              Message(QStringLiteral("nan"), std::nan("")),
                                              Message(QStringLiteral("far"), 1e12)});
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_EQ(refused[0].Position, 1u);
    EXPECT_EQ(refused[1].Position, 2u);
    EXPECT_EQ(refused[1].Reason, QStringLiteral("Time stamp outside the years 1 to 9999"));
    EXPECT_THROW(relay.ReceiveTrace({}, QStringLiteral("inf"), 0, {}, {}, {}, {},
                                    std::numeric_limits<double>::infinity()),
                 std::runtime_error);

    ASSERT_TRUE(PrivateBus::WaitUntil([&] { return relay.Waiting() == 0; }));
    ASSERT_EQ(sink.texts.size(), std::size_t(kSenders * kEach + 1));
    EXPECT_EQ(sink.foreignCalls, 0);
    EXPECT_LT(sink.batches, kSenders * kEach / 100) << "messages go on in pieces, not one by one";
    EXPECT_EQ(sink.texts.back(), QStringLiteral("good"));
    std::vector<int> next(kSenders, 0);
    for (std::size_t i = 0; i + 1 < sink.texts.size(); ++i) {
        const QStringList parts = sink.texts[i].split(' ');
        const int s = parts[0].toInt();
        EXPECT_EQ(parts[1].toInt(), next[s]++) << "sender " << s;
    }
}

// A queue at twice its capacity makes a sender wait until the relay's thread makes room, losing
// nothing; closing lets a waiting sender go with an error instead of leaving it blocked.
TEST(IntakeRelay, AFullQueueHoldsSendersUntilRoomOrClose)
{
    Sink sink;
    IntakeRelay relay(sink, RelayCapacity{2, 1u << 20});
    std::atomic<int> sent = 0;
    std::thread sender([&] {
        for (int i = 0; i < 10; ++i) {
            relay.ReceiveTrace({}, QString::number(i), 0, {}, {}, {}, {}, 45000.0);
            ++sent;
        }
    });
    ASSERT_TRUE(PrivateBus::WaitUntil([&] { return sent == 10; }));
    sender.join();
    ASSERT_TRUE(PrivateBus::WaitUntil([&] { return sink.texts.size() == 10; }));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(sink.texts[i], QString::number(i));

    IntakeRelay closing(sink, RelayCapacity{1, 1u << 20});
    EXPECT_FALSE(closing.Crowded());
    closing.ReceiveTrace({}, QStringLiteral("first"), 0, {}, {}, {}, {}, 45000.0);
    EXPECT_TRUE(closing.Crowded()) << "at its capacity, batches' answers wait";
    closing.ReceiveTrace({}, QStringLiteral("queued"), 0, {}, {}, {}, {}, 45000.0);
    std::atomic<bool> refused = false;
    std::thread waiting([&] {
        try {
            closing.ReceiveTrace({}, QStringLiteral("late"), 0, {}, {}, {}, {}, 45000.0);
        } catch (const std::runtime_error&) {
            refused = true;
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    closing.Close();
    waiting.join();
    EXPECT_TRUE(refused);
    closing.DeliverAll();
    EXPECT_EQ(sink.texts.back(), QStringLiteral("queued"));
}
