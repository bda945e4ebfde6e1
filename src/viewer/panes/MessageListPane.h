#pragma once

#include "viewer/session/HighlightRules.h"
#include "viewer/session/MessageFind.h"
#include "viewer/session/QuickFilter.h"
#include "viewer/session/SourceNavigation.h"

#include <QWidget>

#include <array>
#include <optional>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;

namespace vireo {

class MessageListModel;
class MessageListing;
class MessageRateStrip;
class QuickFilterBar;
class TListViewEx;
class TimeColumns;
class TraceSession;

// The message pane: the list of what the listing lists, its menu (Hold List, the columns, the time
// mark, copying and finding), the quick filter and the find bar over it. It follows the listing's rows, scrolling to new ones
// unless held, and asks for a message's source on a double-click.
class MessageListPane : public QWidget {
    Q_OBJECT
public:
    // The pane over the session's messages as the listing lists them.
    MessageListPane(const TraceSession& session, MessageListing& listing, QWidget* parent = nullptr);

    // Lets the find commands and Ctrl+L (to the quick filter) work from anywhere in the window.
    void AddFindShortcutsTo(QWidget* window);
    // What the quick filter's field and toggles hold.
    QuickFilterSettings QuickFilterShown() const;
    // Puts settings in the quick filter, which the listing then applies.
    void SetQuickFilter(const QuickFilterSettings& settings);
    // The highlight rules the list's rows are coloured by.
    const std::vector<HighlightRule>& HighlightRulesShown() const;
    // Colours the list's rows by the rules (nothing is relisted).
    void SetHighlightRules(std::vector<HighlightRule> rules);
    // Shows or hides the list with its pane.
    void SetShown(bool shown);
    // Shows or hides the message-rate strip above the list.
    void SetRateShown(bool shown);
    // Whether the time column shows the milliseconds of the time stamp.
    void SetShowMilliseconds(bool show);
    // What the list shows now: its visible columns in their order (the time columns too), and the
    // milliseconds option.
    ShownColumns CurrentShownColumns() const;
    // Number of rows listed, announced to the list or not.
    int ListedCount() const;

    // Restores the columns' widths from the registry, a time column's visibility with its width;
    // throws the registry's error.
    void RestoreColumnWidths();
    // Saves the columns' widths, a hidden column as shown but a hidden time column as hidden;
    // throws the registry's error.
    void SaveColumnWidths();

signals:
    // A double-click asks for the source of the current row (none when no row is selected).
    void SourceRequested(const std::optional<vireo::SourceRequest>& request);

private:
    void CreateList();
    void CreateMenu();
    void CreateFindBar();
    void CreateFindCommands();
    void ColumnCommandClick(int column);
    void SetTimeMark();
    void FollowRow(int row);
    void FollowLastRowSoon();
    void FollowRebuiltRows();
    void SelectListedRow(int row);
    void RequestSource();
    void CopyMessageText();
    void ShowFindBar();
    void FindMessage(bool forward);
    void CloseFindBar();
    void CopyMessages();
    // Hands the quick filter, over the columns shown now, to the listing.
    void ApplyQuickFilter();

    const TraceSession& session_;
    MessageListing& listing_;
    QuickFilterBar* quickFilter_;
    MessageRateStrip* rate_;
    TListViewEx* list_;
    TimeColumns* times_;
    MessageListModel* rows_;
    QMenu* menu_;
    QAction* holdList_;
    bool followPending_ = false;
    std::array<QAction*, 8> columnItems_{};
    std::array<int, 8> savedColumnWidths_{}; // width each column gets back when shown again
    QAction* setTimeMark_;
    QAction* copyMessageText_;
    std::array<QAction*, 3> findCommands_{}; // Find..., Find Next, Find Previous
    QWidget* findBar_;
    QLineEdit* findText_;
    QCheckBox* findRegExp_;
    QLabel* findNotice_;
};

} // namespace vireo
