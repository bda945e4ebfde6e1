#include "viewer/panes/SourceWindowPane.h"

#include "components/AsciiText.h"
#include "components/QtText.h"
#include "settings/WindowPlacementWidgets.h"
#include "viewer/panes/SourceLinesModel.h"
#include "viewer/panes/ViewerDialogs.h"
#include "viewer/panes/ViewerImages.h"
#include "viewer/session/TraceSession.h"
#include "viewer/session/ViewerSettings.h"
#include "viewer/session/ViewerTexts.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTreeView>
#include <QVBoxLayout>

namespace vireo {

namespace {

// The modal input box for a key mark's description.
std::optional<QString> AskDescription(QWidget* parent, const QString& lineText)
{
    QInputDialog box(parent);
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle(QStringLiteral("Key Mark Description"));
    box.setLabelText(QStringLiteral("Please enter a key mark description :"));
    box.setOkButtonText(QStringLiteral("OK"));
    box.setCancelButtonText(QStringLiteral("Cancel"));
    box.setTextValue(lineText);
    if (auto* edit = box.findChild<QLineEdit*>()) {
        edit->setObjectName(QStringLiteral("Edit_KeyMarkDescription"));
        edit->setAccessibleName(QStringLiteral("Please enter a key mark description :"));
        edit->setMaxLength(255);
        edit->selectAll();
    }
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

} // namespace

// The pane as message and key-mark navigation drive it. Message navigation loads units marking
// their key-marked lines; key-mark navigation loads them unmarked.
class SourceWindowPane::Navigator : public KeyMarkPane {
public:
    Navigator(SourceWindowPane& pane, bool markKeyMarks) : pane_(pane), markKeyMarks_(markKeyMarks) {}
    const std::string& CurrentUnitFile() const override { return pane_.currentUnitFile_; }
    int RowCount() const override { return pane_.rows_->rowCount(); }
    void ClearUnit() override { pane_.Clear(); }
    void LoadUnitSource(const std::string& path, UnitLines lines) override
    {
        pane_.LoadUnitSource(path, std::move(lines), markKeyMarks_);
    }
    void RevealSourceRow(int row) override { pane_.RevealSourceRow(row, true); }
    void RevealSourceRow(int row, bool fromTop) override { pane_.RevealSourceRow(row, fromTop); }
    void SetKeyMarkImage(int row) override { pane_.rows_->SetKeyMarkImage(row, true); }
    void ShowMessage(const std::string& text) override { pane_.dialogs_.ShowMessageBox(QtText(text)); }
    void SetStatusText(const std::string& text) override { emit pane_.StatusText(QtText(text)); }

private:
    SourceWindowPane& pane_;
    bool markKeyMarks_;
};

SourceWindowPane::SourceWindowPane(TraceSession& session, ViewerDialogs& dialogs, QWidget* parent)
    : QWidget(parent), session_(session), keyMarks_(session.KeyMarks()), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Panel_Main_Source"));
    setAccessibleName(QStringLiteral("Source pane"));
    view_ = new QTreeView(this);
    view_->setObjectName(QStringLiteral("ListView_Source"));
    view_->setAccessibleName(QStringLiteral("Source"));
    view_->setRootIsDecorated(false);
    view_->setItemsExpandable(false);
    view_->setUniformRowHeights(true);
    view_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view_->setAllColumnsShowFocus(true);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->header()->setSectionsClickable(false);
    view_->header()->setStretchLastSection(false);
    view_->header()->setAccessibleName(QStringLiteral("Source columns"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    rows_ = new SourceLinesModel(this);
    rows_->SetKeyMarkIcon(ViewerImages::KeyMarkImage());
    view_->setModel(rows_);
    view_->setColumnWidth(0, 700);
    view_->setColumnWidth(1, 80);
    CreateMenu();
    view_->viewport()->installEventFilter(this);
    connect(view_, &QAbstractItemView::doubleClicked, this, &SourceWindowPane::ToggleKeyMarkOnSelectedLine);
    // Clearing every key mark takes every line's mark.
    connect(&keyMarks_, &KeyMarkBook::Reset, this, [this] {
        if (keyMarks_.Count() == 0)
            rows_->ClearKeyMarkImages();
    });
    dialogs_.InputKeyMarkDescription = [this](const QString& lineText) { return AskDescription(this, lineText); };
}

SourceWindowPane::~SourceWindowPane() = default;

void SourceWindowPane::CreateMenu()
{
    menu_ = new QMenu(view_);
    menu_->setObjectName(QStringLiteral("PopupMenu_Source"));
    menu_->setAccessibleName(QStringLiteral("Source menu"));
    addDescribed_ = menu_->addAction(QStringLiteral("&Add Key Mark with Description"));
    addDescribed_->setObjectName(QStringLiteral("AddKeyMarkwithDescription1"));
    addDescribed_->setEnabled(false);
    connect(addDescribed_, &QAction::triggered, this, &SourceWindowPane::AddDescribedKeyMark);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        EnableMenu(); // a menu opened from the keyboard follows no mouse-up
        menu_->popup(view_->viewport()->mapToGlobal(at));
    });
}

bool SourceWindowPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_->viewport() && event->type() == QEvent::MouseButtonRelease)
        EnableMenu();
    return QWidget::eventFilter(watched, event);
}

void SourceWindowPane::EnableMenu()
{
    addDescribed_->setEnabled(view_->selectionModel()->hasSelection());
}

void SourceWindowPane::ShowMessageSource(const std::optional<SourceRequest>& request)
{
    emit StatusText(QLatin1String(kStatusLoadingSource));
    try {
        Navigator pane(*this, true);
        FileUnitReader reader;
        vireo::ShowMessageSource(session_.Store(), request ? &*request : nullptr, pane, reader);
    } catch (const std::exception& error) {
        dialogs_.ShowMessageBox(QString::fromUtf8(error.what()));
    }
    emit StatusText(QLatin1String(kStatusIdle));
}

bool SourceWindowPane::ShowKeyMark(const KeyMark& mark)
{
    Navigator pane(*this, false);
    FileUnitReader reader;
    return vireo::ShowKeyMark(mark, pane, reader);
}

void SourceWindowPane::LoadUnitSource(const std::string& path, UnitLines lines, bool markKeyMarks)
{
    currentUnitFile_ = path;
    rows_->LoadUnitSource(path, std::move(lines), markKeyMarks ? &keyMarks_.Marks() : nullptr);
}

void SourceWindowPane::RevealSourceRow(int row, bool fromTop)
{
    for (const int step : RevealRowSequence(rows_->rowCount(), row, fromTop)) {
        const QModelIndex index = rows_->index(step, 0);
        view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view_->scrollTo(index, QAbstractItemView::EnsureVisible);
    }
    view_->setFocus();
}

void SourceWindowPane::Clear()
{
    rows_->ClearRows(true);
    currentUnitFile_.clear();
}

int SourceWindowPane::SelectedRow() const
{
    const QModelIndexList rows = view_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void SourceWindowPane::ToggleKeyMarkOnSelectedLine()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    const std::string& line = rows_->LineText(row);
    if (!rows_->HasKeyMarkImage(row)) {
        keyMarks_.Add(PlainKeyMark(line, row, currentUnitFile_));
        rows_->SetKeyMarkImage(row, true);
        return;
    }
    if (const int found = FindKeyMarkOnLine(keyMarks_.Marks(), line, row, currentUnitFile_); found >= 0)
        keyMarks_.Delete(found);
    rows_->SetKeyMarkImage(row, false);
}

void SourceWindowPane::AddDescribedKeyMark()
{
    const int row = SelectedRow();
    if (row < 0 || rows_->HasKeyMarkImage(row))
        return;
    const std::string& line = rows_->LineText(row);
    const std::optional<QString> description =
        dialogs_.InputKeyMarkDescription(QString::fromStdString(StripLeadingBlanks(line)));
    if (!description)
        return;
    keyMarks_.Add(DescribedKeyMark(description->left(255).toStdString(), line, row, currentUnitFile_));
    rows_->SetKeyMarkImage(row, true);
}

void SourceWindowPane::SetLineNumberColumn(bool shown)
{
    rows_->SetLineNumberColumn(shown);
}

void SourceWindowPane::ApplyLineNumberOption(bool before, bool after)
{
    switch (LineNumberColumnAfterOptions(before, after, rows_->columnCount())) {
    case LineNumberColumnChange::Append:
        rows_->SetLineNumberColumn(true);
        view_->setColumnWidth(1, kLineNumberColumnWidth);
        break;
    case LineNumberColumnChange::Remove:
        rows_->SetLineNumberColumn(false);
        break;
    case LineNumberColumnChange::None:
        break;
    }
}

void SourceWindowPane::RestoreColumnWidths()
{
    vireo::RestoreColumnWidths(*view_, kPlacementKey, kSourceListName);
}

void SourceWindowPane::SaveColumnWidths()
{
    vireo::SaveColumnWidths(*view_, kPlacementKey, kSourceListName);
}

} // namespace vireo
