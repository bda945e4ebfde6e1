#pragma once

#include "viewer/session/MessageAdmission.h"
#include "viewer/session/TrackRules.h"

#include <QObject>

#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace vireo {

class TraceSession;

// What the message list shows: the store indices of the listed messages, in the list's order,
// kept by the one listing rule for arriving messages and for rebuilds alike. It follows the
// session (appended, dropped, cleared) and the view's choices: the selected tree node, the page,
// the filter panels' checks and the selected track. Rebuilds are one pass over the store.
class MessageListing : public QObject {
    Q_OBJECT
public:
    // Check states of the filter panels, asked for when first needed after a change.
    using FilterSource = std::function<FilterSnapshot()>;

    // Lists the session's messages; nothing until a node is selected.
    explicit MessageListing(const TraceSession& session, QObject* parent = nullptr);

    // Where the filter panels' checks come from.
    void SetFilterSource(FilterSource source) { filterSource_ = std::move(source); }

    // The tree's current node changed (none: nothing is listed): relists for it on the page.
    void SelectNode(std::optional<TreeNodeRule> node);
    // Whether the current node is also selected: only then do arriving messages pass it.
    void SetNodeSelected(bool selected);
    // The page changed without a relisting (the program chose it).
    void SetPage(ListPage page);
    // The user chose a page: relists as it asks (the node's messages, the filters', none, the
    // track's).
    void ChoosePage(ListPage page);
    // The selected track changed (none: no track or a root); relists when "Tracking" is active.
    void SelectTrack(std::optional<TrackMatcher> track);
    // A filter check changed: relists by the filters alone.
    void FiltersChanged();
    // The quick filter changed (its text, toggles or the columns it looks at): relists the page.
    void SetQuickFilter(QuickFilter filter);
    // The quick filter in force.
    const QuickFilter& Quick() const { return quick_; }
    // The filter panels gained or lost entries: their checks are read again when next needed.
    void ForgetFilters();

    // The active page.
    ListPage Page() const { return page_; }
    // Store indices of the listed messages, in the list's order.
    const std::vector<int>& Rows() const { return rows_; }
    // Reorders the rows so that row i then holds what row order[i] held (the list was sorted).
    void PermuteRows(std::span<const int> order);
    // The listed store indices in arrival order (ascending), however the rows are sorted.
    const std::vector<int>& ArrivalRows() const { return arrivalRows_ ? *arrivalRows_ : rows_; }
    // The listed store index just before storeIndex in arrival order, however the rows are
    // sorted; -1 when none is. O(log n).
    int PreviousListed(int storeIndex) const;
    // The row that lists the message at a store index; -1 when it is not listed. O(log n) in
    // arrival order, O(n) while the rows are sorted.
    int RowOf(int storeIndex) const;

signals:
    // Every row is about to be replaced (a relisting); RowsReplaced follows.
    void RowsAboutToBeReplaced();
    // Every row was replaced.
    void RowsReplaced();
    // Rows were appended at the end.
    void RowsAppended();
    // The first count rows are about to go (their messages were dropped); FirstRowsRemoved follows.
    void FirstRowsAboutToBeRemoved(int count);
    // The rows announced by FirstRowsAboutToBeRemoved are gone; the others moved up.
    void FirstRowsRemoved();

private:
    void Append(int first, int last);
    void PrepareDrop(int count);
    void Drop(int count);
    void Replace(std::vector<int> rows);
    void ListFor(const TreeNodeRule& node, ListPage page);
    void ListByFilters();
    void ListTracked();
    void Relist();
    const FilterSnapshot* FiltersFor(ListPage page);
    ListingRule::TrackTest TrackTest() const;
    const ListingRule& ArrivalRule();

    const TraceSession& session_;
    FilterSource filterSource_;
    std::optional<TreeNodeRule> node_;
    bool nodeSelected_ = false;
    ListPage page_ = ListPage::Messages;
    std::optional<TrackMatcher> track_;
    QuickFilter quick_{QuickFilterSettings{}, ShownColumns{}};
    std::optional<FilterSnapshot> filters_;
    std::optional<ListingRule> arrivalRule_;
    std::vector<int> rows_;
    // While the rows are sorted (permuted), the same store indices in arrival order; rows_ is in
    // arrival order otherwise, as listing and appending keep it.
    std::optional<std::vector<int>> arrivalRows_;
    int leadingDropped_ = -1; // rows a drop takes from the front; -1 when it relists instead
};

} // namespace vireo
