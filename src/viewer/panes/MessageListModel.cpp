#include "viewer/panes/MessageListModel.h"

#include "components/QtText.h"
#include "viewer/session/MessageColumns.h"
#include "viewer/session/MessageFind.h"
#include "viewer/session/MessageListing.h"
#include "viewer/session/MessageStore.h"
#include "viewer/session/TimeColumns.h"

#include <QBrush>
#include <QColor>

#include <algorithm>

namespace vireo {

namespace {

constexpr int kTimeColumn = 4;

} // namespace

MessageListModel::MessageListModel(const MessageStore& store, MessageListing& listing, const TimeColumns& times,
                                   QObject* parent)
    : TListViewExModel(parent), store_(store), listing_(listing), times_(times)
{
    for (const char* caption : kMessageColumnCaptions)
        AddColumn(QString::fromLatin1(caption));
    connect(&listing, &MessageListing::RowsAboutToBeReplaced, this, &MessageListModel::BeginResetRows);
    connect(&listing, &MessageListing::RowsReplaced, this, &MessageListModel::EndResetRows);
    connect(&listing, &MessageListing::RowsAppended, this, &MessageListModel::RowsAppended);
    connect(&listing, &MessageListing::FirstRowsAboutToBeRemoved, this,
            [this](int count) { BeginRemoveStoredRows(0, count - 1); });
    connect(&listing, &MessageListing::FirstRowsRemoved, this, &MessageListModel::EndRemoveStoredRows);
    // A clear frees the pooled texts the rules matched and numbers messages anew.
    connect(&listing, &MessageListing::RowsAboutToBeReplaced, this, &MessageListModel::ForgetHighlights);
    connect(&times, &TimeColumns::MarkChanged, this, [this] {
        if (rowCount() > 0)
            emit dataChanged(index(0, kSinceMarkColumn), index(rowCount() - 1, kSinceMarkColumn), {Qt::DisplayRole});
    });
}

int MessageListModel::RowTotal() const
{
    return static_cast<int>(listing_.Rows().size());
}

int MessageListModel::StoreIndex(int row) const
{
    return listing_.Rows().at(static_cast<std::size_t>(row));
}

TTraceInfo MessageListModel::MessageAt(int row) const
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
    if ((role == Qt::ForegroundRole || role == Qt::BackgroundRole || role == Qt::AccessibleDescriptionRole)
        && index.isValid() && index.row() < rowCount())
        return HighlightData(index.row(), role);
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return TListViewExModel::data(index, role);
    if (showMilliseconds_ && index.column() == kTimeColumn)
        return QtText(TimeWithMilliseconds(MessageAt(index.row())));
    if (index.column() >= kMessageColumnCount)
        return QtText(times_.Text(StoreIndex(index.row()), index.column()));
    return QtText(MessageDisplayText(SortKey(index.row(), index.column())));
}

QVariant MessageListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section == kDeltaColumn && role == Qt::ToolTipRole)
        return QStringLiteral("Seconds since the previous listed message, in arrival order");
    return TListViewExModel::headerData(section, orientation, role);
}

bool MessageListModel::SortsBy(int column) const
{
    return column < kMessageColumnCount;
}

void MessageListModel::PermuteRows(std::span<const int> order)
{
    listing_.PermuteRows(order);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int MessageListModel::StateImage(int row) const
{
    return MessageTypeImage(MessageAt(row).MessageType);
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

QVariant MessageListModel::HighlightData(int row, int role) const
{
    if (!highlights_.Active())
        return {};
    const TTraceInfo& message = MessageAt(row);
    HighlightMemo& memo = highlightMemo_[static_cast<std::size_t>(message.SequenceNumber) % highlightMemo_.size()];
    if (memo.Sequence != message.SequenceNumber)
        memo = {message.SequenceNumber, highlights_.Match(message)};
    if (memo.Rule < 0)
        return {};
    const HighlightRule& rule = highlights_.List()[static_cast<std::size_t>(memo.Rule)];
    if (role == Qt::AccessibleDescriptionRole)
        return QStringLiteral("Highlighted: %1").arg(HighlightCaption(rule));
    const RuleColor color = role == Qt::ForegroundRole ? rule.Foreground : rule.Background;
    return color ? QVariant(QBrush(QColor::fromRgba(*color))) : QVariant();
}

void MessageListModel::SetHighlightRules(HighlightRules rules, int first, int last)
{
    highlights_ = std::move(rules);
    ForgetHighlights();
    // A view answers a change by uniting the rectangles of every row named: a million rows would
    // cost it a second, for rows it does not draw and asks for anew when they come into view.
    first = std::max(first, 0);
    last = std::min(last, rowCount() - 1);
    if (first <= last)
        emit dataChanged(index(first, 0), index(last, columnCount() - 1),
                         {Qt::ForegroundRole, Qt::BackgroundRole, Qt::AccessibleDescriptionRole});
}

void MessageListModel::ForgetHighlights()
{
    highlightMemo_.fill({});
    highlights_.Forget();
}

void MessageListModel::RefreshTypeIcons()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
}

} // namespace vireo
