#pragma once

#include "intake/StartMode.h"

#include <QString>

#include <functional>

namespace vireo {

class IntakeRelay;
class TForm_Main;
class TraceSession;

// Points where a test build of the program looks in; the program itself leaves them empty.
struct ProgramHooks {
    // Called once the session, the window and the bus server stand, before the message loop runs;
    // the relay carries the bus's messages to the session.
    std::function<void(TraceSession&, TForm_Main&, IntakeRelay&, StartMode)> Started;
    // Tells the user why the program ends without a window; by default a message box.
    std::function<void(const QString&)> Tell;
};

// The whole program: start mode, registration, server, session, main window, message loop and the
// end in order. The bus server feeds the session; the window shows it. Returns the exit code.
int RunVireo(int argc, char** argv, const ProgramHooks& hooks = {});

} // namespace vireo
