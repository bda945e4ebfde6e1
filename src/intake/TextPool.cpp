#include "intake/TextPool.h"

namespace vireo {

namespace {
const std::string kEmpty;
}

PooledText::PooledText() : text_(&kEmpty) {}

PooledText TextPool::Intern(std::string_view text)
{
    if (text.empty())
        return PooledText();
    auto found = texts_.find(text);
    if (found == texts_.end())
        found = texts_.emplace(text).first;
    return PooledText(&*found);
}

} // namespace vireo
