#pragma once

#include "examiner/DebugCodeInserter.h"

#include <QDialog>

#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

namespace vireo {

// The Review window: an editable copy of the working text as it would be saved. What the user
// types there is thrown away with the window.
class TForm_Review : public QDialog {
    Q_OBJECT
public:
    // An empty review owned by the examiner window.
    explicit TForm_Review(QWidget* owner);

    // Shows the lines in order, reporting each appended line to progress.
    void LoadLines(const std::vector<std::string>& lines, const ExaminerProgress& progress);

    QPlainTextEdit* RichEdit_FileName; // the copy of the working text
    QPushButton* Button1;              // "&Close"
};

} // namespace vireo
