#pragma once

#include "intake/TraceInfo.h"
#include "components/TextKeys.h"
#include "viewer/session/QuickFilter.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vireo {

class MessageStore;

// Which messages a node of the message tree admits, decided from its text and its parent's.
class TreeNodeRule {
public:
    // A rule that admits nothing (no node selected).
    TreeNodeRule() = default;

    // The rule of a top-level node (parentText null) or of a child of the node parentText.
    static TreeNodeRule ForNode(std::string_view text, const std::string_view* parentText);
    // The rule of the node "All", which admits every message.
    static TreeNodeRule All() { return ForNode(std::string_view(), nullptr); }

    // Whether the node admits the message.
    bool Admits(const TTraceInfo& message) const;

    // Whether some message can be admitted at all.
    bool AdmitsAny() const { return kind_ != Kind::None; }

private:
    enum class Kind { None, All, Class, NoClass, Group, NoGroup, Type };
    Kind kind_ = Kind::None;
    std::string text_;
    int type_ = -1;
};

// The check state of one filter panel entry.
struct FilterEntry {
    std::string Value; // the entry's hidden value
    bool Checked = true;
};

// The check states of the four filter panels at one moment, with the test a message must pass:
// its class, group, type (decimal text) and upper-cased computer each map to an entry by exact
// value (the first entry of that value counts), and all four entries are checked.
class FilterSnapshot {
public:
    // Whether a panel's first entry of a value exists and is checked.
    using EntryCheck = std::function<bool(std::string_view value)>;

    // Takes the entries of the Class, Group, Message Type and Computer panels, in panel order.
    FilterSnapshot(const std::vector<FilterEntry>& classes, const std::vector<FilterEntry>& groups,
                   const std::vector<FilterEntry>& types, const std::vector<FilterEntry>& computers);
    // Asks the Class, Group, Message Type and Computer panels themselves, which must not change
    // while the snapshot is in use: taking it costs the same however many entries they hold.
    FilterSnapshot(EntryCheck classes, EntryCheck groups, EntryCheck types, EntryCheck computers);

    // Whether the message passes the filters. Results are remembered per pooled text, so the
    // snapshot must not outlive the store's texts (drop it when the store is cleared).
    bool Admits(const TTraceInfo& message) const;

private:
    using Memo = std::unordered_map<const std::string*, bool>;
    static EntryCheck FirstEntries(const std::vector<FilterEntry>& entries);
    bool Passes(const EntryCheck& checks, Memo& memo, const PooledText& text, bool upperCase) const;
    bool PassesType(int32_t type) const;

    EntryCheck classes_, groups_, types_, computers_;
    mutable Memo classMemo_, groupMemo_, computerMemo_;
    mutable std::unordered_map<int32_t, bool> typeMemo_;
};

// The pages of the left-hand page control, in their order.
enum class ListPage { Messages = 0, Filters = 1, UserKeyMarks = 2, Tracking = 3 };

// Whether a message belongs in the message list: the one rule for a message as it arrives and
// for a rebuild over the store. A message is listed when the tree node admits it and the page
// does: every message on "Messages", those passing the filters on "Filters", those matching the
// selected track on "Tracking", none on "User Key Marks". Rebuilds for the filters or a track
// take the node "All".
class ListingRule {
public:
    // Track test of the Tracking page; empty when no track is selected.
    using TrackTest = std::function<bool(const TTraceInfo& message)>;

    // A rule that lists nothing.
    ListingRule() = default;
    // The rule of a tree node on a page, with the filters (for "Filters"), the track test and the
    // quick filter (none: no text filter), each of which must agree.
    ListingRule(TreeNodeRule node, ListPage page, const FilterSnapshot* filters, TrackTest track = {},
                const QuickFilter* quick = nullptr)
        : node_(std::move(node)), page_(page), filters_(filters), track_(std::move(track)),
          quick_(quick && quick->Active() ? quick : nullptr) {}

    // Whether the message is listed.
    bool Admits(const TTraceInfo& message) const
    {
        return node_.Admits(message) && PageAdmits(message) && (!quick_ || quick_->Admits(message));
    }
    // Whether some message can be listed at all.
    bool AdmitsAny() const
    {
        return node_.AdmitsAny() && page_ != ListPage::UserKeyMarks && (page_ != ListPage::Tracking || track_);
    }

private:
    bool PageAdmits(const TTraceInfo& message) const;

    TreeNodeRule node_;
    ListPage page_ = ListPage::UserKeyMarks;
    const FilterSnapshot* filters_ = nullptr;
    TrackTest track_;
    const QuickFilter* quick_ = nullptr;
};

// Store indices, in arrival order, of the messages the rule lists. One pass over the store.
std::vector<int> ListedRows(const MessageStore& store, const ListingRule& rule);

} // namespace vireo
