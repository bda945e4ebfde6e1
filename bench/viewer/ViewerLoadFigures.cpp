// The viewer under load: client processes flood it with messages through a private session bus
// while its window is driven (viewer_load_driven), and a further client times a small AddTrace
// now and then. Prints the messages lost, the probe's p90 and p99, the messages stored per second
// and the viewer's resident memory per message at the end.
//   viewer_load_figures [--messages N] [--clients C] [--in-flight W] [--probe-pause MS] [--drive-ms MS]
//                       [--pascal] [--log N]
// --pascal floods from Free Pascal programs (bench/client/BurstFigures.dpr naming cthreads, built
// with fpc and the client unit) instead of the C++ clients; each also posts one warm-up message
// and prints the cost of its AddDebug calls.
// --log N has the viewer open a log of N messages and then save every message while the floods
// and the probe run (the count of stored messages then includes the log's).
#include "BusCalls.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace vireo::bench;
using vireo::testing::PrivateBus;

// What the driven viewer last wrote: messages stored, resident bytes at start and now, and how
// many of the log's opening and saving ended, with their times.
struct ViewerStatus {
    long stored = -1;
    long startResident = 0;
    long resident = 0;
    int logsDone = 0;
    double openMs = 0;
    double saveMs = 0;
};

ViewerStatus ReadStatus(const QString& path)
{
    QFile file(path);
    ViewerStatus status;
    if (file.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = file.readAll().simplified().split(' ');
        if (fields.size() == 6)
            status = {fields[0].toLong(), fields[1].toLong(), fields[2].toLong(),
                      fields[3].toInt(),  fields[4].toDouble(), fields[5].toDouble()};
    }
    return status;
}

// Writes a message log of the given number of messages, as a day of a service's trace.
bool WriteLog(const QString& path, int messages)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("{\"format\":\"vireo-log\",\"version\":1}\n");
    for (int i = 0; i < messages; ++i)
        file.write(QStringLiteral(R"({"ClassName":"TWorker%1","MessageStr":"Processing record %2 of the batch",)"
                                  R"("MessageType":%3,"MessageGroup":"Database","ComputerName":"BUILD-PC",)"
                                  R"("MessageID":"UniqueStr_%4","UnitFileName":"/projects/demo/Unit%5.pas",)"
                                  R"("MessageDateTime":%6})" "\n")
                       .arg(i % 40).arg(i).arg(i % 4).arg(i % 50).arg(i % 20)
                       .arg(46000.25 + i / 86'400'000.0, 0, 'g', 17)
                       .toUtf8());
    return file.error() == QFile::NoError;
}

// Builds BurstFigures.dpr naming cthreads with fpc and the client unit.
bool BuildBurstProgram(const QString& program, const QString& units)
{
    QDir().mkpath(units);
    QProcess fpc;
    fpc.setProcessChannelMode(QProcess::MergedChannels);
    fpc.start(QStringLiteral("fpc"), {QStringLiteral("-O2"), QStringLiteral("-dBURST_CTHREADS"),
                                      QStringLiteral("-Fu" VIREO_SOURCE_DIR "/clients"), QStringLiteral("-FU") + units,
                                      QStringLiteral("-o") + program,
                                      QStringLiteral(VIREO_SOURCE_DIR "/bench/client/BurstFigures.dpr")});
    const bool built = fpc.waitForFinished(-1) && fpc.exitStatus() == QProcess::NormalExit && fpc.exitCode() == 0;
    if (!built)
        std::fputs(fpc.readAll().constData(), stderr);
    return built;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int clients = Option(args, QStringLiteral("--clients"), 4);
    const int perClient = clients > 0 ? Option(args, QStringLiteral("--messages"), 500000) / clients : 0;
    const int inFlight = Option(args, QStringLiteral("--in-flight"), 64);
    const int probePause = Option(args, QStringLiteral("--probe-pause"), 10);
    const int driveMs = Option(args, QStringLiteral("--drive-ms"), 500);
    const bool pascal = args.contains(QStringLiteral("--pascal"));
    const int logged = Option(args, QStringLiteral("--log"), 0);

    QTemporaryDir dir;
    const QString burst = dir.filePath(QStringLiteral("burst-figures"));
    if (pascal && !BuildBurstProgram(burst, dir.filePath(QStringLiteral("units")))) {
        std::fprintf(stderr, "fpc did not build the burst program\n");
        return 1;
    }
    // The status goes to memory where there is a place for it: the viewer writes it from its window's
    // thread, which must not wait on the disk while a large log is flushed to it.
    const QTemporaryDir memoryDir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/vireo-load-XXXXXX")
                                                                             : dir.filePath(QStringLiteral("status-XXXXXX")));
    const QString statusPath = QDir(memoryDir.path()).filePath(QStringLiteral("status"));
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("VIREO_LOAD_STATUS"), statusPath);
    extra.insert(QStringLiteral("VIREO_LOAD_DRIVE_MS"), QString::number(driveMs));
    if (logged > 0) {
        const QString log = dir.filePath(QStringLiteral("day.jsonl"));
        if (!WriteLog(log, logged)) {
            std::fprintf(stderr, "the log could not be written\n");
            return 1;
        }
        extra.insert(QStringLiteral("VIREO_LOAD_LOG"), log);
    }
    PrivateBus bus(extra);
    QProcess viewer;
    if (!StartViewer(viewer, bus, QStringLiteral(VIREO_LOAD_DRIVEN))) {
        std::fprintf(stderr, "the viewer did not start\n");
        return 1;
    }

    QElapsedTimer clock;
    clock.start();
    std::vector<std::unique_ptr<QProcess>> floods;
    for (int i = 0; i < clients; ++i) {
        auto& client = floods.emplace_back(std::make_unique<QProcess>());
        client->setProcessEnvironment(bus.Environment());
        if (pascal) {
            client->setProcessChannelMode(QProcess::MergedChannels);
            client->start(burst, {QString::number(perClient), QStringLiteral("1")});
        } else {
            client->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            client->start(QStringLiteral(VIREO_POST_CLIENT),
                          {QStringLiteral("Client%1").arg(i), QString::number(perClient), QString::number(inFlight)});
        }
    }
    CallPipeline probe(bus.Connect(QStringLiteral("probe")), AddTraceCall(QStringLiteral("probe")), 100000000, 1);
    probe.SetPause(probePause);
    probe.Start();
    const auto floodsRunning = [&] {
        for (const auto& client : floods)
            if (client->state() != QProcess::NotRunning)
                return true;
        return false;
    };
    PrivateBus::WaitUntil([&] { return !floodsRunning() && (logged == 0 || ReadStatus(statusPath).logsDone == 2); },
                          3600000);
    const double floodSeconds = clock.elapsed() / 1000.0;
    probe.Stop();
    PrivateBus::WaitUntil([&] { return probe.Done(); }, 60000);

    int failedClients = 0;
    for (const auto& client : floods)
        failedClients += client->exitStatus() != QProcess::NormalExit || client->exitCode() != 0;
    const long warmUps = pascal ? clients : 0;
    const long sent =
        static_cast<long>(perClient) * clients + warmUps + probe.Answered() - probe.Failed() + logged;
    ViewerStatus status;
    PrivateBus::WaitUntil([&] { return (status = ReadStatus(statusPath)).stored >= sent; }, 4 * driveMs + 2000);
    const std::vector<double> latencies = probe.LatenciesMs();

    if (pascal) {
        std::printf("%d Pascal programs (cthreads) x %d AddDebug calls, window driven every %d ms, probe every %d ms\n",
                    clients, perClient, driveMs, probePause);
        for (const auto& client : floods)
            for (const QByteArray& line : client->readAll().split('\n'))
                if (line.startsWith("one AddDebug"))
                    std::printf("  %s\n", line.constData());
    } else {
        std::printf("%d clients x %d messages (%d in flight each), window driven every %d ms, probe every %d ms\n",
                    clients, perClient, inFlight, driveMs, probePause);
    }
    if (logged > 0)
        std::printf("a log of %d messages opened through the File menu in %.0f ms, then all saved in %.0f ms\n",
                    logged, status.openMs, status.saveMs);
    std::printf("messages sent %ld, stored %ld, lost %ld; failed clients %d, failed probe calls %d\n", sent,
                status.stored, sent - status.stored, failedClients, probe.Failed());
    std::printf("probe AddTrace latency over %zu calls: p50 %.1f ms, p90 %.1f ms, p99 %.1f ms, max %.1f ms\n",
                latencies.size(), Percentile(latencies, 0.5), Percentile(latencies, 0.9), Percentile(latencies, 0.99),
                Percentile(latencies, 1.0));
    const auto fifth = static_cast<std::ptrdiff_t>(latencies.size() / 5);
    std::printf("probe p90 in the first fifth of the flood %.1f ms, in the last fifth %.1f ms\n",
                Percentile({latencies.begin(), latencies.begin() + fifth}, 0.9),
                Percentile({latencies.end() - fifth, latencies.end()}, 0.9));
    std::printf("stored %.0f messages/s over %.1f s\n", status.stored / floodSeconds, floodSeconds);
    std::printf("resident %.1f MB at the end, %.0f bytes per message\n", status.resident / 1e6,
                status.stored > 0 ? double(status.resident - status.startResident) / double(status.stored) : 0.0);

    viewer.terminate();
    viewer.waitForFinished(30000);
    return failedClients == 0 && probe.Failed() == 0 && status.stored == sent ? 0 : 1;
}
