#pragma once

#include "viewer/session/StoredList.h"
#include "viewer/session/TrackRules.h"

#include <optional>
#include <string>

namespace vireo {

// The message tracks of a viewer run, in the order made or loaded, with their registry entries.
class TrackBook {
public:
    // The tracks.
    TTrackList& List() { return tracks_; }
    const TTrackList& List() const { return tracks_; }

    // Appends the stored tracks; the reason when they cannot all be read, after which Save keeps
    // the stored ones rather than replace them with the part that could be read.
    std::optional<std::string> Load();
    // Replaces the stored tracks with the held ones; the reason when that failed.
    std::optional<std::string> Save() const;

private:
    TTrackList tracks_;
    StoredList stored_;
};

} // namespace vireo
