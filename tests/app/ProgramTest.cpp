#include "PrivateBus.h"
#include "TempRegistry.h"

#include "settings/RegUtils.h"
#include "settings/RegistryHive.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <filesystem>

using vireo::testing::BuiltProgram;
using vireo::testing::PrivateBus;

namespace {

const QString kViewer = BuiltProgram(QStringLiteral("src/app/vireo"));
const QString kProbe = BuiltProgram(QStringLiteral("tests/app/vireo_probe"));

QString ServiceFile(const QString& dataHome)
{
    return dataHome + QStringLiteral("/dbus-1/services/VireoX.Vireo.service");
}

QString InterfaceFile(const QString& dataHome)
{
    return dataHome + QStringLiteral("/dbus-1/interfaces/VireoX.IVireo.xml");
}

QString ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Runs the viewer with no display and no bus at all.
int RunHeadless(const QStringList& args, const QString& dataHome, QString* err = nullptr)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(kViewer, args);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (err)
        *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// A viewer probe (or another build of the program) started by the test on a private bus,
// recording what it stores.
class StartedProbe {
public:
    StartedProbe(PrivateBus& bus, const QStringList& args, const QString& program = kProbe,
                 const QProcessEnvironment& extra = {})
        : bus_(bus)
    {
        QProcessEnvironment env = bus.Environment();
        env.insert(QStringLiteral("VIREO_PROBE_OUT"), dir_.filePath(QStringLiteral("probe.txt")));
        env.insert(extra);
        process_.setProcessEnvironment(env);
        process_.start(program, args);
    }
    ~StartedProbe()
    {
        process_.kill();
        process_.waitForFinished(10000);
    }
    // Waits until the probe serves the name and has its window (it then writes its mode).
    bool Serves()
    {
        return PrivateBus::WaitUntil([&] {
            return bus_.OwnerPid(QStringLiteral("VireoX.Vireo")) == process_.processId() && !Record().isEmpty();
        });
    }
    QString Record() const { return ReadAll(dir_.filePath(QStringLiteral("probe.txt"))); }
    // Waits until the program has written the text to stderr.
    bool Says(const QString& text)
    {
        return PrivateBus::WaitUntil([&] {
            err_ += QString::fromUtf8(process_.readAllStandardError());
            return err_.contains(text);
        });
    }
    // Waits for the probe to end; its exit code, or -1 while it still runs.
    int Ended()
    {
        return PrivateBus::WaitUntil([&] { return process_.state() == QProcess::NotRunning; }) ? process_.exitCode()
                                                                                               : -1;
    }
    qint64 Pid() const { return process_.processId(); }
    // Sends the signal by which a desktop ends a program at logout.
    void Terminate() { process_.terminate(); }
    // Sends another of the signals that end a session.
    void Send(int signal) { ::kill(static_cast<pid_t>(process_.processId()), signal); }
    // Whether the program ended on its own rather than being killed by a signal.
    bool EndedNormally() const { return process_.exitStatus() == QProcess::NormalExit; }

private:
    PrivateBus& bus_;
    QTemporaryDir dir_;
    QProcess process_;
    QString err_;
};

const QStringList kAddTraceCommand = {
    QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=VireoX.Vireo"),
    QStringLiteral("/Vireo"), QStringLiteral("VireoX.IVireo.AddTrace"), QStringLiteral("string:TFoo"),
    QStringLiteral("string:hello"), QStringLiteral("int32:2"), QStringLiteral("string:"), QStringLiteral("string:PC"),
    QStringLiteral("string:UniqueStr_1"), QStringLiteral("string:/projects/demo/Unit1.pas"),
    QStringLiteral("double:0.5")};

} // namespace

TEST(Program, RegServerAndUnregServerWriteAndRemoveTheFilesWithoutADisplay)
{
    QTemporaryDir dir;
    const QString data = dir.path();
    ASSERT_EQ(RunHeadless({QStringLiteral("-RegServer")}, data), 0);
    EXPECT_EQ(ReadAll(ServiceFile(data)),
              QStringLiteral("[D-BUS Service]\nName=VireoX.Vireo\nExec=%1 -Automation\n").arg(kViewer));
    EXPECT_TRUE(ReadAll(InterfaceFile(data)).contains(QStringLiteral("<method name=\"AddTrace\">")));

    ASSERT_EQ(RunHeadless({QStringLiteral("/UNREGSERVER")}, data), 0);
    EXPECT_FALSE(QFile::exists(ServiceFile(data)));
    EXPECT_FALSE(QFile::exists(InterfaceFile(data)));
}

TEST(Program, UnwritableRegistrationAbandonsTheStartWithTheRegistryEntryError)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("dbus-1"));
    QFile blocker(dir.filePath(QStringLiteral("dbus-1/services")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString err;
    EXPECT_EQ(RunHeadless({}, dir.path(), &err), 1) << "no window and no display were needed to fail";
    EXPECT_TRUE(err.contains(QStringLiteral("Error creating system registry entry: "))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("dbus-1/services"))) << "the reason: " << err.toStdString();

    // With a display the user, who may have started it from a launcher, is told in a box too.
    PrivateBus bus;
    QProcessEnvironment blocked;
    blocked.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
    StartedProbe probe(bus, {}, kProbe, blocked);
    EXPECT_EQ(probe.Ended(), 1);
    EXPECT_TRUE(probe.Record().startsWith(QStringLiteral("notice Error creating system registry entry: ")))
        << probe.Record().toStdString();
    EXPECT_TRUE(probe.Record().contains(QStringLiteral("dbus-1/services"))) << "the reason told";
    EXPECT_FALSE(probe.Record().contains(QStringLiteral("mode"))) << "no window";

    StartedProbe viewer(bus, {}, kViewer, blocked);
    ASSERT_TRUE(viewer.Says(QStringLiteral("Error creating system registry entry")));
    viewer.Terminate();
    EXPECT_EQ(viewer.Ended(), 1) << "the start stays abandoned";
    EXPECT_TRUE(viewer.EndedNormally());
}

TEST(Program, ParametersThatAreNoSwitchesStartNormallyAndRegister)
{
    PrivateBus bus;
    StartedProbe probe(bus, {QStringLiteral("regserver")});
    ASSERT_TRUE(probe.Serves());
    EXPECT_EQ(probe.Record(), "mode standalone\n");
    EXPECT_TRUE(QFile::exists(ServiceFile(bus.DataHome())));
    EXPECT_TRUE(ReadAll(ServiceFile(bus.DataHome())).contains(kProbe + QStringLiteral(" -Automation")));
}

TEST(Program, AutomationComesBeforeUnregistering)
{
    PrivateBus bus;
    StartedProbe probe(bus, {QStringLiteral("/Automation"), QStringLiteral("/UnregServer")});
    ASSERT_TRUE(probe.Serves());
    EXPECT_EQ(probe.Record(), "mode automation\n");
    EXPECT_TRUE(QFile::exists(ServiceFile(bus.DataHome())));
    EXPECT_TRUE(QFile::exists(InterfaceFile(bus.DataHome())));
}

TEST(Program, ASecondCopyTellsTheUserAndEndsLeavingTheNameToTheFirst)
{
    PrivateBus bus;
    StartedProbe first(bus, {});
    ASSERT_TRUE(first.Serves());
    const qint64 firstPid = first.Pid();
    StartedProbe second(bus, {QStringLiteral("-Automation")});
    EXPECT_EQ(second.Ended(), 1);
    EXPECT_EQ(second.Record(), "notice Vireo is already running.\n");
    EXPECT_EQ(bus.OwnerPid(QStringLiteral("VireoX.Vireo")), firstPid);
}

TEST(Program, EndSignalsEndASecondCopyWhileItShowsItsBox)
{
    PrivateBus bus;
    StartedProbe first(bus, {});
    ASSERT_TRUE(first.Serves());
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        StartedProbe second(bus, {}, kViewer);
        ASSERT_TRUE(second.Says(QStringLiteral("Vireo is already running.")));
        second.Send(signal);
        EXPECT_EQ(second.Ended(), 1) << "signal " << signal;
        EXPECT_TRUE(second.EndedNormally()) << "signal " << signal;
    }
    EXPECT_EQ(bus.OwnerPid(QStringLiteral("VireoX.Vireo")), first.Pid());
}

TEST(Program, TheEndSignalOfALogoutEndsTheViewerInOrderAndSavesItsSettings)
{
    using namespace vireo;
    const test::HiveFolderScope hive; // the viewer started below inherits it
    const std::string track = "Vireo\\MessageTracking\\Exact\\0";
    WriteRegString(track, "TrackMessage", "kept");
    WriteRegString(track, "Stale", "gone once the tracks are saved anew");
    PrivateBus bus;
    StartedProbe probe(bus, {QStringLiteral("-Automation")});
    ASSERT_TRUE(probe.Serves());
    ASSERT_EQ(bus.Run(QStringLiteral("dbus-send"), kAddTraceCommand), 0) << "a client: closing would ask";
    probe.Terminate();
    EXPECT_EQ(probe.Ended(), 0);
    EXPECT_TRUE(probe.EndedNormally()) << "not killed by the signal";
    EXPECT_TRUE(probe.Record().startsWith(QStringLiteral("mode automation\nrecord ")));
    EXPECT_TRUE(probe.Record().endsWith(QStringLiteral("\nwindow destroyed\n"))) << "the window's own end ran";

    const auto stored = [](const char* path, const char* name) {
        const std::optional<RegKey> key = RegKey::Open(RegRoot::LocalMachine, path, RegAccess::Read);
        return key && key->QueryValue(name).has_value();
    };
    EXPECT_TRUE(stored("Software\\Korvel\\WindowPlacement\\Vireo", "Form_Main : Left")) << "placement saved";
    EXPECT_TRUE(stored("Software\\Korvel\\WindowPlacement\\Vireo", "ReportColWidth : Messages[0]"));
    EXPECT_TRUE(stored("SOFTWARE\\Korvel\\Vireo", "ExpertMode"));
    EXPECT_EQ(ReadRegString(track, "TrackMessage", ""), "kept");
    EXPECT_FALSE(stored("SOFTWARE\\Korvel\\Vireo\\MessageTracking\\Exact\\0", "Stale")) << "the tracks were saved";
}

TEST(Program, ACallToTheRegisteredViewerStartsItForAutomationAndIsStored)
{
    QProcessEnvironment cLocale;
    cLocale.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    QTemporaryDir out;
    cLocale.insert(QStringLiteral("VIREO_PROBE_OUT"), out.filePath(QStringLiteral("probe.txt")));
    PrivateBus bus(cLocale);
    ASSERT_EQ(bus.Run(kProbe, {QStringLiteral("-RegServer")}), 0);
    ASSERT_EQ(bus.OwnerPid(QStringLiteral("VireoX.Vireo")), 0);

    QString reply;
    ASSERT_EQ(bus.Run(QStringLiteral("dbus-send"), kAddTraceCommand, &reply), 0);
    EXPECT_TRUE(reply.startsWith(QStringLiteral("method return"))) << reply.toStdString();
    // Answered once queued; stored on the window's thread right after.
    EXPECT_TRUE(PrivateBus::WaitUntil(
        [&] { return ReadAll(out.filePath(QStringLiteral("probe.txt"))).contains(QStringLiteral("record ")); }));
    EXPECT_EQ(ReadAll(out.filePath(QStringLiteral("probe.txt"))),
              "mode automation\n"
              "record 0|12/30/99|12:00:00|TFoo|hello|2||PC|UniqueStr_1|/projects/demo/Unit1.pas\n");
}

TEST(Program, AProgramUnderAPathWithQuotesBackslashesAndLineBreaksIsStartedByTheBus)
{
    QTemporaryDir out;
    QProcessEnvironment probeOut;
    probeOut.insert(QStringLiteral("VIREO_PROBE_OUT"), out.filePath(QStringLiteral("probe.txt")));
    PrivateBus bus(probeOut);
    const QString folder = out.filePath(QStringLiteral("it's \"odd\" back\\slash\\n $HOME `x` %u #5\tand\na line"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString copy = folder + QStringLiteral("/vireo probe");
    std::error_code linkError;
    std::filesystem::create_hard_link(kProbe.toStdString(), copy.toStdString(), linkError);
    if (linkError) {
        ASSERT_TRUE(QFile::copy(kProbe, copy));
    }

    ASSERT_EQ(bus.Run(copy, {QStringLiteral("-RegServer")}), 0);
    QString reply;
    QString err;
    EXPECT_EQ(bus.Run(QStringLiteral("dbus-send"), kAddTraceCommand, &reply, &err), 0) << err.toStdString();
    EXPECT_TRUE(reply.startsWith(QStringLiteral("method return"))) << reply.toStdString();
    EXPECT_TRUE(PrivateBus::WaitUntil([&] {
        return ReadAll(out.filePath(QStringLiteral("probe.txt"))).startsWith(QStringLiteral("mode automation\nrecord "));
    }));
}

TEST(Program, TheShippedViewerIsStartedByTheBus)
{
    PrivateBus bus;
    ASSERT_EQ(bus.Run(kViewer, {QStringLiteral("-RegServer")}), 0);
    QString reply;
    ASSERT_EQ(bus.Run(QStringLiteral("dbus-send"), kAddTraceCommand, &reply), 0);
    EXPECT_TRUE(reply.startsWith(QStringLiteral("method return"))) << reply.toStdString();
    EXPECT_GT(bus.OwnerPid(QStringLiteral("VireoX.Vireo")), 0);
}
