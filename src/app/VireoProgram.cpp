#include "app/VireoProgram.h"

#include "intake/Registration.h"
#include "intake/VireoImpl.h"
#include "intake/VireoX_TLB.h"
#include "viewer/AutomationWarningBox.h"
#include "viewer/MainFormUnit.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QMessageBox>

#include <QSocketNotifier>

#include <csignal>
#include <iostream>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace vireo {

namespace {

// Writes or removes the registration as the mode asks; false (the reason told) when it fails.
bool UpdateRegistration(StartMode mode)
{
    try {
        const RegistrationFiles files = UserRegistrationFiles();
        if (mode == StartMode::Unregister)
            UnregisterServer(files);
        else
            RegisterServer(files, ProgramPath());
        return true;
    } catch (const RegistrationError& e) {
        std::cerr << "vireo: " << e.what() << '\n';
        return false;
    }
}

// Why the server could not start: another viewer has the name, or the bus is missing.
QString ServerNotStartedText(const QDBusConnection& bus)
{
    QString text;
    if (!bus.isConnected())
        text = QStringLiteral("Vireo cannot reach the session bus: ") + bus.lastError().message();
    else if (bus.interface()->isServiceRegistered(QLatin1String(VireoX::BusName)))
        text = QStringLiteral("Vireo is already running.");
    else
        text = QStringLiteral("Vireo cannot take the name %1 on the session bus.").arg(VireoX::BusName);
    return text;
}

// Turns the signals by which the desktop ends a program (logout, a terminal closing, Ctrl+C) into
// an ordinary end of the message loop, so the end runs in order and the window saves its state.
class EndOnTerminationSignals {
public:
    EndOnTerminationSignals()
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipe_) != 0)
            return;
        writeEnd_ = pipe_[1];
        notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
        struct sigaction action {};
        action.sa_handler = [](int) {
            const char byte = 1;
            [[maybe_unused]] const auto written = ::write(writeEnd_, &byte, 1);
        };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(signal, &action, nullptr);
    }
    ~EndOnTerminationSignals()
    {
        for (const int signal : {SIGTERM, SIGINT, SIGHUP})
            ::signal(signal, SIG_DFL);
        notifier_.reset();
        if (writeEnd_ >= 0) {
            ::close(pipe_[0]);
            ::close(pipe_[1]);
            writeEnd_ = -1;
        }
    }
    EndOnTerminationSignals(const EndOnTerminationSignals&) = delete;
    EndOnTerminationSignals& operator=(const EndOnTerminationSignals&) = delete;

private:
    static inline int writeEnd_ = -1; // read by the signal handler, which cannot capture
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace

int RunVireo(int argc, char** argv, const ProgramHooks& hooks)
{
    const StartMode mode = DecideStartMode(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (!UpdateRegistration(mode))
        return 1;
    if (mode == StartMode::Register || mode == StartMode::Unregister)
        return 0;

    QApplication app(argc, argv);
    const EndOnTerminationSignals endOnSignals;
    QDBusConnection bus = QDBusConnection::sessionBus();
    VireoServer server(bus);
    if (!server.Start()) {
        const QString text = ServerNotStartedText(bus);
        std::cerr << "vireo: " << text.toStdString() << '\n';
        if (hooks.Tell)
            hooks.Tell(text);
        else
            QMessageBox::information(nullptr, QStringLiteral("Vireo"), text);
        return 1;
    }
    QApplication::setApplicationName(QStringLiteral("Vireo"));
    auto window = std::make_unique<TForm_Main>();
    server.SetIntake(window.get());
    AutomationWarningBox asker(window.get());
    window->SetCloseGuard([&] { return MayCloseViewer(mode, server.ServedObjectCount(), asker); });
    if (hooks.Started)
        hooks.Started(*window, server, mode);
    window->show();

    const int result = QApplication::exec();
    server.Stop();
    window.reset();
    return result;
}

} // namespace vireo
