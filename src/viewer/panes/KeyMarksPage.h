#pragma once

#include <QWidget>

class QAction;
class QLabel;
class QMenu;

namespace vireo {

class KeyMarkBook;
class KeyMarkListModel;
class SourceWindowPane;
class TListViewEx;
struct ViewerDialogs;

// The "User Key Marks" page: the list of key marks, the unit and line of the selected one, and
// its menu. A double-click shows a mark's line in the source pane.
class KeyMarksPage : public QWidget {
    Q_OBJECT
public:
    // The page over the key marks, navigating in the source pane.
    KeyMarksPage(KeyMarkBook& marks, SourceWindowPane& source, ViewerDialogs& dialogs, QWidget* parent = nullptr);

    // Removes every key mark ("Clears All Key Marks", "Clear All User Key Marks").
    void ClearAll();
    // Reads the stored key marks; a failure is told once the window is up.
    void LoadKeyMarks();
    // Replaces the stored key marks; a failure is told in a box.
    void SaveKeyMarks();
    // Restores the list's column widths from the registry; throws the registry's error.
    void RestoreColumnWidths();
    // Saves the list's column widths; throws the registry's error.
    void SaveColumnWidths();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreatePanel();
    void CreateMenu();
    void ShowSelectedMark();
    void ShowMarkedLine();
    void EnableMenu();
    void ClearSelectedMark();

    KeyMarkBook& marks_;
    SourceWindowPane& source_;
    ViewerDialogs& dialogs_;
    TListViewEx* list_;
    KeyMarkListModel* rows_;
    QLabel* unitName_;
    QLabel* lineNumber_;
    QMenu* menu_;
    QAction* clearMark_;
    QAction* clearAll_;
};

} // namespace vireo
