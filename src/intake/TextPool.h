#pragma once

#include "components/TextKeys.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vireo {

// Keeps each distinct text once under a small number, so texts that repeat from message to
// message cost four bytes each. Texts live, in place, until Clear(); lookups of a known text do
// not allocate.
class TextPool {
public:
    using Id = std::uint32_t;

    TextPool();

    // The number of text, added when not yet present; the empty text is always 0.
    Id Intern(std::string_view text);

    // The text with a number Intern gave; it stays in place until Clear().
    std::string_view Text(Id id) const { return views_[id]; }

    // Forgets every text but the empty one; every number and view taken before becomes invalid.
    void Clear();

    // Number of distinct texts held, the empty one included.
    std::size_t Count() const { return views_.size(); }

private:
    std::deque<std::string> texts_; // a deque never moves its strings, so views into them hold
    std::vector<std::string_view> views_;
    std::unordered_map<std::string_view, Id, TextHash, std::equal_to<>> ids_;
};

} // namespace vireo
