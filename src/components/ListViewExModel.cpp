#include "components/ListViewExModel.h"

#include "components/QtText.h"

#include <QTimer>

#include <algorithm>

namespace vireo {

TListViewExModel::TListViewExModel(QObject* parent) : QAbstractTableModel(parent) {}

bool TListViewExModel::SortsBy(int) const
{
    return true;
}

int TListViewExModel::StateImage(int) const
{
    return -1;
}

int TListViewExModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : announced_;
}

int TListViewExModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QVariant TListViewExModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= announced_)
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        return QtText(SortKey(index.row(), index.column()));
    }
    if (role == Qt::DecorationRole && index.column() == 0) {
        const int image = StateImage(index.row());
        if (image >= 0 && image < stateImages_.size())
            return stateImages_.at(image);
    }
    return {};
}

QVariant TListViewExModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= captions_.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return captions_.at(section);
    return {};
}

void TListViewExModel::AddColumn(const QString& caption)
{
    InsertColumn(static_cast<int>(captions_.size()), caption);
}

void TListViewExModel::InsertColumn(int index, const QString& caption)
{
    index = std::clamp(index, 0, static_cast<int>(captions_.size()));
    beginInsertColumns({}, index, index);
    captions_.insert(index, caption);
    endInsertColumns();
}

void TListViewExModel::SetStateImages(const QList<QIcon>& icons)
{
    stateImages_ = icons;
    if (announced_ > 0 && !captions_.isEmpty())
        emit dataChanged(index(0, 0), index(announced_ - 1, 0), {Qt::DecorationRole});
}

void TListViewExModel::FlushAppendedRows()
{
    const int stored = StoredRowCount();
    if (stored <= announced_)
        return;
    beginInsertRows({}, announced_, stored - 1);
    announced_ = stored;
    endInsertRows();
    sinceAnnounced_.start();
}

void TListViewExModel::RowsAppended()
{
    if (flushQueued_)
        return;
    flushQueued_ = true;
    AnnounceAppendedRowsLater();
}

qint64 TListViewExModel::NanosecondsUntilAnnouncing() const
{
    constexpr qint64 pauseFactor = 9;
    constexpr qint64 shortestPauseNs = 1'000'000;
    constexpr qint64 longestPauseNs = 1'000'000'000;
    const qint64 pauseNs = std::min(longestPauseNs, pauseFactor * (layoutCostNs_ + paintCostNs_));
    return pauseNs >= shortestPauseNs && sinceAnnounced_.isValid() ? pauseNs - sinceAnnounced_.nsecsElapsed() : 0;
}

void TListViewExModel::AnnounceAppendedRowsLater()
{
    const auto announce = [this] {
        if (NanosecondsUntilAnnouncing() > 0) { // rows were removed meanwhile: a layout is due anyway
            AnnounceAppendedRowsLater();
            return;
        }
        flushQueued_ = false;
        FlushAppendedRows();
    };
    const qint64 waitNs = NanosecondsUntilAnnouncing();
    if (waitNs <= 0)
        QMetaObject::invokeMethod(this, announce, Qt::QueuedConnection);
    else
        QTimer::singleShot(static_cast<int>((waitNs + 999'999) / 1'000'000), Qt::PreciseTimer, this,
                           announce);
}

void TListViewExModel::BeginRemoveStoredRows(int first, int last)
{
    FlushAppendedRows();
    beginRemoveRows({}, first, last);
}

void TListViewExModel::EndRemoveStoredRows()
{
    announced_ = StoredRowCount();
    endRemoveRows();
    sinceAnnounced_.start();
}

void TListViewExModel::BeginResetRows()
{
    beginResetModel();
}

void TListViewExModel::EndResetRows()
{
    announced_ = StoredRowCount();
    layoutCostNs_ = 0;
    paintCostNs_ = 0;
    endResetModel();
}

} // namespace vireo
