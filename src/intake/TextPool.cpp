#include "intake/TextPool.h"

namespace vireo {

TextPool::TextPool()
{
    Clear();
}

TextPool::Id TextPool::Intern(std::string_view text)
{
    if (text.empty())
        return 0;
    const auto found = ids_.find(text);
    if (found != ids_.end())
        return found->second;
    const std::string_view kept = texts_.emplace_back(text);
    const Id id = static_cast<Id>(views_.size());
    views_.push_back(kept);
    ids_.emplace(kept, id);
    return id;
}

void TextPool::Clear()
{
    ids_.clear();
    views_.assign(1, std::string_view());
    texts_.clear();
}

} // namespace vireo
