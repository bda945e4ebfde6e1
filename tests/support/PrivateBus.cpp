#include "PrivateBus.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QFile>
#include <QEventLoop>
#include <QThread>

#include <csignal>
#include <stdexcept>

namespace vireo::testing {

namespace {

// A session bus configuration that activates programs from the given service folders only.
QString WriteConfig(const QString& folder, const QStringList& serviceDirs)
{
    QString text = QStringLiteral("<busconfig>\n  <type>session</type>\n  <listen>unix:tmpdir=%1</listen>\n")
                       .arg(folder.toHtmlEscaped());
    for (const QString& dir : serviceDirs)
        text += QStringLiteral("  <servicedir>%1</servicedir>\n").arg(dir.toHtmlEscaped());
    text += QStringLiteral("  <policy context=\"default\">\n    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                           "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n  </policy>\n</busconfig>\n");
    const QString path = folder + QStringLiteral("/bus.conf");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
        throw std::runtime_error("cannot write the bus configuration");
    return path;
}

} // namespace

PrivateBus::PrivateBus(const QProcessEnvironment& extra, const QStringList& serviceDirs)
{
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder");
    dataHome_ = dir_.filePath(QStringLiteral("data"));
    environment_ = QProcessEnvironment::systemEnvironment();
    environment_.insert(QStringLiteral("XDG_DATA_HOME"), dataHome_);
    environment_.insert(QStringLiteral("HOME"), dir_.path());
    environment_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment_.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.path());
    environment_.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment_.insert(extra);

    daemon_.setProcessEnvironment(environment_);
    daemon_.setProcessChannelMode(QProcess::SeparateChannels);
    const QString config = serviceDirs.isEmpty()
        ? QStringLiteral("--session")
        : QStringLiteral("--config-file=") + WriteConfig(dir_.path(), serviceDirs);
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {config, QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(10000))
        throw std::runtime_error("dbus-daemon did not start");
    while (!daemon_.canReadLine()) {
        if (!daemon_.waitForReadyRead(10000))
            throw std::runtime_error("dbus-daemon gave no address");
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    environment_.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
    probe_ = Connect(QStringLiteral("vireo-test-probe"));
}

PrivateBus::~PrivateBus()
{
    // A viewer the bus started outlives the bus; end it by its id.
    if (const qint64 pid = OwnerPid(QStringLiteral("VireoX.Vireo")); pid > 0 && pid != QCoreApplication::applicationPid())
        ::kill(static_cast<pid_t>(pid), SIGTERM);
    QDBusConnection::disconnectFromBus(QStringLiteral("vireo-test-probe"));
    daemon_.terminate();
    daemon_.waitForFinished(5000);
}

QDBusConnection PrivateBus::Connect(const QString& connectionName)
{
    return QDBusConnection::connectToBus(address_, connectionName);
}

QProcessEnvironment PrivateBus::Environment() const
{
    return environment_;
}

int PrivateBus::Run(const QString& program, const QStringList& args, QString* out, QString* err)
{
    QProcess process;
    process.setProcessEnvironment(environment_);
    process.start(program, args);
    const bool ended = process.waitForStarted(10000)
        && WaitUntil([&] { return process.state() == QProcess::NotRunning; }, 60000);
    if (!ended) {
        process.kill();
        process.waitForFinished(5000);
    }
    if (out)
        *out = QString::fromUtf8(process.readAllStandardOutput());
    if (err)
        *err = QString::fromUtf8(process.readAllStandardError());
    if (!ended || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

bool PrivateBus::WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

qint64 PrivateBus::OwnerPid(const QString& busName)
{
    if (!probe_.isConnected())
        return 0;
    const QDBusReply<uint> pid = probe_.interface()->servicePid(busName);
    return pid.isValid() ? pid.value() : 0;
}

QString BuiltProgram(const QString& relativePath)
{
    return QStringLiteral(VIREO_BINARY_DIR "/") + relativePath;
}

} // namespace vireo::testing
