// Prints what many distinct names cost the main window (shown offscreen, the Filters page showing,
// every tree node and filter panel expanded): the time until the last of N new classes and N new
// groups is a tree node and a filter entry, beside storing the same messages without a window.
//   viewer_name_figures [N, default 100000]

#include "../BenchSupport.h"
#include "components/PanelExpander.h"
#include "viewer/session/TraceSession.h"
#include "viewer/window/MainFormUnit.h"

#include <QApplication>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>

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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir registry; // the window's settings stay out of the user's
    qputenv("VIREO_REGISTRY_DIR", registry.path().toUtf8());
    QApplication app(argc, argv);
    const int names = argc > 1 ? std::atoi(argv[1]) : 100'000;

    double storeMs = 0;
    {
        TraceSession session;
        storeMs = Milliseconds([&] { PostNames(session, names); });
    }

    TraceSession session;
    TForm_Main form(session);
    form.Dialogs.ShowMessageBox = [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
    form.resize(1000, 800);
    form.show();
    form.FormActivate();
    auto* tree = form.findChild<QTreeWidget*>("TreeView_Main");
    auto* classes = form.findChild<TPanelExpander*>("PanelExpander_Class");
    auto* groups = form.findChild<TPanelExpander*>("PanelExpander_Group");
    tree->expandAll();
    form.findChild<QTabWidget*>("PageControl_Main")->setCurrentIndex(1);
    classes->SetExpand(true);
    groups->SetExpand(true);
    QCoreApplication::processEvents();

    const double windowMs = Milliseconds([&] {
        PostNames(session, names);
        QCoreApplication::processEvents();
        form.repaint();
    });
    const int classNodes = TopNode(tree, "Class")->childCount() - 1;
    const int groupNodes = TopNode(tree, "Group")->childCount() - 1;
    std::printf("names posted:                      %d classes and %d groups\n", names, names);
    std::printf("stored without a window:           %.0f ms\n", storeMs);
    std::printf("with the window, until shown:      %.0f ms (%.0f ms beyond storing)\n", windowMs,
                windowMs - storeMs);
    std::printf("tree nodes, filter entries:        %d classes, %d groups; %d, %d\n", classNodes, groupNodes,
                classes->ItemCount() - 1, groups->ItemCount() - 1);
    return 0;
}
