#include "viewer/session/TrackRules.h"

#include "components/AsciiText.h"
#include "settings/RegUtils.h"

#include <memory>

namespace vireo {

namespace {

constexpr std::array<const char*, 3> kRootCaptions = {"Exact Track", "Starting With Track",
                                                      "Containing Track"};
constexpr std::array<const char*, 3> kRefusals = {
    "Failed to add exact track.  Tracking name already exists!",
    "Failed to add starting with track.  Tracking name already exists!",
    "Failed to add containing track.  Tracking name already exists!"};
constexpr std::string_view kTracksKey = "Vireo\\MessageTracking";
constexpr std::array<std::string_view, 3> kKindKeys = {"Vireo\\MessageTracking\\Exact\\",
                                                       "Vireo\\MessageTracking\\StartWith\\",
                                                       "Vireo\\MessageTracking\\Containing\\"};
constexpr std::string_view kTrackValue = "TrackMessage";

std::size_t Slot(TTrackKind kind)
{
    return static_cast<std::size_t>(kind);
}

// Whether upper (already upper-cased, not empty) occurs in text ignoring ASCII case. Only the
// places where its first letter stands are compared further.
bool ContainsUpperAscii(std::string_view text, std::string_view upper)
{
    if (upper.size() > text.size())
        return false;
    const char first = upper.front();
    const char firstLower = first >= 'A' && first <= 'Z' ? static_cast<char>(first - 'A' + 'a') : first;
    const std::string_view rest = upper.substr(1);
    const std::size_t last = text.size() - upper.size();
    for (std::size_t at = 0; at <= last; ++at)
        if ((text[at] == first || text[at] == firstLower) && SameTextAscii(text.substr(at + 1, rest.size()), rest))
            return true;
    return false;
}

std::string EntryKey(TTrackKind kind, int entry)
{
    return std::string(kKindKeys[Slot(kind)]) + std::to_string(entry);
}

} // namespace

const char* TrackRootCaption(TTrackKind kind)
{
    return kRootCaptions[Slot(kind)];
}

std::optional<TTrackKind> TrackKindOfRoot(std::string_view caption)
{
    for (const TTrackKind kind : kTrackKinds)
        if (caption == TrackRootCaption(kind))
            return kind;
    return std::nullopt;
}

TrackMatcher::TrackMatcher(const TTrackInfo& track)
    : upper_(UpperCaseAscii(track.MessageText)), kind_(track.TrackKind)
{
}

bool TrackMatcher::Matches(std::string_view text) const
{
    switch (kind_) {
    case tkExact:
        return SameTextAscii(text, upper_);
    case tkStartWith:
        return StartsWithTextAscii(text, upper_);
    case tkContaining:
        return !upper_.empty() && ContainsUpperAscii(text, upper_);
    }
    return false;
}

bool TrackMatches(const TTrackInfo& track, std::string_view text)
{
    return TrackMatcher(track).Matches(text);
}

int IndexOfTrack(const TTrackList& tracks, TTrackKind kind, std::string_view text)
{
    for (int i = 0; i < tracks.Count(); ++i) {
        const TTrackInfo& track = tracks.Items(i);
        if (track.TrackKind == kind && SameTextAscii(track.MessageText, text))
            return i;
    }
    return -1;
}

const TTrackInfo* FindTrackOfNode(const TTrackList& tracks, std::string_view caption,
                                  const std::string_view* parentCaption)
{
    if (!parentCaption)
        return nullptr;
    const std::optional<TTrackKind> kind = TrackKindOfRoot(*parentCaption);
    if (!kind)
        return nullptr;
    const int index = IndexOfTrack(tracks, *kind, caption);
    return index < 0 ? nullptr : &tracks.Items(index);
}

NewTrackDecision DecideNewTracks(const TTrackList& tracks, std::string_view text,
                                 const std::array<bool, 3>& checked)
{
    NewTrackDecision decision;
    for (const TTrackKind kind : kTrackKinds) {
        if (!checked[Slot(kind)])
            continue;
        const bool taken = IndexOfTrack(tracks, kind, text) >= 0;
        (taken ? decision.Refused : decision.Add)[Slot(kind)] = true;
    }
    return decision;
}

const char* TrackRefusalText(TTrackKind kind)
{
    return kRefusals[Slot(kind)];
}

void WriteTrackList(const TTrackList& tracks)
{
    WithRegBatch([&] {
        DeleteRegKey(kTracksKey);
        for (const TTrackKind kind : kTrackKinds) {
            int entry = 0;
            for (int i = 0; i < tracks.Count(); ++i)
                if (const TTrackInfo& track = tracks.Items(i); track.TrackKind == kind)
                    WriteRegString(EntryKey(kind, entry++), kTrackValue, track.MessageText);
        }
    });
}

void ReadTrackList(TTrackList& tracks)
{
    WithRegBatch([&] {
        for (const TTrackKind kind : kTrackKinds) {
            const int count = CountRegSubKeys(kKindKeys[Slot(kind)]);
            for (int entry = 0; entry < count; ++entry)
                tracks.Add(std::make_unique<TTrackInfo>(
                    TTrackInfo{ReadRegString(EntryKey(kind, entry), kTrackValue, ""), kind}));
        }
    });
}

} // namespace vireo
