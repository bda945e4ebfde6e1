#pragma once

#include "intake/TimeStampText.h"
#include "intake/TraceIntake.h"
#include "viewer/session/MessageStore.h"

#include <string>

namespace vireo::test {

// A message as the tests post it; only the fields a test names differ from the defaults.
struct Msg {
    std::string cls = "TFoo", text = "text", group, computer = "pc1", id = "UniqueStr_1",
                unit = "/src/Unit1.pas";
    int type = 0;
    double stamp = 37622.5; // 01/01/2003 12:00:00
    Msg& Class(std::string v) { cls = std::move(v); return *this; }
    Msg& Text(std::string v) { text = std::move(v); return *this; }
    Msg& Type(int v) { type = v; return *this; }
    Msg& Group(std::string v) { group = std::move(v); return *this; }
    Msg& Computer(std::string v) { computer = std::move(v); return *this; }
    Msg& Id(std::string v) { id = std::move(v); return *this; }
    Msg& Unit(std::string v) { unit = std::move(v); return *this; }
    Msg& Stamp(double v) { stamp = v; return *this; }
};

inline TTraceInfo Post(MessageStore& store, const Msg& m)
{
    TraceFields f;
    f.ClassName = m.cls;
    f.MessageStr = m.text;
    f.MessageType = m.type;
    f.MessageGroup = m.group;
    f.ComputerName = m.computer;
    f.MessageID = m.id;
    f.UnitFileName = m.unit;
    f.MessageDate = "08/12/2026";
    f.MessageTime = "01:02:03";
    return store.Items(store.Append(f));
}

// Hands a message to an intake (the main window) as the automation object does.
inline void Post(ITraceIntake& intake, const Msg& m)
{
    const auto q = [](const std::string& s) { return QString::fromStdString(s); };
    intake.ReceiveTrace(q(m.cls), q(m.text), m.type, q(m.group), q(m.computer), q(m.id), q(m.unit), m.stamp);
}

// Time conventions fixed by the test, which may change them between messages.
class FixedTimeConventions : public ITimeConventions {
public:
    explicit FixedTimeConventions(const char* dateFormat)
        : conventions(ConventionsFromStrftime(dateFormat, "%H:%M:%S", "", ""))
    {
    }
    const TimeConventions& Current() override { return conventions; }
    TimeConventions conventions;
};

} // namespace vireo::test
