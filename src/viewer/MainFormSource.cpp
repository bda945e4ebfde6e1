#include "viewer/MainFormUnit.h"

#include "components/ListViewEx.h"
#include "components/QtText.h"
#include "viewer/MainFormTexts.h"
#include "viewer/MessageListModel.h"
#include "viewer/SourceLinesModel.h"
#include "viewer/SourceNavigation.h"

#include <QAction>
#include <QEvent>
#include <QTreeView>

namespace vireo {

namespace {

// The source window as message navigation drives it.
class MainSourcePane : public SourcePane {
public:
    explicit MainSourcePane(TForm_Main& form) : form_(form) {}
    const std::string& CurrentUnitFile() const override { return form_.CurrentUnitFile; }
    int RowCount() const override { return form_.SourceRows->rowCount(); }
    void ClearUnit() override
    {
        form_.SourceRows->ClearRows(true);
        form_.CurrentUnitFile.clear();
    }
    void LoadUnitSource(const std::string& path, UnitLines lines) override
    {
        form_.LoadUnitSource(path, std::move(lines), true);
    }
    void RevealSourceRow(int row) override { form_.RevealSourceRow(row, true); }
    void ShowMessage(const std::string& text) override { form_.ShowMessageBox(QtText(text)); }

private:
    TForm_Main& form_;
};

} // namespace

void TForm_Main::ListViewEx_MessagesDblClick()
{
    SetStatusText(QLatin1String(kStatusLoadingSource));
    try {
        const int row = ListViewEx_Messages->SelectedRow();
        const std::optional<SourceRequest> request =
            row >= 0 ? std::optional(MessageRows->RequestForRow(row)) : std::nullopt;
        MainSourcePane pane(*this);
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
    SourceRows->LoadUnitSource(path, std::move(lines), markKeyMarks ? &KeyMarks : nullptr);
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
    return QMainWindow::eventFilter(watched, event);
}

} // namespace vireo
