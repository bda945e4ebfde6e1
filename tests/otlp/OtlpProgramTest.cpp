#include "HttpClient.h"
#include "OtlpTestSupport.h"
#include "PrivateBus.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

namespace vireo {
namespace {

using namespace test::http;
using testing::BuiltProgram;
using testing::PrivateBus;

const QString kViewer = BuiltProgram(QStringLiteral("src/app/vireo"));

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The viewer program started for a client on a private bus, offscreen, with its own settings.
class ViewerProcess {
public:
    ViewerProcess(PrivateBus& bus, const QStringList& arguments)
    {
        QProcessEnvironment env = bus.Environment();
        env.insert(QStringLiteral("VIREO_REGISTRY_DIR"), registry_.path());
        process_.setProcessEnvironment(env);
        process_.start(kViewer, QStringList{QStringLiteral("-Automation")} + arguments);
    }
    ~ViewerProcess()
    {
        process_.terminate();
        if (!process_.waitForFinished(30000))
            process_.kill();
    }
    QProcess& Process() { return process_; }
    // The hive holding the viewer's settings, as text.
    QString Settings() const
    {
        QFile file(registry_.path() + QStringLiteral("/HKEY_LOCAL_MACHINE.reg"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryDir registry_;
    QProcess process_;
};

bool Accepts(quint16 port)
{
    const int fd = Connect(port);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

TEST(OtlpProgram, ViewerServesOtlpBesideTheBus)
{
    PrivateBus bus;
    const quint16 port = FreePort();
    ViewerProcess viewer(bus, {QStringLiteral("--otlp"), QStringLiteral("127.0.0.1:%1").arg(port)});
    ASSERT_TRUE(PrivateBus::WaitUntil([&] { return Accepts(port); }));

    EXPECT_EQ(Exchange(port, Request(test::ProtobufRequest(1000))).Status, 200);
    EXPECT_EQ(Exchange(port, Request("{\"resourceLogs\":5}", "application/json")).Status, 400);
    EXPECT_EQ(Exchange(port, Request(std::string(100, '\xff'))).Status, 400);
    const Reply json = Exchange(port, Request(R"({"resourceLogs":[{"scopeLogs":[{"logRecords":[{"body":{"stringValue":"x"}}]}]}]})",
                                              "application/json"));
    EXPECT_EQ(json.Status, 200);
    EXPECT_EQ(json.Body, "{}");
    EXPECT_EQ(viewer.Process().state(), QProcess::Running);
}

TEST(OtlpProgram, OffLoopbackATokenIsMadeKeptAndAsked)
{
    PrivateBus bus;
    const quint16 port = FreePort();
    ViewerProcess viewer(bus, {QStringLiteral("--otlp"), QStringLiteral("0.0.0.0:%1").arg(port)});
    ASSERT_TRUE(PrivateBus::WaitUntil([&] { return Accepts(port); }));
    QString token;
    ASSERT_TRUE(PrivateBus::WaitUntil([&] {
        viewer.Process().waitForReadyRead(100);
        const QString said = QString::fromUtf8(viewer.Process().readAllStandardError());
        const qsizetype at = said.indexOf(QStringLiteral("Bearer "));
        if (at >= 0)
            token = said.mid(at + 7, 64);
        return !token.isEmpty();
    }));
    EXPECT_TRUE(viewer.Settings().contains(token));
    EXPECT_EQ(Exchange(port, Request(test::ProtobufRequest(1))).Status, 401);
    EXPECT_EQ(Exchange(port, Request(test::ProtobufRequest(1), "application/x-protobuf",
                                     "Authorization: Bearer " + token.toStdString() + "\r\n")).Status, 200);
}

TEST(OtlpProgram, MalformedSwitchEndsWithTheReason)
{
    QProcess process;
    process.start(kViewer, {QStringLiteral("--otlp"), QStringLiteral("localhost")});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAllStandardError().contains("ADDRESS:PORT"));
}

} // namespace
} // namespace vireo
