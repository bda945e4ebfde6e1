// Prints the figures of the main window with a large store, shown offscreen: rebuilding the list
// for tree nodes and for the filters (until the view has laid out and painted), and loading a
// 200,000-line unit into the source window and locating its last line, without key marks and
// with 1,000 key marks on it.
//   viewer_window_figures [message count, default 1000000] [unit lines, default 200000]

#include "../BenchSupport.h"
#include "components/ListViewEx.h"
#include "components/PanelExpander.h"
#include "viewer/KeyMarkListModel.h"
#include "viewer/MainFormUnit.h"
#include "viewer/MessageListModel.h"
#include "viewer/SourceLinesModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>
#include <fstream>

using namespace vireo;
using namespace vireo::bench;

namespace {

// Runs an action and waits until the window has handled what it caused, painting included.
template <class F>
double UntilShown(TForm_Main& form, F&& action)
{
    return Milliseconds([&] {
        action();
        form.MessageRows->FlushAppendedRows();
        QCoreApplication::processEvents();
        form.ListViewEx_Messages->viewport()->repaint();
    });
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir registry; // the window's settings stay out of the user's
    qputenv("VIREO_REGISTRY_DIR", registry.path().toUtf8());
    QApplication app(argc, argv);
    const int messages = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
    const int unitLines = argc > 2 ? std::atoi(argv[2]) : 200'000;

    TForm_Main form;
    form.ShowMessageBox = [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
    form.show();
    form.FormActivate();
    QCoreApplication::processEvents();

    // Typical traffic: a few dozen classes, units and IDs, five groups, one computer, a time that
    // changes every second, and a message text of its own for each message.
    const QString groups[] = {QString(), "mgRed", "mgBlue", "mgGreen", "mgYellow"};
    const long before = ResidentBytes();
    const double intakeMs = Milliseconds([&] {
        for (int i = 0; i < messages; ++i)
            form.ReceiveTrace(QStringLiteral("TClass%1").arg(i % 40),
                              QStringLiteral("Processing item %1 of batch %2").arg(i).arg(i / 100), i % 4,
                              groups[i % 5], QStringLiteral("BUILD-PC"),
                              QStringLiteral("UniqueStr_%1").arg(100000 + i % 400),
                              QStringLiteral("/home/dev/project/src/Unit%1.pas").arg(i % 40), 45000.5 + i / 86400.0);
    });
    form.MessageRows->FlushAppendedRows();
    QCoreApplication::processEvents();
    form.ListViewEx_Messages->viewport()->repaint();
    const long grown = ResidentBytes() - before;
    double textBytes = 0;
    for (int i = 0; i < messages; ++i) {
        const TTraceInfo& m = form.MessageStore->Items(i);
        textBytes += m.ClassName.size() + m.MessageStr.size() + m.MessageGroup.size() + m.ComputerName.size()
            + m.MessageID.size() + m.UnitFileName.size() + m.MessageDate.size() + m.MessageTime.size();
    }
    std::printf("messages stored and listed:        %d (intake %.1f us each, window shown)\n", messages,
                1000.0 * intakeMs / messages);
    std::printf("text bytes per message:            %.1f\n", textBytes / messages);
    std::printf("resident growth per message:       %.1f bytes (%.2f x the texts)\n", double(grown) / messages,
                grown / textBytes);

    form.TreeView_Main->expandAll();
    const double classMs = UntilShown(form, [&] { form.TreeView_Main->setCurrentItem(form.FindNode("TClass7")); });
    std::printf("rebuild for a class node:          %.1f ms (%d rows)\n", classMs, form.MessageRows->rowCount());
    const double allMs = UntilShown(form, [&] { form.TreeView_Main->setCurrentItem(form.FindNode("All")); });
    std::printf("rebuild for node \"All\":            %.1f ms (%d rows)\n", allMs, form.MessageRows->rowCount());

    form.PageControl_Main->setCurrentIndex(1); // as a click on "Filters" does
    QCoreApplication::processEvents();
    QCheckBox* information = form.PanelExpander_MessType->Item(1).CheckBox();
    const double filterMs = UntilShown(form, [&] { information->click(); });
    std::printf("rebuild for the filters:           %.1f ms (%d rows)\n", filterMs, form.MessageRows->rowCount());

    QTemporaryDir dir;
    const std::string unit = dir.filePath(QStringLiteral("Big.pas")).toStdString();
    {
        std::ofstream out(unit, std::ios::binary);
        for (int line = 1; line < unitLines; ++line)
            out << "  Value" << line << " := Compute(Value" << line - 1 << ", " << line << ");\r\n";
        out << "  AddDebug(Self, 'UniqueStr_LAST', mtInfo);\r\n";
    }
    form.PageControl_Main->setCurrentIndex(0);
    form.FormActivate();
    form.ReceiveTrace("TBig", "last line", 1, QString(), "BUILD-PC", "UniqueStr_LAST",
                      QString::fromStdString(unit), 45000.5);
    form.MessageRows->FlushAppendedRows();
    QCoreApplication::processEvents();
    form.ListViewEx_Messages->SelectRow(form.MessageRows->rowCount() - 1);
    const auto showLastLine = [&] {
        form.ClearSourceClick();
        return Milliseconds([&] {
            form.ListViewEx_MessagesDblClick();
            QCoreApplication::processEvents();
            form.ListView_Source->viewport()->repaint();
        });
    };
    const auto selectedRow = [&] {
        const QModelIndexList selected = form.ListView_Source->selectionModel()->selectedRows();
        return selected.isEmpty() ? -1 : selected.first().row();
    };
    const double sourceMs = showLastLine();
    std::printf("load %d-line unit, locate last:  %.1f ms (row %d selected)\n", unitLines, sourceMs,
                selectedRow());

    constexpr int keyMarks = 1000;
    for (int mark = 0; mark < keyMarks; ++mark) {
        const int row = static_cast<int>(static_cast<long long>(mark) * (unitLines - 1) / keyMarks);
        form.KeyMarkRows->Add(PlainKeyMark(form.SourceRows->LineText(row), row, unit));
    }
    const double markedMs = showLastLine();
    int marked = 0;
    for (int row = 0; row < form.SourceRows->rowCount(); ++row)
        marked += form.SourceRows->HasKeyMarkImage(row);
    std::printf("the same with %d key marks:      %.1f ms (row %d selected, %d rows marked)\n", keyMarks,
                markedMs, selectedRow(), marked);

    const double saveMs = Milliseconds([&] { form.SaveKeyMarks(); });
    std::printf("save %d key marks to the hive:   %.1f ms (%.2f ms each)\n", keyMarks, saveMs, saveMs / keyMarks);
    const double loadMs = Milliseconds([&] { form.LoadKeyMarks(); });
    std::printf("load them from the hive:           %.1f ms\n", loadMs);
    form.ClearsAllKeyMarks1Click(); // closing saves them again otherwise
    return 0;
}
