#include "viewer/session/TrackBook.h"

#include <exception>

namespace vireo {

std::optional<std::string> TrackBook::Load()
{
    try {
        ReadTrackList(tracks_);
        return std::nullopt;
    } catch (const std::exception& error) {
        unreadable_ = true;
        return std::string(error.what());
    }
}

std::optional<std::string> TrackBook::Save() const
{
    if (unreadable_)
        return std::nullopt;
    try {
        WriteTrackList(tracks_);
        return std::nullopt;
    } catch (const std::exception& error) {
        return std::string(error.what());
    }
}

} // namespace vireo
