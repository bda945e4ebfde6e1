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

// A text held once in a TextPool; copying it copies one pointer, and the text is read only when
// asked for. Compares like a string; equal texts of one pool share one address.
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

// Keeps each distinct text once under a small number, so texts that repeat from message to
// message cost four bytes each. Texts live, in place, until Clear(); lookups of a known text do
// not allocate.
class TextPool {
public:
    using Id = std::uint32_t;

    TextPool();

    // The number of text, added when not yet present; the empty text is always 0.
    Id Intern(std::string_view text);

    // The text with a number Intern gave.
    PooledText Text(Id id) const { return PooledText(byId_[id]); }

    // Forgets every text but the empty one; every number and PooledText taken before becomes
    // invalid.
    void Clear();

    // Number of distinct texts held, the empty one included.
    std::size_t Count() const { return byId_.size(); }

private:
    std::deque<std::string> texts_; // a deque never moves its strings, so pointers to them hold
    std::vector<const std::string*> byId_;
    std::unordered_map<std::string_view, Id, TextHash, std::equal_to<>> ids_;
};

} // namespace vireo
