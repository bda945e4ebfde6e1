#pragma once

#include "components/ObjectList.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// How a track compares with a message text; every kind ignores ASCII letter case.
enum TTrackKind { tkExact = 0, tkStartWith = 1, tkContaining = 2 };

// The three kinds in the order the tracking tree, the dialog and the registry use.
inline constexpr std::array<TTrackKind, 3> kTrackKinds = {tkExact, tkStartWith, tkContaining};

// One message track: a text to watch for and how to compare it.
struct TTrackInfo {
    std::string MessageText; // as the user typed it; may be empty
    TTrackKind TrackKind = tkExact;
};

// The main window's owning list of tracks, in the order they were created or loaded.
using TTrackList = TObjectList<TTrackInfo>;

// Caption of the tracking tree's root that holds the tracks of a kind ("Exact Track", ...).
const char* TrackRootCaption(TTrackKind kind);

// The kind whose root carries exactly this caption; none for any other text.
std::optional<TTrackKind> TrackKindOfRoot(std::string_view caption);

// A track prepared for testing many messages: its text upper-cased once.
class TrackMatcher {
public:
    // Prepares the test of a track.
    explicit TrackMatcher(const TTrackInfo& track);

    // Whether a message text satisfies the track (TrackMatches).
    bool Matches(std::string_view text) const;

private:
    std::string upper_;
    TTrackKind kind_;
};

// Whether a message text satisfies a track: exact, starting with or containing, ignoring ASCII
// case. An empty starting-with track matches every text, an empty containing track none.
bool TrackMatches(const TTrackInfo& track, std::string_view text);

// Index of the first track of the kind whose text equals text ignoring ASCII case, or -1.
int IndexOfTrack(const TTrackList& tracks, TTrackKind kind, std::string_view text);

// The track a node of the tracking tree stands for (FindSelectedTrack): none for a root (no
// parent), for an unknown parent caption or when no track of the parent's kind has the caption.
const TTrackInfo* FindTrackOfNode(const TTrackList& tracks, std::string_view caption,
                                  const std::string_view* parentCaption);

// What the add-track dialog decides on OK for each kind, exact to containing.
struct NewTrackDecision {
    std::array<bool, 3> Add{};     // checked and not yet taken: add a track of the kind
    std::array<bool, 3> Refused{}; // checked but taken: report the refusal
};

// The dialog's decision for a text and its three check boxes: a checked kind is refused when a
// track of that kind already has the text ignoring ASCII case.
NewTrackDecision DecideNewTracks(const TTrackList& tracks, std::string_view text,
                                 const std::array<bool, 3>& checked);

// The refusal a taken kind is reported with ("Failed to add exact track.  Tracking name ...").
const char* TrackRefusalText(TTrackKind kind);

// Replaces the stored tracks under "Vireo\MessageTracking" with the list, numbered per kind.
void WriteTrackList(const TTrackList& tracks);

// Appends the stored tracks to the list: every exact, then starting-with, then containing
// track, each kind in its stored order.
void ReadTrackList(TTrackList& tracks);

} // namespace vireo
