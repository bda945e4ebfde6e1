// TForm_Main's key marks: the "User Key Marks" page, setting and removing marks from the source
// window, navigating to them, and their registry entries. The rules are in KeyMarkRules.
#include "viewer/MainFormUnit.h"

#include "components/AsciiText.h"
#include "components/ListViewEx.h"
#include "viewer/KeyMarkListModel.h"
#include "viewer/MainSourcePane.h"
#include "viewer/MenuItems.h"
#include "viewer/SourceLinesModel.h"
#include "viewer/SourceNavigation.h"

#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
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

void TForm_Main::CreateKeyMarksPage()
{
    auto* layout = new QVBoxLayout(TabSheet_UserKeyMarks);
    layout->setContentsMargins(0, 0, 0, 0);
    ListViewEx_KeyMarks = new TListViewEx(TabSheet_UserKeyMarks);
    ListViewEx_KeyMarks->setObjectName(QStringLiteral("ListViewEx_KeyMarks"));
    ListViewEx_KeyMarks->setAccessibleName(QStringLiteral("Key Marks"));
    KeyMarkRows = new KeyMarkListModel(this);
    ListViewEx_KeyMarks->setModel(KeyMarkRows);
    ListViewEx_KeyMarks->setColumnWidth(0, 600);
    layout->addWidget(ListViewEx_KeyMarks, 1);
    CreateKeyMarksPanel(TabSheet_UserKeyMarks);

    connect(ListViewEx_KeyMarks, &QAbstractItemView::doubleClicked, this, &TForm_Main::ListViewEx_KeyMarksDblClick);
    connect(ListViewEx_KeyMarks->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TForm_Main::ListViewEx_KeyMarksChange);
    connect(KeyMarkRows, &QAbstractItemModel::dataChanged, this, &TForm_Main::ListViewEx_KeyMarksChange);
    ListViewEx_KeyMarks->viewport()->installEventFilter(this);

    PopupMenu_KeyMarks = new QMenu(ListViewEx_KeyMarks);
    PopupMenu_KeyMarks->setObjectName(QStringLiteral("PopupMenu_KeyMarks"));
    PopupMenu_KeyMarks->setAccessibleName(QStringLiteral("Key marks menu"));
    ClearKeyMark1 = AddMenuItem(PopupMenu_KeyMarks, nullptr, "ClearKeyMark1", QStringLiteral("Clear &Key Mark"), this,
                                &TForm_Main::ClearKeyMark1Click);
    PopupMenu_KeyMarks->addSeparator();
    ClearsAllKeyMarks1 = AddMenuItem(PopupMenu_KeyMarks, nullptr, "ClearsAllKeyMarks1",
                                     QStringLiteral("Clears &All Key Marks"), this,
                                     &TForm_Main::ClearsAllKeyMarks1Click);
    ListViewEx_KeyMarksMouseUp();
    ListViewEx_KeyMarks->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListViewEx_KeyMarks, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        ListViewEx_KeyMarksMouseUp(); // a menu opened from the keyboard follows no mouse-up
        PopupMenu_KeyMarks->popup(ListViewEx_KeyMarks->viewport()->mapToGlobal(at));
    });

    ClearAllUserKeyMarks1 = AddMenuItem(MessageOptions1, ClearSourceWindow1, "ClearAllUserKeyMarks1",
                                        QStringLiteral("Clear All &User Key Marks"), this,
                                        &TForm_Main::ClearsAllKeyMarks1Click);
    InputKeyMarkDescription = [this](const QString& lineText) { return AskDescription(this, lineText); };
}

void TForm_Main::CreateKeyMarksPanel(QWidget* page)
{
    auto* panel = new QWidget(page);
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
    Label_UnitName = addRow("Label_UnitName", QStringLiteral("Unit Name :"), QStringLiteral("<No Unit Name>"));
    Label_LineNum = addRow("Label_LineNum", QStringLiteral("Line Number :"), QStringLiteral("0"));
    page->layout()->addWidget(panel);
}

int TForm_Main::SelectedSourceRow() const
{
    const QModelIndexList rows = ListView_Source->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TForm_Main::ListView_SourceDblClick()
{
    const int row = SelectedSourceRow();
    if (row < 0)
        return;
    const std::string& line = SourceRows->LineText(row);
    if (!SourceRows->HasKeyMarkImage(row)) {
        KeyMarkRows->Add(PlainKeyMark(line, row, CurrentUnitFile));
        SourceRows->SetKeyMarkImage(row, true);
        return;
    }
    if (const int found = FindKeyMarkOnLine(KeyMarkRows->Marks(), line, row, CurrentUnitFile); found >= 0)
        KeyMarkRows->Delete(found);
    SourceRows->SetKeyMarkImage(row, false);
}

void TForm_Main::AddKeyMarkwithDescription1Click()
{
    const int row = SelectedSourceRow();
    if (row < 0 || SourceRows->HasKeyMarkImage(row))
        return;
    const std::string& line = SourceRows->LineText(row);
    const std::optional<QString> description = InputKeyMarkDescription(QString::fromStdString(StripLeadingBlanks(line)));
    if (!description)
        return;
    KeyMarkRows->Add(DescribedKeyMark(description->left(255).toStdString(), line, row, CurrentUnitFile));
    SourceRows->SetKeyMarkImage(row, true);
}

void TForm_Main::ListViewEx_KeyMarksDblClick()
{
    const int selected = ListViewEx_KeyMarks->SelectedRow();
    if (selected < 0)
        return;
    MainSourcePane pane(*this, false);
    FileUnitReader reader;
    ShowKeyMark(KeyMarkRows->Marks().at(static_cast<std::size_t>(selected)), pane, reader);
}

void TForm_Main::ListViewEx_KeyMarksChange()
{
    const int selected = ListViewEx_KeyMarks->SelectedRow();
    if (selected < 0)
        return;
    const KeyMark& mark = KeyMarkRows->Marks().at(static_cast<std::size_t>(selected));
    Label_UnitName->setText(QString::fromStdString(mark.UnitName));
    Label_LineNum->setText(QString::fromStdString(mark.LineNumber));
}

void TForm_Main::ListViewEx_KeyMarksMouseUp()
{
    ClearKeyMark1->setEnabled(ListViewEx_KeyMarks->SelectedRow() >= 0);
    ClearsAllKeyMarks1->setEnabled(KeyMarkRows->rowCount() > 0);
}

void TForm_Main::ClearKeyMark1Click()
{
    const int selected = ListViewEx_KeyMarks->SelectedRow();
    if (selected < 0)
        return;
    const KeyMark mark = KeyMarkRows->Marks().at(static_cast<std::size_t>(selected));
    if (!SameTextAscii(mark.UnitName, CurrentUnitFile))
        return;
    // Only a revealed line may be toggled: otherwise the selected source row is another line,
    // whose mark would go (or which would gain one) instead.
    MainSourcePane pane(*this, false);
    FileUnitReader reader;
    if (ShowKeyMark(mark, pane, reader))
        ListView_SourceDblClick();
}

void TForm_Main::ClearsAllKeyMarks1Click()
{
    KeyMarkRows->Assign({});
    SourceRows->ClearKeyMarkImages();
}

void TForm_Main::LoadKeyMarks()
{
    try {
        KeyMarkRows->Assign(ReadKeyMarks());
        keyMarksUnread_ = false;
    } catch (const std::exception& error) {
        keyMarksUnread_ = true;
        // Told once the window is up: while it is being created nobody could answer a box.
        const QString text = QStringLiteral("The key marks could not be read: %1. Key marks will not be saved "
                                            "at close, so that the stored ones stay as they are.")
                                 .arg(QString::fromUtf8(error.what()));
        QMetaObject::invokeMethod(this, [this, text] { ShowMessageBox(text); }, Qt::QueuedConnection);
    }
}

void TForm_Main::SaveKeyMarks()
{
    if (keyMarksUnread_)
        return;
    try {
        WriteKeyMarks(KeyMarkRows->Marks());
    } catch (const std::exception& error) {
        ShowMessageBox(QStringLiteral("The key marks could not be saved: ") + QString::fromUtf8(error.what()));
    }
}

} // namespace vireo
