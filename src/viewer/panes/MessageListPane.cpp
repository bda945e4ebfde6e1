#include "viewer/panes/MessageListPane.h"

#include "components/ListViewEx.h"
#include "components/QtText.h"
#include "examiner/ExaminerWidgets.h"
#include "settings/WindowPlacement.h"
#include "settings/WindowPlacementWidgets.h"
#include "viewer/panes/MenuItems.h"
#include "viewer/panes/MessageListModel.h"
#include "viewer/panes/MessageRateStrip.h"
#include "viewer/panes/QuickFilterBar.h"
#include "viewer/panes/ViewerImages.h"
#include "viewer/session/MessageColumns.h"
#include "viewer/session/MessageListing.h"
#include "viewer/session/TimeColumns.h"
#include "viewer/session/TraceSession.h"
#include "viewer/session/ViewerSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

namespace vireo {

namespace {

QAction* AddShortcutItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& keys)
{
    auto* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    item->setShortcut(keys);
    return item;
}

} // namespace

MessageListPane::MessageListPane(const TraceSession& session, MessageListing& listing, QWidget* parent)
    : QWidget(parent), session_(session), listing_(listing)
{
    setObjectName(QStringLiteral("Panel_Main_Messages"));
    setAccessibleName(QStringLiteral("Message pane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    std::copy(std::begin(kMessageColumnWidths), std::end(kMessageColumnWidths), savedColumnWidths_.begin());
    times_ = new TimeColumns(session, listing, this);
    rows_ = new MessageListModel(session.Store(), listing, *times_, this);
    rows_->SetStateImages(ViewerImages::MessageTypeImages());
    quickFilter_ = new QuickFilterBar(this);
    layout->addWidget(quickFilter_);
    connect(quickFilter_, &QuickFilterBar::Changed, this, &MessageListPane::ApplyQuickFilter);
    rate_ = new MessageRateStrip(session, listing, this);
    layout->addWidget(rate_);
    connect(rate_, &MessageRateStrip::RowChosen, this, &MessageListPane::SelectListedRow);
    CreateList();
    CreateMenu();
    CreateFindBar();
    CreateFindCommands();
    connect(&listing, &MessageListing::RowsReplaced, this, &MessageListPane::FollowRebuiltRows);
}

void MessageListPane::CreateList()
{
    list_ = new TListViewEx(this);
    list_->setObjectName(QStringLiteral("ListViewEx_Messages"));
    list_->setAccessibleName(QStringLiteral("Messages"));
    list_->SetReadOnly(true);
    // Several rows may be selected to copy them; the source window follows the current row.
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout()->addWidget(list_);
    list_->setModel(rows_);
    for (int column = 0; column < kMessageListColumnCount; ++column)
        list_->setColumnWidth(column, column < kMessageColumnCount ? kMessageColumnWidths[column] : 0);
    list_->OnAfterSort = [this](TListViewEx&, int&) { rows_->RefreshTypeIcons(); };

    connect(rows_, &QAbstractItemModel::rowsInserted, this, &MessageListPane::FollowLastRowSoon);
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (current.isValid())
            FollowRow(current.row());
    });
    connect(list_, &QAbstractItemView::doubleClicked, this, &MessageListPane::RequestSource);
}

void MessageListPane::CreateMenu()
{
    menu_ = new QMenu(list_);
    menu_->setObjectName(QStringLiteral("PopupMenu_Messages"));
    menu_->setAccessibleName(QStringLiteral("Message list menu"));
    holdList_ = menu_->addAction(QStringLiteral("Hold List"));
    holdList_->setObjectName(QStringLiteral("HoldList1"));
    holdList_->setCheckable(true);
    menu_->addSeparator();
    const char* names[] = {"ClassName1", "Message1",      "Group1", "Date1",
                           "Time1",      "ComputerName1", "Delta1", "SinceMark1"};
    for (int column = 0; column < kMessageListColumnCount; ++column) {
        QAction* item = menu_->addAction(QString::fromLatin1(kMessageColumnCaptions[column]));
        item->setObjectName(QString::fromLatin1(names[column]));
        item->setCheckable(true);
        item->setChecked(column < kMessageColumnCount); // the time columns start hidden
        connect(item, &QAction::triggered, this, [this, column] { ColumnCommandClick(column); });
        columnItems_[static_cast<std::size_t>(column)] = item;
    }
    menu_->addSeparator();
    setTimeMark_ = AddMenuItem(menu_, nullptr, "SetTimeMark1", QStringLiteral("Set Time Mark"), this,
                               &MessageListPane::SetTimeMark);
    copyMessageText_ = AddMenuItem(menu_, nullptr, "CopyMessageText1", QStringLiteral("Copy Message Text"), this,
                                   &MessageListPane::CopyMessageText);
    connect(menu_, &QMenu::aboutToShow, this, [this] {
        setTimeMark_->setEnabled(list_->currentIndex().isValid());
        copyMessageText_->setEnabled(list_->SelectedRow() >= 0);
    });
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { menu_->popup(list_->viewport()->mapToGlobal(at)); });
    // The Menu key and Shift+F10 open the menu at the current row.
    auto* menuKey = new QAction(list_);
    menuKey->setShortcuts({QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)});
    menuKey->setShortcutContext(Qt::WidgetShortcut);
    list_->addAction(menuKey);
    connect(menuKey, &QAction::triggered, this, [this] {
        const QRect row = list_->visualRect(list_->currentIndex());
        const QPoint at = row.isValid() ? row.bottomLeft() : QPoint();
        menu_->popup(list_->viewport()->mapToGlobal(at));
    });
}

void MessageListPane::CreateFindBar()
{
    findBar_ = new QWidget(this);
    findBar_->setObjectName(QStringLiteral("FindBar"));
    findBar_->setAccessibleName(QStringLiteral("Find"));
    auto* findLabel = new QLabel(QStringLiteral("F&ind:"), findBar_);
    findText_ = new QLineEdit(findBar_);
    findText_->setObjectName(QStringLiteral("Edit_Find"));
    findText_->setAccessibleName(QStringLiteral("Find"));
    findLabel->setBuddy(findText_);
    findRegExp_ = new QCheckBox(QStringLiteral("Regular E&xpression"), findBar_);
    findRegExp_->setObjectName(QStringLiteral("CheckBox_FindRegExp"));
    findRegExp_->setAccessibleName(QStringLiteral("Regular Expression"));
    QPushButton* next = CaptionedButton(findBar_, QStringLiteral("&Next"), QStringLiteral("Button_FindNext"));
    QPushButton* previous = CaptionedButton(findBar_, QStringLiteral("&Previous"), QStringLiteral("Button_FindPrevious"));
    QPushButton* close = CaptionedButton(findBar_, QStringLiteral("Close"), QStringLiteral("Button_FindClose"));
    findNotice_ = new QLabel(findBar_);
    findNotice_->setObjectName(QStringLiteral("Label_FindNotice"));

    auto* layout = new QHBoxLayout(findBar_);
    layout->setContentsMargins(2, 2, 2, 2);
    for (QWidget* widget : std::initializer_list<QWidget*>{findLabel, findText_, findRegExp_, next, previous, findNotice_})
        layout->addWidget(widget);
    layout->addStretch();
    layout->addWidget(close);
    static_cast<QVBoxLayout*>(this->layout())->insertWidget(0, findBar_);
    findBar_->hide();

    connect(findText_, &QLineEdit::returnPressed, this, [this] { FindMessage(true); });
    connect(next, &QPushButton::clicked, this, [this] { FindMessage(true); });
    connect(previous, &QPushButton::clicked, this, [this] { FindMessage(false); });
    connect(close, &QPushButton::clicked, this, &MessageListPane::CloseFindBar);
    auto* escape = new QAction(findBar_);
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    escape->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    findBar_->addAction(escape);
    connect(escape, &QAction::triggered, this, &MessageListPane::CloseFindBar);
}

void MessageListPane::CreateFindCommands()
{
    menu_->addSeparator();
    findCommands_ = {
        AddShortcutItem(menu_, "Find1", QStringLiteral("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F)),
        AddShortcutItem(menu_, "FindNext1", QStringLiteral("Find &Next"), QKeySequence(Qt::Key_F3)),
        AddShortcutItem(menu_, "FindPrevious1", QStringLiteral("Find &Previous"), QKeySequence(Qt::SHIFT | Qt::Key_F3))};
    QAction* copy = AddShortcutItem(menu_, "CopyMessages1", QStringLiteral("&Copy"), QKeySequence(QKeySequence::Copy));
    // Copying belongs to the list alone, so that Ctrl+C in the source window or the find field
    // copies their own text.
    copy->setShortcutContext(Qt::WidgetShortcut);
    list_->addAction(copy);
    connect(findCommands_[0], &QAction::triggered, this, &MessageListPane::ShowFindBar);
    connect(findCommands_[1], &QAction::triggered, this, [this] { FindMessage(true); });
    connect(findCommands_[2], &QAction::triggered, this, [this] { FindMessage(false); });
    connect(copy, &QAction::triggered, this, &MessageListPane::CopyMessages);
}

void MessageListPane::AddFindShortcutsTo(QWidget* window)
{
    for (QAction* item : findCommands_)
        window->addAction(item);
    auto* focusFilter = new QAction(QStringLiteral("Quick Filter"), window);
    focusFilter->setObjectName(QStringLiteral("FocusQuickFilter"));
    focusFilter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    focusFilter->setShortcutContext(Qt::WindowShortcut);
    window->addAction(focusFilter);
    connect(focusFilter, &QAction::triggered, quickFilter_, &QuickFilterBar::FocusField);
}

QuickFilterSettings MessageListPane::QuickFilterShown() const
{
    return quickFilter_->Settings();
}

void MessageListPane::SetQuickFilter(const QuickFilterSettings& settings)
{
    quickFilter_->SetSettings(settings);
}

const std::vector<HighlightRule>& MessageListPane::HighlightRulesShown() const
{
    return rows_->Highlights().List();
}

void MessageListPane::SetHighlightRules(std::vector<HighlightRule> rules)
{
    // The rows shown (none when no row is): a short list ends above the viewport's bottom.
    const int first = list_->indexAt(QPoint(0, 0)).row();
    int last = list_->indexAt(QPoint(0, list_->viewport()->height() - 1)).row();
    if (first < 0)
        last = -1;
    else if (last < 0)
        last = rows_->rowCount() - 1;
    rows_->SetHighlightRules(HighlightRules(std::move(rules)), first, last);
}

void MessageListPane::ApplyQuickFilter()
{
    QuickFilter filter(quickFilter_->Settings(), CurrentShownColumns());
    quickFilter_->ShowProblem(filter.Error());
    if (filter.Active() || listing_.Quick().Active()) // an empty filter kept empty changes no row
        listing_.SetQuickFilter(std::move(filter));
}

void MessageListPane::SetShown(bool shown)
{
    list_->setVisible(shown);
    setVisible(shown);
}

void MessageListPane::SetRateShown(bool shown)
{
    rate_->SetShown(shown);
}

void MessageListPane::SelectListedRow(int row)
{
    rows_->FlushAppendedRows(); // the row may not be announced yet
    list_->SelectRow(row);
}

void MessageListPane::SetShowMilliseconds(bool show)
{
    rows_->SetShowMilliseconds(show);
    ApplyQuickFilter(); // the time texts it looks at changed
}

int MessageListPane::ListedCount() const
{
    return rows_->RowTotal();
}

void MessageListPane::RestoreColumnWidths()
{
    vireo::RestoreColumnWidths(*list_, kPlacementKey, kMessagesListName);
    for (int column = kMessageColumnCount; column < kMessageListColumnCount; ++column)
        columnItems_[static_cast<std::size_t>(column)]->setChecked(list_->columnWidth(column) > 0);
}

void MessageListPane::SaveColumnWidths()
{
    QHeaderView* header = list_->header();
    std::vector<int> hidden;
    for (int column = 0; column < kMessageColumnCount; ++column)
        if (header->isSectionHidden(column) || header->sectionSize(column) == 0)
            hidden.push_back(column);
    // Hidden columns are saved shown; they are hidden again at once, as a save at the end of a
    // desktop session leaves the window in use until the session ends.
    for (const int column : hidden)
        list_->setColumnWidth(column, SavedColumnWidth(0));
    const auto hideAgain = [&] {
        for (const int column : hidden)
            list_->setColumnWidth(column, 0);
    };
    try {
        vireo::SaveColumnWidths(*list_, kPlacementKey, kMessagesListName);
        // A hidden time column is saved as "no width", which a restore leaves hidden; hives
        // without these values (older ones) load with the time columns hidden too.
        for (int column = kMessageColumnCount; column < kMessageListColumnCount; ++column)
            if (list_->columnWidth(column) == 0)
                vireo::SaveColumnWidth(kPlacementKey, kMessagesListName, column, kNoColumnWidth);
    } catch (...) {
        hideAgain();
        throw;
    }
    hideAgain();
}

void MessageListPane::ColumnCommandClick(int column)
{
    const auto index = static_cast<std::size_t>(column);
    if (const int width = list_->columnWidth(column); width != 0)
        savedColumnWidths_[index] = width;
    list_->setColumnWidth(column, columnItems_[index]->isChecked() ? savedColumnWidths_[index] : 0);
    if (column < kMessageColumnCount)
        ApplyQuickFilter(); // it looks at the shown columns only
}

void MessageListPane::SetTimeMark()
{
    if (const QModelIndex current = list_->currentIndex(); current.isValid())
        times_->SetMark(rows_->StoreIndex(current.row()));
}

void MessageListPane::FollowRow(int row)
{
    if (holdList_->isChecked() || row < 0 || row >= rows_->rowCount())
        return;
    list_->scrollTo(rows_->index(row, 0), QAbstractItemView::EnsureVisible);
}

void MessageListPane::FollowLastRowSoon()
{
    // Scrolling lays out every row at once; done later in the turn, it shares that layout with
    // whatever else changed the rows (the oldest dropped right after new ones were shown).
    if (followPending_)
        return;
    followPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            followPending_ = false;
            FollowRow(rows_->rowCount() - 1);
        },
        Qt::QueuedConnection);
}

void MessageListPane::FollowRebuiltRows()
{
    // A rebuilt list shows its last row, as appending does; a held one starts at its top.
    if (holdList_->isChecked())
        list_->scrollToTop();
    else
        FollowRow(rows_->rowCount() - 1);
}

void MessageListPane::RequestSource()
{
    const QModelIndex current = list_->currentIndex();
    const bool currentSelected = current.isValid() && list_->selectionModel()->isRowSelected(current.row());
    const int row = currentSelected ? current.row() : list_->SelectedRow();
    emit SourceRequested(row >= 0 ? std::optional(rows_->RequestForRow(row)) : std::nullopt);
}

void MessageListPane::CopyMessageText()
{
    if (const int row = list_->SelectedRow(); row >= 0)
        QGuiApplication::clipboard()->setText(QtText(rows_->MessageText(row)));
}

void MessageListPane::ShowFindBar()
{
    findBar_->show();
    findText_->setFocus(Qt::ShortcutFocusReason);
    findText_->selectAll();
}

void MessageListPane::CloseFindBar()
{
    findBar_->hide();
    findNotice_->clear();
    list_->setFocus(Qt::OtherFocusReason);
}

ShownColumns MessageListPane::CurrentShownColumns() const
{
    ShownColumns shown;
    shown.Milliseconds = rows_->ShowsMilliseconds();
    const QHeaderView* header = list_->header();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (column < kMessageListColumnCount && !header->isSectionHidden(column) && header->sectionSize(column) > 0)
            shown.Columns.push_back(column);
    }
    shown.TimeText = [this](const TTraceInfo& message, int column) {
        const int storeIndex = session_.Store().IndexOfSequence(message.SequenceNumber);
        return storeIndex < 0 ? std::string() : times_->Text(storeIndex, column);
    };
    return shown;
}

void MessageListPane::FindMessage(bool forward)
{
    if (findText_->text().isEmpty()) {
        ShowFindBar();
        return;
    }
    findBar_->show(); // F3 after Escape searches again, and the bar shows where it went
    std::optional<TextMatcher> matcher;
    try {
        matcher.emplace(findText_->text(), findRegExp_->isChecked());
    } catch (const std::invalid_argument& error) {
        findNotice_->setText(QStringLiteral("Not a regular expression: ") + QString::fromStdString(error.what()));
        return;
    }
    rows_->FlushAppendedRows();
    const ShownColumns shown = CurrentShownColumns();
    const MessageStore& store = session_.Store();
    const QModelIndex current = list_->currentIndex();
    const FoundRow found = FindRow(rows_->rowCount(), current.isValid() ? current.row() : -1, forward,
                                   [&](int row) { return matcher->Matches(store.Items(rows_->StoreIndex(row)), shown); });
    if (found.Row < 0) {
        findNotice_->setText(QStringLiteral("No match"));
        return;
    }
    findNotice_->setText(!found.Wrapped ? QString()
                         : forward      ? QStringLiteral("Passed the end, continued from the top")
                                        : QStringLiteral("Passed the top, continued from the end"));
    list_->SelectRow(found.Row); // a user's search scrolls even a held list
}

void MessageListPane::CopyMessages()
{
    std::vector<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    if (rows.empty())
        return;
    std::sort(rows.begin(), rows.end());
    for (int& row : rows)
        row = rows_->StoreIndex(row);
    QGuiApplication::clipboard()->setText(
        QString::fromStdString(MessagesAsTable(session_.Store(), rows, CurrentShownColumns())));
}

} // namespace vireo
