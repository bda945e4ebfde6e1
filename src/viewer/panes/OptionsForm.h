#pragma once

#include "viewer/session/ViewerSettings.h"

#include <QDialog>

class QCheckBox;
class QPushButton;
class QSpinBox;

namespace vireo {

// The options dialog "Vireo Options": six check boxes in three groups, the history limit, "&Ok"
// and "&Cancel".
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
    QSpinBox* SpinEdit_HistoryLimit;      // "Keep at most" N messages; 0: no limit
    QSpinBox* SpinEdit_HistoryMegabytes;  // "Memory limit" in megabytes; 0: no limit
    QPushButton* Button_Ok;               // "&Ok": result OK
    QPushButton* Button_Cancel;           // "&Cancel": result Cancel

private:
    QCheckBox* AddCheckBox(const char* name, const char* caption, bool checked);
    QSpinBox* AddBound(const char* name, const QString& suffix, int value);
};

} // namespace vireo
