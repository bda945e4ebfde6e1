#include "viewer/panes/KeyMarksPage.h"

#include "components/AsciiText.h"
#include "components/ListViewEx.h"
#include "settings/WindowPlacementWidgets.h"
#include "viewer/panes/KeyMarkListModel.h"
#include "viewer/panes/MenuItems.h"
#include "viewer/panes/SourceWindowPane.h"
#include "viewer/panes/ViewerDialogs.h"
#include "viewer/session/KeyMarkBook.h"
#include "viewer/session/ViewerSettings.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

namespace vireo {

KeyMarksPage::KeyMarksPage(KeyMarkBook& marks, SourceWindowPane& source, ViewerDialogs& dialogs, QWidget* parent)
    : QWidget(parent), marks_(marks), source_(source), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("TabSheet_UserKeyMarks"));
    setAccessibleName(QStringLiteral("User Key Marks"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    list_ = new TListViewEx(this);
    list_->setObjectName(QStringLiteral("ListViewEx_KeyMarks"));
    list_->setAccessibleName(QStringLiteral("Key Marks"));
    rows_ = new KeyMarkListModel(marks, this);
    list_->setModel(rows_);
    list_->setColumnWidth(0, 600);
    layout->addWidget(list_, 1);
    CreatePanel();
    CreateMenu();

    connect(list_, &QAbstractItemView::doubleClicked, this, &KeyMarksPage::ShowMarkedLine);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &KeyMarksPage::ShowSelectedMark);
    connect(rows_, &QAbstractItemModel::dataChanged, this, &KeyMarksPage::ShowSelectedMark);
    list_->viewport()->installEventFilter(this);
}

void KeyMarksPage::CreatePanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel_KeyMarks"));
    panel->setAccessibleName(QStringLiteral("Selected key mark"));
    auto* rows = new QVBoxLayout(panel);
    QPalette navy = panel->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    const auto addRow = [&](const char* name, const QString& caption, const QString& initial) {
        auto* row = new QHBoxLayout;
        auto* label = new QLabel(caption, panel);
        auto* value = new QLabel(initial, panel);
        value->setObjectName(QString::fromLatin1(name));
        value->setPalette(navy);
        row->addWidget(label);
        row->addWidget(value, 1);
        rows->addLayout(row);
        return value;
    };
    unitName_ = addRow("Label_UnitName", QStringLiteral("Unit Name :"), QStringLiteral("<No Unit Name>"));
    lineNumber_ = addRow("Label_LineNum", QStringLiteral("Line Number :"), QStringLiteral("0"));
    layout()->addWidget(panel);
}

void KeyMarksPage::CreateMenu()
{
    menu_ = new QMenu(list_);
    menu_->setObjectName(QStringLiteral("PopupMenu_KeyMarks"));
    menu_->setAccessibleName(QStringLiteral("Key marks menu"));
    clearMark_ = AddMenuItem(menu_, nullptr, "ClearKeyMark1", QStringLiteral("Clear &Key Mark"), this,
                             &KeyMarksPage::ClearSelectedMark);
    menu_->addSeparator();
    clearAll_ = AddMenuItem(menu_, nullptr, "ClearsAllKeyMarks1", QStringLiteral("Clears &All Key Marks"), this,
                            &KeyMarksPage::ClearAll);
    EnableMenu();
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        EnableMenu(); // a menu opened from the keyboard follows no mouse-up
        menu_->popup(list_->viewport()->mapToGlobal(at));
    });
}

bool KeyMarksPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonRelease)
        EnableMenu();
    return QWidget::eventFilter(watched, event);
}

void KeyMarksPage::EnableMenu()
{
    clearMark_->setEnabled(list_->SelectedRow() >= 0);
    clearAll_->setEnabled(marks_.Count() > 0);
}

void KeyMarksPage::ShowMarkedLine()
{
    if (const int selected = list_->SelectedRow(); selected >= 0)
        source_.ShowKeyMark(marks_.At(selected));
}

void KeyMarksPage::ShowSelectedMark()
{
    const int selected = list_->SelectedRow();
    if (selected < 0)
        return;
    const KeyMark& mark = marks_.At(selected);
    unitName_->setText(QString::fromStdString(mark.UnitName));
    lineNumber_->setText(QString::fromStdString(mark.LineNumber));
}

void KeyMarksPage::ClearSelectedMark()
{
    const int selected = list_->SelectedRow();
    if (selected < 0)
        return;
    const KeyMark mark = marks_.At(selected);
    if (!SameTextAscii(mark.UnitName, source_.CurrentUnitFile()))
        return;
    // Only a revealed line may be toggled: otherwise the selected source row is another line,
    // whose mark would go (or which would gain one) instead.
    if (source_.ShowKeyMark(mark))
        source_.ToggleKeyMarkOnSelectedLine();
}

void KeyMarksPage::ClearAll()
{
    marks_.Assign({});
}

void KeyMarksPage::LoadKeyMarks()
{
    const std::optional<std::string> problem = marks_.Load();
    if (!problem)
        return;
    // Told once the window is up: while it is being created nobody could answer a box.
    const QString text = QStringLiteral("The key marks could not be read: %1. Key marks will not be saved "
                                        "at close, so that the stored ones stay as they are.")
                             .arg(QString::fromStdString(*problem));
    QMetaObject::invokeMethod(this, [this, text] { dialogs_.ShowMessageBox(text); }, Qt::QueuedConnection);
}

void KeyMarksPage::SaveKeyMarks()
{
    if (const std::optional<std::string> problem = marks_.Save())
        dialogs_.ShowMessageBox(QStringLiteral("The key marks could not be saved: ") + QString::fromStdString(*problem));
}

void KeyMarksPage::RestoreColumnWidths()
{
    vireo::RestoreColumnWidths(*list_, kPlacementKey, kKeyMarksListName);
}

void KeyMarksPage::SaveColumnWidths()
{
    vireo::SaveColumnWidths(*list_, kPlacementKey, kKeyMarksListName);
}

} // namespace vireo
