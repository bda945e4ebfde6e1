#pragma once

#include "viewer/session/KeyMarkRules.h"
#include "viewer/session/SourceNavigation.h"

#include <QWidget>

#include <optional>
#include <string>

class QAction;
class QMenu;
class QTreeView;

namespace vireo {

class KeyMarkBook;
class SourceLinesModel;
class TraceSession;
struct ViewerDialogs;

// The source pane: the lines of one unit, the line a message came from, and the key marks set
// on lines (a double-click toggles one; the menu adds one with a description).
class SourceWindowPane : public QWidget {
    Q_OBJECT
public:
    // The pane over the session's messages and key marks.
    SourceWindowPane(TraceSession& session, ViewerDialogs& dialogs, QWidget* parent = nullptr);
    ~SourceWindowPane() override;

    // Shows the unit of a message and selects the line holding its ID (none: no row selected);
    // what goes wrong is told in a box.
    void ShowMessageSource(const std::optional<SourceRequest>& request);
    // Brings a key mark's line into view (its unit loaded unmarked); whether it was revealed.
    bool ShowKeyMark(const KeyMark& mark);
    // Sets a plain key mark on the selected line, or removes the mark it has.
    void ToggleKeyMarkOnSelectedLine();
    // Empties the window ("Clear Source Window").
    void Clear();
    // Path of the unit shown; empty when none.
    const std::string& CurrentUnitFile() const { return currentUnitFile_; }

    // Whether the "Line Number" column shows (at start-up).
    void SetLineNumberColumn(bool shown);
    // Adds or removes the "Line Number" column after the option changed.
    void ApplyLineNumberOption(bool before, bool after);
    // Restores the columns' widths from the registry; throws the registry's error.
    void RestoreColumnWidths();
    // Saves the columns' widths; throws the registry's error.
    void SaveColumnWidths();

signals:
    // Text for the status bar.
    void StatusText(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Navigator;

    void CreateMenu();
    void LoadUnitSource(const std::string& path, UnitLines lines, bool markKeyMarks);
    void RevealSourceRow(int row, bool fromTop);
    void EnableMenu();
    int SelectedRow() const;
    void AddDescribedKeyMark();

    TraceSession& session_;
    KeyMarkBook& keyMarks_;
    ViewerDialogs& dialogs_;
    QTreeView* view_;
    SourceLinesModel* rows_;
    QMenu* menu_;
    QAction* addDescribed_;
    std::string currentUnitFile_;
};

} // namespace vireo
