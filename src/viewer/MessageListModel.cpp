#include "viewer/MessageListModel.h"

#include "components/QtText.h"
#include "viewer/MessageColumns.h"
#include "viewer/MessageFind.h"
#include "viewer/MessageStore.h"

namespace vireo {

namespace {

constexpr int kTimeColumn = 4;

} // namespace

MessageListModel::MessageListModel(const MessageStore& store, QObject* parent)
    : TListViewExModel(parent), store_(store)
{
    for (const char* caption : kMessageColumnCaptions)
        AddColumn(QString::fromLatin1(caption));
}

const TTraceInfo& MessageListModel::MessageAt(int row) const
{
    return store_.Items(StoreIndex(row));
}

std::string_view MessageListModel::SortKey(int row, int column) const
{
    const TTraceInfo& message = MessageAt(row);
    switch (column) {
    case 6: return message.MessageID.view();
    case 7: return message.UnitFileName.view();
    default: return MessageColumnText(message, column);
    }
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return TListViewExModel::data(index, role);
    if (showMilliseconds_ && index.column() == kTimeColumn)
        return QtText(TimeWithMilliseconds(MessageAt(index.row())));
    return QtText(MessageDisplayText(SortKey(index.row(), index.column())));
}

void MessageListModel::PermuteRows(std::span<const int> order)
{
    std::vector<int> sorted;
    sorted.reserve(order.size());
    for (int from : order)
        sorted.push_back(rows_.at(static_cast<std::size_t>(from)));
    rows_ = std::move(sorted);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int MessageListModel::StateImage(int row) const
{
    return MessageTypeImage(MessageAt(row).MessageType);
}

void MessageListModel::AddMessageRow(int storeIndex)
{
    rows_.push_back(storeIndex);
    RowsAppended();
}

void MessageListModel::SetRows(std::vector<int> storeIndices)
{
    BeginResetRows();
    rows_ = std::move(storeIndices);
    EndResetRows();
}

std::string MessageListModel::SubItem(int row, int subItem) const
{
    return MessageSubItem(MessageAt(row), subItem);
}

SourceRequest MessageListModel::RequestForRow(int row) const
{
    const TTraceInfo& message = MessageAt(row);
    return SourceRequest{message.MessageID.str(), message.UnitFileName.str(), message.SequenceNumber};
}

void MessageListModel::SetShowMilliseconds(bool show)
{
    if (show == showMilliseconds_)
        return;
    showMilliseconds_ = show;
    if (rowCount() > 0)
        emit dataChanged(index(0, kTimeColumn), index(rowCount() - 1, kTimeColumn), {Qt::DisplayRole});
}

void MessageListModel::RefreshTypeIcons()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
}

} // namespace vireo
