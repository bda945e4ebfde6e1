// Pipelined AddTrace throughput from one client to a running viewer, beside the throughput of
// org.freedesktop.DBus.Peer.Ping to the same process, on a private session bus.
//   intake_throughput [--calls N] [--rounds R] [--window W] [--prefill P]
// --prefill posts P messages before the first round, so the rounds run against a full store.
#include "BusCalls.h"

#include <QCoreApplication>

#include <cstdio>
#include <vector>

namespace {

using namespace vireo::bench;

double Median(const std::vector<double>& values)
{
    return Percentile(values, 0.5);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int calls = Option(args, QStringLiteral("--calls"), 100000);
    const int rounds = Option(args, QStringLiteral("--rounds"), 5);
    const int window = Option(args, QStringLiteral("--window"), 1000);
    const int prefill = Option(args, QStringLiteral("--prefill"), 0);

    vireo::testing::PrivateBus bus;
    QProcess viewer;
    if (!StartViewer(viewer, bus, QStringLiteral(VIREO_VIEWER))) {
        std::fprintf(stderr, "the viewer did not start\n");
        return 1;
    }

    QDBusConnection client = bus.Connect(QStringLiteral("bench-client"));
    const QDBusMessage addTrace = AddTraceCall(QStringLiteral("Order 4711 saved for customer Smith"));
    const QDBusMessage ping = PingCall();

    int failed = 0;
    if (prefill > 0) {
        CallPipeline fill(client, addTrace, prefill, window);
        fill.Run();
        failed += fill.Failed();
    }
    std::printf("%d calls per round, %d in flight, %d rounds, %d messages stored before\n", calls, window, rounds,
                prefill);
    std::printf("%-6s %16s %16s %8s\n", "round", "AddTrace/s", "Ping/s", "ratio");
    std::vector<double> traceRates, pingRates, ratios;
    for (int round = 1; round <= rounds; ++round) {
        CallPipeline pings(client, ping, calls, window);
        CallPipeline traces(client, addTrace, calls, window);
        const double pingRate = pings.Run();
        const double traceRate = traces.Run();
        failed += pings.Failed() + traces.Failed();
        traceRates.push_back(traceRate);
        pingRates.push_back(pingRate);
        ratios.push_back(traceRate / pingRate);
        std::printf("%-6d %16.0f %16.0f %8.3f\n", round, traceRate, pingRate, traceRate / pingRate);
    }
    std::printf("%-6s %16.0f %16.0f %8.3f\n", "median", Median(traceRates), Median(pingRates), Median(ratios));
    std::fflush(stdout);

    viewer.terminate();
    viewer.waitForFinished(10000);
    return failed == 0 ? 0 : 1;
}

