#include "intake/TextPool.h"

namespace vireo {

namespace {
const std::string kEmpty;
}

PooledText::PooledText() : text_(&kEmpty) {}

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
    const std::string& kept = texts_.emplace_back(text);
    const Id id = static_cast<Id>(byId_.size());
    byId_.push_back(&kept);
    ids_.emplace(kept, id);
    return id;
}

void TextPool::Clear()
{
    ids_.clear();
    byId_.assign(1, &kEmpty);
    texts_.clear();
}

} // namespace vireo
