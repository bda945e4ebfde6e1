#pragma once

#include "components/ListViewExModel.h"
#include "viewer/KeyMarkRules.h"

namespace vireo {

// The rows of ListViewEx_KeyMarks and the one store of the key marks: row i is mark i. The
// visible column "Key Marks" shows the caption; line number, unit and description are
// sub-items 0 to 2. The caption can be edited in place.
class KeyMarkListModel : public TListViewExModel {
    Q_OBJECT
public:
    // An empty list with the column "Key Marks".
    explicit KeyMarkListModel(QObject* parent = nullptr);

    // The key marks in list order, for the rules to read.
    const KeyMarkList& Marks() const { return marks_; }
    // Appends a key mark; the view learns of it at once.
    void Add(KeyMark mark);
    // Removes the key mark at index.
    void Delete(int row);
    // Replaces every key mark.
    void Assign(KeyMarkList marks);

    // Caption for column 0, sub-item column - 1 otherwise.
    std::string_view SortKey(int row, int column) const override;
    // Moves whole key marks: a key mark has nothing that stays with the row position.
    void PermuteRows(std::span<const int> order) override;
    // The caption is editable in place.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Takes an edited caption.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

protected:
    int StoredRowCount() const override { return static_cast<int>(marks_.size()); }

private:
    KeyMarkList marks_;
};

} // namespace vireo
