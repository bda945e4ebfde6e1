// Prints the figures of the main window with a large store, shown offscreen: rebuilding the list
// for tree nodes and for the filters (until the view has laid out and painted), scrolling the list
// a page a frame without highlight rules and with ten, and loading a 200,000-line unit into the
// source window and locating its last line, without key marks and with 1,000 key marks on it.
//   viewer_window_figures [message count, default 1000000] [unit lines, default 200000]

#include "../BenchSupport.h"
#include "OffscreenViewer.h"
#include "TypicalTraffic.h"
#include "components/ListViewEx.h"
#include "components/PanelExpander.h"
#include "viewer/panes/MessageListModel.h"
#include "viewer/panes/MessageListPane.h"
#include "viewer/panes/SourceLinesModel.h"
#include "viewer/panes/SourceWindowPane.h"
#include "viewer/session/TraceSession.h"
#include "viewer/window/MainFormUnit.h"

#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

using namespace vireo;
using namespace vireo::bench;

namespace {

// The parts of the window the figures drive, found by their names as a tool would.
struct Parts {
    explicit Parts(TForm_Main& form)
        : List(form.findChild<TListViewEx*>("ListViewEx_Messages")),
          Rows(static_cast<MessageListModel*>(List->model())), Pane(form.findChild<MessageListPane*>()),
          Tree(form.findChild<QTreeWidget*>("TreeView_Main")),
          Pages(form.findChild<QTabWidget*>("PageControl_Main")),
          Types(form.findChild<TPanelExpander*>("PanelExpander_MessType")), Source(form.findChild<SourceWindowPane*>()),
          SourceView(form.findChild<QTreeView*>("ListView_Source")),
          SourceRows(static_cast<SourceLinesModel*>(SourceView->model()))
    {
    }
    QTreeWidgetItem* Node(const char* text) const
    {
        return Tree->findItems(QString::fromLatin1(text), Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    TListViewEx* List;
    MessageListModel* Rows;
    MessageListPane* Pane;
    QTreeWidget* Tree;
    QTabWidget* Pages;
    TPanelExpander* Types;
    SourceWindowPane* Source;
    QTreeView* SourceView;
    SourceLinesModel* SourceRows;
};

// Runs an action and waits until the window has handled what it caused, painting included.
template <class F>
double UntilShown(const Parts& ui, F&& action)
{
    return Milliseconds([&] {
        action();
        ui.Rows->FlushAppendedRows();
        QCoreApplication::processEvents();
        ui.List->viewport()->repaint();
    });
}

// Ten rules of which most rows match none (so each row tries all ten) and a few rows match one.
std::vector<HighlightRule> TenRules()
{
    const auto rule = [](HighlightTarget target, const char* pattern, bool expression) {
        HighlightRule made;
        made.Target = target;
        made.Pattern = QString::fromLatin1(pattern);
        made.RegularExpression = expression;
        made.Background = 0xffffe0a0u;
        return made;
    };
    HighlightRule type;
    type.Target = HighlightTarget::MessageType;
    type.Type = 7;
    type.Foreground = 0xffc00000u;
    return {rule(HighlightTarget::MessageText, "timeout", false),
            rule(HighlightTarget::MessageText, "connection refused", false),
            rule(HighlightTarget::MessageText, "item \\d+ of batch 4242$", true),
            rule(HighlightTarget::ClassName, "TNetwork", false),
            rule(HighlightTarget::ClassName, "^TWidget\\d", true),
            type,
            rule(HighlightTarget::MessageText, "batch 9999", false),
            rule(HighlightTarget::MessageText, "^Failed", true),
            rule(HighlightTarget::ClassName, "TClass39", false),
            rule(HighlightTarget::MessageText, "item 12345 ", false)};
}

// Median CPU times of scrolling the list down a page and painting it, from its top quarter on,
// with no highlight rules and with the rules given, each page both ways in turn so that both see
// the machine alike. The rules' matchers are made (and their expressions compiled) beforehand.
std::pair<double, double> MedianScrollFrames(const Parts& ui, const HighlightRules& rules, int pages)
{
    QScrollBar* bar = ui.List->verticalScrollBar();
    const int start = bar->maximum() / 4;
    std::vector<double> plain, ruled;
    for (int page = 0; page < 2 * pages; ++page) {
        const bool withRules = (page % 2 == 0) == (page / 2 % 2 == 0); // the first of a pair alternates
        ui.Rows->SetHighlightRules(withRules ? rules : HighlightRules(), 0, -1);
        bar->setValue(start + (page / 2 - 1) * bar->pageStep());
        ui.List->viewport()->repaint();
        (withRules ? ruled : plain).push_back(CpuMilliseconds([&] {
            bar->setValue(bar->value() + bar->pageStep());
            ui.List->viewport()->repaint();
        }));
    }
    std::sort(plain.begin(), plain.end());
    std::sort(ruled.begin(), ruled.end());
    return {plain[plain.size() / 2], ruled[ruled.size() / 2]};
}

} // namespace

int main(int argc, char* argv[])
{
    const OffscreenViewer viewer(argc, argv);
    const int messages = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
    const int unitLines = argc > 2 ? std::atoi(argv[2]) : 200'000;

    TraceSession session;
    TForm_Main form(session);
    const Parts ui(form);
    form.Dialogs.ShowMessageBox = [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
    form.show();
    form.FormActivate();
    QCoreApplication::processEvents();

    const long before = ResidentBytes();
    const double intakeMs = Milliseconds([&] {
        for (int i = 0; i < messages; ++i)
            PostTypical(session, i);
    });
    ui.Rows->FlushAppendedRows();
    QCoreApplication::processEvents();
    ui.List->viewport()->repaint();
    const long grown = ResidentBytes() - before;
    double textBytes = 0;
    for (int i = 0; i < messages; ++i) {
        const TTraceInfo& m = session.Store().Items(i);
        textBytes += m.ClassName.size() + m.MessageStr.size() + m.MessageGroup.size() + m.ComputerName.size()
            + m.MessageID.size() + m.UnitFileName.size() + m.MessageDate.size() + m.MessageTime.size();
    }
    std::printf("messages stored and listed:        %d (intake %.1f us each, window shown)\n", messages,
                1000.0 * intakeMs / messages);
    std::printf("text bytes per message:            %.1f\n", textBytes / messages);
    std::printf("resident growth per message:       %.1f bytes (%.2f x the texts)\n", double(grown) / messages,
                grown / textBytes);

    ui.Tree->expandAll();
    const double classMs = UntilShown(ui, [&] { ui.Tree->setCurrentItem(ui.Node("TClass7")); });
    std::printf("rebuild for a class node:          %.1f ms (%d rows)\n", classMs, ui.Rows->rowCount());
    const double allMs = UntilShown(ui, [&] { ui.Tree->setCurrentItem(ui.Node("All")); });
    std::printf("rebuild for node \"All\":            %.1f ms (%d rows)\n", allMs, ui.Rows->rowCount());

    // A list page of about forty rows, as on a desktop with the source window hidden; the other
    // figures keep the first layout.
    const QSize firstSize = form.size();
    QAction* sourceWindow = form.findChild<QAction*>("SourceWindow1");
    sourceWindow->trigger();
    form.resize(1280, 1000);
    QCoreApplication::processEvents();
    const HighlightRules ten(TenRules());
    ten.Match(session.Store().Items(0)); // compiles the expressions, as the first drawn row does
    const auto [plainMs, ruledMs] = MedianScrollFrames(ui, ten, 300);
    const double applyMs = UntilShown(ui, [&] { ui.Pane->SetHighlightRules(TenRules()); });
    ui.Pane->SetHighlightRules({});
    const int pageRows = ui.List->viewport()->height() / std::max(1, ui.List->sizeHintForRow(0));
    form.resize(firstSize);
    sourceWindow->trigger();
    QCoreApplication::processEvents();
    std::printf("scroll a page, paint (%d rows):     %.3f ms CPU a frame, %.3f ms with ten highlight rules (x %.3f)\n",
                pageRows, plainMs, ruledMs, ruledMs / plainMs);
    std::printf("put ten highlight rules in force:  %.1f ms (%d rows listed)\n", applyMs, ui.Rows->rowCount());

    ui.Pages->setCurrentIndex(1); // as a click on "Filters" does
    QCoreApplication::processEvents();
    const double filterMs = UntilShown(ui, [&] { ui.Types->SetItemChecked(1, false); });
    std::printf("rebuild for the filters:           %.1f ms (%d rows)\n", filterMs, ui.Rows->rowCount());

    QTemporaryDir dir;
    const std::string unit = dir.filePath(QStringLiteral("Big.pas")).toStdString();
    {
        std::ofstream out(unit, std::ios::binary);
        for (int line = 1; line < unitLines; ++line)
            out << "  Value" << line << " := Compute(Value" << line - 1 << ", " << line << ");\r\n";
        out << "  AddDebug(Self, 'UniqueStr_LAST', mtInfo);\r\n";
    }
    ui.Pages->setCurrentIndex(0);
    form.FormActivate();
    session.ReceiveTrace("TBig", "last line", 1, QString(), "BUILD-PC", "UniqueStr_LAST",
                         QString::fromStdString(unit), 45000.5);
    ui.Rows->FlushAppendedRows();
    QCoreApplication::processEvents();
    ui.List->SelectRow(ui.Rows->rowCount() - 1);
    const auto showLastLine = [&] {
        ui.Source->Clear();
        return Milliseconds([&] {
            emit ui.List->doubleClicked(ui.List->currentIndex());
            QCoreApplication::processEvents();
            ui.SourceView->viewport()->repaint();
        });
    };
    const auto selectedRow = [&] {
        const QModelIndexList selected = ui.SourceView->selectionModel()->selectedRows();
        return selected.isEmpty() ? -1 : selected.first().row();
    };
    const double sourceMs = showLastLine();
    std::printf("load %d-line unit, locate last:  %.1f ms (row %d selected)\n", unitLines, sourceMs,
                selectedRow());

    constexpr int keyMarks = 1000;
    for (int mark = 0; mark < keyMarks; ++mark) {
        const int row = static_cast<int>(static_cast<long long>(mark) * (unitLines - 1) / keyMarks);
        session.KeyMarks().Add(PlainKeyMark(ui.SourceRows->LineText(row), row, unit));
    }
    const double markedMs = showLastLine();
    int marked = 0;
    for (int row = 0; row < ui.SourceRows->rowCount(); ++row)
        marked += ui.SourceRows->HasKeyMarkImage(row);
    std::printf("the same with %d key marks:      %.1f ms (row %d selected, %d rows marked)\n", keyMarks,
                markedMs, selectedRow(), marked);

    const double saveMs = Milliseconds([&] { session.KeyMarks().Save(); });
    std::printf("save %d key marks to the hive:   %.1f ms (%.2f ms each)\n", keyMarks, saveMs, saveMs / keyMarks);
    const double loadMs = Milliseconds([&] { session.KeyMarks().Load(); });
    std::printf("load them from the hive:           %.1f ms\n", loadMs);
    session.KeyMarks().Assign({}); // closing saves them again otherwise
    return 0;
}
