#include "components/ListViewExItems.h"

#include <stdexcept>

namespace vireo {

TListViewExItems::TListViewExItems(QObject* parent) : TListViewExModel(parent) {}

std::size_t TListViewExItems::Checked(int row) const
{
    if (row < 0 || row >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(row) + ")");
    return static_cast<std::size_t>(row);
}

void TListViewExItems::RowChanged(int row)
{
    if (row < rowCount() && columnCount() > 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int TListViewExItems::Add(std::string caption, std::vector<std::string> subItems, int stateImage)
{
    Row row;
    row.caption = std::move(caption);
    row.subItems = std::move(subItems);
    row.stateImage = stateImage;
    rows_.push_back(std::move(row));
    FlushAppendedRows();
    return Count() - 1;
}

void TListViewExItems::Delete(int row)
{
    const auto at = Checked(row);
    BeginRemoveStoredRows(row, row);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(at));
    EndRemoveStoredRows();
}

void TListViewExItems::Clear()
{
    BeginResetRows();
    rows_.clear();
    EndResetRows();
}

void TListViewExItems::SetCaption(int row, std::string caption)
{
    rows_.at(Checked(row)).caption = std::move(caption);
    RowChanged(row);
}

std::string_view TListViewExItems::SubItem(int row, int i) const
{
    const auto& subItems = rows_.at(Checked(row)).subItems;
    if (i < 0 || i >= static_cast<int>(subItems.size()))
        return {};
    return subItems[static_cast<std::size_t>(i)];
}

void TListViewExItems::SetSubItem(int row, int i, std::string text)
{
    auto& subItems = rows_.at(Checked(row)).subItems;
    if (i < 0)
        throw std::out_of_range("Sub-item index out of bounds (" + std::to_string(i) + ")");
    if (i >= static_cast<int>(subItems.size()))
        subItems.resize(static_cast<std::size_t>(i) + 1);
    subItems[static_cast<std::size_t>(i)] = std::move(text);
    RowChanged(row);
}

void TListViewExItems::SetStateImage(int row, int image)
{
    rows_.at(Checked(row)).stateImage = image;
    RowChanged(row);
}

void TListViewExItems::SetData(int row, QVariant data)
{
    rows_.at(Checked(row)).data = std::move(data);
}

std::string_view TListViewExItems::SortKey(int row, int column) const
{
    if (column == 0)
        return Caption(row);
    return SubItem(row, column - 1);
}

void TListViewExItems::PermuteRows(std::span<const int> order)
{
    if (order.size() != rows_.size())
        throw std::invalid_argument("Row order does not cover every row");
    std::vector<Content> moved;
    moved.reserve(order.size());
    for (int from : order)
        moved.push_back(std::move(rows_.at(Checked(from))));
    for (std::size_t r = 0; r < rows_.size(); ++r)
        static_cast<Content&>(rows_[r]) = std::move(moved[r]);
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int TListViewExItems::StateImage(int row) const
{
    return rows_.at(Checked(row)).stateImage;
}

Qt::ItemFlags TListViewExItems::flags(const QModelIndex& index) const
{
    Qt::ItemFlags result = TListViewExModel::flags(index);
    if (CaptionEditable && index.isValid() && index.column() == 0)
        result |= Qt::ItemIsEditable;
    return result;
}

bool TListViewExItems::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != 0 || !CaptionEditable)
        return false;
    SetCaption(index.row(), value.toString().toStdString());
    return true;
}

} // namespace vireo
