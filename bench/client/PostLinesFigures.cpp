// vireo-post under a stream of lines: `seq N | vireo-post` against the viewer (with its recorder)
// on a private session bus; prints the lines per second until vireo-post ended (every line
// answered by the viewer) and how many the viewer stored, in order.
//   bench_post_lines [--lines N]
#include "PrivateBus.h"
#include "StoredRecords.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using vireo::testing::BuiltProgram;
using vireo::testing::PrivateBus;

int Option(const QStringList& args, const QString& name, int fallback)
{
    const int at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int lines = Option(QCoreApplication::arguments(), QStringLiteral("--lines"), 1000000);

    QTemporaryDir dir;
    const QString probeFile = dir.filePath(QStringLiteral("probe.txt"));
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("VIREO_PROBE_OUT"), probeFile);
    PrivateBus bus(extra);
    if (bus.Run(BuiltProgram(QStringLiteral("tests/app/vireo_probe")), {QStringLiteral("-RegServer")}) != 0) {
        std::fprintf(stderr, "the viewer did not register\n");
        return 1;
    }
    // One line first, so that the viewer is up before the timed run.
    const QString post = BuiltProgram(QStringLiteral("src/app/vireo-post"));
    if (bus.Run(post, {QStringLiteral("warm-up")}) != 0) {
        std::fprintf(stderr, "the viewer did not take the first message\n");
        return 1;
    }
    QProcess run;
    run.setProcessEnvironment(bus.Environment());
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer clock;
    clock.start();
    run.start(QStringLiteral("/bin/sh"),
              {QStringLiteral("-c"), QStringLiteral("seq %1 | \"$0\" --group lines").arg(lines), post});
    const bool ended = run.waitForFinished(-1) && run.exitStatus() == QProcess::NormalExit;
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("seq %d | vireo-post: exit %d after %.2f s (%.0f lines/s)\n", lines, ended ? run.exitCode() : -1,
                seconds, lines / seconds);

    // The probe writes a record per stored message; the lines must be 1 .. N in order.
    int arrived = 0;
    bool inOrder = true;
    const auto count = [&](const QByteArray& stored) {
        arrived = 0;
        inOrder = true;
        for (const QByteArray& line : stored.split('\n')) {
            const QList<QByteArray> fields = line.split('|');
            if (!line.startsWith("record ") || fields.size() != 10 || fields[6] != "lines")
                continue;
            inOrder = inOrder && fields[4].toInt() == ++arrived;
        }
        return arrived >= lines;
    };
    double storedMs = 0;
    count(vireo::bench::WaitForStoredRecords(probeFile, lines, count, clock, &storedMs));
    std::printf("stored by the viewer %.2f s after vireo-post started (%.0f lines/s)\n", storedMs / 1000,
                arrived / (storedMs / 1000));
    std::printf("stored by the viewer: %d of %d, in order: %s\n", arrived, lines, inOrder ? "yes" : "no");
    return ended && run.exitCode() == 0 && arrived == lines && inOrder ? 0 : 1;
}
