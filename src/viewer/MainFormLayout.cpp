#include "viewer/MainFormUnit.h"

#include "components/GroupPanelExp.h"
#include "components/ListViewEx.h"
#include "components/PanelExpander.h"
#include "viewer/CaptionPanel.h"
#include "viewer/MainFormTexts.h"
#include "viewer/MenuItems.h"
#include "viewer/MessageColumns.h"
#include "viewer/MessageListModel.h"
#include "viewer/SourceLinesModel.h"
#include "viewer/ViewerImages.h"

#include <QAction>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vireo {

void TForm_Main::CreateMenus()
{
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    File1->setAccessibleName(QStringLiteral("File"));
    CreateCodeExaminerCommand();
    Close1 = AddMenuItem(File1, nullptr, "Close1", QStringLiteral("&Close"), this, &TForm_Main::MainMenu_CloseClick);

    MessageOptions1 = menuBar()->addMenu(QStringLiteral("&Message Options"));
    MessageOptions1->setAccessibleName(QStringLiteral("Message Options"));
    ClearMessages1 = AddMenuItem(MessageOptions1, nullptr, "ClearMessages1", QStringLiteral("Clear All &Messages"),
                                 this, &TForm_Main::ClearMessages1Click);
    ClearSourceWindow1 = AddMenuItem(MessageOptions1, nullptr, "ClearSourceWindow1",
                                     QStringLiteral("Clear &Source Window"), this, &TForm_Main::ClearSourceClick);
    menuBar()->setAccessibleName(QStringLiteral("Main menu"));
}

void TForm_Main::CreateStatusBar()
{
    StatusBar_Main = statusBar();
    StatusBar_Main->setObjectName(QStringLiteral("StatusBar_Main"));
    StatusBar_Main->setAccessibleName(QStringLiteral("Status"));
    StatusBar_Main->setSizeGripEnabled(false);
    StatusPanel_Main = new QLabel(QLatin1String(kStatusIdle), StatusBar_Main);
    StatusPanel_Main->setAccessibleDescription(QStringLiteral("Status"));
    // A width that fits every status text keeps each status change from relaying out the bar.
    const QFontMetrics metrics(StatusPanel_Main->font());
    const int margin = 2 * StatusPanel_Main->margin() + metrics.averageCharWidth();
    int width = 50;
    for (const char* text : {kStatusReceiving, kStatusLoadingSource, kStatusSavingMessages, kStatusOpeningMessages,
                             kStatusIdle})
        width = std::max(width, metrics.horizontalAdvance(QLatin1String(text)) + margin);
    StatusPanel_Main->setFixedWidth(width);
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
        arrivalRule_.reset();
        if (!pageChangeByProgram_)
            PageControl_MainChange();
    });
    CreateTree();
    CreateFilterPanels();
    CreateTracking();

    Panel_Main_Client_2 = new TCaptionPanel(Splitter_Main_Vert);
    Panel_Main_Client_2->setObjectName(QStringLiteral("Panel_Main_Client_2"));
    Panel_Main_Client_2->setAccessibleName(QStringLiteral("Message and source area"));
    Panel_Main_Client_2->SetCaption(QString::fromLatin1(kCaptionShowAWindow));
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
    CreateKeyMarksPage(); // after the source window: its event filter watches both lists
}

void TForm_Main::CreateTree()
{
    treeImages_ = ViewerImages::TreeImages();
    TreeView_Main = AddPageTree(TabSheet_Messages, "TreeView_Main", QStringLiteral("Message tree"));

    const auto addNode = [this](QTreeWidgetItem* parent, const char* text, int image) {
        return AddTreeNode(parent, QString::fromLatin1(text), image);
    };
    TreeNode_All = addNode(nullptr, kNodeAll, 2);
    TreeNode_Class = addNode(nullptr, kNodeClass, 2);
    addNode(TreeNode_Class, kNodeNoClass, 1);
    TreeNode_Group = addNode(nullptr, kNodeGroup, 2);
    addNode(TreeNode_Group, kNodeNoGroup, 1);
    QTreeWidgetItem* types = addNode(nullptr, kNodeMessageType, 2);
    for (int type = 0; type < 4; ++type)
        addNode(types, kTypeNames[type], 3 + type);
    connect(TreeView_Main, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { TreeView_MainChange(current); });
}

QTreeWidget* TForm_Main::AddPageTree(QWidget* page, const char* name, const QString& accessibleName)
{
    auto* tree = new QTreeWidget(page);
    tree->setObjectName(QString::fromLatin1(name));
    tree->setAccessibleName(accessibleName);
    tree->setHeaderHidden(true);
    tree->setIndentation(19);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree);
    return tree;
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

void TForm_Main::CreateMessageList()
{
    ListViewEx_Messages = new TListViewEx(Panel_Main_Messages);
    ListViewEx_Messages->setObjectName(QStringLiteral("ListViewEx_Messages"));
    ListViewEx_Messages->setAccessibleName(QStringLiteral("Messages"));
    ListViewEx_Messages->SetReadOnly(true);
    // Several rows may be selected to copy them; the source window follows the current row.
    ListViewEx_Messages->setSelectionMode(QAbstractItemView::ExtendedSelection);
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
    PopupMenu_Messages->addSeparator();
    CopyMessageText1 = AddMenuItem(PopupMenu_Messages, nullptr, "CopyMessageText1",
                                   QStringLiteral("Copy Message Text"), this, &TForm_Main::CopyMessageTextClick);
    connect(PopupMenu_Messages, &QMenu::aboutToShow, this,
            [this] { CopyMessageText1->setEnabled(ListViewEx_Messages->SelectedRow() >= 0); });
    ListViewEx_Messages->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListViewEx_Messages, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu_Messages->popup(ListViewEx_Messages->viewport()->mapToGlobal(at));
    });
    // The Menu key and Shift+F10 open the menu at the current row.
    auto* menuKey = new QAction(ListViewEx_Messages);
    menuKey->setShortcuts({QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)});
    menuKey->setShortcutContext(Qt::WidgetShortcut);
    ListViewEx_Messages->addAction(menuKey);
    connect(menuKey, &QAction::triggered, this, [this] {
        const QRect row = ListViewEx_Messages->visualRect(ListViewEx_Messages->currentIndex());
        const QPoint at = row.isValid() ? row.bottomLeft() : QPoint();
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
        ListView_SourceMouseUp(); // a menu opened from the keyboard follows no mouse-up
        PopupMenu_Source->popup(ListView_Source->viewport()->mapToGlobal(at));
    });
    ListView_Source->viewport()->installEventFilter(this);
    connect(ListView_Source, &QAbstractItemView::doubleClicked, this, &TForm_Main::ListView_SourceDblClick);
    connect(AddKeyMarkwithDescription1, &QAction::triggered, this, &TForm_Main::AddKeyMarkwithDescription1Click);
}

} // namespace vireo
