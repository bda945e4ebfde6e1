#include "BusCalls.h"

#include <QDBusPendingCallWatcher>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vireo::bench {

bool StartViewer(QProcess& viewer, testing::PrivateBus& bus, const QString& program)
{
    viewer.setProcessEnvironment(bus.Environment()); // offscreen
    viewer.setProcessChannelMode(QProcess::ForwardedChannels);
    viewer.start(program, {QStringLiteral("-Automation")});
    return testing::PrivateBus::WaitUntil(
        [&] { return viewer.processId() != 0 && bus.OwnerPid(QStringLiteral("VireoX.Vireo")) == viewer.processId(); });
}

QDBusMessage AddTraceCall(const QString& text, const QString& id)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("VireoX.Vireo"), QStringLiteral("/Vireo"),
                                                       QStringLiteral("VireoX.IVireo"), QStringLiteral("AddTrace"));
    call << QStringLiteral("TOrderForm") << text << 1 << QStringLiteral("mgBlue") << QStringLiteral("BUILD-PC") << id
         << QStringLiteral("/projects/shop/OrderForm.pas") << 45000.5;
    return call;
}

QDBusMessage PingCall()
{
    return QDBusMessage::createMethodCall(QStringLiteral("VireoX.Vireo"), QStringLiteral("/Vireo"),
                                          QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
}

CallPipeline::CallPipeline(QDBusConnection connection, CallMaker makeCall, int calls, int window)
    : connection_(std::move(connection)), makeCall_(std::move(makeCall)), calls_(calls), window_(window)
{
}

CallPipeline::CallPipeline(QDBusConnection connection, const QDBusMessage& call, int calls, int window)
    : CallPipeline(std::move(connection), [call](int) { return call; }, calls, window)
{
}

void CallPipeline::Start()
{
    clock_.start();
    for (int i = 0; i < std::min(window_, calls_); ++i)
        SendOne();
}

double CallPipeline::Run()
{
    Start();
    testing::PrivateBus::WaitUntil([&] { return Done(); }, 3600000);
    return answered_ * 1000.0 / std::max<qint64>(1, clock_.elapsed());
}

void CallPipeline::SendOne()
{
    const int number = sent_++;
    latencies_.push_back(0);
    const qint64 sentAt = clock_.nsecsElapsed();
    auto* watcher = new QDBusPendingCallWatcher(connection_.asyncCall(makeCall_(number), 600000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [this, number, sentAt](QDBusPendingCallWatcher* w) {
        latencies_[static_cast<std::size_t>(number)] = (clock_.nsecsElapsed() - sentAt) / 1e6;
        if (w->isError() && failed_++ == 0)
            std::fprintf(stderr, "call failed: %s\n", qPrintable(w->error().message()));
        w->deleteLater();
        ++answered_;
        if (sent_ < calls_ && pauseMs_ > 0)
            QTimer::singleShot(pauseMs_, [this] {
                if (sent_ < calls_)
                    SendOne();
            });
        else if (sent_ < calls_)
            SendOne();
    });
}

double Percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    const auto at = static_cast<std::size_t>(std::ceil(share * static_cast<double>(values.size()))) - 1;
    const auto nth = values.begin() + static_cast<std::ptrdiff_t>(std::min(at, values.size() - 1));
    std::nth_element(values.begin(), nth, values.end());
    return *nth;
}

int Option(const QStringList& args, const QString& name, int fallback)
{
    const int at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
}

} // namespace vireo::bench
