// A client program for the tests: posts numbered messages to the viewer, several calls in flight
// at once, and ends with 0 when every call was answered without error.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: vireo_post_client PREFIX COUNT\n");
        return 2;
    }
    const QString prefix = QString::fromUtf8(argv[1]);
    const int count = QString::fromUtf8(argv[2]).toInt();
    QDBusConnection bus = QDBusConnection::sessionBus();
    int answered = 0;
    int failed = 0;
    for (int i = 0; i < count; ++i) {
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
            w->deleteLater();
        });
    }
    return count == 0 ? 0 : QCoreApplication::exec();
}
