// The viewer program with a recorder looking in: it writes the start mode and every stored
// message to the file named by VIREO_PROBE_OUT, so tests in other processes can see them.
#include "intake/IntakeRelay.h"
#include "viewer/session/TraceSession.h"
#include "viewer/window/MainFormUnit.h"
#include "app/VireoProgram.h"

#include <cstdlib>
#include <fstream>
#include <memory>

namespace {

using namespace vireo;

const char* ModeName(StartMode mode)
{
    switch (mode) {
    case StartMode::Standalone: return "standalone";
    case StartMode::Automation: return "automation";
    case StartMode::Register: return "register";
    case StartMode::Unregister: return "unregister";
    }
    return "?";
}

class Recorder : public ITraceIntake {
public:
    Recorder(TraceSession& session, const char* path) : session_(session), out_(path ? path : "/dev/null", std::ios::app) {}

    void Line(const std::string& text) { out_ << text << std::endl; }

    // The relay hands every message over in batches; each is written out once, after its last
    // message: a flush per message would slow the viewer's intake more than anything measured.
    std::vector<TraceRefusal> ReceiveTraces(const std::vector<TraceArguments>& traces) override
    {
        std::vector<TraceRefusal> refused = ITraceIntake::ReceiveTraces(traces);
        out_.flush();
        return refused;
    }

    void ReceiveTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                      const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                      const QString& UnitFileName, double MessageDateTime) override
    {
        session_.ReceiveTrace(ClassName, MessageStr, MessageType, MessageGroup, ComputerName, MessageID, UnitFileName,
                              MessageDateTime);
        const MessageStore& store = session_.Store();
        const TTraceInfo& m = store.Items(store.Count() - 1);
        out_ << "record " + std::to_string(m.SequenceNumber) + "|" + m.MessageDate.str() + "|" + m.MessageTime.str()
             + "|" + m.ClassName.str() + "|" + std::string(m.MessageStr) + "|" + std::to_string(m.MessageType) + "|"
             + m.MessageGroup.str() + "|" + m.ComputerName.str() + "|" + m.MessageID.str() + "|"
             + m.UnitFileName.str()
             << '\n';
    }

private:
    TraceSession& session_;
    std::ofstream out_;
};

} // namespace

int main(int argc, char* argv[])
{
    std::unique_ptr<Recorder> recorder;
    ProgramHooks hooks;
    hooks.Started = [&](TraceSession& session, TForm_Main& window, IntakeRelay& relay, StartMode mode) {
        recorder = std::make_unique<Recorder>(session, std::getenv("VIREO_PROBE_OUT"));
        recorder->Line(std::string("mode ") + ModeName(mode));
        QObject::connect(&window, &QObject::destroyed, [] {
            const char* path = std::getenv("VIREO_PROBE_OUT");
            std::ofstream(path ? path : "/dev/null", std::ios::app) << "window destroyed" << std::endl;
        });
        relay.SetTarget(*recorder);
    };
    hooks.Tell = [](const QString& text) {
        const char* path = std::getenv("VIREO_PROBE_OUT");
        std::ofstream(path ? path : "/dev/null", std::ios::app) << "notice " << text.toStdString() << std::endl;
    };
    return RunVireo(argc, argv, hooks);
}
