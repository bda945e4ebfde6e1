#include "viewer/KeyMarkListModel.h"

#include <stdexcept>

namespace vireo {

KeyMarkListModel::KeyMarkListModel(QObject* parent) : TListViewExModel(parent)
{
    AddColumn(QStringLiteral("Key Marks"));
}

void KeyMarkListModel::Add(KeyMark mark)
{
    marks_.push_back(std::move(mark));
    FlushAppendedRows();
}

void KeyMarkListModel::Delete(int row)
{
    if (row < 0 || row >= StoredRowCount())
        throw std::out_of_range("List index out of bounds (" + std::to_string(row) + ")");
    BeginRemoveStoredRows(row, row);
    marks_.erase(marks_.begin() + row);
    EndRemoveStoredRows();
}

void KeyMarkListModel::Assign(KeyMarkList marks)
{
    BeginResetRows();
    marks_ = std::move(marks);
    EndResetRows();
}

std::string_view KeyMarkListModel::SortKey(int row, int column) const
{
    const KeyMark& mark = marks_.at(static_cast<std::size_t>(row));
    switch (column) {
    case 0: return mark.Caption;
    case 1: return mark.LineNumber;
    case 2: return mark.UnitName;
    case 3: return mark.Description;
    default: return {};
    }
}

void KeyMarkListModel::PermuteRows(std::span<const int> order)
{
    if (order.size() != marks_.size())
        throw std::invalid_argument("Row order does not cover every row");
    KeyMarkList moved;
    moved.reserve(order.size());
    for (const int from : order)
        moved.push_back(std::move(marks_.at(static_cast<std::size_t>(from))));
    marks_ = std::move(moved);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

Qt::ItemFlags KeyMarkListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags result = TListViewExModel::flags(index);
    if (index.isValid() && index.column() == 0)
        result |= Qt::ItemIsEditable;
    return result;
}

bool KeyMarkListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != 0 || index.row() >= StoredRowCount())
        return false;
    marks_[static_cast<std::size_t>(index.row())].Caption = value.toString().toStdString();
    emit dataChanged(index, index);
    return true;
}

} // namespace vireo
