#include "viewer/session/MessageListing.h"

#include "components/Permuted.h"
#include "viewer/session/TraceSession.h"

#include <algorithm>

namespace vireo {

MessageListing::MessageListing(const TraceSession& session, QObject* parent) : QObject(parent), session_(session)
{
    connect(&session, &TraceSession::MessagesAppended, this, &MessageListing::Append);
    connect(&session, &TraceSession::MessagesAboutToBeDropped, this, &MessageListing::PrepareDrop);
    connect(&session, &TraceSession::MessagesDropped, this, &MessageListing::Drop);
    // The filter snapshot remembers results by the store's pooled texts, which a clear frees.
    connect(&session, &TraceSession::Cleared, this, [this] {
        ForgetFilters();
        quick_.Forget();
        Replace({});
    });
    connect(&session, &TraceSession::NameLearned, this, &MessageListing::ForgetFilters);
}

void MessageListing::SelectNode(std::optional<TreeNodeRule> node)
{
    node_ = std::move(node);
    arrivalRule_.reset();
    if (node_)
        ListFor(*node_, page_);
    else
        Replace({});
}

void MessageListing::SetNodeSelected(bool selected)
{
    nodeSelected_ = selected;
    arrivalRule_.reset();
}

void MessageListing::SetPage(ListPage page)
{
    page_ = page;
    arrivalRule_.reset();
}

void MessageListing::ChoosePage(ListPage page)
{
    SetPage(page);
    Relist();
}

void MessageListing::SetQuickFilter(QuickFilter filter)
{
    quick_ = std::move(filter);
    arrivalRule_.reset();
    Relist();
}

void MessageListing::Relist()
{
    switch (page_) {
    case ListPage::Messages:
        if (node_ && nodeSelected_)
            ListFor(*node_, page_);
        else
            Replace({});
        break;
    case ListPage::Filters:
        ListByFilters();
        break;
    case ListPage::UserKeyMarks:
        Replace({});
        break;
    case ListPage::Tracking:
        ListTracked();
        break;
    }
}

void MessageListing::SelectTrack(std::optional<TrackMatcher> track)
{
    track_ = std::move(track);
    arrivalRule_.reset();
    // Only the Tracking page lists tracked messages; a command run from the main menu on another
    // page leaves that page's list alone.
    if (page_ == ListPage::Tracking)
        ListTracked();
}

void MessageListing::FiltersChanged()
{
    ForgetFilters();
    ListByFilters();
}

void MessageListing::ForgetFilters()
{
    arrivalRule_.reset();
    filters_.reset();
}

void MessageListing::PermuteRows(std::span<const int> order)
{
    if (!arrivalRows_)
        arrivalRows_ = rows_;
    rows_ = Permuted(rows_, order);
}

int MessageListing::PreviousListed(int storeIndex) const
{
    const std::vector<int>& arrival = ArrivalRows();
    const auto at = std::lower_bound(arrival.begin(), arrival.end(), storeIndex);
    return at == arrival.begin() ? -1 : *(at - 1);
}

int MessageListing::RowOf(int storeIndex) const
{
    const auto at = arrivalRows_ ? std::find(rows_.begin(), rows_.end(), storeIndex)
                                 : std::lower_bound(rows_.begin(), rows_.end(), storeIndex);
    return at != rows_.end() && *at == storeIndex ? static_cast<int>(at - rows_.begin()) : -1;
}

const FilterSnapshot* MessageListing::FiltersFor(ListPage page)
{
    if (page != ListPage::Filters || !filterSource_)
        return nullptr;
    if (!filters_)
        filters_.emplace(filterSource_());
    return &*filters_;
}

ListingRule::TrackTest MessageListing::TrackTest() const
{
    if (!track_)
        return {};
    return [track = *track_](const TTraceInfo& message) { return track.Matches(message.MessageStr); };
}

const ListingRule& MessageListing::ArrivalRule()
{
    if (!arrivalRule_)
        arrivalRule_.emplace(node_ && nodeSelected_ ? *node_ : TreeNodeRule(), page_, FiltersFor(page_), TrackTest(),
                             &quick_);
    return *arrivalRule_;
}

void MessageListing::Append(int first, int last)
{
    const ListingRule& rule = ArrivalRule();
    if (!rule.AdmitsAny())
        return;
    const MessageStore& store = session_.Store();
    const std::size_t before = rows_.size();
    for (int index = first; index <= last; ++index)
        if (rule.Admits(store.Items(index))) {
            rows_.push_back(index);
            if (arrivalRows_)
                arrivalRows_->push_back(index); // arrivals come last in arrival order too
        }
    if (rows_.size() > before)
        emit RowsAppended();
}

void MessageListing::PrepareDrop(int count)
{
    // Rows in arrival order lose a leading run, which views can take as a removal that keeps the
    // user's selection and place; a sorted list has its dropped rows anywhere and is relisted.
    // Views are told while the dropped messages can still be read.
    const auto kept = std::find_if(rows_.begin(), rows_.end(), [count](int index) { return index >= count; });
    const bool leading = std::none_of(kept, rows_.end(), [count](int index) { return index < count; });
    leadingDropped_ = leading ? static_cast<int>(kept - rows_.begin()) : -1;
    if (leadingDropped_ > 0)
        emit FirstRowsAboutToBeRemoved(leadingDropped_);
    else if (!leading)
        emit RowsAboutToBeReplaced();
}

namespace {

// The store indices that stay when the count oldest messages go, renumbered, in their order.
std::vector<int> KeptAfterDrop(const std::vector<int>& rows, int count)
{
    std::vector<int> kept;
    kept.reserve(rows.size());
    for (const int index : rows)
        if (index >= count)
            kept.push_back(index - count);
    return kept;
}

} // namespace

void MessageListing::Drop(int count)
{
    if (arrivalRows_)
        arrivalRows_ = KeptAfterDrop(*arrivalRows_, count);
    if (leadingDropped_ < 0) {
        rows_ = KeptAfterDrop(rows_, count);
        emit RowsReplaced();
        return;
    }
    rows_.erase(rows_.begin(), rows_.begin() + leadingDropped_);
    for (int& index : rows_)
        index -= count;
    if (leadingDropped_ > 0)
        emit FirstRowsRemoved();
}

void MessageListing::Replace(std::vector<int> rows)
{
    emit RowsAboutToBeReplaced();
    rows_ = std::move(rows);
    arrivalRows_.reset();
    emit RowsReplaced();
}

void MessageListing::ListFor(const TreeNodeRule& node, ListPage page)
{
    Replace(ListedRows(session_.Store(), ListingRule(node, page, FiltersFor(page), TrackTest(), &quick_)));
}

void MessageListing::ListByFilters()
{
    Replace(ListedRows(session_.Store(),
                       ListingRule(TreeNodeRule::All(), ListPage::Filters, FiltersFor(ListPage::Filters), {}, &quick_)));
}

void MessageListing::ListTracked()
{
    Replace(ListedRows(session_.Store(), ListingRule(TreeNodeRule::All(), ListPage::Tracking, nullptr, TrackTest(), &quick_)));
}

} // namespace vireo
