#pragma once

#include "viewer/session/TrackRules.h"

#include <QIcon>
#include <QList>
#include <QWidget>

#include <string>

class QAction;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace vireo {

class MessageListing;
class TrackBook;
struct ViewerDialogs;

// The "Tracking" page: the tracks under their kinds' roots, with the commands that add and
// delete them. It tells the listing which track is selected.
class TrackingPage : public QWidget {
    Q_OBJECT
public:
    // The page over the tracks, driving the listing.
    TrackingPage(TrackBook& tracks, MessageListing& listing, ViewerDialogs& dialogs, QWidget* parent = nullptr);

    // Asks for a text and kinds in the add-track dialog, then adds a track per accepted kind.
    void AddNewTrack();
    // Deletes every track, leaving the three roots.
    void ClearAll();
    // The track of the selected node; null for none or a root.
    const TTrackInfo* SelectedTrack() const;
    // Reads the stored tracks and shows them; a failure is told once the window is up.
    void LoadTracks();
    // Replaces the stored tracks; a failure is told in a box.
    void SaveTracks();

private:
    void CreateMenu();
    void AddTrack(TTrackKind kind, const std::string& text);
    void AddTrackNode(const TTrackInfo& track);
    QTreeWidgetItem* SelectedNode() const;
    void DeleteSelectedTrack();
    void SelectionChanged();
    void LeftClick();

    TrackBook& tracks_;
    MessageListing& listing_;
    ViewerDialogs& dialogs_;
    QList<QIcon> images_;
    QTreeWidget* tree_;
    QMenu* menu_;
    QAction* deleteTrack_;
};

} // namespace vireo
