#include "app/VireoProgram.h"

#include "intake/IntakeRelay.h"
#include "intake/Registration.h"
#include "intake/VireoImpl.h"
#include "intake/VireoX_TLB.h"
#include "otlp/OtlpReceiver.h"
#include "viewer/panes/AutomationWarningBox.h"
#include "viewer/session/TraceSession.h"
#include "viewer/window/MainFormUnit.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace vireo {

namespace {

// Writes or removes the registration as the mode asks; the reason when it fails.
std::optional<std::string> UpdateRegistration(StartMode mode)
{
    try {
        const RegistrationFiles files = UserRegistrationFiles();
        if (mode == StartMode::Unregister)
            UnregisterServer(files);
        else
            RegisterServer(files, ProgramPath());
        return std::nullopt;
    } catch (const RegistrationError& e) {
        return e.what();
    }
}

// Whether a window can be shown: without a display the toolkit could not even start.
bool DisplayAvailable()
{
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

// Tells why the program ends without a window: on stderr, and to the user in a box (or the hook).
int AbandonStart(const QString& text, QMessageBox::Icon icon, const ProgramHooks& hooks)
{
    std::cerr << "vireo: " << text.toStdString() << '\n';
    if (hooks.Tell) {
        hooks.Tell(text);
    } else {
        QMessageBox box(icon, QStringLiteral("Vireo"), text, QMessageBox::Ok);
        box.exec();
    }
    return 1;
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
// an ordinary end of every running event loop, a message box's included, so the end runs in order
// and the window saves its state. A signal before the message loop runs skips the loop.
class EndOnTerminationSignals {
public:
    EndOnTerminationSignals()
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipe_) != 0)
            return;
        writeEnd_ = pipe_[1];
        notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { EndLoops(); });
        struct sigaction action {};
        action.sa_handler = [](int) {
            received_ = 1;
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

    // Whether an end signal has come.
    bool Received() const { return received_ != 0; }

private:
    // Empties the pipe, or its notifier would fire again at once for ever, and ends every event
    // loop: quit() would only end the main one, and only once it runs.
    void EndLoops()
    {
        char bytes[64];
        while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
        }
        QCoreApplication::exit(0);
    }

    static inline int writeEnd_ = -1; // read by the signal handler, which cannot capture
    static inline volatile std::sig_atomic_t received_ = 0;
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

// Starts the OTLP receiver the command line or the stored options ask for, feeding the session;
// none when neither does. A receiver that cannot listen is reported and the viewer runs without.
// A token made for this start is also put in notice, for the user to see once.
std::unique_ptr<OtlpReceiver> StartOtlpReceiver(const std::optional<OtlpEndpoint>& commandLine, ITraceIntake& intake,
                                                QString& notice)
{
    const std::optional<OtlpStartPlan> plan = PlanOtlpStart(commandLine);
    if (!plan)
        return nullptr;
    // Many senders at once need many descriptors: take what the system allows.
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
    auto receiver = std::make_unique<OtlpReceiver>(intake);
    const QString where = QStringLiteral("%1:%2").arg(plan->Endpoint.Address).arg(plan->Endpoint.Port);
    if (!receiver->Listen(plan->Endpoint, plan->Token)) {
        std::cerr << "vireo: the OTLP receiver cannot listen on " << where.toStdString() << ": "
                  << receiver->ErrorString().toStdString() << '\n';
        return nullptr;
    }
    std::cerr << "vireo: OTLP logs receiver at http://" << where.toStdString() << "/v1/logs";
    if (!plan->Token.isEmpty())
        std::cerr << ", requests need the header \"Authorization: Bearer " << plan->Token.toStdString() << '"'
                  << (plan->TokenGenerated ? " (a new token, kept in the settings)" : "");
    std::cerr << '\n';
    if (plan->TokenGenerated)
        notice = QStringLiteral("The OTLP logs receiver listens at http://%1/v1/logs and asks senders for the header\n\n"
                                "Authorization: Bearer %2\n\nThe token is kept in the settings (OtlpReceiver, Token).")
                     .arg(where, plan->Token);
    return receiver;
}

// Serves the bus on a thread of its own for its life, so that clients are answered while the
// window is busy; the relay carries their messages to the session on the window's thread.
class BusThread {
public:
    BusThread(VireoServer& server, IntakeRelay& relay) : server_(server), relay_(relay)
    {
        thread_.setObjectName(QStringLiteral("Vireo bus"));
        server_.moveToThread(&thread_);
        thread_.start();
    }
    ~BusThread() { Stop(); }

    // Stops serving: a sender waiting for room is let go first, then the name is released and the
    // thread ends; what was queued is stored.
    void Stop()
    {
        if (!thread_.isRunning())
            return;
        relay_.Close();
        QThread* home = QThread::currentThread();
        QMetaObject::invokeMethod(
            &server_,
            [this, home] {
                server_.Stop();
                server_.moveToThread(home);
            },
            Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
        relay_.DeliverAll();
    }

private:
    VireoServer& server_;
    IntakeRelay& relay_;
    QThread thread_;
};

} // namespace

int RunVireo(int argc, char** argv, const ProgramHooks& hooks)
{
    const std::vector<std::string> parameters(argv + (argc > 0 ? 1 : 0), argv + argc);
    const StartMode mode = DecideStartMode(parameters);
    std::optional<OtlpEndpoint> otlpEndpoint;
    if (const std::optional<std::string> otlp = OtlpSwitchValue(parameters)) {
        otlpEndpoint = ParseOtlpEndpoint(*otlp);
        if (!otlpEndpoint) {
            std::cerr << "vireo: --otlp wants ADDRESS:PORT (such as 127.0.0.1:4318 or [::1]:4318), not \""
                      << *otlp << "\"\n";
            return 2;
        }
    }
    const std::optional<std::string> registrationFailure = UpdateRegistration(mode);
    const bool windowless = mode == StartMode::Register || mode == StartMode::Unregister || !DisplayAvailable();
    if (registrationFailure && windowless) {
        std::cerr << "vireo: " << *registrationFailure << '\n';
        return 1;
    }
    if (mode == StartMode::Register || mode == StartMode::Unregister)
        return 0;

    QApplication app(argc, argv);
    const EndOnTerminationSignals endOnSignals;
    if (registrationFailure)
        return AbandonStart(QString::fromStdString(*registrationFailure), QMessageBox::Critical, hooks);
    QDBusConnection bus = QDBusConnection::sessionBus();
    VireoServer server(bus);
    if (!server.Start())
        return AbandonStart(ServerNotStartedText(bus), QMessageBox::Information, hooks);
    QApplication::setApplicationName(QStringLiteral("Vireo"));
    QGuiApplication::setDesktopFileName(QStringLiteral("vireo")); // the installed entry: docks find its icon
    TraceSession session;
    IntakeRelay relay(session);
    server.SetIntake(&relay);
    BusThread busThread(server, relay);
    QString otlpNotice;
    const std::unique_ptr<OtlpReceiver> otlpReceiver = StartOtlpReceiver(otlpEndpoint, session, otlpNotice);
    auto window = std::make_unique<TForm_Main>(session);
    AutomationWarningBox asker(window.get());
    window->SetCloseGuard([&] { return MayCloseViewer(mode, server.ServedObjectCount(), asker); });
    if (hooks.Started)
        hooks.Started(session, *window, relay, mode);
    window->show();
    if (!otlpNotice.isEmpty()) {
        if (hooks.Tell) {
            hooks.Tell(otlpNotice);
        } else {
            auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Vireo"), otlpNotice, QMessageBox::Ok,
                                        window.get());
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setTextInteractionFlags(Qt::TextSelectableByMouse);
            box->show(); // not modal: the viewer and the receiver go on meanwhile
        }
    }

    const int result = endOnSignals.Received() ? 0 : QApplication::exec();
    busThread.Stop();
    window.reset();
    return result;
}

} // namespace vireo
