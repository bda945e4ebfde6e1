#pragma once

#include "components/ListViewExModel.h"
#include "intake/TraceInfo.h"
#include "viewer/session/HighlightRules.h"
#include "viewer/session/SourceNavigation.h"

#include <array>
#include <string>
#include <vector>

namespace vireo {

class MessageListing;
class MessageStore;
class TimeColumns;

// The message list over the store: row i shows the message at the listing's store index i, never
// a copy of its texts. Row texts and the type icon are read from the message; rows the listing
// appends reach the views paced by the list view model, so an intake does no view work that grows
// with the row count.
class MessageListModel : public TListViewExModel {
    Q_OBJECT
public:
    // A model with the eight columns of the message list, showing what the listing lists and the
    // time columns' texts.
    MessageListModel(const MessageStore& store, MessageListing& listing, const TimeColumns& times,
                     QObject* parent = nullptr);

    // Caption (column 0) or sub-item column - 1 of a row; the type and sequence number, held as
    // numbers, have no text here (SubItem gives them).
    std::string_view SortKey(int row, int column) const override;
    // Reorders the listing's rows.
    void PermuteRows(std::span<const int> order) override;
    // Every column but the time columns, whose texts are made on the fly.
    bool SortsBy(int column) const override;
    // The type icon of the row's message.
    int StateImage(int row) const override;
    // As the list view model's, but a long text (any client may send one) shows as its bounded
    // display text, and the time column with milliseconds when asked; a row a highlight rule
    // matches has the rule's colours and an accessible description naming it.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // As the list view model's, with a tooltip saying what the Delta column measures.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Every row listed, announced to the views or not.
    int RowTotal() const;
    // The store index shown by a row.
    int StoreIndex(int row) const;
    // Sub-item 0 to 8 of a row.
    std::string SubItem(int row, int subItem) const;
    // What a double-click on the row hands to the source window (sub-items 5, 6 and 8).
    SourceRequest RequestForRow(int row) const;
    // The whole message text of a row, however long (the list shows a prefix of a long one).
    std::string_view MessageText(int row) const { return MessageAt(row).MessageStr; }

    // Whether the time column shows the milliseconds of the time stamp (sorting is unchanged).
    void SetShowMilliseconds(bool show);
    // Whether the time column shows milliseconds.
    bool ShowsMilliseconds() const { return showMilliseconds_; }

    // Re-reads every row's type icon (after a sort).
    void RefreshTypeIcons();

    // Puts highlight rules in force; rows first to last (those shown) are drawn again with their
    // colours, the others as they come into view. Nothing is relisted.
    void SetHighlightRules(HighlightRules rules, int first, int last);
    // The highlight rules in force.
    const HighlightRules& Highlights() const { return highlights_; }

protected:
    int StoredRowCount() const override { return RowTotal(); }

private:
    TTraceInfo MessageAt(int row) const;
    QVariant HighlightData(int row, int role) const;
    void ForgetHighlights();

    const MessageStore& store_;
    MessageListing& listing_;
    const TimeColumns& times_;
    bool showMilliseconds_ = false;
    HighlightRules highlights_;
    // The rule of recently drawn rows by their messages' numbers (store indices move as the oldest
    // messages go): each cell of a row asks for its colours, and a repaint redraws the same rows,
    // so a row is matched once while it stays in view, however long its text.
    struct HighlightMemo {
        int Sequence = -1;
        int Rule = -1;
    };
    mutable std::array<HighlightMemo, 256> highlightMemo_{};
};

} // namespace vireo
