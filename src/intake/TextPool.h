#pragma once

#include "components/TextKeys.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace vireo {

// A text held once in a TextPool; copying it copies one pointer. Compares like a string.
class PooledText {
public:
    PooledText();

    std::string_view view() const { return *text_; }
    operator std::string_view() const { return *text_; }
    const std::string& str() const { return *text_; }
    bool empty() const { return text_->empty(); }
    std::size_t size() const { return text_->size(); }

    friend bool operator==(PooledText a, std::string_view b) { return a.view() == b; }

private:
    friend class TextPool;
    explicit PooledText(const std::string* text) : text_(text) {}
    const std::string* text_;
};

// Keeps each distinct text once, so texts that repeat from message to message cost one pointer.
// Texts live until Clear(); lookups of a known text do not allocate.
class TextPool {
public:
    // The pooled copy of text, added when not yet present.
    PooledText Intern(std::string_view text);

    // Forgets every text; every PooledText taken from this pool becomes invalid.
    void Clear() { texts_.clear(); }

    // Number of distinct texts held.
    std::size_t Count() const { return texts_.size(); }

private:
    std::unordered_set<std::string, TextHash, std::equal_to<>> texts_;
};

} // namespace vireo
