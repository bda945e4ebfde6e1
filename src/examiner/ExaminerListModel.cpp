#include "examiner/ExaminerListModel.h"

#include "examiner/AddOnRules.h"

namespace vireo {

ExaminerListModel::ExaminerListModel(const ExaminerModel& examiner, ExaminerListKind kind, QIcon instrumentedMark,
                                     QObject* parent)
    : QAbstractTableModel(parent), examiner_(examiner), kind_(kind), instrumentedMark_(std::move(instrumentedMark))
{
}

void ExaminerListModel::Refresh()
{
    beginResetModel();
    endResetModel();
}

int ExaminerListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(List().size());
}

int ExaminerListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(ExaminerListColumns(kind_).size());
}

QVariant ExaminerListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ExaminerItem& item = List()[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return QString::fromStdString(
            ExaminerCellText(kind_, item, index.column(), examiner_.CurrentUnitName()));
    case Qt::DecorationRole:
        return index.column() == 0 && item.instrumented ? QVariant(instrumentedMark_) : QVariant();
    case StateImageRole:
        return item.instrumented ? 0 : -1;
    default:
        return {};
    }
}

QVariant ExaminerListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const auto columns = ExaminerListColumns(kind_);
    if (orientation != Qt::Horizontal || section < 0 || std::size_t(section) >= columns.size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    const std::string_view caption = columns[std::size_t(section)].caption;
    return QString::fromLatin1(caption.data(), qsizetype(caption.size()));
}

} // namespace vireo
