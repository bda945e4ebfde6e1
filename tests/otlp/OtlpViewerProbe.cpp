// The viewer program writing every message its session stores, whichever way it came (bus or
// OTLP), to the file named by VIREO_PROBE_OUT: one JSON object a line, so that tests and figures
// in other processes can compare each field as stored.
#include "app/VireoProgram.h"
#include "intake/IntakeRelay.h"
#include "viewer/session/TraceSession.h"
#include "viewer/window/MainFormUnit.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <fstream>

using namespace vireo;

int main(int argc, char* argv[])
{
    const char* path = std::getenv("VIREO_PROBE_OUT");
    std::ofstream out(path ? path : "/dev/null", std::ios::app);
    ProgramHooks hooks;
    hooks.Started = [&](TraceSession& session, TForm_Main&, IntakeRelay&, StartMode) {
        QObject::connect(&session, &TraceSession::MessagesAppended, [&](int first, int last) {
            for (int i = first; i <= last; ++i) {
                const TTraceInfo& m = session.Store().Items(i);
                const QJsonObject line{{QStringLiteral("class"), QString::fromStdString(m.ClassName.str())},
                                       {QStringLiteral("text"), QString::fromUtf8(m.MessageStr.data(), static_cast<qsizetype>(m.MessageStr.size()))},
                                       {QStringLiteral("type"), m.MessageType},
                                       {QStringLiteral("group"), QString::fromStdString(m.MessageGroup.str())},
                                       {QStringLiteral("computer"), QString::fromStdString(m.ComputerName.str())},
                                       {QStringLiteral("id"), QString::fromStdString(m.MessageID.str())},
                                       {QStringLiteral("unit"), QString::fromStdString(m.UnitFileName.str())},
                                       {QStringLiteral("stamp"), m.MessageDateTime}};
                out << QJsonDocument(line).toJson(QJsonDocument::Compact).toStdString() << '\n';
            }
            out.flush();
        });
    };
    hooks.Tell = [](const QString&) {};
    return RunVireo(argc, argv, hooks);
}
