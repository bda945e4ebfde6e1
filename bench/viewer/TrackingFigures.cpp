// Prints the figures of message tracking in the main window, shown offscreen, with 100 tracks
// defined: rebuilding the list when a track is selected with a large store (until the view has
// laid out and painted), and the cost per message taken in while a track is selected, against
// the same intake on the Messages page without tracks.
//   viewer_tracking_figures [message count, default 1000000] [messages per intake run, default 40000]

#include "../BenchSupport.h"
#include "OffscreenViewer.h"
#include "TypicalTraffic.h"
#include "components/ListViewEx.h"
#include "viewer/panes/MessageListModel.h"
#include "viewer/panes/TrackingPage.h"
#include "viewer/session/TraceSession.h"
#include "viewer/window/MainFormUnit.h"

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace vireo;
using namespace vireo::bench;

namespace {

// The parts of the window the figures drive, found by their names as a tool would.
struct Parts {
    explicit Parts(TForm_Main& form)
        : List(form.findChild<TListViewEx*>("ListViewEx_Messages")),
          Rows(static_cast<MessageListModel*>(List->model())),
          Tracks(form.findChild<QTreeWidget*>("TreeView_Tracking")), Tracking(form.findChild<TrackingPage*>()),
          ExpertMode(form.findChild<QAction*>("ExpertMode1")),
          ClearTracks(form.findChild<QAction*>("ClearAllMessageTracking1"))
    {
    }
    TListViewEx* List;
    MessageListModel* Rows;
    QTreeWidget* Tracks;
    TrackingPage* Tracking;
    QAction* ExpertMode;
    QAction* ClearTracks;
};

// Messages first .. first + count - 1 of the typical traffic.
void TakeIn(TraceSession& session, int first, int count)
{
    for (int i = first; i < first + count; ++i)
        PostTypical(session, i);
}

// Microseconds per message for taking in count messages, the list shown afterwards; the window
// has first finished the work of the rebuild before.
double IntakeMicroseconds(TraceSession& session, const Parts& ui, int first, int count)
{
    QCoreApplication::processEvents();
    ui.List->viewport()->repaint();
    const double ms = Milliseconds([&] {
        TakeIn(session, first, count);
        ui.Rows->FlushAppendedRows();
        QCoreApplication::processEvents();
    });
    return 1000.0 * ms / count;
}

// 100 tracks, stored as a previous run left them: 97 that match nothing of the traffic and one
// of each kind that does.
void StoreTracks()
{
    TTrackList tracks;
    for (int i = 0; i < 97; ++i)
        tracks.Add(std::make_unique<TTrackInfo>(
            TTrackInfo{"Watched event " + std::to_string(i), static_cast<TTrackKind>(i % 3)}));
    tracks.Add(std::make_unique<TTrackInfo>(TTrackInfo{"processing ITEM 1", tkStartWith}));
    tracks.Add(std::make_unique<TTrackInfo>(TTrackInfo{"Processing item 5 of batch 0", tkExact}));
    tracks.Add(std::make_unique<TTrackInfo>(TTrackInfo{"OF BATCH", tkContaining}));
    WriteTrackList(tracks);
}

// The node of a track: the last child of the kind's root.
QTreeWidgetItem* LastTrackNode(const Parts& ui, TTrackKind kind)
{
    QTreeWidgetItem* root = ui.Tracks->topLevelItem(kind);
    return root->child(root->childCount() - 1);
}

} // namespace

int main(int argc, char* argv[])
{
    const OffscreenViewer viewer(argc, argv);
    const int messages = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 40'000;
    constexpr int tries = 5; // each figure is the best of five, as other work on the machine only adds

    StoreTracks();
    TraceSession session;
    auto form = std::make_unique<TForm_Main>(session);
    const Parts ui(*form);
    form->Dialogs.ShowMessageBox = [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
    form->show();
    form->FormActivate();
    QCoreApplication::processEvents();
    std::printf("tracks defined:                    %d (best of %d runs each)\n", session.Tracks().List().Count(),
                tries);

    TakeIn(session, 0, messages);
    ui.ExpertMode->trigger();
    const char* names[] = {"exact", "starting-with", "containing"};
    for (const TTrackKind kind : {tkExact, tkStartWith, tkContaining}) {
        double best = 1e9, bestPass = 1e9;
        for (int run = 0; run < tries; ++run) {
            ui.Tracks->setCurrentItem(ui.Tracks->topLevelItem(kind));
            QCoreApplication::processEvents();
            best = std::min(best, Milliseconds([&] {
                ui.Tracks->setCurrentItem(LastTrackNode(ui, kind));
                ui.Rows->FlushAppendedRows();
                QCoreApplication::processEvents();
                ui.List->viewport()->repaint();
            }));
            const ListingRule rule(TreeNodeRule::All(), ListPage::Tracking, nullptr,
                                   [track = TrackMatcher(*ui.Tracking->SelectedTrack())](const TTraceInfo& m) {
                                       return track.Matches(m.MessageStr);
                                   });
            bestPass = std::min(bestPass, Milliseconds([&] { ListedRows(session.Store(), rule); }));
        }
        std::printf("select %-13s track, rebuild:  %.1f ms (%d of %d messages listed; the pass alone %.1f ms)\n",
                    names[kind], best, ui.Rows->rowCount(), session.Store().Count(), bestPass);
    }

    // Taking in with the containing track selected, against the same intake on the Messages page
    // with "All" selected (which lists every message too and never looks at a track), the two in
    // turn so that both see the same machine; then the latter once more with no track defined.
    QTreeWidgetItem* containing = LastTrackNode(ui, tkContaining);
    int next = messages;
    double tracking = 1e9, all = 1e9, none = 1e9;
    for (int run = 0; run < tries; ++run) {
        ui.ExpertMode->trigger(); // on: the Tracking page, the track still selected
        ui.Tracks->setCurrentItem(containing);
        tracking = std::min(tracking, IntakeMicroseconds(session, ui, next, rounds));
        next += rounds;
        ui.ExpertMode->trigger(); // off: the Messages page
        form->FormActivate();
        all = std::min(all, IntakeMicroseconds(session, ui, next, rounds));
        next += rounds;
    }
    ui.ClearTracks->trigger();
    for (int run = 0; run < tries; ++run, next += rounds)
        none = std::min(none, IntakeMicroseconds(session, ui, next, rounds));
    std::printf("intake, Messages page, \"All\":      %.2f us each (%.2f us with no track defined)\n", all, none);
    std::printf("intake, containing track selected: %.2f us each (every message listed, %+.2f us)\n", tracking,
                tracking - all);
    return 0;
}
