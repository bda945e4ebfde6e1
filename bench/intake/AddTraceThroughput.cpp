// Pipelined AddTrace throughput from one client to a running viewer, beside the throughput of
// org.freedesktop.DBus.Peer.Ping to the same process, on a private session bus.
//   intake_throughput [--calls N] [--rounds R] [--window W] [--prefill P]
// --prefill posts P messages before the first round, so the rounds run against a full store.
#include "PrivateBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using vireo::testing::PrivateBus;

// Keeps a fixed number of calls in flight until the wanted number has been answered.
class Pipeline : public QObject {
    Q_OBJECT
public:
    Pipeline(QDBusConnection connection, QDBusMessage call, int calls, int window)
        : connection_(std::move(connection)), call_(std::move(call)), calls_(calls), window_(window)
    {
    }

    // Runs every call; returns calls per second.
    double Run()
    {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < std::min(window_, calls_); ++i)
            SendOne();
        PrivateBus::WaitUntil([&] { return answered_ == calls_; }, 600000);
        return answered_ * 1000.0 / std::max<qint64>(1, timer.elapsed());
    }

    int Failed() const { return failed_; }

public slots:
    void Answered() { Next(); }
    void Failed(const QDBusError& error)
    {
        if (failed_++ == 0)
            std::fprintf(stderr, "call failed: %s\n", qPrintable(error.message()));
        Next();
    }

private:
    void Next()
    {
        ++answered_;
        if (sent_ < calls_)
            SendOne();
    }
    void SendOne()
    {
        ++sent_;
        connection_.callWithCallback(call_, this, SLOT(Answered()), SLOT(Failed(QDBusError)));
    }

    QDBusConnection connection_;
    QDBusMessage call_;
    int calls_;
    int window_;
    int sent_ = 0;
    int answered_ = 0;
    int failed_ = 0;
};

int Option(const QStringList& args, const QString& name, int fallback)
{
    const int at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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

    PrivateBus bus;
    QProcess viewer;
    viewer.setProcessEnvironment(bus.Environment());
    viewer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    viewer.start(QStringLiteral(VIREO_VIEWER), {QStringLiteral("-Automation")});
    if (!PrivateBus::WaitUntil([&] { return bus.OwnerPid(QStringLiteral("VireoX.Vireo")) == viewer.processId(); })) {
        std::fprintf(stderr, "the viewer did not start\n");
        return 1;
    }

    QDBusConnection client = bus.Connect(QStringLiteral("bench-client"));
    QDBusMessage addTrace = QDBusMessage::createMethodCall(QStringLiteral("VireoX.Vireo"), QStringLiteral("/Vireo"),
                                                           QStringLiteral("VireoX.IVireo"), QStringLiteral("AddTrace"));
    addTrace << QStringLiteral("TOrderForm") << QStringLiteral("Order 4711 saved for customer Smith") << 1
             << QStringLiteral("mgBlue") << QStringLiteral("BUILD-PC") << QStringLiteral("UniqueStr_123456789")
             << QStringLiteral("/projects/shop/OrderForm.pas") << 45000.5;
    QDBusMessage ping = QDBusMessage::createMethodCall(QStringLiteral("VireoX.Vireo"), QStringLiteral("/Vireo"),
                                                       QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));

    int failed = 0;
    if (prefill > 0) {
        Pipeline fill(client, addTrace, prefill, window);
        fill.Run();
        failed += fill.Failed();
    }
    std::printf("%d calls per round, %d in flight, %d rounds, %d messages stored before\n", calls, window, rounds,
                prefill);
    std::printf("%-6s %16s %16s %8s\n", "round", "AddTrace/s", "Ping/s", "ratio");
    std::vector<double> traceRates, pingRates, ratios;
    for (int round = 1; round <= rounds; ++round) {
        Pipeline pings(client, ping, calls, window);
        Pipeline traces(client, addTrace, calls, window);
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

#include "AddTraceThroughput.moc"
