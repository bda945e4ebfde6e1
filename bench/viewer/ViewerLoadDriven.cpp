// The viewer program with a user at work: a timer in the window's thread drives the main window
// through its own handlers (tree node changes, sorting by a column, the Filters page with a type
// filter switched off and on again) while clients flood it over the bus. It writes how many
// messages are stored and the resident memory to the file named by VIREO_LOAD_STATUS. With
// VIREO_LOAD_LOG it also opens that log and then saves every message, through the File menu.
#include "../BenchSupport.h"

#include "app/VireoProgram.h"
#include "components/ListViewEx.h"
#include "components/PanelExpander.h"
#include "viewer/session/TraceSession.h"
#include "viewer/window/MainFormUnit.h"

#include <QAction>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <fstream>
#include <optional>

namespace {

using namespace vireo;

// One user action, chosen by its turn in a cycle of six.
void Drive(TForm_Main& window, int turn)
{
    auto* tree = window.findChild<QTreeWidget*>("TreeView_Main");
    auto* types = window.findChild<TPanelExpander*>("PanelExpander_MessType");
    auto* list = window.findChild<TListViewEx*>("ListViewEx_Messages");
    auto* pages = window.findChild<QTabWidget*>("PageControl_Main");
    const auto selectNode = [&](const char* text) {
        const auto found = tree->findItems(QString::fromLatin1(text), Qt::MatchExactly | Qt::MatchRecursive);
        if (!found.isEmpty())
            tree->setCurrentItem(found.first()); // the listing relists for the node
    };
    const auto typeFilter = [&](bool checked) {
        const int item = types->IndexOfValue("1");
        if (item >= 0 && types->IsItemChecked(item) != checked)
            types->SetItemChecked(item, checked); // the listing relists by the filters
    };
    switch (turn % 6) {
    case 0: selectNode("All"); break;
    case 1: list->SortByColumn(1); break;
    case 2: selectNode("Information"); break;
    case 3: list->SortByColumn(4); break;
    case 4:
        pages->setCurrentIndex(static_cast<int>(ListPage::Filters));
        typeFilter(false);
        break;
    case 5:
        typeFilter(true);
        pages->setCurrentIndex(static_cast<int>(ListPage::Messages));
        break;
    }
}

// How far the log's opening and saving went (VIREO_LOAD_LOG): logs done and their times.
struct LogRounds {
    int done = 0;
    double openMs = 0;
    double saveMs = 0;
};

void WriteStatus(const TraceSession& session, long startResident, const LogRounds& logs)
{
    const char* path = std::getenv("VIREO_LOAD_STATUS");
    std::ofstream(path ? path : "/dev/null", std::ios::trunc)
        << session.Store().Count() << ' ' << startResident << ' ' << bench::ResidentBytes() << ' ' << logs.done
        << ' ' << logs.openMs << ' ' << logs.saveMs << std::endl;
}

// Opens the log at path through the File menu, then saves every message beside it as
// path.saved, counting each in rounds as it ends.
void OpenThenSave(TForm_Main& window, const QString& path, LogRounds& rounds)
{
    window.Dialogs.ChooseLogFile = [path](bool save) { return save ? path + QStringLiteral(".saved") : path; };
    window.Dialogs.AskSaveListedOnly = [](int, int) { return std::optional<bool>(false); };
    auto* clock = new QElapsedTimer;
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, &rounds, clock, poll] {
        if (window.LogTransferRunning())
            return;
        (rounds.done++ == 0 ? rounds.openMs : rounds.saveMs) = static_cast<double>(clock->elapsed());
        if (rounds.done == 2) {
            poll->stop();
            return;
        }
        clock->start();
        window.findChild<QAction*>(QStringLiteral("SaveMessages1"))->trigger();
    });
    clock->start();
    window.findChild<QAction*>(QStringLiteral("OpenMessages1"))->trigger();
    poll->start(5);
}

} // namespace

int main(int argc, char* argv[])
{
    ProgramHooks hooks;
    static LogRounds logs;
    hooks.Started = [](TraceSession& session, TForm_Main& window, IntakeRelay&, StartMode) {
        const long startResident = bench::ResidentBytes();
        const char* every = std::getenv("VIREO_LOAD_DRIVE_MS");
        const int driveMs = every ? std::atoi(every) : 500;
        auto* timer = new QTimer(&window);
        // Without a drive (0), the status is written all the same.
        QObject::connect(timer, &QTimer::timeout, &window, [&session, &window, startResident, driveMs, turn = 0]() mutable {
            if (driveMs > 0)
                Drive(window, turn++);
            WriteStatus(session, startResident, logs);
        });
        timer->start(driveMs > 0 ? driveMs : 100);
        WriteStatus(session, startResident, logs);
        if (const char* log = std::getenv("VIREO_LOAD_LOG"))
            OpenThenSave(window, QString::fromLocal8Bit(log), logs);
    };
    return RunVireo(argc, argv, hooks);
}
