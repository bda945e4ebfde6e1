// vireo-post run as a separate process against a viewer on a private bus.
#include "PrivateBus.h"

#include "intake/VireoImpl.h"
#include "intake/VireoX_TLB.h"

#include <gtest/gtest.h>

#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <limits>

using vireo::testing::BuiltProgram;
using vireo::testing::PrivateBus;

namespace {

const QString kPost = BuiltProgram(QStringLiteral("src/app/vireo-post"));
const QString kProbe = BuiltProgram(QStringLiteral("tests/app/vireo_probe"));

// The environment in which the bus starts the recording viewer probe, writing to probeFile.
QProcessEnvironment ProbeRecordingTo(const QString& probeFile)
{
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("VIREO_PROBE_OUT"), probeFile);
    return extra;
}

// The fields after "record " of each message the probe stored:
// seq|date|time|class|text|type|group|computer|id|unit.

std::vector<QStringList> Records(const QString& probeFile)
{
    QFile file(probeFile);
    std::vector<QStringList> records;
    if (!file.open(QIODevice::ReadOnly))
        return records;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("record ")))
            records.push_back(line.mid(7).split(QLatin1Char('|')));
    return records;
}

// Runs vireo-post on the bus with its standard input taken from a shell command.
int PostPiped(PrivateBus& bus, const QString& input, const QStringList& args, QString* err)
{
    return bus.Run(QStringLiteral("/bin/sh"),
                   QStringList{QStringLiteral("-c"), QStringLiteral("{ %1; } | \"$0\" \"$@\"").arg(input), kPost}
                       + args,
                   nullptr, err);
}

// A viewer served by this process: keeps the texts it receives and stalls once on a chosen text.
class StandInViewer : public vireo::ITraceIntake {
public:
    StandInViewer() : connection_(bus.Connect(QStringLiteral("stand-in"))), server_(connection_)
    {
        server_.SetIntake(this);
        started_ = server_.Start();
    }
    ~StandInViewer() override
    {
        server_.Stop();
        QDBusConnection::disconnectFromBus(QStringLiteral("stand-in"));
    }

    void ReceiveTrace(const QString&, const QString& MessageStr, int32_t, const QString&, const QString&,
                      const QString&, const QString&, double) override
    {
        texts << MessageStr;
        if (MessageStr == stallOn)
            QThread::msleep(stallMs);
    }

    bool Started() const { return started_; }

    PrivateBus bus;
    // The texts received, one a line.
    std::string Texts() const { return texts.join(QLatin1Char('\n')).toStdString() + (texts.isEmpty() ? "" : "\n"); }

    QStringList texts;
    QString stallOn;
    unsigned long stallMs = 0;

private:
    QDBusConnection connection_;
    vireo::VireoServer server_;
    bool started_ = false;
};

// The numbers from..to, one a line, as the stand-in's texts are compared.
std::string Numbers(int from, int to)
{
    std::string texts;
    for (int i = from; i <= to; ++i)
        texts += std::to_string(i) + '\n';
    return texts;
}

} // namespace

TEST(PostCommandOnTheBus, PostsWordsAndEveryInputLineToAViewerStartedByTheBus)
{
    QTemporaryDir dir;
    const QString probeFile = dir.filePath(QStringLiteral("probe.txt"));
    PrivateBus bus(ProbeRecordingTo(probeFile));
    ASSERT_EQ(bus.Run(kProbe, {QStringLiteral("-RegServer")}), 0);

    QString err;
    ASSERT_EQ(bus.Run(kPost, {QStringLiteral("--class"), QStringLiteral("TScript"), QStringLiteral("--type=warning"),
                              QStringLiteral("--group"), QStringLiteral("ci"), QStringLiteral("--id"),
                              QStringLiteral("Step_1"), QStringLiteral("--unit"), QStringLiteral("rel/Unit1.pas"),
                              QStringLiteral("disk"), QStringLiteral("almost full")},
                      nullptr, &err),
              0)
        << err.toStdString();
    // Three lines, one in Latin-1 and one with a Windows line end, 300 more to keep many calls in
    // flight, and a last line without a line break.
    ASSERT_EQ(PostPiped(bus, QStringLiteral("printf 'Caf\\303\\251\\nCaf\\351\\r\\n\\n'; seq 300; printf last"),
                        {QStringLiteral("--group"), QStringLiteral("build")}, &err),
              0)
        << err.toStdString();

    // The viewer answers once a message is queued; storing follows on its window's thread.
    ASSERT_TRUE(PrivateBus::WaitUntil([&] { return Records(probeFile).size() >= 305u; }));
    const auto records = Records(probeFile);
    ASSERT_EQ(records.size(), 305u);
    const QString host = QSysInfo::machineHostName();
    EXPECT_EQ(records[0].mid(3), (QStringList{QStringLiteral("TScript"), QStringLiteral("disk almost full"),
                                              QStringLiteral("2"), QStringLiteral("ci"), host, QStringLiteral("Step_1"),
                                              QDir::current().absoluteFilePath(QStringLiteral("rel/Unit1.pas"))}));
    EXPECT_FALSE(records[0][1].isEmpty());
    EXPECT_FALSE(records[0][2].isEmpty());
    const QStringList lines = {QStringLiteral("Caf\u00E9"), QStringLiteral("Caf\uFFFD"), QString()};
    for (int i = 1; i < 305; ++i) {
        const QString text = i <= 3 ? lines[i - 1] : i == 304 ? QStringLiteral("last") : QString::number(i - 3);
        EXPECT_EQ(records[i].mid(3), (QStringList{QString(), text, QStringLiteral("0"), QStringLiteral("build"), host,
                                                  QString(), QString()}))
            << i;
    }
}

TEST(PostCommandOnTheBus, FailsClearlyWhenNoViewerCanBeReached)
{
    PrivateBus bus; // nothing registered
    QString err;
    EXPECT_EQ(bus.Run(kPost, {QStringLiteral("hello")}, nullptr, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("message 1 was not taken"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("VireoX.Vireo"))) << err.toStdString();
    EXPECT_EQ(PostPiped(bus, QStringLiteral("seq 1000"), {}, &err), 1);
    EXPECT_EQ(err.count(QStringLiteral("vireo-post: ")), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("were not all taken"))) << err.toStdString();

    EXPECT_EQ(bus.Run(kPost, {QStringLiteral("--type"), QStringLiteral("fatal"), QStringLiteral("x")}, nullptr, &err),
              2);
    EXPECT_TRUE(err.contains(QStringLiteral("--type takes general, info, warning or error")));
}

// A viewer that owns its name but does not answer for longer than the bus's usual reply timeout
// (25 s) is waited for: vireo-post goes on reading, and every line arrives.
TEST(PostCommandOnTheBus, WaitsForABusyViewerWhileItOwnsItsName)
{
    StandInViewer viewer;
    ASSERT_TRUE(viewer.Started());
    viewer.stallOn = QStringLiteral("50");
    viewer.stallMs = 27000;
    QString err;
    EXPECT_EQ(PostPiped(viewer.bus, QStringLiteral("seq 3000"), {}, &err), 0) << err.toStdString();
    EXPECT_EQ(viewer.Texts(), Numbers(1, 3000));
}

// Standard input left non-blocking by the producer: a read that finds nothing yet is waited on,
// not taken as an error or the end.
TEST(PostCommandOnTheBus, WaitsForInputThatIsNotReadyYet)
{
    StandInViewer viewer;
    ASSERT_TRUE(viewer.Started());
    const QString nonBlocking =
        QStringLiteral("perl -MFcntl -e 'fcntl(STDIN, F_SETFL, fcntl(STDIN, F_GETFL, 0) | O_NONBLOCK) or die; "
                       "exec @ARGV' \"$0\" \"$@\"");
    QString err;
    EXPECT_EQ(viewer.bus.Run(QStringLiteral("/bin/sh"),
                             {QStringLiteral("-c"),
                              QStringLiteral("{ echo 1; sleep 1; echo 2; sleep 1; echo 3; } | ") + nonBlocking, kPost},
                             nullptr, &err),
              0)
        << err.toStdString();
    EXPECT_EQ(viewer.Texts(), Numbers(1, 3));
}

// The real viewer refuses the elements of a batch whose time stamps it cannot take (not finite,
// past the year 9999) in one error that names their positions, and stores every other element,
// in order.
TEST(PostCommandOnTheBus, TheViewerStoresTheGoodElementsOfABatchAndNamesTheRefused)
{
    QTemporaryDir dir;
    const QString probeFile = dir.filePath(QStringLiteral("probe.txt"));
    PrivateBus bus(ProbeRecordingTo(probeFile));
    ASSERT_EQ(bus.Run(kProbe, {QStringLiteral("-RegServer")}), 0);

    qDBusRegisterMetaType<vireo::TraceArguments>();
    qDBusRegisterMetaType<QList<vireo::TraceArguments>>();
    QList<vireo::TraceArguments> traces;
    for (int i = 0; i < 5; ++i)
        traces.append({QString(), QStringLiteral("t%1").arg(i), 1, QStringLiteral("batch"), QStringLiteral("PC"),
                       QString(), QString(), 45000.5});
    traces[1].MessageDateTime = std::numeric_limits<double>::infinity();
    traces[3].MessageDateTime = 3e6;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("VireoX.Vireo"), QStringLiteral("/Vireo"),
                                                       QStringLiteral("VireoX.IVireo"), QStringLiteral("AddTraces"));
    call << QVariant::fromValue(traces);
    QDBusConnection client = bus.Connect(QStringLiteral("batch-client"));
    QDBusPendingCall reply = client.asyncCall(call);
    ASSERT_TRUE(PrivateBus::WaitUntil([&] { return reply.isFinished(); }));
    ASSERT_TRUE(reply.isError());
    EXPECT_EQ(reply.error().name(), QStringLiteral("VireoX.Error.Unexpected"));
    const std::string reason = reply.error().message().toStdString();
    EXPECT_NE(reason.find("2 of 5 messages refused"), std::string::npos) << reason;
    EXPECT_NE(reason.find(" 1 ("), std::string::npos) << reason;
    EXPECT_NE(reason.find(" 3 ("), std::string::npos) << reason;
    QDBusConnection::disconnectFromBus(QStringLiteral("batch-client"));

    ASSERT_TRUE(PrivateBus::WaitUntil([&] { return Records(probeFile).size() >= 3u; }));
    std::string stored;
    for (const QStringList& record : Records(probeFile))
        stored += record[4].toStdString() + ' ';
    EXPECT_EQ(stored, "t0 t2 t4 ");
}
