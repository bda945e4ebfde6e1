#include "TempRegistry.h"

#include "settings/RegUtils.h"
#include "viewer/session/TrackRules.h"

#include <gtest/gtest.h>

#include <memory>

using namespace vireo;

namespace {

// A track list holding copies of the tracks given.
struct Tracks : TTrackList {
    Tracks(std::initializer_list<TTrackInfo> tracks)
    {
        for (const TTrackInfo& track : tracks)
            Add(std::make_unique<TTrackInfo>(track));
    }
};

using TrackStorage = vireo::test::TempRegistry;

} // namespace

TEST(TrackRules, EachKindComparesTheMessageTextIgnoringAsciiCaseOnly)
{
    const TTrackInfo startError{"error", tkStartWith};
    EXPECT_TRUE(TrackMatches(startError, "Error in module"));
    EXPECT_TRUE(TrackMatches(startError, "ERROR"));
    EXPECT_FALSE(TrackMatches(startError, "An error"));
    EXPECT_FALSE(TrackMatches(startError, "Erro")) << "a message shorter than the track";

    EXPECT_TRUE(TrackMatches({"err", tkContaining}, "An ERROR occurred"));
    EXPECT_TRUE(TrackMatches({"err", tkContaining}, "xxERr"));
    EXPECT_FALSE(TrackMatches({"err", tkContaining}, "e r r"));
    EXPECT_TRUE(TrackMatches({"err", tkExact}, "Err"));
    EXPECT_TRUE(TrackMatches({"err", tkExact}, "ERR"));
    EXPECT_FALSE(TrackMatches({"err", tkExact}, "Error"));

    EXPECT_TRUE(TrackMatches({"", tkStartWith}, "anything"));
    EXPECT_TRUE(TrackMatches({"", tkStartWith}, ""));
    EXPECT_FALSE(TrackMatches({"", tkContaining}, "anything"));
    EXPECT_FALSE(TrackMatches({"", tkContaining}, ""));
    EXPECT_TRUE(TrackMatches({"", tkExact}, ""));
    EXPECT_FALSE(TrackMatches({"", tkExact}, " "));

    EXPECT_FALSE(TrackMatches({"\xC3\x89t\xC3\xA9", tkExact}, "\xC3\xA9t\xC3\xA9")) << "É is not é";
    EXPECT_TRUE(TrackMatches({"\xC3\x89T\xC3\xA9", tkContaining}, "x \xC3\x89t\xC3\xA9 y"));
}

TEST(TrackRules, TracksAreFoundByKindAndCaseFreeTextAndTakenKindsAreRefused)
{
    const Tracks tracks({{"TIMEOUT", tkExact}, {"Disk", tkContaining}, {"timeout", tkExact}});
    EXPECT_EQ(IndexOfTrack(tracks, tkExact, "Timeout"), 0) << "the first of two loaded duplicates";
    EXPECT_EQ(IndexOfTrack(tracks, tkStartWith, "Timeout"), -1);
    EXPECT_EQ(IndexOfTrack(tracks, tkContaining, "DISK"), 1);

    const std::string_view exactRoot = "Exact Track", lowerRoot = "exact track";
    EXPECT_EQ(FindTrackOfNode(tracks, "timeout", &exactRoot), &tracks.Items(0));
    EXPECT_EQ(FindTrackOfNode(tracks, "timeout", &lowerRoot), nullptr) << "root captions are exact";
    EXPECT_EQ(FindTrackOfNode(tracks, "Exact Track", nullptr), nullptr) << "a root is no track";
    EXPECT_EQ(FindTrackOfNode(tracks, "gone", &exactRoot), nullptr);
    EXPECT_EQ(TrackKindOfRoot("Starting With Track"), tkStartWith);
    EXPECT_EQ(TrackRootCaption(tkContaining), std::string("Containing Track"));

    NewTrackDecision decision = DecideNewTracks(tracks, "Timeout", {true, true, false});
    EXPECT_EQ(decision.Add, (std::array<bool, 3>{false, true, false}));
    EXPECT_EQ(decision.Refused, (std::array<bool, 3>{true, false, false}));
    decision = DecideNewTracks(tracks, "disk", {true, true, true});
    EXPECT_EQ(decision.Add, (std::array<bool, 3>{true, true, false}));
    EXPECT_EQ(decision.Refused, (std::array<bool, 3>{false, false, true}));
    decision = DecideNewTracks(tracks, "disk", {false, false, false});
    EXPECT_EQ(decision.Add, (std::array<bool, 3>{}));
    EXPECT_EQ(decision.Refused, (std::array<bool, 3>{}));
    EXPECT_EQ(std::string(TrackRefusalText(tkStartWith)),
              "Failed to add starting with track.  Tracking name already exists!");
}

TEST_F(TrackStorage, TracksAreStoredPerKindInListOrderAndReadBackGroupedByKind)
{
    WriteRegString("Vireo\\MessageTracking\\Exact\\7", "TrackMessage", "stale");
    const Tracks tracks({{"c1", tkContaining}, {"e1", tkExact}, {"e2", tkExact},
                                      {"c2", tkContaining}, {"", tkExact}});
    WriteTrackList(tracks);
    EXPECT_EQ(CountRegSubKeys("Vireo\\MessageTracking\\Exact"), 3);
    EXPECT_EQ(CountRegSubKeys("Vireo\\MessageTracking\\StartWith"), 0);
    EXPECT_EQ(CountRegSubKeys("Vireo\\MessageTracking\\Containing"), 2);
    EXPECT_EQ(ReadRegString("Vireo\\MessageTracking\\Exact\\1", "TrackMessage", "?"), "e2");
    EXPECT_EQ(ReadRegString("Vireo\\MessageTracking\\Containing\\0", "TrackMessage", "?"), "c1");

    Tracks loaded({{"kept", tkStartWith}});
    ReadTrackList(loaded);
    ASSERT_EQ(loaded.Count(), 6);
    const std::vector<std::pair<std::string, TTrackKind>> expected = {
        {"kept", tkStartWith}, {"e1", tkExact}, {"e2", tkExact}, {"", tkExact}, {"c1", tkContaining},
        {"c2", tkContaining}};
    for (int i = 0; i < loaded.Count(); ++i) {
        EXPECT_EQ(loaded.Items(i).MessageText, expected[i].first) << i;
        EXPECT_EQ(loaded.Items(i).TrackKind, expected[i].second) << i;
    }

    WriteTrackList(Tracks({}));
    TTrackList none;
    ReadTrackList(none);
    EXPECT_EQ(none.Count(), 0) << "an empty list leaves no entry behind";

    WriteRegInteger("Vireo\\MessageTracking\\Exact\\0", "TrackMessage", 5);
    EXPECT_THROW(ReadTrackList(none), ERegistryException);
}
