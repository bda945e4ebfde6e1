#pragma once

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QIcon>
#include <QList>
#include <QStringList>

#include <span>
#include <string_view>

namespace vireo {

// The rows of a TListViewEx. A row has a caption (column 0) and sub-items (column c shows
// sub-item c - 1); a model may carry more sub-items than it shows as columns. Rows may be
// indices into a large store: the model never needs one object per row.
// Appended rows are announced to views together, at the end of the event-loop turn. A tree view
// re-lays out every row after an insertion and then repaints; once that takes a view more than
// about 0.1 ms, the next announcement waits until nine times that has passed since the previous
// one, which keeps the work a small share of the time however fast rows arrive and however many
// there are. A model no view has reported on announces at the end of every turn. Owners that
// follow new rows (scroll to them) do so on rowsInserted.
class TListViewExModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // A model without columns or rows.
    explicit TListViewExModel(QObject* parent = nullptr);

    // The text of a row for a column: its caption for column 0, its sub-item column - 1
    // otherwise, empty when the row has no such sub-item. Must not allocate; the view stays
    // valid until the model changes.
    virtual std::string_view SortKey(int row, int column) const = 0;

    // Moves row contents so that row r then holds what row order[r] held (order is a
    // permutation of all rows). Captions and sub-items move; state images, check marks and
    // attached data stay with the row position. Views learn of it through dataChanged.
    virtual void PermuteRows(std::span<const int> order) = 0;

    // Whether clicking a column's header sorts the rows by it; a column whose texts are not
    // keys (computed on the fly, or numbers that text order would scramble) may say no.
    virtual bool SortsBy(int column) const;

    // State image index of a row (-1 for none); it stays with the row position.
    virtual int StateImage(int row) const;

    // Rows the views know of (appended rows join at the end of the event-loop turn).
    int rowCount(const QModelIndex& parent = {}) const final;
    // Number of visible columns.
    int columnCount(const QModelIndex& parent = {}) const final;
    // Display text from SortKey, the state image as decoration of column 0.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Column captions, also as the sections' accessible names.
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Appends a visible column with the given caption.
    void AddColumn(const QString& caption);
    // Inserts a visible column before index.
    void InsertColumn(int index, const QString& caption);
    // Caption of a visible column.
    QString ColumnCaption(int index) const { return captions_.value(index); }

    // The icons that state images index into.
    void SetStateImages(const QList<QIcon>& icons);

    // Announces appended rows now instead of at the end of the event-loop turn.
    void FlushAppendedRows();

    // Views report how long laying out all rows and painting took; it paces the announcements.
    void NoteLayoutCost(qint64 nanoseconds) { layoutCostNs_ = nanoseconds; }
    void NotePaintCost(qint64 nanoseconds) { paintCostNs_ = nanoseconds; }

protected:
    // Every row held, announced or not.
    virtual int StoredRowCount() const = 0;

    // To call after rows were appended to the storage: views learn of them once per turn.
    void RowsAppended();
    // To call around removing rows first .. last from the storage.
    void BeginRemoveStoredRows(int first, int last);
    void EndRemoveStoredRows();
    // To call around replacing or emptying the whole storage.
    void BeginResetRows();
    void EndResetRows();

private:
    // How long until appended rows may be announced: views lay out every row after each
    // announcement, so announcements (removals included) are spaced to keep that a small share.
    qint64 NanosecondsUntilAnnouncing() const;
    void AnnounceAppendedRowsLater();

    int announced_ = 0;
    bool flushQueued_ = false;
    qint64 layoutCostNs_ = 0;
    qint64 paintCostNs_ = 0;
    QElapsedTimer sinceAnnounced_;
    QStringList captions_;
    QList<QIcon> stateImages_;
};

} // namespace vireo
