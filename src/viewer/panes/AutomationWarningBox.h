#pragma once

#include "intake/AutomationWarning.h"

class QWidget;

namespace vireo {

// Asks the "Automation Warning" question in a modal message box, No being the default answer.
class AutomationWarningBox : public IAutomationWarningAsker {
public:
    // The box is shown over parent.
    explicit AutomationWarningBox(QWidget* parent) : parent_(parent) {}

    bool ConfirmClose() override;

private:
    QWidget* parent_;
};

} // namespace vireo
