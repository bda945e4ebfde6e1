// The viewer program with a user at work: a timer in the window's thread drives the main window
// through its own handlers (tree node changes, sorting by a column, the Filters page with a type
// filter switched off and on again) while clients flood it over the bus. It writes how many
// messages are stored and the resident memory to the file named by VIREO_LOAD_STATUS.
#include "../BenchSupport.h"

#include "app/VireoProgram.h"
#include "components/ListViewEx.h"
#include "components/PanelExpander.h"
#include "viewer/session/TraceSession.h"
#include "viewer/window/MainFormUnit.h"

#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <fstream>

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

void WriteStatus(const TraceSession& session, long startResident)
{
    const char* path = std::getenv("VIREO_LOAD_STATUS");
    std::ofstream(path ? path : "/dev/null", std::ios::trunc)
        << session.Store().Count() << ' ' << startResident << ' ' << bench::ResidentBytes() << std::endl;
}

} // namespace

int main(int argc, char* argv[])
{
    ProgramHooks hooks;
    hooks.Started = [](TraceSession& session, TForm_Main& window, VireoServer&, StartMode) {
        const long startResident = bench::ResidentBytes();
        const char* every = std::getenv("VIREO_LOAD_DRIVE_MS");
        auto* timer = new QTimer(&window);
        QObject::connect(timer, &QTimer::timeout, &window, [&session, &window, startResident, turn = 0]() mutable {
            Drive(window, turn++);
            WriteStatus(session, startResident);
        });
        timer->start(every ? std::atoi(every) : 500);
        WriteStatus(session, startResident);
    };
    return RunVireo(argc, argv, hooks);
}
