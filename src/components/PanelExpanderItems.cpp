#include "components/PanelExpanderItems.h"

namespace vireo {

TMultiObj::TMultiObj(QString caption, std::string value, bool checked)
    : caption_(std::move(caption)), value_(std::move(value)), checked_(checked)
{
}

TExpanderItems::TExpanderItems(QObject* parent)
    : QAbstractListModel(parent), announce_(this, [this] { FlushAddedRows(); })
{
}

void TExpanderItems::Add(QString caption, std::string value, bool checked, bool atTop)
{
    if (!atTop) {
        items_.emplace_back(std::move(caption), std::move(value), checked);
        firstPosition_.try_emplace(items_.back().value_, front_ + Count() - 1);
        announce_.Request();
        return;
    }
    // Rows below the top shift; views must know every row before they hear of the shift.
    FlushAddedRows();
    beginInsertRows({}, 0, 0);
    items_.emplace_front(std::move(caption), std::move(value), checked);
    --front_;
    firstPosition_.insert_or_assign(items_.front().value_, front_);
    ++announced_;
    endInsertRows();
}

void TExpanderItems::Clear()
{
    beginResetModel();
    items_.clear();
    firstPosition_.clear();
    front_ = 0;
    announced_ = 0;
    endResetModel();
}

int TExpanderItems::IndexOfValue(std::string_view value) const
{
    const auto found = firstPosition_.find(value);
    return found == firstPosition_.end() ? -1 : static_cast<int>(found->second - front_);
}

bool TExpanderItems::IsChecked(int index) const
{
    return index >= 0 && index < Count() && Item(index).checked_;
}

void TExpanderItems::SetAllChecked(bool checked)
{
    for (TMultiObj& item : items_)
        item.checked_ = checked;
    if (announced_ > 0)
        emit dataChanged(index(0), index(announced_ - 1), {Qt::CheckStateRole});
}

void TExpanderItems::FlushAddedRows()
{
    if (Count() <= announced_)
        return;
    beginInsertRows({}, announced_, Count() - 1);
    announced_ = Count();
    endInsertRows();
}

int TExpanderItems::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : announced_;
}

QVariant TExpanderItems::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= announced_)
        return {};
    const TMultiObj& item = Item(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return item.caption_;
    case Qt::CheckStateRole:
        return item.checked_ ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

Qt::ItemFlags TExpanderItems::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
}

bool TExpanderItems::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= announced_)
        return false;
    TMultiObj& item = items_[static_cast<std::size_t>(index.row())];
    const bool checked = value.toInt() == Qt::Checked;
    if (checked == item.checked_)
        return true;
    item.checked_ = checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit CheckChanged(index.row());
    return true;
}

} // namespace vireo
