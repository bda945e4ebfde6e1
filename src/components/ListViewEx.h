#pragma once

#include "components/ListViewExModel.h"
#include "components/ListViewExTypeAhead.h"

#include <QPointer>
#include <QTreeView>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace vireo {

// The sort mark: a filled black triangle in the upper-right half of its box. A child of the
// list raised above its header, at the sort column's right end; being the list's own child,
// it moves and hides with the list and never joins the parent's layout or splitter panes.
class TListViewExTag : public QWidget {
    Q_OBJECT
public:
    // A mark on parent, 0 wide until it is first placed.
    explicit TListViewExTag(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A report list that sorts itself when a column header is clicked, marks the sort column,
// finds rows by typing the beginning of their text and reports the end of every sort.
// Its rows come from a TListViewExModel; whole rows are selected.
class TListViewEx : public QTreeView {
    Q_OBJECT
public:
    // A list with whole-row selection, single selection and editable captions.
    explicit TListViewEx(QWidget* parent = nullptr);

    // Shows a TListViewExModel (any other model is refused with std::invalid_argument).
    void setModel(QAbstractItemModel* model) override;
    // The model shown, or null.
    TListViewExModel* Model() const { return model_; }

    // Sorts every row by a column: the same column again inverts the direction, another one
    // sorts ascending. Selection moves with the rows' contents; OnAfterSort is called at the end.
    void SortByColumn(int column);
    // Column last sorted by (0 at first).
    int SortColumn() const { return sortColumn_; }
    // Direction of the last sort (descending at first).
    bool SortAscending() const { return sortAscending_; }

    // Creates the sort mark if needed, then places it at the sort column or hides it.
    void UpdateSortMark();
    // The sort mark, or null while it does not exist.
    TListViewExTag* SortMark() const { return mark_; }

    // Called after every sort with the list and the sorted column.
    std::function<void(TListViewEx& sender, int& column)> OnAfterSort;

    // Lowest selected row, or -1.
    int SelectedRow() const;
    // Selects one row alone, makes it current and scrolls it fully into view.
    void SelectRow(int row);

    // Whether in-place editing of captions is off.
    bool ReadOnly() const { return editTriggers() == NoEditTriggers; }
    void SetReadOnly(bool readOnly);

    // Replaces the millisecond clock that type-ahead reads (tests use their own).
    void SetTickSource(std::function<int64_t()> tickSource) { tickSource_ = std::move(tickSource); }

    // Type-ahead: finds the first row at or below the selected one whose key in the sort
    // column begins with what was typed.
    void keyboardSearch(const QString& search) override;

    // Lays out all rows and tells the model what that cost (painting does the same).
    void doItemsLayout() override;

    // Repaints changed rows; a change over more rows than a screen holds repaints the whole
    // viewport instead of measuring each row (which costs about a microsecond a row).
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void HeaderClicked(int column);
    void ColumnsInserted();
    void DestroySortMark();
    void SelectMovedRows(const std::vector<int>& rows);

    QPointer<TListViewExModel> model_; // null again once the model is destroyed
    int sortColumn_ = 0;
    bool sortAscending_ = false;
    bool headerTracking_ = false;
    TTypeAhead typeAhead_;
    std::function<int64_t()> tickSource_;
    QPointer<TListViewExTag> mark_;
};

} // namespace vireo
