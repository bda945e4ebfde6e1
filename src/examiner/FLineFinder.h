#pragma once

#include "examiner/DebugCodeInserter.h"

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QToolButton;

namespace vireo {

// The Line Finder: the working text of the examiner's unit, one row per line, with one line
// selected. It changes nothing.
class TForm_LineFinder : public QDialog {
    Q_OBJECT
public:
    // An empty finder owned by the examiner window.
    explicit TForm_LineFinder(QWidget* owner);

    // Fills the list with the lines in order, reporting each appended line to progress.
    void LoadLines(const std::vector<std::string>& lines, const ExaminerProgress& progress);
    // Selects line L (with about ten lines below it in view) and shows L in both labels.
    void ShowLine(int line);

    QLabel* Label_LineNum;          // the line number the finder was opened for
    QToolButton* SpeedButton1;      // selects that line again
    QLabel* Label_CurrentLine;      // the number of the selected line
    QListWidget* ListBox_UnitFile;  // row i is line i + 1
    QPushButton* Button1;           // "&Close"

public slots:
    // Shows the selected row's line number as the current line.
    void ListBox_UnitFileClick();
    // Selects the line of Label_LineNum again.
    void SpeedButton1Click();
};

} // namespace vireo
