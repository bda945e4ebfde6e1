#include "examiner/AddOn_MainForm.h"

#include "examiner/AddOnRules.h"
#include "examiner/ExaminerListModel.h"
#include "examiner/ExaminerWidgets.h"
#include "examiner/FLineFinder.h"
#include "examiner/ReviewForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace vireo {

namespace {

// How often a long action lets the window repaint its progress bar.
constexpr qint64 kRepaintIntervalMs = 40;

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// ImageList1's one picture, InstrumentedMark: a green tick on a routine that already calls AddDebug.
QIcon InstrumentedMark()
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 128, 0), 2.5));
    painter.drawPolyline(QPolygon({QPoint(3, 8), QPoint(7, 12), QPoint(13, 4)}));
    return QIcon(picture);
}

// A caption label that names the control it stands before.
QLabel* CaptionFor(QWidget* parent, const QString& caption, QWidget* control)
{
    auto* label = new QLabel(caption, parent);
    label->setBuddy(control);
    control->setAccessibleName(QString(caption).remove(QStringLiteral(" :")));
    return label;
}

QMessageBox::StandardButton ModalBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                                     const QString& text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, caption, text, buttons, owner);
    return QMessageBox::StandardButton(box.exec());
}

} // namespace

TFrm_VireoAddOn::TFrm_VireoAddOn(QWidget* owner, std::string filePath, ExaminerModel::ShareReader shares,
                                 TickSource* clock)
    : QDialog(owner), ownClock_(clock ? nullptr : std::make_unique<SystemTickSource>()),
      model_(std::move(filePath), clock ? *clock : *ownClock_, std::move(shares), LocalComputerName())
{
    setObjectName(QStringLiteral("Frm_VireoAddOn"));
    setWindowTitle(QStringLiteral("Code Examiner"));
    setAccessibleName(windowTitle());
    ShowMessageBox = [this](QMessageBox::Icon icon, const QString& caption, const QString& text,
                            QMessageBox::StandardButtons buttons) {
        return ModalBox(this, icon, caption, text, buttons);
    };
    ShowModal = [](QDialog& window) { window.exec(); };

    CreateMenu();
    CreatePages();
    CreateProgressBar();
    CreateLayout();
    model_.SetProgress([this](int position, int maximum) { ShowProgress(position, maximum); });
    PageControl1Change(PageControl1->currentIndex());
}

TFrm_VireoAddOn::~TFrm_VireoAddOn()
{
    // The lists read the examiner's model, which goes before the widgets do: hiding them while the
    // window is torn down must not lay them out over a model that no longer exists.
    for (QTreeView* list : ListViews)
        list->setModel(nullptr);
    try {
        StorePascalMode(model_.PascalMode());
    } catch (const std::exception&) {
        // Only a preference: the next examiner starts with the line rules, nothing else is lost.
    }
}

void TFrm_VireoAddOn::CreateProgressBar()
{
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(QStringLiteral("Progress"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
}

// The unit selector on top, the tabs with the options and buttons beside them, the progress bar
// at the bottom.
void TFrm_VireoAddOn::CreateLayout()
{
    auto* side = new QVBoxLayout;
    side->addWidget(CreateOptions());
    side->addWidget(CreateButtons());
    side->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addWidget(PageControl1, 1);
    middle->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(CreateUnitSelector());
    layout->addLayout(middle, 1);
    layout->addWidget(ProgressBar1);
    resize(1000, 600);
}

void TFrm_VireoAddOn::CreateMenu()
{
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    MainMenu1->setAccessibleName(QStringLiteral("Main menu"));
    About1 = MainMenu1->addAction(QStringLiteral("&About"), this, &TFrm_VireoAddOn::About1Click);
    About1->setObjectName(QStringLiteral("About1"));
    // "&About" shares its access key with "&Add Debug Code To Selected Methods"; F1 always reaches it.
    About1->setShortcut(QKeySequence::HelpContents);
}

QWidget* TFrm_VireoAddOn::CreateUnitSelector()
{
    auto* bar = new QWidget(this);
    ComboBox_Units = new QComboBox(bar);
    ComboBox_Units->setObjectName(QStringLiteral("ComboBox_Units"));
    ComboBox_Units->setEditable(false);
    ComboBox_Units->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(CaptionFor(bar, QStringLiteral("Unit Name :"), ComboBox_Units));
    row->addWidget(ComboBox_Units, 1);
    connect(ComboBox_Units, &QComboBox::activated, this, &TFrm_VireoAddOn::ComboBox_UnitsChange);
    return bar;
}

void TFrm_VireoAddOn::CreatePages()
{
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setAccessibleName(QStringLiteral("Lists"));
    for (std::size_t i = 0; i < kExaminerListCount; ++i)
        CreateList(ExaminerListKind(i));
    ConnectDblClick(ExaminerListKind::Procedures, &TFrm_VireoAddOn::ListView_ProceduresDblClick);
    ConnectDblClick(ExaminerListKind::Functions, &TFrm_VireoAddOn::ListView_FunctionsDblClick);
    ConnectDblClick(ExaminerListKind::Exceptions, &TFrm_VireoAddOn::ListView_ExceptionsDblClick);
    ConnectDblClick(ExaminerListKind::Fors, &TFrm_VireoAddOn::ListView_ForsDblClick);
    ConnectDblClick(ExaminerListKind::Whiles, &TFrm_VireoAddOn::ListView_WhilesDblClick);
    ConnectDblClick(ExaminerListKind::Repeats, &TFrm_VireoAddOn::ListView_RepeatsDblClick);
    ConnectDblClick(ExaminerListKind::Custom, &TFrm_VireoAddOn::ListView_CustomDblClick);
    ConnectDblClick(ExaminerListKind::CodeMarks, &TFrm_VireoAddOn::ListView_CodeMarksDblClick);
    qobject_cast<QVBoxLayout*>(TabSheets[std::size_t(ExaminerListKind::Custom)]->layout())
        ->insertWidget(0, CreateSearchBar());
    connect(PageControl1, &QTabWidget::currentChanged, this, &TFrm_VireoAddOn::PageControl1Change);
}

// One tab with its report list: read-only, several rows selectable, whole rows, selection kept
// visible when the list loses the focus.
void TFrm_VireoAddOn::CreateList(ExaminerListKind kind)
{
    const std::size_t i = std::size_t(kind);
    const QString caption = Text(ExaminerTabCaption(kind));
    auto* page = new QWidget(PageControl1);
    page->setObjectName(Text(ExaminerTabName(kind)));
    page->setAccessibleName(caption);
    auto* list = new QTreeView(page);
    list->setObjectName(Text(ExaminerListName(kind)));
    list->setAccessibleName(caption);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setIconSize(QSize(16, 16));
    listModels_[i] = new ExaminerListModel(model_, kind, InstrumentedMark(), list);
    list->setModel(listModels_[i]);
    const auto columns = ExaminerListColumns(kind);
    for (std::size_t c = 0; c < columns.size(); ++c)
        list->setColumnWidth(int(c), columns[c].width);
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this, kind] { TakeSelection(kind); });
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(list);
    PageControl1->addTab(page, caption);
    TabSheets[i] = page;
    ListViews[i] = list;
}

void TFrm_VireoAddOn::ConnectDblClick(ExaminerListKind kind, void (TFrm_VireoAddOn::*handler)())
{
    connect(ListView(kind), &QTreeView::doubleClicked, this, handler);
}

QWidget* TFrm_VireoAddOn::CreateSearchBar()
{
    auto* bar = new QWidget(this);
    Edit_Search = new QLineEdit(bar);
    Edit_Search->setObjectName(QStringLiteral("Edit_Search"));
    Button_Search = CaptionedButton(bar, QStringLiteral("&Search"), QStringLiteral("Button_Search"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(CaptionFor(bar, QStringLiteral("Enter Search :"), Edit_Search));
    row->addWidget(Edit_Search, 1);
    row->addWidget(Button_Search);
    connect(Button_Search, &QPushButton::clicked, this, &TFrm_VireoAddOn::Button_SearchClick);
    connect(Edit_Search, &QLineEdit::returnPressed, this, &TFrm_VireoAddOn::Button_SearchClick);
    return bar;
}

QWidget* TFrm_VireoAddOn::CreateOptions()
{
    auto* panel = new QGroupBox(QStringLiteral("Vireo Options"), this);
    panel->setObjectName(QStringLiteral("Panel_Options"));
    panel->setAccessibleName(panel->title());
    SpinEdit_Spaces = new QSpinBox(panel);
    SpinEdit_Spaces->setObjectName(QStringLiteral("SpinEdit_Spaces"));
    SpinEdit_Spaces->setRange(0, 10);
    SpinEdit_Spaces->setValue(model_.Indentation());
    Edit_RemoteComputer = new QLineEdit(panel);
    Edit_RemoteComputer->setObjectName(QStringLiteral("Edit_RemoteComputer"));
    CheckBox_PascalMode = new QCheckBox(QStringLiteral("Read &Pascal (comments, strings, nesting)"), panel);
    CheckBox_PascalMode->setObjectName(QStringLiteral("CheckBox_PascalMode"));
    CheckBox_PascalMode->setAccessibleName(QStringLiteral("Read Pascal (comments, strings, nesting)"));
    model_.SetPascalMode(StoredPascalMode());
    CheckBox_PascalMode->setChecked(model_.PascalMode());
    auto* grid = new QGridLayout(panel);
    grid->addWidget(CaptionFor(panel, QStringLiteral("Indentation Spaces"), SpinEdit_Spaces), 0, 0);
    grid->addWidget(SpinEdit_Spaces, 0, 1);
    grid->addWidget(CaptionFor(panel, QStringLiteral("Remote Computer"), Edit_RemoteComputer), 1, 0);
    grid->addWidget(Edit_RemoteComputer, 1, 1);
    grid->addWidget(CheckBox_PascalMode, 2, 0, 1, 2);
    connect(SpinEdit_Spaces, &QSpinBox::valueChanged, this, [this](int blanks) { model_.SetIndentation(blanks); });
    connect(Edit_RemoteComputer, &QLineEdit::textChanged, this,
            [this](const QString& text) { model_.SetRemoteComputer(text.toStdString()); });
    connect(CheckBox_PascalMode, &QCheckBox::toggled, this, &TFrm_VireoAddOn::CheckBox_PascalModeClick);
    return panel;
}

QWidget* TFrm_VireoAddOn::CreateButtons()
{
    auto* panel = new QWidget(this);
    Btn_AddDebugCode = CaptionedButton(panel, QStringLiteral("&Add Debug Code To Selected Methods"),
                              QStringLiteral("Btn_AddDebugCode"));
    Button1 = CaptionedButton(panel, QStringLiteral("&Review Changed File"), QStringLiteral("Button1"));
    Button_CodeMarks = CaptionedButton(panel, QStringLiteral("&Replace Code Marks"), QStringLiteral("Button_CodeMarks"));
    Btn_Close = CaptionedButton(panel, QStringLiteral("&Close"), QStringLiteral("Btn_Close"));
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    for (QPushButton* button : {Btn_AddDebugCode, Button1, Button_CodeMarks, Btn_Close}) {
        button->setAutoDefault(false);
        column->addWidget(button);
    }
    connect(Btn_AddDebugCode, &QPushButton::clicked, this, &TFrm_VireoAddOn::Btn_AddDebugCodeClick);
    connect(Button1, &QPushButton::clicked, this, &TFrm_VireoAddOn::Button1Click);
    connect(Button_CodeMarks, &QPushButton::clicked, this, &TFrm_VireoAddOn::Button_CodeMarksClick);
    connect(Btn_Close, &QPushButton::clicked, this, &TFrm_VireoAddOn::Btn_CloseClick);
    return panel;
}

void TFrm_VireoAddOn::FormCreate()
{
    PageControl1->blockSignals(true);
    PageControl1->setCurrentIndex(0);
    PageControl1->blockSignals(false);
    model_.Open();
    FillUnitSelector();
    ShowLists();
}

void TFrm_VireoAddOn::CheckBox_PascalModeClick(bool on)
{
    model_.SetPascalMode(on);
    if (model_.UnitLoaded()) {
        model_.RescanUnit();
        ShowLists();
    }
}

void TFrm_VireoAddOn::FillUnitSelector()
{
    ComboBox_Units->clear();
    for (const auto& unit : model_.Units())
        ComboBox_Units->addItem(QFile::decodeName(unit.c_str()));
    ShowCurrentUnit();
}

void TFrm_VireoAddOn::ShowCurrentUnit()
{
    ComboBox_Units->setCurrentIndex(model_.CurrentUnitIndex());
}

void TFrm_VireoAddOn::ComboBox_UnitsChange(int index)
{
    try {
        model_.SelectUnit(index, [this](const std::string& question) {
            return ShowMessageBox(QMessageBox::Question, QStringLiteral("Question"), Text(question),
                                  QMessageBox::Discard | QMessageBox::Cancel) == QMessageBox::Discard;
        });
    } catch (const ExaminerError& error) {
        ReportError(error);
    }
    ShowCurrentUnit();
    ShowLists();
}

bool TFrm_VireoAddOn::Button_SaveClick()
{
    try {
        model_.Save();
        return true;
    } catch (const ExaminerError& error) {
        ReportError(error);
        return false;
    }
}

void TFrm_VireoAddOn::Btn_CloseClick()
{
    const auto answer = ShowMessageBox(QMessageBox::Question, QStringLiteral("Question"),
                                       Text(ExaminerModel::kSaveChangesQuestion),
                                       QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes && !Button_SaveClick())
        return;
    accept();
}

void TFrm_VireoAddOn::PageControl1Change(int index)
{
    if (index < 0)
        return;
    model_.SetActiveTab(ExaminerListKind(index));
    Btn_AddDebugCode->setEnabled(model_.AddDebugEnabled());
    Button_CodeMarks->setEnabled(model_.CodeMarksEnabled());
}

void TFrm_VireoAddOn::About1Click()
{
    ShowMessageBox(QMessageBox::Information, QStringLiteral("Information"), Text(ExaminerModel::kAboutText),
                   QMessageBox::Ok);
}

void TFrm_VireoAddOn::Button_SearchClick()
{
    model_.Search(Edit_Search->text().toStdString());
    listModels_[std::size_t(ExaminerListKind::Custom)]->Refresh();
    ShowSelection(ExaminerListKind::Custom);
}

void TFrm_VireoAddOn::Btn_AddDebugCodeClick()
{
    model_.AddDebugCode();
    ShowLists();
}

void TFrm_VireoAddOn::Button_CodeMarksClick()
{
    model_.ReplaceCodeMarks([this] {
        return ShowMessageBox(QMessageBox::Question, QStringLiteral("Question"),
                              Text(ExaminerModel::kNoCodesSelectedQuestion),
                              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    });
    ShowLists();
}

void TFrm_VireoAddOn::Button1Click()
{
    TForm_Review review(this);
    review.LoadLines(model_.WorkingText(), [this](int position, int maximum) { ShowProgress(position, maximum); });
    ShowModal(review);
}

void TFrm_VireoAddOn::ShowLineFinder(int line)
{
    TForm_LineFinder finder(this);
    finder.LoadLines(model_.WorkingText(), [this](int position, int maximum) { ShowProgress(position, maximum); });
    finder.ShowLine(line);
    ShowModal(finder);
}

void TFrm_VireoAddOn::ListDblClick(ExaminerListKind kind)
{
    if (const auto line = FirstSelectedLine(model_.List(kind)))
        ShowLineFinder(*line);
}

void TFrm_VireoAddOn::ShowLists()
{
    for (std::size_t i = 0; i < kExaminerListCount; ++i) {
        listModels_[i]->Refresh();
        ShowSelection(ExaminerListKind(i));
    }
}

// Puts the model's item selections into the view, one range per run of selected items, without
// echoing them back.
void TFrm_VireoAddOn::ShowSelection(ExaminerListKind kind)
{
    const ExaminerList& items = model_.List(kind);
    ExaminerListModel* rows = listModels_[std::size_t(kind)];
    QItemSelection selection;
    const int lastColumn = rows->columnCount() - 1;
    for (std::size_t first = 0; first < items.size(); ++first) {
        if (!items[first].selected)
            continue;
        std::size_t last = first;
        while (last + 1 < items.size() && items[last + 1].selected)
            ++last;
        selection.select(rows->index(int(first), 0), rows->index(int(last), lastColumn));
        first = last;
    }
    showingSelection_ = true;
    ListView(kind)->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    showingSelection_ = false;
}

// Copies the user's selection in a view into the model's items, which the actions work on.
void TFrm_VireoAddOn::TakeSelection(ExaminerListKind kind)
{
    if (showingSelection_)
        return;
    ExaminerList& items = model_.List(kind);
    const QItemSelectionModel* selection = ListView(kind)->selectionModel();
    for (std::size_t row = 0; row < items.size(); ++row)
        items[row].selected = selection->isRowSelected(int(row), {});
}

void TFrm_VireoAddOn::ReportError(const std::exception& error)
{
    ShowMessageBox(QMessageBox::Critical, QStringLiteral("Error"), QString::fromUtf8(error.what()), QMessageBox::Ok);
}

// Moves the progress bar and, every few hundredths of a second, lets the window repaint it
// (user input waits until the action is over).
void TFrm_VireoAddOn::ShowProgress(int position, int maximum)
{
    if (position == 0) {
        ProgressBar1->setValue(0);
        ProgressBar1->setMaximum(std::max(maximum, 1)); // a range of 0 would show a busy bar
        sinceRepaint_.start();
    }
    ProgressBar1->setValue(position);
    if (sinceRepaint_.elapsed() >= kRepaintIntervalMs || position == maximum) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        sinceRepaint_.restart();
    }
}

} // namespace vireo
