#include "OtlpTestSupport.h"

#include "otlp/OtlpReceiver.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace vireo {
namespace {

const QString kInteropSource = QStringLiteral(VIREO_OTLP_INTEROP_DIR);
const QString kInteropBuild = QStringLiteral(VIREO_BINARY_DIR "/otlp-interop");

// Runs a program to its end while this thread serves the event loop; its exit code, or -1.
int RunServing(const QString& program, const QStringList& arguments, const QString& folder, QString& output)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted())
        return -1;
    while (process.state() != QProcess::NotRunning)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    output = QString::fromUtf8(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// The SDK's packages in build/otlp-interop, installed from the npm registry on first use.
bool InstallSdk(QString& output)
{
    if (QFile::exists(kInteropBuild + QStringLiteral("/node_modules/@opentelemetry/exporter-logs-otlp-proto/package.json"))
        && QFile::exists(kInteropBuild + QStringLiteral("/node_modules/@opentelemetry/exporter-logs-otlp-http/package.json")))
        return true;
    QDir().mkpath(kInteropBuild);
    QFile::remove(kInteropBuild + QStringLiteral("/package.json"));
    QFile::copy(kInteropSource + QStringLiteral("/package.json"), kInteropBuild + QStringLiteral("/package.json"));
    return RunServing(QStringLiteral("npm"), {QStringLiteral("install"), QStringLiteral("--no-audit"),
                                              QStringLiteral("--no-fund"), QStringLiteral("--loglevel=error")},
                      kInteropBuild, output) == 0;
}

TEST(OtlpInterop, OpenTelemetrySdkRecordsArriveAsMapped)
{
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (node.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("npm")).isEmpty())
        GTEST_SKIP() << "Node.js (node and npm) is not installed: the OpenTelemetry SDK interop test is skipped";
    QString output;
    ASSERT_TRUE(InstallSdk(output)) << "npm install failed:\n" << output.toStdString();
    QFile::remove(kInteropBuild + QStringLiteral("/post-logs.cjs"));
    ASSERT_TRUE(QFile::copy(kInteropSource + QStringLiteral("/post-logs.cjs"), kInteropBuild + QStringLiteral("/post-logs.cjs")));

    struct Variant {
        const char* Protocol;
        const char* Compression;
        QString Token;
    };
    for (const Variant& variant : {Variant{"json", "none", {}}, Variant{"protobuf", "none", {}},
                                   Variant{"json", "gzip", QStringLiteral("tok3n")},
                                   Variant{"protobuf", "gzip", QStringLiteral("tok3n")}}) {
        SCOPED_TRACE(std::string(variant.Protocol) + " " + variant.Compression);
        test::RecordingIntake intake;
        OtlpReceiver receiver(intake);
        ASSERT_TRUE(receiver.Listen(OtlpEndpoint{"127.0.0.1", 0}, variant.Token));
        const QString url = QStringLiteral("http://127.0.0.1:%1/v1/logs").arg(receiver.Port());
        QStringList arguments{QStringLiteral("post-logs.cjs"), url, QString::fromLatin1(variant.Protocol),
                              QString::fromLatin1(variant.Compression)};
        if (!variant.Token.isEmpty())
            arguments << variant.Token;
        ASSERT_EQ(RunServing(node, arguments, kInteropBuild, output), 0) << output.toStdString();
        ASSERT_EQ(intake.Traces.size(), 3u);
        EXPECT_EQ(intake.Traces[0], (MappedTrace{"TNodeService", "hello from node", 1, "interop", "node-host",
                                                 "UniqueStr_1", "/src/Unit1.pas",
                                                 AutomationDateFromUnixNanos(1700000000123456789u)}));
        EXPECT_EQ(intake.Traces[1].MessageStr, QStringLiteral(R"({"a":1,"b":[true,"x"]})"));
        EXPECT_EQ(intake.Traces[1].MessageType, 3);
        EXPECT_EQ(intake.Traces[1].MessageDateTime, AutomationDateFromUnixNanos(1700000001000000000u));
        EXPECT_EQ(intake.Traces[2].MessageType, 2);
        EXPECT_EQ(intake.Traces[2].MessageID, QStringLiteral("7"));
    }
}

} // namespace
} // namespace vireo
