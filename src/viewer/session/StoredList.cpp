#include "viewer/session/StoredList.h"

#include <exception>

namespace vireo {

std::optional<std::string> StoredList::Read(const std::function<void()>& read)
{
    try {
        read();
        unread_ = false;
        return std::nullopt;
    } catch (const std::exception& error) {
        unread_ = true;
        return std::string(error.what());
    }
}

std::optional<std::string> StoredList::Write(const std::function<void()>& write) const
{
    if (unread_)
        return std::nullopt;
    try {
        write();
        return std::nullopt;
    } catch (const std::exception& error) {
        return std::string(error.what());
    }
}

} // namespace vireo
