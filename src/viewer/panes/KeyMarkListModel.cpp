#include "viewer/panes/KeyMarkListModel.h"

namespace vireo {

KeyMarkListModel::KeyMarkListModel(KeyMarkBook& marks, QObject* parent) : TListViewExModel(parent), marks_(marks)
{
    AddColumn(QStringLiteral("Key Marks"));
    // A mark set from the source window shows at once, not at the end of the turn.
    connect(&marks, &KeyMarkBook::Added, this, &KeyMarkListModel::FlushAppendedRows);
    connect(&marks, &KeyMarkBook::AboutToRemove, this, [this](int index) { BeginRemoveStoredRows(index, index); });
    connect(&marks, &KeyMarkBook::Removed, this, &KeyMarkListModel::EndRemoveStoredRows);
    connect(&marks, &KeyMarkBook::AboutToReset, this, &KeyMarkListModel::BeginResetRows);
    connect(&marks, &KeyMarkBook::Reset, this, &KeyMarkListModel::EndResetRows);
    connect(&marks, &KeyMarkBook::CaptionChanged, this, [this](int row) { emit dataChanged(index(row, 0), index(row, 0)); });
}

std::string_view KeyMarkListModel::SortKey(int row, int column) const
{
    const KeyMark& mark = marks_.At(row);
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
    marks_.Permute(order);
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
    marks_.SetCaption(index.row(), value.toString().toStdString());
    return true;
}

} // namespace vireo
