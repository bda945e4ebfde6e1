#include "viewer/VireoProgram.h"

#include "intake/Registration.h"
#include "intake/VireoImpl.h"
#include "intake/VireoX_TLB.h"
#include "viewer/AutomationWarningBox.h"
#include "viewer/MainFormUnit.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QMessageBox>

#include <iostream>
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

} // namespace

int RunVireo(int argc, char** argv, const ProgramHooks& hooks)
{
    const StartMode mode = DecideStartMode(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (!UpdateRegistration(mode))
        return 1;
    if (mode == StartMode::Register || mode == StartMode::Unregister)
        return 0;

    QApplication app(argc, argv);
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
