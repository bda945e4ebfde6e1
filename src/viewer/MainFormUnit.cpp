#include "viewer/MainFormUnit.h"

#include "components/GroupPanelExp.h"
#include "components/ListViewEx.h"
#include "components/PanelExpander.h"
#include "viewer/CaptionPanel.h"
#include "viewer/KeyMarkListModel.h"
#include "viewer/MainSourcePane.h"
#include "viewer/MessageListModel.h"
#include "viewer/MessageRows.h"
#include "viewer/SourceLinesModel.h"
#include "viewer/SourceNavigation.h"
#include "viewer/ViewerImages.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace vireo {

namespace {
const QString kIdle = QStringLiteral("Idle");
const QString kReceiving = QStringLiteral("Receiving Message...");
const QString kLoadingSource = QStringLiteral("Loading Source.  Please Wait...");
const QString kShowAWindow = QStringLiteral("Click Right Mouse Button to Show a Window");
const QString kShowSourceWindow = QStringLiteral("Click Right Mouse Button to Show Source Window");

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Bytes(const QString& text)
{
    return text.toStdString();
}

// Role under which a tree node keeps its state image number.
constexpr int kStateImageRole = Qt::UserRole + 1;

} // namespace

TForm_Main::TForm_Main(std::unique_ptr<ITimeConventions> timeConventions, QWidget* parent)
    : QMainWindow(parent),
      timeConventions_(timeConventions ? std::move(timeConventions) : std::make_unique<LocaleTimeConventions>())
{
    setObjectName(QStringLiteral("Form_Main"));
    setWindowTitle(QStringLiteral("Vireo"));
    setAccessibleName(QStringLiteral("Vireo"));
    ShowMessageBox = [this](const QString& text) {
        QMessageBox::information(this, QStringLiteral("Vireo"), text);
    };
    CreateMenus();
    CreateStatusBar();
    CreateLayout();
    FormCreate();
    programLeftTimer_.setSingleShot(true);
    programLeftTimer_.setInterval(250);
    connect(&programLeftTimer_, &QTimer::timeout, this, [this] { lastFocusWindow_ = nullptr; });
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &TForm_Main::FocusWindowChanged);
}

TForm_Main::~TForm_Main()
{
    FormDestroy();
}

void TForm_Main::FormCreate()
{
    CurrentUnitFile.clear();
    MessageStore = std::make_unique<vireo::MessageStore>();
    MessageStore->NextSequenceNumber = 0;
    intake_ = std::make_unique<MessageIntake>(*MessageStore, *timeConventions_);
    CreateMessageList();
    ListViewEx_Messages->OnAfterSort = [this](TListViewEx&, int&) { RefreshTypeIcons(); };
    for (int column = 0; column < kMessageColumnCount; ++column)
        SavedColumnWidths[static_cast<std::size_t>(column)] = ListViewEx_Messages->columnWidth(column);
    SeedFilterPanels();
    LoadKeyMarks();
}

void TForm_Main::FormDestroy()
{
    SaveKeyMarks();
    ListViewEx_Messages->setModel(nullptr);
    delete MessageRows;
    MessageRows = nullptr;
    filters_.reset();
    intake_.reset();
    MessageStore.reset();
}

void TForm_Main::CreateMenus()
{
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    File1->setAccessibleName(QStringLiteral("File"));
    Close1 = File1->addAction(QStringLiteral("&Close"), this, &TForm_Main::MainMenu_CloseClick);
    Close1->setObjectName(QStringLiteral("Close1"));

    MessageOptions1 = menuBar()->addMenu(QStringLiteral("&Message Options"));
    MessageOptions1->setAccessibleName(QStringLiteral("Message Options"));
    ClearMessages1 = MessageOptions1->addAction(QStringLiteral("Clear All &Messages"), this,
                                                &TForm_Main::ClearMessages1Click);
    ClearMessages1->setObjectName(QStringLiteral("ClearMessages1"));
    ClearSourceWindow1 = MessageOptions1->addAction(QStringLiteral("Clear &Source Window"), this,
                                                    &TForm_Main::ClearSourceClick);
    ClearSourceWindow1->setObjectName(QStringLiteral("ClearSourceWindow1"));
    menuBar()->setAccessibleName(QStringLiteral("Main menu"));
}

void TForm_Main::CreateStatusBar()
{
    StatusBar_Main = statusBar();
    StatusBar_Main->setObjectName(QStringLiteral("StatusBar_Main"));
    StatusBar_Main->setAccessibleName(QStringLiteral("Status"));
    StatusBar_Main->setSizeGripEnabled(false);
    StatusPanel_Main = new QLabel(kIdle, StatusBar_Main);
    StatusPanel_Main->setAccessibleName(QStringLiteral("Status panel"));
    // A width that fits every status text keeps each status change from relaying out the bar.
    const QFontMetrics metrics(StatusPanel_Main->font());
    const int margin = 2 * StatusPanel_Main->margin() + metrics.averageCharWidth();
    StatusPanel_Main->setFixedWidth(std::max({50, metrics.horizontalAdvance(kReceiving) + margin,
                                              metrics.horizontalAdvance(kLoadingSource) + margin,
                                              metrics.horizontalAdvance(kIdle) + margin}));
    StatusBar_Main->addWidget(StatusPanel_Main);
}

void TForm_Main::CreateLayout()
{
    resize(1000, 700);
    Splitter_Main_Vert = new QSplitter(Qt::Horizontal, this);
    Splitter_Main_Vert->setObjectName(QStringLiteral("Splitter_Main_Vert"));
    Splitter_Main_Vert->setAccessibleName(QStringLiteral("Main splitter"));
    Splitter_Main_Vert->setChildrenCollapsible(false);
    setCentralWidget(Splitter_Main_Vert);

    PageControl_Main = new QTabWidget(Splitter_Main_Vert);
    PageControl_Main->setObjectName(QStringLiteral("PageControl_Main"));
    PageControl_Main->setAccessibleName(QStringLiteral("Pages"));
    const auto addPage = [this](const char* name, const QString& caption) {
        auto* page = new QWidget(PageControl_Main);
        page->setObjectName(QString::fromLatin1(name));
        page->setAccessibleName(caption);
        PageControl_Main->addTab(page, caption);
        return page;
    };
    TabSheet_Messages = addPage("TabSheet_Messages", QStringLiteral("Messages"));
    TabSheet_Filters = addPage("TabSheet_Filters", QStringLiteral("Filters"));
    TabSheet_UserKeyMarks = addPage("TabSheet_UserKeyMarks", QStringLiteral("User Key Marks"));
    TabSheet_Tracking = addPage("TabSheet_Tracking", QStringLiteral("Tracking"));
    PageControl_Main->setTabVisible(static_cast<int>(ListPage::Tracking), false);
    connect(PageControl_Main, &QTabWidget::currentChanged, this, [this] {
        if (!pageChangeByProgram_)
            PageControl_MainChange();
    });
    CreateTree();
    CreateFilterPanels();

    Panel_Main_Client_2 = new TCaptionPanel(Splitter_Main_Vert);
    Panel_Main_Client_2->setObjectName(QStringLiteral("Panel_Main_Client_2"));
    Panel_Main_Client_2->setAccessibleName(QStringLiteral("Message and source area"));
    Panel_Main_Client_2->SetCaption(kShowAWindow);
    auto* clientLayout = new QVBoxLayout(Panel_Main_Client_2);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    Splitter_Main_Horiz = new QSplitter(Qt::Vertical, Panel_Main_Client_2);
    Splitter_Main_Horiz->setObjectName(QStringLiteral("Splitter_Main_Horiz"));
    Splitter_Main_Horiz->setAccessibleName(QStringLiteral("Message and source splitter"));
    Splitter_Main_Horiz->setChildrenCollapsible(false);
    clientLayout->addWidget(Splitter_Main_Horiz);
    Panel_Main_Messages = new QWidget(Splitter_Main_Horiz);
    Panel_Main_Messages->setObjectName(QStringLiteral("Panel_Main_Messages"));
    Panel_Main_Messages->setAccessibleName(QStringLiteral("Message pane"));
    Panel_Main_Source = new QWidget(Splitter_Main_Horiz);
    Panel_Main_Source->setObjectName(QStringLiteral("Panel_Main_Source"));
    Panel_Main_Source->setAccessibleName(QStringLiteral("Source pane"));
    Splitter_Main_Horiz->setStretchFactor(0, 0);
    Splitter_Main_Horiz->setStretchFactor(1, 1);
    Splitter_Main_Horiz->setSizes({250, 400});
    Splitter_Main_Vert->setStretchFactor(0, 0);
    Splitter_Main_Vert->setStretchFactor(1, 1);
    // The page control cannot wrap its tabs onto more lines, so the left pane starts wide enough
    // to show every visible tab.
    const int left = std::max(250, PageControl_Main->tabBar()->sizeHint().width() + 8);
    Splitter_Main_Vert->setSizes({left, width() - left});
    CreateSourceWindow();
    CreateKeyMarksPage();
}

void TForm_Main::CreateTree()
{
    treeImages_ = ViewerImages::TreeImages();
    TreeView_Main = new QTreeWidget(TabSheet_Messages);
    TreeView_Main->setObjectName(QStringLiteral("TreeView_Main"));
    TreeView_Main->setAccessibleName(QStringLiteral("Message tree"));
    TreeView_Main->setHeaderHidden(true);
    TreeView_Main->setIndentation(19);
    TreeView_Main->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView_Main->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* layout = new QVBoxLayout(TabSheet_Messages);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TreeView_Main);

    const auto addNode = [this](QTreeWidgetItem* parent, const char* text, int image) {
        return AddTreeNode(parent, QString::fromLatin1(text), image);
    };
    addNode(nullptr, kNodeAll, 2);
    addNode(addNode(nullptr, kNodeClass, 2), kNodeNoClass, 1);
    addNode(addNode(nullptr, kNodeGroup, 2), kNodeNoGroup, 1);
    QTreeWidgetItem* types = addNode(nullptr, kNodeMessageType, 2);
    for (int type = 0; type < 4; ++type)
        addNode(types, kTypeNames[type], 3 + type);
    connect(TreeView_Main, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { TreeView_MainChange(current); });
}

QTreeWidgetItem* TForm_Main::AddTreeNode(QTreeWidgetItem* parent, const QString& text, int stateImage)
{
    auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(TreeView_Main);
    node->setText(0, text);
    node->setData(0, kStateImageRole, stateImage);
    node->setIcon(0, treeImages_.value(stateImage));
    return node;
}

void TForm_Main::CreateFilterPanels()
{
    GroupPanelExp1 = new TGroupPanelExp(TabSheet_Filters);
    GroupPanelExp1->setObjectName(QStringLiteral("GroupPanelExp1"));
    GroupPanelExp1->setAccessibleName(QStringLiteral("Filters"));
    auto* layout = new QVBoxLayout(TabSheet_Filters);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(GroupPanelExp1);
    const auto addPanel = [this](const char* name, const QString& caption) {
        auto* panel = new TPanelExpander(GroupPanelExp1);
        panel->setObjectName(QString::fromLatin1(name));
        panel->setAccessibleName(caption);
        panel->SetCaption(caption);
        GroupPanelExp1->AddPanel(panel);
        connect(panel, &TPanelExpander::ItemChanged, this, &TForm_Main::FilterPanelChanged);
        return panel;
    };
    PanelExpander_Class = addPanel("PanelExpander_Class", QStringLiteral("Class"));
    PanelExpander_Computer = addPanel("PanelExpander_Computer", QStringLiteral("Computer"));
    PanelExpander_MessType = addPanel("PanelExpander_MessType", QStringLiteral("Message Type"));
    PanelExpander_Group = addPanel("PanelExpander_Group", QStringLiteral("Group"));
}

void TForm_Main::SeedFilterPanels()
{
    for (int type = 0; type < 4; ++type)
        PanelExpander_MessType->AddItem(10, QString::fromLatin1(kTypeNames[type]), std::to_string(type), true, false);
    PanelExpander_Class->AddItem(10, QString::fromLatin1(kNodeNoClass), std::string(), true, false);
    PanelExpander_Group->AddItem(10, QString::fromLatin1(kNodeNoGroup), std::string(), true, false);
    filters_.reset();
}

void TForm_Main::CreateMessageList()
{
    ListViewEx_Messages = new TListViewEx(Panel_Main_Messages);
    ListViewEx_Messages->setObjectName(QStringLiteral("ListViewEx_Messages"));
    ListViewEx_Messages->setAccessibleName(QStringLiteral("Messages"));
    ListViewEx_Messages->SetReadOnly(true);
    auto* layout = new QVBoxLayout(Panel_Main_Messages);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListViewEx_Messages);
    MessageRows = new MessageListModel(*MessageStore, this);
    MessageRows->SetStateImages(ViewerImages::MessageTypeImages());
    ListViewEx_Messages->setModel(MessageRows);
    for (int column = 0; column < kMessageColumnCount; ++column)
        ListViewEx_Messages->setColumnWidth(column, kMessageColumnWidths[column]);

    connect(MessageRows, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int, int last) { ListViewEx_MessagesChange(last); });
    connect(ListViewEx_Messages->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    ListViewEx_MessagesChange(current.row());
            });
    connect(ListViewEx_Messages, &QAbstractItemView::doubleClicked, this,
            &TForm_Main::ListViewEx_MessagesDblClick);

    PopupMenu_Messages = new QMenu(ListViewEx_Messages);
    PopupMenu_Messages->setObjectName(QStringLiteral("PopupMenu_Messages"));
    PopupMenu_Messages->setAccessibleName(QStringLiteral("Message list menu"));
    HoldList1 = PopupMenu_Messages->addAction(QStringLiteral("Hold List"));
    HoldList1->setObjectName(QStringLiteral("HoldList1"));
    HoldList1->setCheckable(true);
    PopupMenu_Messages->addSeparator();
    const char* names[] = {"ClassName1", "Message1", "Group1", "Date1", "Time1", "ComputerName1"};
    for (int column = 0; column < kMessageColumnCount; ++column) {
        QAction* item = PopupMenu_Messages->addAction(QString::fromLatin1(kMessageColumnCaptions[column]));
        item->setObjectName(QString::fromLatin1(names[column]));
        item->setCheckable(true);
        item->setChecked(true);
        connect(item, &QAction::triggered, this, [this, column] { ColumnCommandClick(column); });
        ColumnItems[static_cast<std::size_t>(column)] = item;
    }
    ListViewEx_Messages->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListViewEx_Messages, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu_Messages->popup(ListViewEx_Messages->viewport()->mapToGlobal(at));
    });
}

void TForm_Main::CreateSourceWindow()
{
    ListView_Source = new QTreeView(Panel_Main_Source);
    ListView_Source->setObjectName(QStringLiteral("ListView_Source"));
    ListView_Source->setAccessibleName(QStringLiteral("Source"));
    ListView_Source->setRootIsDecorated(false);
    ListView_Source->setItemsExpandable(false);
    ListView_Source->setUniformRowHeights(true);
    ListView_Source->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    ListView_Source->setAllColumnsShowFocus(true);
    ListView_Source->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView_Source->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView_Source->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView_Source->header()->setSectionsClickable(false);
    ListView_Source->header()->setStretchLastSection(false);
    ListView_Source->header()->setAccessibleName(QStringLiteral("Source columns"));
    auto* layout = new QVBoxLayout(Panel_Main_Source);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListView_Source);
    SourceRows = new SourceLinesModel(this);
    SourceRows->SetKeyMarkIcon(ViewerImages::KeyMarkImage());
    ListView_Source->setModel(SourceRows);
    ListView_Source->setColumnWidth(0, 700);
    ListView_Source->setColumnWidth(1, 80);

    PopupMenu_Source = new QMenu(ListView_Source);
    PopupMenu_Source->setObjectName(QStringLiteral("PopupMenu_Source"));
    PopupMenu_Source->setAccessibleName(QStringLiteral("Source menu"));
    AddKeyMarkwithDescription1 = PopupMenu_Source->addAction(QStringLiteral("&Add Key Mark with Description"));
    AddKeyMarkwithDescription1->setObjectName(QStringLiteral("AddKeyMarkwithDescription1"));
    AddKeyMarkwithDescription1->setEnabled(false);
    ListView_Source->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView_Source, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu_Source->popup(ListView_Source->viewport()->mapToGlobal(at));
    });
    ListView_Source->viewport()->installEventFilter(this);
    connect(ListView_Source, &QAbstractItemView::doubleClicked, this, &TForm_Main::ListView_SourceDblClick);
    connect(AddKeyMarkwithDescription1, &QAction::triggered, this, &TForm_Main::AddKeyMarkwithDescription1Click);
}

QString TForm_Main::StatusText() const
{
    return StatusPanel_Main->text();
}

void TForm_Main::SetStatusText(const QString& text)
{
    StatusPanel_Main->setText(text);
}

void TForm_Main::ReceiveTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                              const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                              const QString& UnitFileName, double MessageDateTime)
{
    SetStatusText(kReceiving);
    const TTraceInfo& message = intake_->Take(ClassName, MessageStr, MessageType, MessageGroup, ComputerName,
                                              MessageID, UnitFileName, MessageDateTime);
    RegisterTraceSources(message);
    ShowIfSelected(message, MessageStore->Count() - 1);
    SetStatusText(kIdle);
}

QTreeWidgetItem* TForm_Main::FindNode(const QString& text) const
{
    for (int top = 0; top < TreeView_Main->topLevelItemCount(); ++top) {
        QTreeWidgetItem* node = TreeView_Main->topLevelItem(top);
        if (node->text(0) == text)
            return node;
        for (int child = 0; child < node->childCount(); ++child)
            if (node->child(child)->text(0) == text)
                return node->child(child);
    }
    return nullptr;
}

void TForm_Main::RegisterTraceSources(const TTraceInfo& message)
{
    const LearnedSources learned = sources_.Learn(message);
    const auto learn = [this](const char* parentText, TPanelExpander* panel, std::string_view name) {
        AddTreeNode(FindNode(QString::fromLatin1(parentText)), Text(name), 1);
        panel->AddItem(10, Text(name), std::string(name), true, false);
    };
    if (learned.Class)
        learn(kNodeClass, PanelExpander_Class, message.ClassName.view());
    if (learned.Group)
        learn(kNodeGroup, PanelExpander_Group, message.MessageGroup.view());
    if (learned.Computer)
        PanelExpander_Computer->AddItem(10, Text(message.ComputerName.view()),
                                        UpperCaseAscii(message.ComputerName.view()), true, false);
    if (learned.Class || learned.Group || learned.Computer)
        filters_.reset();
}

TreeNodeRule TForm_Main::RuleOf(const QTreeWidgetItem* node) const
{
    if (!node)
        return {};
    const std::string text = Bytes(node->text(0));
    if (!node->parent())
        return TreeNodeRule::ForNode(text, nullptr);
    const std::string parentText = Bytes(node->parent()->text(0));
    const std::string_view parent = parentText;
    return TreeNodeRule::ForNode(text, &parent);
}

ListPage TForm_Main::ActivePage() const
{
    return static_cast<ListPage>(PageControl_Main->currentIndex());
}

const FilterSnapshot& TForm_Main::Filters()
{
    if (!filters_) {
        const auto entries = [](const TPanelExpander* panel) {
            std::vector<FilterEntry> result;
            for (int item = 0; item < panel->ItemCount(); ++item)
                result.push_back({panel->Item(item).Value(), panel->IsItemChecked(item)});
            return result;
        };
        filters_.emplace(entries(PanelExpander_Class), entries(PanelExpander_Group),
                         entries(PanelExpander_MessType), entries(PanelExpander_Computer));
    }
    return *filters_;
}

void TForm_Main::ShowIfSelected(const TTraceInfo& message, int storeIndex)
{
    const QTreeWidgetItem* node = TreeView_Main->currentItem();
    if (!node || !node->isSelected())
        return;
    if (node != ruleNode_) {
        selectedRule_ = RuleOf(node);
        ruleNode_ = node;
    }
    if (selectedRule_.Admits(message))
        ShowMessageRow(message, storeIndex);
}

void TForm_Main::ShowMessageRow(const TTraceInfo& message, int storeIndex)
{
    switch (ActivePage()) {
    case ListPage::Messages:
        if (TreeView_Main->currentItem())
            AddMessageRow(storeIndex);
        break;
    case ListPage::Filters:
        if (Filters().Admits(message))
            AddMessageRow(storeIndex);
        break;
    case ListPage::Tracking:     // no message track can be selected yet
    case ListPage::UserKeyMarks: // the list is hidden
        break;
    }
}

void TForm_Main::AddMessageRow(int storeIndex)
{
    MessageRows->AddMessageRow(storeIndex);
}

void TForm_Main::TreeView_MainChange(QTreeWidgetItem* node)
{
    if (!node) {
        MessageRows->ClearRows();
        return;
    }
    const ListPage page = ActivePage();
    const PageRule pageRule(page, page == ListPage::Filters ? &Filters() : nullptr);
    MessageRows->SetRows(RowsForNode(*MessageStore, RuleOf(node), pageRule));
}

void TForm_Main::ListByFilters()
{
    MessageRows->SetRows(RowsForFilters(*MessageStore, Filters()));
}

void TForm_Main::FilterPanelChanged(TPanelExpander*, QCheckBox* checkBox)
{
    if (!checkBox)
        return;
    filters_.reset();
    ListByFilters();
}

void TForm_Main::PageControl_MainChange()
{
    Panel_Main_Client_2->SetCaption(kShowAWindow);
    ListViewEx_Messages->show();
    Panel_Main_Messages->show();
    MessageRows->ClearRows();
    switch (ActivePage()) {
    case ListPage::Messages:
        if (QTreeWidgetItem* node = TreeView_Main->currentItem(); node && node->isSelected())
            TreeView_MainChange(node);
        break;
    case ListPage::Filters:
        ListByFilters();
        GroupPanelExp1->RequestLayout();
        break;
    case ListPage::UserKeyMarks:
        Panel_Main_Client_2->SetCaption(kShowSourceWindow);
        ListViewEx_Messages->hide();
        Panel_Main_Messages->hide();
        update();
        break;
    case ListPage::Tracking: // the rows of the selected track come with message tracking
        break;
    }
}

void TForm_Main::SetPageByProgram(ListPage page)
{
    pageChangeByProgram_ = true;
    PageControl_Main->setCurrentIndex(static_cast<int>(page));
    pageChangeByProgram_ = false;
}

void TForm_Main::FormActivate()
{
    SetPageByProgram(ListPage::Messages);
    TreeView_Main->setCurrentItem(TreeView_Main->topLevelItem(0));
    if (PageControl_Main->isVisible())
        TreeView_Main->setFocus();
}

void TForm_Main::FocusWindowChanged(QWindow* now)
{
    // Activation counts only when it comes back from another window of this program (a dialog
    // closing): a click that brings the program forward from elsewhere keeps the page it chose.
    // Between two windows of the program the focus may pass through none for a moment, so the
    // program counts as left only when no window of it has had the focus for a while.
    if (now == nullptr) {
        programLeftTimer_.start();
        return;
    }
    programLeftTimer_.stop();
    if (now == windowHandle() && lastFocusWindow_ != nullptr && lastFocusWindow_ != now)
        FormActivate();
    lastFocusWindow_ = now;
}

void TForm_Main::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A desktop without a window manager, or one that prevents focus stealing, may never activate
    // the window; the first showing then gives it the state its first activation would.
    if (!event->spontaneous() && !firstShown_) {
        firstShown_ = true;
        FormActivate();
    }
}

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

void TForm_Main::ListViewEx_MessagesDblClick()
{
    SetStatusText(kLoadingSource);
    try {
        const int row = ListViewEx_Messages->SelectedRow();
        const std::optional<SourceRequest> request =
            row >= 0 ? std::optional(MessageRows->RequestForRow(row)) : std::nullopt;
        MainSourcePane pane(*this, true);
        FileUnitReader reader;
        ShowMessageSource(*MessageStore, request ? &*request : nullptr, pane, reader);
    } catch (const std::exception& error) {
        ShowMessageBox(QString::fromUtf8(error.what()));
    }
    SetStatusText(kIdle);
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
    if (ListViewEx_KeyMarks && watched == ListViewEx_KeyMarks->viewport() && event->type() == QEvent::MouseButtonRelease)
        ListViewEx_KeyMarksMouseUp();
    return QMainWindow::eventFilter(watched, event);
}

void TForm_Main::ClearMessages1Click()
{
    MessageStore->Clear();
    filters_.reset(); // it remembers results by the store's texts
    MessageRows->ClearRows();
    ruleNode_ = nullptr;
    for (int top = 0; top < TreeView_Main->topLevelItemCount(); ++top) {
        QTreeWidgetItem* parent = TreeView_Main->topLevelItem(top);
        const QString parentText = parent->text(0);
        const QString keep = parentText == QLatin1String(kNodeClass) ? QString::fromLatin1(kNodeNoClass)
            : parentText == QLatin1String(kNodeGroup)                ? QString::fromLatin1(kNodeNoGroup)
                                                                     : QString();
        if (keep.isEmpty())
            continue;
        for (int child = parent->childCount() - 1; child >= 0; --child)
            if (parent->child(child)->text(0) != keep)
                delete parent->child(child);
    }
    sources_.Reset();
    PanelExpander_Class->ClearItems();
    PanelExpander_Group->ClearItems();
    PanelExpander_Computer->ClearItems();
    PanelExpander_Class->AddItem(10, QString::fromLatin1(kNodeNoClass), std::string(), true, false);
    PanelExpander_Group->AddItem(10, QString::fromLatin1(kNodeNoGroup), std::string(), true, false);
    filters_.reset();
}

void TForm_Main::MainMenu_CloseClick()
{
    close();
}

void TForm_Main::closeEvent(QCloseEvent* event)
{
    if (mayClose_ && !mayClose_())
        event->ignore();
    else
        event->accept();
}

} // namespace vireo
