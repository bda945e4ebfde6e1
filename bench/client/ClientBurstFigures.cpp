// The Pascal client unit under a burst: builds BurstFigures.dpr with fpc and the unit, once naming
// cthreads and once not, runs each against the viewer (with its recorder) on a private session
// bus, prints the program's figures (cost of one AddDebug, time until all are stored) and how many
// messages the viewer stored, in order per thread.
//   bench_client_burst [--calls N] [--threads T] [--no-viewer | --otlp]
// --no-viewer leaves the viewer unregistered: the bus answers that there is none, nothing is stored.
// --otlp starts the viewer with its OTLP receiver on a free loopback port and runs the programs
// with VIREO_OTLP_ENDPOINT pointing there: the same burst, posted over HTTP instead of the bus.
// With more than one thread only the program naming cthreads runs (threads need it).
#include "PrivateBus.h"
#include "StoredRecords.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <map>

namespace {

using vireo::testing::BuiltProgram;
using vireo::testing::PrivateBus;
using vireo::bench::WaitForStoredRecords;

int Option(const QStringList& args, const QString& name, int fallback)
{
    const int at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
}

// Runs a program to its end with the environment; its exit code, or -1.
int Run(const QString& program, const QStringList& args, const QProcessEnvironment& env, QByteArray* output)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    const bool ended = process.waitForFinished(-1);
    *output = process.readAll();
    return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The texts the viewer stored: vireo_probe's "record" lines, or vireo_otlp_probe's JSON lines.
QList<QByteArray> StoredTexts(const QByteArray& stored, bool otlp)
{
    QList<QByteArray> texts;
    for (const QByteArray& line : stored.split('\n')) {
        if (otlp) {
            const QJsonObject record = QJsonDocument::fromJson(line).object();
            if (record.value(QStringLiteral("group")).toString().startsWith(QLatin1Char('w')))
                texts.append(record.value(QStringLiteral("text")).toString().toUtf8());
            continue;
        }
        const QList<QByteArray> fields = line.split('|');
        if (line.startsWith("record ") && fields.size() == 10 && fields[6].startsWith('w'))
            texts.append(fields[4]);
    }
    return texts;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int calls = Option(args, QStringLiteral("--calls"), 100000);
    const int threads = std::max(1, Option(args, QStringLiteral("--threads"), 1));
    const bool viewer = !args.contains(QStringLiteral("--no-viewer"));
    const bool otlp = args.contains(QStringLiteral("--otlp"));

    QTemporaryDir dir;
    bool allGood = true;
    for (const bool cthreads : {true, false}) {
        if (!cthreads && threads > 1)
            continue;
        const QString name = cthreads ? QStringLiteral("with-cthreads") : QStringLiteral("without-cthreads");
        const QString program = dir.filePath(name);
        QByteArray output;
        const QString units = dir.filePath(name + QStringLiteral("-units"));
        QDir().mkpath(units);
        QStringList fpcArgs {QStringLiteral("-O2"), QStringLiteral("-Fu" VIREO_SOURCE_DIR "/clients"),
                             QStringLiteral("-FU") + units, QStringLiteral("-o") + program,
                             QStringLiteral(VIREO_SOURCE_DIR "/bench/client/BurstFigures.dpr")};
        if (cthreads)
            fpcArgs.prepend(QStringLiteral("-dBURST_CTHREADS"));
        if (Run(QStringLiteral("fpc"), fpcArgs, QProcessEnvironment::systemEnvironment(), &output) != 0) {
            std::fprintf(stderr, "fpc failed:\n%s", output.constData());
            return 1;
        }

        const QString probeFile = dir.filePath(name + QStringLiteral("-probe.txt"));
        QProcessEnvironment extra;
        extra.insert(QStringLiteral("VIREO_PROBE_OUT"), probeFile);
        PrivateBus bus(extra);
        QProcessEnvironment env = bus.Environment();
        QProcess otlpViewer;
        QTemporaryDir registry;
        if (otlp) {
            const quint16 port = FreePort();
            QProcessEnvironment viewerEnv = env;
            viewerEnv.insert(QStringLiteral("VIREO_REGISTRY_DIR"), registry.path());
            otlpViewer.setProcessEnvironment(viewerEnv);
            otlpViewer.start(BuiltProgram(QStringLiteral("tests/otlp/vireo_otlp_probe")),
                             {QStringLiteral("-Automation"), QStringLiteral("--otlp"), QStringLiteral("127.0.0.1:%1").arg(port)});
            if (!PrivateBus::WaitUntil([&] {
                    QTcpSocket probe;
                    probe.connectToHost(QHostAddress::LocalHost, port);
                    return probe.waitForConnected(100);
                })) {
                std::fprintf(stderr, "the viewer's OTLP receiver did not start\n");
                return 1;
            }
            env.insert(QStringLiteral("VIREO_OTLP_ENDPOINT"), QStringLiteral("http://127.0.0.1:%1").arg(port));
        } else if (viewer && bus.Run(BuiltProgram(QStringLiteral("tests/app/vireo_probe")), {QStringLiteral("-RegServer")}) != 0) {
            std::fprintf(stderr, "the viewer did not register\n");
            return 1;
        }
        std::printf("--- %s%s\n", qPrintable(name), otlp ? ", OTLP" : "");
        std::fflush(stdout);
        QElapsedTimer ran;
        ran.start();
        const int status = Run(program, {QString::number(calls), QString::number(threads)}, env, &output);
        std::fputs(output.constData(), stdout);
        if (otlp) {
            otlpViewer.terminate();
            otlpViewer.waitForFinished(30000);
        }

        // Texts "wT i" of thread T must arrive once each, i counting up from 1.
        const int expected = viewer ? calls / threads * threads : 0;
        double storedMs = 0;
        const QByteArray stored = WaitForStoredRecords(
            probeFile, expected, [&](const QByteArray& s) { return StoredTexts(s, otlp).size() >= expected; }, ran,
            &storedMs);
        if (viewer)
            std::printf("stored by the viewer %.0f ms after the program started (%.0f messages/s)\n", storedMs,
                        StoredTexts(stored, otlp).size() / (storedMs / 1000));
        if (viewer && stored.isEmpty()) {
            std::fprintf(stderr, "the viewer stored nothing\n");
            return 1;
        }
        std::map<QString, int> next;
        int arrived = 0;
        bool inOrder = true;
        for (const QByteArray& one : StoredTexts(stored, otlp)) {
            const QList<QByteArray> text = one.split(' ');
            const int number = text.value(1).toInt();
            inOrder = inOrder && number == ++next[QString::fromUtf8(text[0])];
            ++arrived;
        }
        std::printf("stored by the viewer: %d of %d, in order per thread: %s\n", arrived, expected,
                    inOrder ? "yes" : "no");
        allGood = allGood && status == 0 && arrived == expected && inOrder;
    }
    return allGood ? 0 : 1;
}
