#include "PrivateBus.h"

#include "intake/VireoImpl.h"
#include "intake/VireoX_TLB.h"

#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QXmlStreamReader>

#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>
#include <vector>

using namespace vireo;
using vireo::testing::PrivateBus;

namespace {

struct Call {
    QStringList texts;
    int32_t type;
    double stamp;
};

// Records what the server hands over; throws while told to.
class FakeIntake : public ITraceIntake {
public:
    void ReceiveTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                      const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                      const QString& UnitFileName, double MessageDateTime) override
    {
        if (!failure.empty())
            throw std::runtime_error(failure);
        if (refuseNonFinite && !std::isfinite(MessageDateTime))
            throw std::runtime_error("not finite");
        calls.push_back({{ClassName, MessageStr, MessageGroup, ComputerName, MessageID, UnitFileName}, MessageType,
                         MessageDateTime});
    }
    bool Crowded() const override { return crowded; }

    std::vector<Call> calls;
    std::string failure;
    bool refuseNonFinite = false;
    bool crowded = false;
};

QStringList AddTraceArgs(const QString& text, const QString& stamp = QStringLiteral("double:0.5"))
{
    return {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=VireoX.Vireo"),
            QStringLiteral("/Vireo"), QStringLiteral("VireoX.IVireo.AddTrace"), QStringLiteral("string:TFoo"),
            QStringLiteral("string:") + text, QStringLiteral("int32:7"), QStringLiteral("string:"),
            QStringLiteral("string:PC"), QStringLiteral("string:UniqueStr_1"),
            QStringLiteral("string:/projects/demo/Unit1.pas"), stamp};
}

class VireoServerTest : public ::testing::Test {
protected:
    VireoServerTest() : connection(bus.Connect(QStringLiteral("server"))), server(connection)
    {
        server.SetIntake(&intake);
    }
    ~VireoServerTest() override
    {
        server.Stop();
        QDBusConnection::disconnectFromBus(QStringLiteral("server"));
    }

    int Post(const QString& text, QString* out = nullptr, QString* err = nullptr,
             const QString& stamp = QStringLiteral("double:0.5"))
    {
        return bus.Run(QStringLiteral("dbus-send"), AddTraceArgs(text, stamp), out, err);
    }

    PrivateBus bus;
    QDBusConnection connection;
    FakeIntake intake;
    VireoServer server;
};

} // namespace

TEST_F(VireoServerTest, HandsEveryArgumentUnchangedToTheIntakeAndReturnsPlainly)
{
    ASSERT_TRUE(server.Start());
    QString out;
    ASSERT_EQ(Post(QStringLiteral("héllo wörld"), &out), 0);
    EXPECT_TRUE(out.startsWith(QStringLiteral("method return"))) << out.toStdString();
    ASSERT_EQ(intake.calls.size(), 1u);
    const Call& call = intake.calls[0];
    EXPECT_EQ(call.texts, (QStringList{"TFoo", "héllo wörld", "", "PC", "UniqueStr_1", "/projects/demo/Unit1.pas"}));
    EXPECT_EQ(call.type, 7);
    EXPECT_EQ(call.stamp, 0.5);
}

TEST_F(VireoServerTest, EachClientConnectionGetsItsOwnObjectRevokedWhenItLeaves)
{
    ASSERT_TRUE(server.Start());
    ASSERT_EQ(Post(QStringLiteral("one")), 0);
    ASSERT_EQ(Post(QStringLiteral("two")), 0);
    EXPECT_EQ(server.ServedObjectCount(), 2) << "every dbus-send is a client of its own";
    EXPECT_TRUE(PrivateBus::WaitUntil([&] { return server.RunningObjects().Count() == 0; }))
        << "both clients have left the bus";
    EXPECT_EQ(server.ServedObjectCount(), 2) << "the count never falls";

    // A client that stays keeps its one object across calls.
    {
        QDBusConnection client = bus.Connect(QStringLiteral("staying-client"));
        for (int i = 0; i < 3; ++i) {
            QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("VireoX.Vireo"), QStringLiteral("/Vireo"),
                                                               QStringLiteral("VireoX.IVireo"), QStringLiteral("AddTrace"));
            call << QString() << QStringLiteral("m") << 0 << QString() << QString() << QString() << QString() << 0.0;
            QDBusPendingCall pending = client.asyncCall(call);
            ASSERT_TRUE(PrivateBus::WaitUntil([&] { return pending.isFinished(); }));
            ASSERT_FALSE(pending.isError()) << pending.error().message().toStdString();
        }
        EXPECT_EQ(server.ServedObjectCount(), 3);
        EXPECT_EQ(server.RunningObjects().Count(), 1);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("staying-client"));
    EXPECT_TRUE(PrivateBus::WaitUntil([&] { return server.RunningObjects().Count() == 0; }));
}

TEST_F(VireoServerTest, IntakeFailureIsAnsweredWithTheUnexpectedErrorAndServingGoesOn)
{
    ASSERT_TRUE(server.Start());
    intake.failure = "List index out of bounds (3)";
    QString err;
    EXPECT_NE(Post(QStringLiteral("lost"), nullptr, &err), 0);
    EXPECT_TRUE(err.contains(QStringLiteral("VireoX.Error.Unexpected"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("List index out of bounds (3)"))) << err.toStdString();

    intake.failure.clear();
    EXPECT_EQ(Post(QStringLiteral("kept")), 0);
    ASSERT_EQ(intake.calls.size(), 1u);
    EXPECT_EQ(intake.calls[0].texts[1], "kept");

    // Calls the contract does not know are refused without reaching the intake.
    EXPECT_NE(bus.Run(QStringLiteral("dbus-send"),
                      {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=VireoX.Vireo"),
                       QStringLiteral("/Vireo"), QStringLiteral("VireoX.IVireo.AddTrace"), QStringLiteral("string:x")},
                      nullptr, &err),
              0);
    EXPECT_TRUE(err.contains(QStringLiteral("InvalidArgs"))) << err.toStdString();
    EXPECT_EQ(intake.calls.size(), 1u);
}

TEST_F(VireoServerTest, IntrospectionServesTheInterfaceWithItsTwoMethods)
{
    ASSERT_TRUE(server.Start());
    QString xml;
    ASSERT_EQ(bus.Run(QStringLiteral("dbus-send"),
                      {QStringLiteral("--session"), QStringLiteral("--print-reply=literal"),
                       QStringLiteral("--dest=VireoX.Vireo"), QStringLiteral("/Vireo"),
                       QStringLiteral("org.freedesktop.DBus.Introspectable.Introspect")},
                      &xml),
              0);
    QXmlStreamReader reader(xml);
    QString iface, method;
    std::map<QString, QStringList> args;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = reader.name();
        const auto attrs = reader.attributes();
        if (name == QLatin1String("interface"))
            iface = attrs.value(QLatin1String("name")).toString();
        if (iface == QLatin1String("VireoX.IVireo") && name == QLatin1String("method"))
            method = attrs.value(QLatin1String("name")).toString();
        if (iface == QLatin1String("VireoX.IVireo") && name == QLatin1String("arg"))
            args[method] << attrs.value(QLatin1String("type")).toString() + QLatin1Char(' ')
                    + attrs.value(QLatin1String("name")).toString() + QLatin1Char(' ')
                    + attrs.value(QLatin1String("direction")).toString();
    }
    EXPECT_EQ(args.size(), 2u);
    EXPECT_EQ(args[QStringLiteral("AddTrace")],
              (QStringList{"s ClassName in", "s MessageStr in", "i MessageType in", "s MessageGroup in",
                           "s ComputerName in", "s MessageID in", "s UnitFileName in", "d MessageDateTime in"}));
    EXPECT_EQ(args[QStringLiteral("AddTraces")], (QStringList{"a(ssissssd) Traces in"}));
    EXPECT_TRUE(xml.contains(QLatin1String(VireoX::ClassId)));

    // The same description as a developer sees it with gdbus.
    QString shown;
    ASSERT_EQ(bus.Run(QStringLiteral("gdbus"),
                      {QStringLiteral("introspect"), QStringLiteral("--session"), QStringLiteral("--dest"),
                       QStringLiteral("VireoX.Vireo"), QStringLiteral("--object-path"), QStringLiteral("/Vireo")},
                      &shown),
              0);
    const QString signature = QStringLiteral("AddTrace(in  s ClassName,\n               in  s MessageStr,\n"
                                             "               in  i MessageType,\n               in  s MessageGroup,\n"
                                             "               in  s ComputerName,\n               in  s MessageID,\n"
                                             "               in  s UnitFileName,\n               in  d MessageDateTime);");
    EXPECT_TRUE(shown.contains(QStringLiteral("interface VireoX.IVireo {"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(signature)) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("AddTraces(in  a(ssissssd) Traces);"))) << shown.toStdString();
}

// A batch is taken in order; elements the intake refuses are named by position in one error
// reply and every other element is still taken.
TEST_F(VireoServerTest, ABatchKeepsItsGoodElementsAndNamesTheRefusedOnes)
{
    ASSERT_TRUE(server.Start());
    intake.refuseNonFinite = true;
    QDBusConnection client = bus.Connect(QStringLiteral("batch-client"));
    const auto post = [&](const QList<TraceArguments>& traces) {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("VireoX.Vireo"), QStringLiteral("/Vireo"),
                                                           QStringLiteral("VireoX.IVireo"), QStringLiteral("AddTraces"));
        call << QVariant::fromValue(traces);
        QDBusPendingCall pending = client.asyncCall(call);
        EXPECT_TRUE(PrivateBus::WaitUntil([&] { return pending.isFinished(); }));
        return pending;
    };
    qDBusRegisterMetaType<TraceArguments>();
    qDBusRegisterMetaType<QList<TraceArguments>>();
    QList<TraceArguments> traces;
    for (int i = 0; i < 6; ++i)
        traces.append({QStringLiteral("TFoo"), QStringLiteral("t%1").arg(i), i, QStringLiteral("g"), QStringLiteral("PC"),
                       QStringLiteral("Id_%1").arg(i), QStringLiteral("/u.pas"), 0.25 * i});
    traces[1].MessageDateTime = std::numeric_limits<double>::quiet_NaN();
    traces[4].MessageDateTime = std::numeric_limits<double>::infinity();

    const QDBusPendingCall refused = post(traces);
    ASSERT_TRUE(refused.isError());
    EXPECT_EQ(refused.error().name(), QStringLiteral("VireoX.Error.Unexpected"));
    EXPECT_TRUE(refused.error().message().contains(QStringLiteral("2 of 6 messages refused")))
        << refused.error().message().toStdString();
    EXPECT_TRUE(refused.error().message().contains(QStringLiteral(" 1 (not finite); 4 (not finite)")))
        << refused.error().message().toStdString();
    ASSERT_EQ(intake.calls.size(), 4u);
    for (size_t k = 0; k < 4; ++k) {
        const int i = std::array{0, 2, 3, 5}[k];
        EXPECT_EQ(intake.calls[k].texts, (QStringList{"TFoo", QStringLiteral("t%1").arg(i), "g", "PC",
                                                      QStringLiteral("Id_%1").arg(i), "/u.pas"}));
        EXPECT_EQ(intake.calls[k].type, i);
        EXPECT_EQ(intake.calls[k].stamp, 0.25 * i);
    }

    intake.calls.clear();
    EXPECT_FALSE(post(traces.mid(2, 2)).isError());
    EXPECT_FALSE(post({}).isError());
    EXPECT_EQ(intake.calls.size(), 2u);
    QDBusConnection::disconnectFromBus(QStringLiteral("batch-client"));
}

// While the intake is crowded a batch is taken but its answer waits, which holds its sender back;
// a single message is still answered at once, so one flooding client slows no one else.
TEST_F(VireoServerTest, ACrowdedIntakeAnswersBatchesLaterAndSingleMessagesAtOnce)
{
    ASSERT_TRUE(server.Start());
    qDBusRegisterMetaType<TraceArguments>();
    qDBusRegisterMetaType<QList<TraceArguments>>();
    QDBusConnection client = bus.Connect(QStringLiteral("flood-client"));
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("VireoX.Vireo"), QStringLiteral("/Vireo"),
                                                       QStringLiteral("VireoX.IVireo"), QStringLiteral("AddTraces"));
    call << QVariant::fromValue(QList<TraceArguments>{
        {QStringLiteral("TFoo"), QStringLiteral("batched"), 0, {}, QStringLiteral("PC"), {}, {}, 0.5}});
    intake.crowded = true;
    QDBusPendingCall batch = client.asyncCall(call);
    ASSERT_TRUE(PrivateBus::WaitUntil([&] { return intake.calls.size() == 1; }));
    QString out;
    ASSERT_EQ(Post(QStringLiteral("single"), &out), 0);
    EXPECT_TRUE(out.startsWith(QStringLiteral("method return"))) << out.toStdString();
    EXPECT_EQ(intake.calls.size(), 2u);
    EXPECT_FALSE(batch.isFinished()) << "the batch's answer waits while the intake is crowded";

    intake.crowded = false;
    ASSERT_TRUE(PrivateBus::WaitUntil([&] { return batch.isFinished(); }));
    EXPECT_FALSE(batch.isError());
    QDBusConnection::disconnectFromBus(QStringLiteral("flood-client"));
}

TEST_F(VireoServerTest, ASecondServerDoesNotTakeTheName)
{
    ASSERT_TRUE(server.Start());
    QDBusConnection other = bus.Connect(QStringLiteral("second-copy"));
    {
        VireoServer second(other);
        EXPECT_FALSE(second.Start());
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("second-copy"));
    EXPECT_EQ(Post(QStringLiteral("still served")), 0);
    EXPECT_EQ(intake.calls.size(), 1u);
}
