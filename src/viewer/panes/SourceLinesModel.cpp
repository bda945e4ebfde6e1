#include "viewer/panes/SourceLinesModel.h"

namespace vireo {

SourceLinesModel::SourceLinesModel(QObject* parent) : QAbstractTableModel(parent) {}

int SourceLinesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

int SourceLinesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : (lineNumbers_ ? 2 : 1);
}

QVariant SourceLinesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        if (index.column() == 1)
            return QString::number(index.row() + 1);
        return QString::fromStdString(LineText(index.row()));
    }
    if (role == Qt::DecorationRole && index.column() == 0 && HasKeyMarkImage(index.row()))
        return keyMarkIcon_;
    return {};
}

QVariant SourceLinesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == 0)
        return UnitCaption();
    if (section == 1 && lineNumbers_)
        return QStringLiteral("Line Number");
    return {};
}

QString SourceLinesModel::UnitCaption() const
{
    return QStringLiteral("Unit Name : ")
        + (unit_.empty() ? QStringLiteral("<No Unit Name>") : QString::fromStdString(unit_));
}

void SourceLinesModel::LoadUnitSource(const std::string& path, UnitLines lines,
                                      const KeyMarkList* marks)
{
    beginResetModel();
    lines_ = std::move(lines);
    if (marks)
        marked_ = KeyMarkedLines(*marks, lines_, path);
    else
        marked_.assign(lines_.size(), false);
    unit_ = path;
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void SourceLinesModel::ClearRows(bool resetCaption)
{
    beginResetModel();
    lines_.clear();
    marked_.clear();
    if (resetCaption)
        unit_.clear();
    endResetModel();
    if (resetCaption)
        emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void SourceLinesModel::SetLineNumberColumn(bool present)
{
    if (present == lineNumbers_)
        return;
    if (present) {
        beginInsertColumns({}, 1, 1);
        lineNumbers_ = true;
        endInsertColumns();
    } else {
        beginRemoveColumns({}, 1, 1);
        lineNumbers_ = false;
        endRemoveColumns();
    }
}

void SourceLinesModel::SetKeyMarkImage(int row, bool marked)
{
    if (row < 0 || row >= rowCount())
        return;
    marked_[static_cast<std::size_t>(row)] = marked;
    emit dataChanged(index(row, 0), index(row, 0), {Qt::DecorationRole});
}

void SourceLinesModel::ClearKeyMarkImages()
{
    marked_.assign(lines_.size(), false);
    if (!lines_.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
}

bool SourceLinesModel::HasKeyMarkImage(int row) const
{
    return row >= 0 && row < rowCount() && marked_[static_cast<std::size_t>(row)];
}

} // namespace vireo
