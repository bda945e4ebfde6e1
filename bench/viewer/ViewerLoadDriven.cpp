// The viewer program with a user at work: a timer in the window's thread drives the main window
// through its own handlers (tree node changes, sorting by a column, the Filters page with a type
// filter switched off and on again) while clients flood it over the bus. It writes how many
// messages are stored and the resident memory to the file named by VIREO_LOAD_STATUS.
#include "../BenchSupport.h"

#include "app/VireoProgram.h"
#include "components/ListViewEx.h"
#include "components/PanelExpander.h"
#include "viewer/MainFormUnit.h"
#include "viewer/MessageStore.h"

#include <QCheckBox>
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
    const auto selectNode = [&](const char* text) {
        if (QTreeWidgetItem* node = window.FindNode(QString::fromLatin1(text)))
            window.TreeView_Main->setCurrentItem(node); // TreeView_MainChange rebuilds the list
    };
    const auto typeFilter = [&](bool checked) {
        const int item = window.PanelExpander_MessType->IndexOfValue("1");
        if (QCheckBox* box = item >= 0 ? window.PanelExpander_MessType->Item(item).CheckBox() : nullptr;
            box && box->isChecked() != checked)
            box->click(); // FilterPanelChanged lists by the filters again
    };
    switch (turn % 6) {
    case 0: selectNode("All"); break;
    case 1: window.ListViewEx_Messages->SortByColumn(1); break;
    case 2: selectNode("Information"); break;
    case 3: window.ListViewEx_Messages->SortByColumn(4); break;
    case 4:
        window.PageControl_Main->setCurrentIndex(static_cast<int>(ListPage::Filters));
        typeFilter(false);
        break;
    case 5:
        typeFilter(true);
        window.PageControl_Main->setCurrentIndex(static_cast<int>(ListPage::Messages));
        break;
    }
}

void WriteStatus(const TForm_Main& window, long startResident)
{
    const char* path = std::getenv("VIREO_LOAD_STATUS");
    std::ofstream(path ? path : "/dev/null", std::ios::trunc)
        << window.MessageStore->Count() << ' ' << startResident << ' ' << bench::ResidentBytes() << std::endl;
}

} // namespace

int main(int argc, char* argv[])
{
    ProgramHooks hooks;
    hooks.Started = [](TForm_Main& window, VireoServer&, StartMode) {
        const long startResident = bench::ResidentBytes();
        const char* every = std::getenv("VIREO_LOAD_DRIVE_MS");
        auto* timer = new QTimer(&window);
        QObject::connect(timer, &QTimer::timeout, &window, [&window, startResident, turn = 0]() mutable {
            Drive(window, turn++);
            WriteStatus(window, startResident);
        });
        timer->start(every ? std::atoi(every) : 500);
        WriteStatus(window, startResident);
    };
    return RunVireo(argc, argv, hooks);
}
