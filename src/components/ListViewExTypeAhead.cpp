#include "components/ListViewExTypeAhead.h"

namespace vireo {

std::string_view TTypeAhead::Type(std::string_view characters, int64_t nowMs)
{
    if (text_.empty() || nowMs - lastMs_ > ResetAfterMs)
        text_.assign(characters);
    else
        text_.append(characters);
    lastMs_ = nowMs;
    return text_;
}

} // namespace vireo
