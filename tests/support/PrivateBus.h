#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace vireo::testing {

// A session bus of the test's own (dbus-daemon --session), with its own data folder so that
// registration and activation never touch the user's files. Processes the bus activates are
// ended with it.
class PrivateBus {
public:
    // Starts the daemon; extra variables go into its environment (and so into activated programs).
    // Given service folders, the bus starts programs from those alone instead of the data folder.
    explicit PrivateBus(const QProcessEnvironment& extra = {}, const QStringList& serviceDirs = {});
    ~PrivateBus();

    // Address clients connect to.
    QString Address() const { return address_; }

    // The XDG_DATA_HOME the daemon reads its service files from.
    QString DataHome() const { return dataHome_; }

    // A connection of this process to the bus, under a name unique in the process.
    QDBusConnection Connect(const QString& connectionName);

    // The environment for a program that should use this bus and data folder.
    QProcessEnvironment Environment() const;

    // Runs a program on this bus to its end while this thread's event loop keeps serving.
    // Returns its exit code (-1 when it did not end in time); output goes to out and err.
    int Run(const QString& program, const QStringList& args, QString* out = nullptr, QString* err = nullptr);

    // Turns the event loop until done() holds or the time runs out; returns done().
    static bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000);

    // Process id of the program owning a bus name, or 0.
    qint64 OwnerPid(const QString& busName);

private:
    QTemporaryDir dir_;
    QString dataHome_;
    QProcess daemon_;
    QString address_;
    QProcessEnvironment environment_;
    QDBusConnection probe_{QString()};
};

// Path of a program built beside the tests.
QString BuiltProgram(const QString& relativePath);

} // namespace vireo::testing
