#include "viewer/MainFormUnit.h"

#include "components/ListViewEx.h"
#include "components/QtText.h"
#include "viewer/KeyMarkListModel.h"
#include "viewer/MainFormTexts.h"
#include "viewer/MainSourcePane.h"
#include "viewer/MessageListModel.h"
#include "viewer/SourceLinesModel.h"
#include "viewer/SourceNavigation.h"

#include <QAction>
#include <QEvent>
#include <QTreeView>

namespace vireo {

void TForm_Main::ListViewEx_MessagesDblClick()
{
    SetStatusText(QLatin1String(kStatusLoadingSource));
    try {
        const QModelIndex current = ListViewEx_Messages->currentIndex();
        const bool currentSelected =
            current.isValid() && ListViewEx_Messages->selectionModel()->isRowSelected(current.row());
        const int row = currentSelected ? current.row() : ListViewEx_Messages->SelectedRow();
        const std::optional<SourceRequest> request =
            row >= 0 ? std::optional(MessageRows->RequestForRow(row)) : std::nullopt;
        MainSourcePane pane(*this, true);
        FileUnitReader reader;
        ShowMessageSource(*MessageStore, request ? &*request : nullptr, pane, reader);
    } catch (const std::exception& error) {
        ShowMessageBox(QString::fromUtf8(error.what()));
    }
    SetStatusText(QLatin1String(kStatusIdle));
}

void TForm_Main::LoadUnitSource(const std::string& path, UnitLines lines, bool markKeyMarks)
{
    CurrentUnitFile = path;
    SourceRows->LoadUnitSource(path, std::move(lines), markKeyMarks ? &KeyMarkRows->Marks() : nullptr);
}

void TForm_Main::RevealSourceRow(int row, bool fromTop)
{
    for (const int step : RevealRowSequence(SourceRows->rowCount(), row, fromTop)) {
        const QModelIndex index = SourceRows->index(step, 0);
        ListView_Source->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        ListView_Source->scrollTo(index, QAbstractItemView::EnsureVisible);
    }
    ListView_Source->setFocus();
}

void TForm_Main::ClearSourceClick()
{
    SourceRows->ClearRows(true);
    CurrentUnitFile.clear();
}

void TForm_Main::ListView_SourceMouseUp()
{
    AddKeyMarkwithDescription1->setEnabled(ListView_Source->selectionModel()->hasSelection());
}

bool TForm_Main::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListView_Source->viewport() && event->type() == QEvent::MouseButtonRelease)
        ListView_SourceMouseUp();
    if (ListViewEx_KeyMarks && watched == ListViewEx_KeyMarks->viewport()
        && event->type() == QEvent::MouseButtonRelease)
        ListViewEx_KeyMarksMouseUp();
    return QMainWindow::eventFilter(watched, event);
}

} // namespace vireo
