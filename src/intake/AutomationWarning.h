#pragma once

#include "intake/StartMode.h"

#include <cstdint>

namespace vireo {

// The question asked before a viewer started for clients is closed by hand.
namespace AutomationWarning {
inline constexpr const char* Caption = "Automation Warning";
inline constexpr const char* Text =
    "This application has been launched via Automation, and one or more clients currently have references to "
    "this application.  This application should be closed from a client, and manually closing "
    "this application will likely cause your client application(s) to fail.\r\n\r\n"
    "Are you sure you want to close this application?";
} // namespace AutomationWarning

// Whether closing must first ask: only when started for automation and a client has created an
// object.
bool NeedsAutomationWarning(StartMode mode, int32_t servedObjectCount);

// Puts the "Automation Warning" question to the user; tests replace it.
class IAutomationWarningAsker {
public:
    virtual ~IAutomationWarningAsker() = default;
    // True when the user answers Yes.
    virtual bool ConfirmClose() = 0;
};

// Whether the viewer may close now: asks the question when it is due, otherwise yes.
bool MayCloseViewer(StartMode mode, int32_t servedObjectCount, IAutomationWarningAsker& asker);

} // namespace vireo
