#pragma once

#include "intake/StartMode.h"

#include <QString>

#include <functional>

namespace vireo {

class TForm_Main;
class VireoServer;

// Points where a test build of the program looks in; the program itself leaves them empty.
struct ProgramHooks {
    // Called once the window and the server stand, before the message loop runs.
    std::function<void(TForm_Main&, VireoServer&, StartMode)> Started;
    // Tells the user why the program ends without a window; by default a message box.
    std::function<void(const QString&)> Tell;
};

// The whole program: start mode, registration, server, main window, message loop and the end in
// order. Returns the process's exit code.
int RunVireo(int argc, char** argv, const ProgramHooks& hooks = {});

} // namespace vireo
