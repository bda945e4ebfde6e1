#include "viewer/MainFormUnit.h"

#include "components/ListViewEx.h"
#include "components/QtText.h"
#include "viewer/MessageListModel.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

namespace vireo {

void TForm_Main::RefreshTypeIcons()
{
    MessageRows->RefreshTypeIcons();
}

void TForm_Main::ColumnCommandClick(int column)
{
    const auto index = static_cast<std::size_t>(column);
    if (const int width = ListViewEx_Messages->columnWidth(column); width != 0)
        SavedColumnWidths[index] = width;
    ListViewEx_Messages->setColumnWidth(column, ColumnItems[index]->isChecked() ? SavedColumnWidths[index] : 0);
}

void TForm_Main::ListViewEx_MessagesChange(int row)
{
    if (HoldList1->isChecked() || row < 0 || row >= MessageRows->rowCount())
        return;
    ListViewEx_Messages->scrollTo(MessageRows->index(row, 0), QAbstractItemView::EnsureVisible);
}

void TForm_Main::CopyMessageTextClick()
{
    if (const int row = ListViewEx_Messages->SelectedRow(); row >= 0)
        QGuiApplication::clipboard()->setText(QtText(MessageRows->MessageText(row)));
}

} // namespace vireo
