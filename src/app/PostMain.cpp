// vireo-post: posts trace messages to the viewer, for scripts and programs in other languages.
#include "app/PostCommand.h"
#include "intake/VireoX_TLB.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <deque>
#include <iostream>
#include <unistd.h>

namespace {

using namespace vireo;

// Calls sent before the oldest reply is awaited: the input is never held up by round trips.
constexpr std::size_t kInFlight = 128;

// Sends AddTrace calls without waiting for each reply, and keeps the first refusal.
class Poster {
public:
    Poster(const QDBusConnection& bus, const PostOptions& options)
        : bus_(bus), options_(options), computer_(QSysInfo::machineHostName())
    {
    }

    // Sends one message stamped now; false once a message has been refused (none is sent then).
    bool Post(const std::string& text)
    {
        if (!failure_.isEmpty())
            return false;
        QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(VireoX::BusName),
            QString::fromLatin1(VireoX::ObjectPath), QString::fromLatin1(VireoX::InterfaceName),
            QString::fromLatin1(VireoX::AddTraceMethod));
        call << QString::fromStdString(options_.ClassName) << QString::fromStdString(text) << options_.MessageType
             << QString::fromStdString(options_.MessageGroup) << computer_ << QString::fromStdString(options_.MessageID)
             << QString::fromStdString(options_.UnitFileName) << AutomationDateOf(std::chrono::system_clock::now());
        inFlight_.push_back(bus_.asyncCall(call));
        while (!inFlight_.empty() && (inFlight_.size() >= kInFlight || inFlight_.front().isFinished()))
            SettleOldest();
        return failure_.isEmpty();
    }

    // Waits for every reply; true when the viewer took every message.
    bool Finish()
    {
        while (!inFlight_.empty())
            SettleOldest();
        return failure_.isEmpty();
    }

    // Why a message was not taken; empty when none failed.
    const QString& Failure() const { return failure_; }

private:
    void SettleOldest()
    {
        QDBusPendingCall oldest = inFlight_.front();
        inFlight_.pop_front();
        oldest.waitForFinished();
        if (!oldest.isError()) {
            ++taken_;
        } else if (failure_.isEmpty()) {
            const QDBusError error = oldest.error();
            failure_ = QStringLiteral("message %1 was not taken: %2 (%3)")
                           .arg(taken_ + 1).arg(error.message(), error.name());
            if (error.type() == QDBusError::ServiceUnknown)
                failure_ += QStringLiteral("\nIs the viewer running, or registered by a first start of vireo?");
        }
    }

    QDBusConnection bus_;
    const PostOptions& options_;
    const QString computer_;
    std::deque<QDBusPendingCall> inFlight_;
    long taken_ = 0;
    QString failure_;
};

// Posts each line of standard input as it arrives; an error text when the input cannot be read.
std::string PostInput(Poster& poster)
{
    LineSplitter splitter;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::string("cannot read standard input: ") + std::strerror(errno);
        const auto lines = got == 0 ? splitter.Finish() : splitter.Feed(std::string_view(buffer, got));
        for (const std::string& line : lines)
            if (!poster.Post(line))
                return {};
        if (got == 0)
            return {};
    }
}

} // namespace

int main(int argc, char* argv[])
{
    PostOptions options;
    try {
        options = ParsePostArguments(std::vector<std::string>(argv + 1, argv + argc),
                                     QDir::currentPath().toStdString());
    } catch (const PostUsageError& e) {
        std::cerr << "vireo-post: " << e.what() << "\nTry vireo-post --help\n";
        return 2;
    }
    if (options.Help) {
        std::cout << PostHelpText();
        return 0;
    }
    QCoreApplication app(argc, argv);
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::cerr << "vireo-post: cannot reach the session bus: " << bus.lastError().message().toStdString() << '\n';
        return 1;
    }
    Poster poster(bus, options);
    std::string readError;
    if (options.FromInput)
        readError = PostInput(poster);
    else
        poster.Post(options.Text);
    const bool taken = poster.Finish();
    if (!taken)
        std::cerr << "vireo-post: " << poster.Failure().toStdString() << '\n';
    if (!readError.empty())
        std::cerr << "vireo-post: " << readError << '\n';
    return taken && readError.empty() ? 0 : 1;
}
