// Installing into a prefix of the test's own: every file in place, and the bus starts the
// installed viewer from the installed service file.
#include "PrivateBus.h"

#include "intake/VireoX_TLB.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

using vireo::testing::PrivateBus;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int RunTool(const QString& program, const QStringList& args, QString* output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    const bool ended = process.waitForFinished(120000);
    *output = QString::fromUtf8(process.readAll());
    return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

TEST(Install, PutsEveryFileInPlaceAndTheBusStartsTheInstalledViewer)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("my programs")); // a blank the service file must quote
    QString output;
    ASSERT_EQ(RunTool(QStringLiteral(VIREO_CMAKE), {QStringLiteral("--install"), QStringLiteral(VIREO_BINARY_DIR),
                                                    QStringLiteral("--prefix"), prefix},
                      &output),
              0)
        << output.toStdString();

    for (const char* program : {"vireo", "vireo-examine", "vireo-post"})
        EXPECT_TRUE(QFileInfo(prefix + QStringLiteral("/bin/") + QLatin1String(program)).isExecutable()) << program;
    for (const char* page : {"vireo", "vireo-examine", "vireo-post"}) {
        const QString path = prefix + QStringLiteral("/share/man/man1/%1.1").arg(QLatin1String(page));
        EXPECT_TRUE(ReadAll(path).startsWith(".TH ")) << page;
    }
    EXPECT_EQ(ReadAll(prefix + QStringLiteral("/share/vireo/clients/Vireo.pas")),
              ReadAll(QStringLiteral(VIREO_SOURCE_DIR "/clients/Vireo.pas")));
    EXPECT_TRUE(ReadAll(prefix + QStringLiteral("/share/icons/hicolor/scalable/apps/vireo.svg")).contains("<svg"));
    const QString dbus = prefix + QStringLiteral("/share/dbus-1/");
    EXPECT_EQ(QString::fromUtf8(ReadAll(dbus + QStringLiteral("interfaces/%1.xml").arg(vireo::VireoX::InterfaceName))),
              vireo::VireoX::InterfaceDescription());
    EXPECT_EQ(ReadAll(dbus + QStringLiteral("services/%1.service").arg(vireo::VireoX::BusName)).toStdString(),
              QStringLiteral("[D-BUS Service]\nName=%1\nExec=\"%2/bin/vireo\" -Automation\n")
                  .arg(vireo::VireoX::BusName, prefix)
                  .toStdString());

    const QString entry = prefix + QStringLiteral("/share/applications/vireo.desktop");
    EXPECT_EQ(RunTool(QStringLiteral("desktop-file-validate"), {entry}, &output), 0) << output.toStdString();
    for (const char* line : {"\nExec=vireo\n", "\nIcon=vireo\n", "\nName=Vireo\n", "\nCategories=Development;"})
        EXPECT_TRUE(ReadAll(entry).contains(line)) << line;

    // A client's call on a bus that knows only the installed service folder starts the installed
    // viewer (offscreen, with settings and data folders of the test's own).
    QProcessEnvironment extra;
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "VIREO_REGISTRY_DIR"})
        extra.insert(QLatin1String(name), dir.filePath(QLatin1String(name)));
    PrivateBus bus(extra, {dbus + QStringLiteral("services")});
    QString err;
    ASSERT_EQ(bus.Run(prefix + QStringLiteral("/bin/vireo-post"), {QStringLiteral("installed")}, nullptr, &err), 0)
        << err.toStdString();
    const qint64 viewer = bus.OwnerPid(QString::fromLatin1(vireo::VireoX::BusName));
    ASSERT_GT(viewer, 0);
    EXPECT_EQ(QFileInfo(QStringLiteral("/proc/%1/exe").arg(viewer)).symLinkTarget(),
              prefix + QStringLiteral("/bin/vireo"));
}
