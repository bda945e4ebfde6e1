#pragma once

#include "viewer/session/ViewerSettings.h"

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace vireo {

// The options dialog "Vireo Options": six check boxes in three groups, "&Ok" and "&Cancel".
class TForm_Options : public QDialog {
    Q_OBJECT
public:
    // A dialog showing options; owner is the main window.
    TForm_Options(const ViewerOptions& options, QWidget* owner);

    // The options as the check boxes now stand.
    ViewerOptions Options() const;

    QCheckBox* CheckBox_ExpandMessages;   // "Expand All Message Nodes On Startup"
    QCheckBox* CheckBox_ExpandFilters;    // "Expand All Filters On Startup"
    QCheckBox* CheckBox_ShowLineNumbers;  // "Show Line Numbers in Code Window"
    QCheckBox* CheckBox_ShowMilliseconds; // "Show Milliseconds in Time Column"
    QCheckBox* CheckBox_SaveKeys;         // "Save User Key Marks"
    QCheckBox* CheckBox_SaveTracking;     // "Save Message Tracking (Expert Mode)"
    QPushButton* Button_Ok;               // "&Ok": result OK
    QPushButton* Button_Cancel;           // "&Cancel": result Cancel

private:
    QCheckBox* AddCheckBox(const char* name, const char* caption, bool checked);
};

} // namespace vireo
