#include "viewer/session/MessageAdmission.h"

#include "viewer/session/MessageStore.h"
#include "viewer/session/TraceSources.h"

#include <memory>
#include <string>

namespace vireo {

TreeNodeRule TreeNodeRule::ForNode(std::string_view text, const std::string_view* parentText)
{
    TreeNodeRule rule;
    if (!parentText) {
        rule.kind_ = Kind::All;
    } else if (*parentText == kNodeClass) {
        rule.kind_ = text == kNodeNoClass ? Kind::NoClass : Kind::Class;
    } else if (*parentText == kNodeGroup) {
        rule.kind_ = text == kNodeNoGroup ? Kind::NoGroup : Kind::Group;
    } else if (*parentText == kNodeMessageType) {
        rule.kind_ = Kind::Type;
        for (int i = 0; i < 4; ++i)
            if (text == kTypeNames[i])
                rule.type_ = i;
    }
    rule.text_ = text;
    return rule;
}

bool TreeNodeRule::Admits(const TTraceInfo& message) const
{
    switch (kind_) {
    case Kind::None:
        return false;
    case Kind::All:
        return true;
    case Kind::Class:
        return SameTextAscii(text_, message.ClassName.view());
    case Kind::NoClass:
        return message.ClassName.empty();
    case Kind::Group:
        return SameTextAscii(text_, message.MessageGroup.view());
    case Kind::NoGroup:
        return message.MessageGroup.empty();
    case Kind::Type:
        return message.MessageType == type_;
    }
    return false;
}

FilterSnapshot::EntryCheck FilterSnapshot::FirstEntries(const std::vector<FilterEntry>& entries)
{
    auto checks = std::make_shared<TextMap<bool>>();
    for (const FilterEntry& entry : entries)
        checks->emplace(entry.Value, entry.Checked); // an earlier entry of the same value wins
    return [checks](std::string_view value) {
        const auto found = checks->find(value);
        return found != checks->end() && found->second;
    };
}

FilterSnapshot::FilterSnapshot(const std::vector<FilterEntry>& classes,
                               const std::vector<FilterEntry>& groups,
                               const std::vector<FilterEntry>& types,
                               const std::vector<FilterEntry>& computers)
    : FilterSnapshot(FirstEntries(classes), FirstEntries(groups), FirstEntries(types), FirstEntries(computers))
{
}

FilterSnapshot::FilterSnapshot(EntryCheck classes, EntryCheck groups, EntryCheck types, EntryCheck computers)
    : classes_(std::move(classes)), groups_(std::move(groups)), types_(std::move(types)),
      computers_(std::move(computers))
{
}

bool FilterSnapshot::Passes(const EntryCheck& checks, Memo& memo, const PooledText& text,
                            bool upperCase) const
{
    const std::string* key = &text.str();
    const auto known = memo.find(key);
    if (known != memo.end())
        return known->second;
    const bool passes =
        upperCase ? checks(UpperCaseAscii(text.view())) : checks(text.view());
    memo.emplace(key, passes);
    return passes;
}

bool FilterSnapshot::PassesType(int32_t type) const
{
    const auto known = typeMemo_.find(type);
    if (known != typeMemo_.end())
        return known->second;
    const bool passes = types_(std::to_string(type));
    typeMemo_.emplace(type, passes);
    return passes;
}

bool FilterSnapshot::Admits(const TTraceInfo& message) const
{
    return Passes(classes_, classMemo_, message.ClassName, false)
        && Passes(groups_, groupMemo_, message.MessageGroup, false)
        && PassesType(message.MessageType)
        && Passes(computers_, computerMemo_, message.ComputerName, true);
}

bool ListingRule::PageAdmits(const TTraceInfo& message) const
{
    switch (page_) {
    case ListPage::Messages:
        return true;
    case ListPage::Filters:
        return filters_ && filters_->Admits(message);
    case ListPage::Tracking:
        return track_ && track_(message);
    case ListPage::UserKeyMarks:
        return false;
    }
    return false;
}

std::vector<int> ListedRows(const MessageStore& store, const ListingRule& rule)
{
    std::vector<int> rows;
    if (!rule.AdmitsAny())
        return rows;
    const int count = store.Count();
    for (int i = 0; i < count; ++i)
        if (rule.Admits(store.Items(i)))
            rows.push_back(i);
    return rows;
}

} // namespace vireo
