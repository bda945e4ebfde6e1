#pragma once

#include "components/ListViewExModel.h"
#include "viewer/session/KeyMarkBook.h"

namespace vireo {

// The rows of the key-marks list over the session's key marks: row i is mark i. The visible
// column "Key Marks" shows the caption; line number, unit and description are sub-items 0 to 2.
// The caption can be edited in place.
class KeyMarkListModel : public TListViewExModel {
    Q_OBJECT
public:
    // A list with the column "Key Marks" following the book.
    explicit KeyMarkListModel(KeyMarkBook& marks, QObject* parent = nullptr);

    // Caption for column 0, sub-item column - 1 otherwise.
    std::string_view SortKey(int row, int column) const override;
    // Moves whole key marks: a key mark has nothing that stays with the row position.
    void PermuteRows(std::span<const int> order) override;
    // The caption is editable in place.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Takes an edited caption.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

protected:
    int StoredRowCount() const override { return marks_.Count(); }

private:
    KeyMarkBook& marks_;
};

} // namespace vireo
