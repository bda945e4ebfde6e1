#include "intake/AutomationWarning.h"

namespace vireo {

bool NeedsAutomationWarning(StartMode mode, int32_t servedObjectCount)
{
    return mode == StartMode::Automation && servedObjectCount > 0;
}

bool MayCloseViewer(StartMode mode, int32_t servedObjectCount, IAutomationWarningAsker& asker)
{
    return !NeedsAutomationWarning(mode, servedObjectCount) || asker.ConfirmClose();
}

} // namespace vireo
