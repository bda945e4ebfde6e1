// Prints what many distinct names cost the main window (shown offscreen, the Filters page showing,
// every tree node and filter panel expanded): the time until the last of N new classes and N new
// groups is a tree node and a filter entry, beside storing the same messages without a window;
// the time to scroll the Class panel's list a page and paint it; and what one 2 MB class name
// costs and shows (the tree node's and the filter entry's accessible names).
//   viewer_name_figures [N, default 100000] [--collapsed: the tree's nodes and the panels collapsed]

#include "../BenchSupport.h"
#include "OffscreenViewer.h"
#include "components/PanelExpander.h"
#include "viewer/session/TraceSession.h"
#include "viewer/window/MainFormUnit.h"

#include <QAccessible>
#include <QApplication>
#include <QListView>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace vireo;
using namespace vireo::bench;

namespace {

// N messages, each with a class and a group no earlier message had.
void PostNames(TraceSession& session, int names)
{
    for (int i = 0; i < names; ++i)
        session.ReceiveTrace(QStringLiteral("TClass%1").arg(i), QStringLiteral("text"), 0,
                             QStringLiteral("Group%1").arg(i), QStringLiteral("PC"), QString(), QString(), 45000.5);
}

QTreeWidgetItem* TopNode(QTreeWidget* tree, const char* text)
{
    return tree->findItems(QString::fromLatin1(text), Qt::MatchExactly).value(0);
}

} // namespace

int main(int argc, char* argv[])
{
    const OffscreenViewer viewer(argc, argv);
    const int names = argc > 1 ? std::atoi(argv[1]) : 100'000;
    const bool expanded = !(argc > 2 && std::strcmp(argv[2], "--collapsed") == 0);

    TraceSession session;
    TForm_Main form(session);
    form.Dialogs.ShowMessageBox = [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
    form.resize(1000, 800);
    form.show();
    form.FormActivate();
    auto* tree = form.findChild<QTreeWidget*>("TreeView_Main");
    auto* classes = form.findChild<TPanelExpander*>("PanelExpander_Class");
    auto* groups = form.findChild<TPanelExpander*>("PanelExpander_Group");
    if (expanded)
        tree->expandAll();
    form.findChild<QTabWidget*>("PageControl_Main")->setCurrentIndex(1);
    classes->SetExpand(expanded);
    groups->SetExpand(expanded);
    QCoreApplication::processEvents();

    const double windowMs = Milliseconds([&] {
        PostNames(session, names);
        QCoreApplication::processEvents();
        form.repaint();
    });
    // Storing alone, measured while the window's session is still alive: both runs find the
    // heap equally full.
    double storeMs = 0;
    {
        TraceSession bare;
        storeMs = Milliseconds([&] { PostNames(bare, names); });
    }
    const int classNodes = TopNode(tree, "Class")->childCount() - 1;
    const int groupNodes = TopNode(tree, "Group")->childCount() - 1;
    std::printf("names posted:                      %d classes and %d groups\n", names, names);
    std::printf("stored without a window:           %.0f ms\n", storeMs);
    std::printf("with the window, until shown:      %.0f ms (%.0f ms beyond storing)\n", windowMs,
                windowMs - storeMs);
    std::printf("tree nodes, filter entries:        %d classes, %d groups; %d, %d\n", classNodes, groupNodes,
                classes->ItemCount() - 1, groups->ItemCount() - 1);

    // Names arriving one per event-loop turn, as from a slow client: each turn may announce rows
    // to the views, which lay out every row again.
    constexpr int trickle = 2'000;
    const double trickleMs = Milliseconds([&] {
        for (int i = 0; i < trickle; ++i) {
            session.ReceiveTrace(QStringLiteral("TLate%1").arg(i), QStringLiteral("text"), 0,
                                 QStringLiteral("LateGroup%1").arg(i), QStringLiteral("PC"), QString(), QString(),
                                 45000.5);
            QCoreApplication::processEvents();
        }
    });
    std::printf("then one new class and group a turn: %.0f us each (%d turns)\n", 1000.0 * trickleMs / trickle,
                trickle);

    // Scrolling: a page down at a time through the list, each step painted, as the wheel does.
    classes->SetExpand(true);
    classes->Items()->FlushAddedRows();
    QCoreApplication::processEvents();
    QListView* list = classes->ListView();
    QScrollBar* bar = list->verticalScrollBar();
    std::vector<double> frames;
    for (int step = 0; step < 200; ++step) {
        frames.push_back(Milliseconds([&] {
            bar->setValue(bar->value() + std::max(1, bar->maximum() / 200));
            list->viewport()->repaint();
        }));
    }
    std::sort(frames.begin(), frames.end());
    std::printf("scrolling the Class panel's list:  median %.2f ms, slowest %.2f ms a frame (%d rows)\n",
                frames[frames.size() / 2], frames.back(), list->isVisible() ? list->model()->rowCount() : -1);

    // One class name of 2,000,000 characters.
    QAccessible::setActive(true);
    const QString huge(2'000'000, QLatin1Char('H'));
    const double hugeMs = Milliseconds([&] {
        session.ReceiveTrace(huge, QStringLiteral("text"), 0, QString(), QStringLiteral("PC"), QString(), QString(),
                             45000.5);
        QCoreApplication::processEvents();
        form.repaint();
    });
    QTreeWidgetItem* classNode = TopNode(tree, "Class");
    QTreeWidgetItem* hugeNode = classNode->child(classNode->childCount() - 1);
    tree->scrollToItem(hugeNode);
    QAccessibleInterface* treeAccess = QAccessible::queryAccessibleInterface(tree);
    qsizetype nodeName = -1;
    for (int child = 0; child < treeAccess->childCount(); ++child)
        if (QAccessibleInterface* cell = treeAccess->child(child);
            cell && cell->text(QAccessible::Name).startsWith(QLatin1Char('H')))
            nodeName = cell->text(QAccessible::Name).size();
    list->scrollToBottom();
    QAccessibleInterface* listAccess = QAccessible::queryAccessibleInterface(list);
    const qsizetype entryName = listAccess->child(listAccess->childCount() - 1)->text(QAccessible::Name).size();
    std::printf("a 2 MB class name:                 %.0f ms; accessible names %lld (tree node), %lld (filter entry) "
                "characters\n",
                hugeMs, static_cast<long long>(nodeName), static_cast<long long>(entryName));
    return 0;
}
