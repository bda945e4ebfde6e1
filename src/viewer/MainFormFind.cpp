#include "viewer/MainFormUnit.h"

#include "components/ListViewEx.h"
#include "examiner/ExaminerWidgets.h"
#include "viewer/MessageColumns.h"
#include "viewer/MessageListModel.h"

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

void TForm_Main::CreateFindBar()
{
    FindBar = new QWidget(Panel_Main_Messages);
    FindBar->setObjectName(QStringLiteral("FindBar"));
    FindBar->setAccessibleName(QStringLiteral("Find"));
    auto* findLabel = new QLabel(QStringLiteral("F&ind:"), FindBar);
    Edit_Find = new QLineEdit(FindBar);
    Edit_Find->setObjectName(QStringLiteral("Edit_Find"));
    Edit_Find->setAccessibleName(QStringLiteral("Find"));
    findLabel->setBuddy(Edit_Find);
    CheckBox_FindRegExp = new QCheckBox(QStringLiteral("Regular E&xpression"), FindBar);
    CheckBox_FindRegExp->setObjectName(QStringLiteral("CheckBox_FindRegExp"));
    CheckBox_FindRegExp->setAccessibleName(QStringLiteral("Regular Expression"));
    Button_FindNext = CaptionedButton(FindBar, QStringLiteral("&Next"), QStringLiteral("Button_FindNext"));
    Button_FindPrevious = CaptionedButton(FindBar, QStringLiteral("&Previous"), QStringLiteral("Button_FindPrevious"));
    Button_FindClose = CaptionedButton(FindBar, QStringLiteral("Close"), QStringLiteral("Button_FindClose"));
    Label_FindNotice = new QLabel(FindBar);
    Label_FindNotice->setObjectName(QStringLiteral("Label_FindNotice"));

    auto* layout = new QHBoxLayout(FindBar);
    layout->setContentsMargins(2, 2, 2, 2);
    for (QWidget* widget : std::initializer_list<QWidget*>{findLabel, Edit_Find, CheckBox_FindRegExp, Button_FindNext,
                                                           Button_FindPrevious, Label_FindNotice})
        layout->addWidget(widget);
    layout->addStretch();
    layout->addWidget(Button_FindClose);
    static_cast<QVBoxLayout*>(Panel_Main_Messages->layout())->insertWidget(0, FindBar);
    FindBar->hide();

    connect(Edit_Find, &QLineEdit::returnPressed, this, [this] { FindMessage(true); });
    connect(Button_FindNext, &QPushButton::clicked, this, [this] { FindMessage(true); });
    connect(Button_FindPrevious, &QPushButton::clicked, this, [this] { FindMessage(false); });
    connect(Button_FindClose, &QPushButton::clicked, this, &TForm_Main::CloseFindBar);
    auto* escape = new QAction(FindBar);
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    escape->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    FindBar->addAction(escape);
    connect(escape, &QAction::triggered, this, &TForm_Main::CloseFindBar);
}

void TForm_Main::CreateFindCommands()
{
    PopupMenu_Messages->addSeparator();
    Find1 = AddShortcutItem(PopupMenu_Messages, "Find1", QStringLiteral("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F));
    FindNext1 = AddShortcutItem(PopupMenu_Messages, "FindNext1", QStringLiteral("Find &Next"), QKeySequence(Qt::Key_F3));
    FindPrevious1 = AddShortcutItem(PopupMenu_Messages, "FindPrevious1", QStringLiteral("Find &Previous"),
                                    QKeySequence(Qt::SHIFT | Qt::Key_F3));
    CopyMessages1 = AddShortcutItem(PopupMenu_Messages, "CopyMessages1", QStringLiteral("&Copy"),
                                    QKeySequence(QKeySequence::Copy));
    // Finding works from anywhere in the window; copying belongs to the list alone, so that
    // Ctrl+C in the source window or the find field copies their own text.
    for (QAction* item : {Find1, FindNext1, FindPrevious1})
        addAction(item);
    CopyMessages1->setShortcutContext(Qt::WidgetShortcut);
    ListViewEx_Messages->addAction(CopyMessages1);
    connect(Find1, &QAction::triggered, this, &TForm_Main::Find1Click);
    connect(FindNext1, &QAction::triggered, this, [this] { FindMessage(true); });
    connect(FindPrevious1, &QAction::triggered, this, [this] { FindMessage(false); });
    connect(CopyMessages1, &QAction::triggered, this, &TForm_Main::CopyMessages1Click);
}

void TForm_Main::Find1Click()
{
    FindBar->show();
    Edit_Find->setFocus(Qt::ShortcutFocusReason);
    Edit_Find->selectAll();
}

void TForm_Main::CloseFindBar()
{
    FindBar->hide();
    Label_FindNotice->clear();
    ListViewEx_Messages->setFocus(Qt::OtherFocusReason);
}

ShownColumns TForm_Main::CurrentShownColumns() const
{
    ShownColumns shown;
    shown.Milliseconds = Options.ShowMilliseconds;
    const QHeaderView* header = ListViewEx_Messages->header();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (column < kMessageColumnCount && !header->isSectionHidden(column) && header->sectionSize(column) > 0)
            shown.Columns.push_back(column);
    }
    return shown;
}

void TForm_Main::FindMessage(bool forward)
{
    if (Edit_Find->text().isEmpty()) {
        Find1Click();
        return;
    }
    FindBar->show(); // F3 after Escape searches again, and the bar shows where it went
    std::optional<TextMatcher> matcher;
    try {
        matcher.emplace(Edit_Find->text(), CheckBox_FindRegExp->isChecked());
    } catch (const std::invalid_argument& error) {
        Label_FindNotice->setText(QStringLiteral("Not a regular expression: ") + QString::fromStdString(error.what()));
        return;
    }
    MessageRows->FlushAppendedRows();
    const ShownColumns shown = CurrentShownColumns();
    const QModelIndex current = ListViewEx_Messages->currentIndex();
    const FoundRow found = FindRow(MessageRows->rowCount(), current.isValid() ? current.row() : -1, forward,
                                   [&](int row) { return matcher->Matches(MessageStore->Items(MessageRows->StoreIndex(row)), shown); });
    if (found.Row < 0) {
        Label_FindNotice->setText(QStringLiteral("No match"));
        return;
    }
    Label_FindNotice->setText(!found.Wrapped ? QString()
                              : forward      ? QStringLiteral("Passed the end, continued from the top")
                                             : QStringLiteral("Passed the top, continued from the end"));
    ListViewEx_Messages->SelectRow(found.Row); // a user's search scrolls even a held list
}

void TForm_Main::CopyMessages1Click()
{
    std::vector<int> rows;
    for (const QModelIndex& index : ListViewEx_Messages->selectionModel()->selectedRows())
        rows.push_back(index.row());
    if (rows.empty())
        return;
    std::sort(rows.begin(), rows.end());
    std::vector<const TTraceInfo*> messages;
    messages.reserve(rows.size());
    for (const int row : rows)
        messages.push_back(&MessageStore->Items(MessageRows->StoreIndex(row)));
    QGuiApplication::clipboard()->setText(QString::fromStdString(MessagesAsTable(messages, CurrentShownColumns())));
}

} // namespace vireo
