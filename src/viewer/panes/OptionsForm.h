#pragma once

#include "otlp/OtlpSettings.h"
#include "viewer/session/ViewerSettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace vireo {

// The options dialog "Vireo Options": six check boxes in three groups, the history limit, the
// OpenTelemetry receiver, "&Ok" and "&Cancel".
class TForm_Options : public QDialog {
    Q_OBJECT
public:
    // A dialog showing options and the receiver's; owner is the main window.
    TForm_Options(const ViewerOptions& options, const OtlpOptions& receiver, QWidget* owner);

    // The options as the check boxes now stand.
    ViewerOptions Options() const;
    // The receiver's options as the fields now stand.
    OtlpOptions Receiver() const;

    QCheckBox* CheckBox_ExpandMessages;   // "Expand All Message Nodes On Startup"
    QCheckBox* CheckBox_ExpandFilters;    // "Expand All Filters On Startup"
    QCheckBox* CheckBox_ShowLineNumbers;  // "Show Line Numbers in Code Window"
    QCheckBox* CheckBox_ShowMilliseconds; // "Show Milliseconds in Time Column"
    QCheckBox* CheckBox_SaveKeys;         // "Save User Key Marks"
    QCheckBox* CheckBox_SaveTracking;     // "Save Message Tracking (Expert Mode)"
    QSpinBox* SpinEdit_HistoryLimit;      // "Keep at most" N messages; 0: no limit
    QSpinBox* SpinEdit_HistoryMegabytes;  // "Memory limit" in megabytes; 0: no limit
    QCheckBox* CheckBox_OtlpReceiver;     // "&Receive OpenTelemetry Logs (OTLP/HTTP)"
    QLineEdit* Edit_OtlpAddress;          // "A&ddress" to listen on
    QSpinBox* SpinEdit_OtlpPort;          // "P&ort" to listen on
    QLineEdit* Edit_OtlpToken;            // "To&ken" asked of senders off loopback (read-only)
    QLabel* Label_OtlpProblem;            // why OK is refused, when it is
    QPushButton* Button_Ok;               // "&Ok": result OK unless the receiver's fields are wrong
    QPushButton* Button_Cancel;           // "&Cancel": result Cancel

private:
    QCheckBox* AddCheckBox(const char* name, const char* caption, bool checked);
    void CreateReceiverFields(const OtlpOptions& receiver);
    // Accepts unless the receiver's fields cannot be kept, which is then said in the dialog.
    void AcceptIfValid();
    QSpinBox* AddBound(const char* name, const QString& suffix, int value);
};

} // namespace vireo
