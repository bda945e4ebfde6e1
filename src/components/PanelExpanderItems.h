#pragma once

#include "components/PacedFlush.h"

#include <QAbstractListModel>

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vireo {

// One entry of an expander: its caption, its checked state and the hidden value by which the
// owner finds it again.
class TMultiObj {
public:
    // An entry with a caption, a value and a state.
    TMultiObj(QString caption, std::string value, bool checked);

    // The text shown for the entry (and its accessible name).
    const QString& Caption() const { return caption_; }
    // The entry's value.
    const std::string& Value() const { return value_; }
    // Whether the entry is checked.
    bool Checked() const { return checked_; }

private:
    friend class TExpanderItems;
    QString caption_;
    std::string value_;
    bool checked_;
};

// The entries of an expander as a list model of checkable rows, one per entry, its caption shown.
// Adding an entry and finding one by value cost the same however many there are: the entries
// are held at once, and the views learn of added rows together, paced (TPacedFlush), since a list
// view lays out every row again on each announcement. A view's change of a row's check state is
// the user's and is reported through CheckChanged.
class TExpanderItems : public QAbstractListModel {
    Q_OBJECT
public:
    // A model without entries.
    explicit TExpanderItems(QObject* parent = nullptr);

    // Adds an entry, first when atTop is set (which views learn of at once), else last.
    void Add(QString caption, std::string value, bool checked, bool atTop);
    // Removes every entry.
    void Clear();
    // Number of entries, announced to views or not.
    int Count() const { return static_cast<int>(items_.size()); }
    // The entry at index (0 .. Count() - 1).
    const TMultiObj& Item(int index) const { return items_[static_cast<std::size_t>(index)]; }
    // Index of the first entry whose value equals value exactly, or -1.
    int IndexOfValue(std::string_view value) const;
    // Checked state of an entry; false for an index outside the entries.
    bool IsChecked(int index) const;
    // Sets every entry's state; reports no CheckChanged.
    void SetAllChecked(bool checked);
    // Announces the added rows to the views now instead of when the pacing allows.
    void FlushAddedRows();

    // Rows the views know of.
    int rowCount(const QModelIndex& parent = {}) const override;
    // The caption (also as accessible text) and the check state.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Rows are enabled, selectable and checkable by the user.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Takes a check state from a view; a change is reported through CheckChanged.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // The check state of the entry at row was changed through setData.
    void CheckChanged(int row);

private:
    std::deque<TMultiObj> items_; // never moved once added, so the keys below stay valid
    // Per value, the position of its first entry counted from where the first entry ever
    // added stood: an entry added at the top needs no other entry renumbered.
    std::unordered_map<std::string_view, long long> firstPosition_;
    long long front_ = 0; // position of items_.front()
    int announced_ = 0;
    TPacedFlush announce_;
};

} // namespace vireo
