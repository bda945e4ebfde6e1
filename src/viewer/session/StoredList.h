#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vireo {

// Reading and writing a list kept in the registry (key marks, tracks): after a failed read the
// stored entries are left as they are at the next write, rather than replaced by what could be
// read.
class StoredList {
public:
    // Runs read; the reason when it threw, after which Write writes nothing.
    std::optional<std::string> Read(const std::function<void()>& read);
    // Runs write unless a read failed; the reason when it threw.
    std::optional<std::string> Write(const std::function<void()>& write) const;

private:
    bool unread_ = false;
};

} // namespace vireo
