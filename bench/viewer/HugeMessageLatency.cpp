// Latency of small AddTrace calls to the real viewer window (offscreen) through a private session
// bus, when one huge message is stored among them, beside the same calls to a viewer without it.
//   viewer_huge_message_latency [--calls N] [--huge-mb M] [--window W] [--pause MS] [--huge-at I]
//                               [--viewer PROGRAM]
// The huge message goes as call I (0 at first: it stays the list's first row); MS is the pause
// after each answer, as a program that posts now and then leaves the viewer time to repaint.
#include "BusCalls.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

using namespace vireo::bench;

struct Figures {
    double p50 = 0;
    double p99 = 0;
    double max = 0;
    int failed = 0;
};

// Posts `calls` small messages to a fresh viewer, the huge text (if any) as call hugeAt, and
// returns the small calls' latencies.
Figures Run(vireo::testing::PrivateBus& bus, const QString& program, int calls, int window, int pause,
            const QString& huge, int hugeAt)
{
    QProcess viewer;
    if (!StartViewer(viewer, bus, program)) {
        std::fprintf(stderr, "the viewer did not start\n");
        return {0, 0, 0, 1};
    }
    const QDBusMessage small = AddTraceCall(QStringLiteral("Order 4711 saved for customer Smith"));
    const QDBusMessage large = AddTraceCall(huge);
    CallPipeline pipeline(bus.Connect(QStringLiteral("client")),
                          [&](int i) { return i == hugeAt && !huge.isEmpty() ? large : small; },
                          calls + (huge.isEmpty() ? 0 : 1), window);
    pipeline.SetPause(pause);
    pipeline.Run();
    std::vector<double> latencies = pipeline.LatenciesMs();
    if (!huge.isEmpty())
        latencies.erase(latencies.begin() + hugeAt);
    Figures figures{Percentile(latencies, 0.5), Percentile(latencies, 0.99), Percentile(latencies, 1.0),
                    pipeline.Failed()};
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    viewer.terminate();
    viewer.waitForFinished(30000);
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int calls = Option(args, QStringLiteral("--calls"), 100000);
    const int hugeMb = Option(args, QStringLiteral("--huge-mb"), 10);
    const int window = Option(args, QStringLiteral("--window"), 1);
    const int hugeAt = Option(args, QStringLiteral("--huge-at"), 0);
    const int pause = Option(args, QStringLiteral("--pause"), 0);

    const int viewerAt = args.indexOf(QStringLiteral("--viewer"));
    const QString program = viewerAt > 0 && viewerAt + 1 < args.size() ? args[viewerAt + 1] : QStringLiteral(VIREO_VIEWER);

    vireo::testing::PrivateBus bus;
    const QString huge(hugeMb * 1024 * 1024, QLatin1Char('x'));
    const Figures plain = Run(bus, program, calls, window, pause, {}, hugeAt);
    const Figures withHuge = Run(bus, program, calls, window, pause, huge, hugeAt);

    std::printf("%d small AddTrace calls, %d in flight, %d ms pause; one %d MB message as call %d in the second store\n",
                calls, window, pause, hugeMb, hugeAt);
    std::printf("%-22s %10s %10s %10s\n", "store", "p50 ms", "p99 ms", "max ms");
    std::printf("%-22s %10.3f %10.3f %10.1f\n", "small messages only", plain.p50, plain.p99, plain.max);
    std::printf("%-22s %10.3f %10.3f %10.1f\n", "with the huge message", withHuge.p50, withHuge.p99, withHuge.max);
    std::printf("p99 ratio %.2f (at most 2 wanted)\n", withHuge.p99 / plain.p99);
    return plain.failed + withHuge.failed == 0 ? 0 : 1;
}
