// A client program for the tests and benchmarks: posts numbered messages to the viewer, several
// calls in flight at once (all of them, or at most IN_FLIGHT), and ends with 0 when every call
// was answered without error.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include <climits>
#include <cstdio>
#include <functional>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: vireo_post_client PREFIX COUNT [IN_FLIGHT]\n");
        return 2;
    }
    const QString prefix = QString::fromUtf8(argv[1]);
    const int count = QString::fromUtf8(argv[2]).toInt();
    const int inFlight = argc == 4 ? QString::fromUtf8(argv[3]).toInt() : INT_MAX;
    QDBusConnection bus = QDBusConnection::sessionBus();
    int sent = 0;
    int answered = 0;
    int failed = 0;
    std::function<void()> postNext = [&] {
        const int i = sent++;
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("VireoX.Vireo"), QStringLiteral("/Vireo"),
                                                           QStringLiteral("VireoX.IVireo"), QStringLiteral("AddTrace"));
        call << prefix << QStringLiteral("%1 %2").arg(prefix).arg(i) << 1 << QString() << prefix
             << QStringLiteral("UniqueStr_%1").arg(i) << QStringLiteral("/src/Unit1.pas") << 0.5;
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), &app);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [&](QDBusPendingCallWatcher* w) {
            if (w->isError()) {
                ++failed;
                std::fprintf(stderr, "%s\n", qPrintable(w->error().message()));
            }
            if (++answered == count)
                QCoreApplication::exit(failed == 0 ? 0 : 1);
            else if (sent < count)
                postNext();
            w->deleteLater();
        });
    };
    while (sent < count && sent < inFlight)
        postNext();
    return count == 0 ? 0 : QCoreApplication::exec();
}
