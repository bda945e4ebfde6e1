#include "viewer/session/TrackBook.h"

namespace vireo {

std::optional<std::string> TrackBook::Load()
{
    return stored_.Read([this] { ReadTrackList(tracks_); });
}

std::optional<std::string> TrackBook::Save() const
{
    return stored_.Write([this] { WriteTrackList(tracks_); });
}

} // namespace vireo
