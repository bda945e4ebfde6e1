#pragma once

#include "intake/TimeStampText.h"
#include "intake/TraceIntake.h"
#include "viewer/CodeExaminerHandOff.h"
#include "viewer/KeyMarkRules.h"
#include "viewer/MessageAdmission.h"
#include "viewer/MessageFind.h"
#include "viewer/MessageIntake.h"
#include "viewer/MessageStore.h"
#include "viewer/TrackRules.h"
#include "viewer/TraceSources.h"
#include "viewer/UnitSource.h"
#include "viewer/ViewerSettings.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QCheckBox;
class QCloseEvent;
class QLineEdit;
class QPushButton;
class QEvent;
class QResizeEvent;
class QLabel;
class QMenu;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace vireo {

class KeyMarkListModel;
class MessageListModel;
class SourceLinesModel;
class TCaptionPanel;
class TFrm_VireoAddOn;
class TGroupPanelExp;
class TListViewEx;
class TPanelExpander;
class TForm_NewMessageTrack;
class TForm_About;
class TForm_Options;

// The viewer's main window: receives the posted messages, keeps them in its store, lists them by
// tree node or by filters and shows the source line that sent one.
//
// Its member definitions are split by concern, each file beside the widget-free rules it wires:
// MainFormUnit.cpp (creation, activation, closing), MainFormLayout.cpp (widgets and menus),
// MainFormIntake.cpp (each message taken in; clearing the store; rules in MessageIntake and
// TraceSources), MainFormPages.cpp (tree, pages and filters; rules in MessageAdmission),
// MainFormMessageList.cpp (the list's columns and following; rules in MessageColumns),
// MainFormSource.cpp (the source window; rules in SourceNavigation and UnitSource),
// MainFormKeyMarks.cpp (key marks; rules in KeyMarkRules), MainFormTracking.cpp (message tracking
// and Expert Mode; rules in TrackRules), MainFormSettings.cpp (options, View menu, About and the
// settings kept; rules in ViewerSettings) and MainFormCodeExaminer.cpp (the hand-off to the Code
// Examiner; rules in CodeExaminerHandOff), MainFormLog.cpp (saving and opening message logs; rules
// in MessageLog) and MainFormFind.cpp (the find bar and copying rows; rules in MessageFind). The handlers are the window's own methods, named after
// their component and event, so the split is by file rather than into collaborator objects that
// would all reach into the same widgets.
class TForm_Main : public QMainWindow, public ITraceIntake {
    Q_OBJECT
public:
    // Creates the window (FormCreate); without time conventions it uses the process locale's.
    explicit TForm_Main(std::unique_ptr<ITimeConventions> timeConventions = nullptr, QWidget* parent = nullptr);
    // Destroys the window (FormDestroy).
    ~TForm_Main() override;

    // Intake of one posted message: stored, numbered, registered with the tree, shown if selected.
    void ReceiveTrace(const QString& ClassName, const QString& MessageStr, int32_t MessageType,
                      const QString& MessageGroup, const QString& ComputerName, const QString& MessageID,
                      const QString& UnitFileName, double MessageDateTime) override;

    // Decides whether a close request may go ahead; without one the window always closes.
    void SetCloseGuard(std::function<bool()> mayClose) { mayClose_ = std::move(mayClose); }

    // Shows the program's own texts and errors; tests replace the modal message box.
    std::function<void(const QString& text)> ShowMessageBox;

    // Text of status bar panel 0.
    QString StatusText() const;

    // Every message received since creation or the last "Clear All Messages", in arrival order.
    std::unique_ptr<vireo::MessageStore> MessageStore;

    // Frame: menus and status bar.
    QStatusBar* StatusBar_Main;   // the status bar
    QLabel* StatusPanel_Main;     // its one panel
    QMenu* File1;                 // "&File"
    QAction* Close1;              // "&File" > "&Close"
    QMenu* MessageOptions1;       // "&Message Options"
    QAction* ClearMessages1;      // "&Message Options" > "Clear All &Messages"
    QAction* ClearSourceWindow1;  // "&Message Options" > "Clear &Source Window"

    // Left pane: pages, message tree and filter panels.
    QSplitter* Splitter_Main_Vert;      // left pane | right area
    QTabWidget* PageControl_Main;       // "Messages", "Filters", "User Key Marks", "Tracking"
    QWidget* TabSheet_Messages;         // the message tree's page
    QWidget* TabSheet_Filters;          // the filter panels' page
    QWidget* TabSheet_UserKeyMarks;     // the key marks' page
    QWidget* TabSheet_Tracking;         // the message tracks' page (hidden without Expert Mode)
    QTreeWidget* TreeView_Main;         // classes, groups and message types
    QTreeWidgetItem* TreeNode_All;      // fixed node "All"
    QTreeWidgetItem* TreeNode_Class;    // fixed node "Class", parent of the learned classes
    QTreeWidgetItem* TreeNode_Group;    // fixed node "Group", parent of the learned groups
    TGroupPanelExp* GroupPanelExp1;     // scrolling container of the filter panels
    TPanelExpander* PanelExpander_Class;    // class filter
    TPanelExpander* PanelExpander_Computer; // computer filter (values upper-cased)
    TPanelExpander* PanelExpander_MessType; // message type filter
    TPanelExpander* PanelExpander_Group;    // group filter

    // Right area: message pane over source pane.
    TCaptionPanel* Panel_Main_Client_2; // right area; its caption shows when both panes are hidden
    QSplitter* Splitter_Main_Horiz;     // message pane over source pane
    QWidget* Panel_Main_Messages;       // the message pane
    QWidget* Panel_Main_Source;         // the source pane

    // Message list.
    TListViewEx* ListViewEx_Messages;   // the message list
    MessageListModel* MessageRows;      // its rows: store indices
    QMenu* PopupMenu_Messages;          // the message list's context menu
    QAction* HoldList1;                 // "Hold List": checked, the list stops following new rows
    std::array<QAction*, 6> ColumnItems; // "Class Name" .. "Computer Name": show or hide a column
    QAction* CopyMessageText1;          // "Copy Message Text": the selected message's whole text
    std::array<int, 6> SavedColumnWidths; // width each message column gets back when shown again

    // Source window.
    QTreeView* ListView_Source;         // the source window, one row per line
    SourceLinesModel* SourceRows;       // its rows
    QMenu* PopupMenu_Source;            // the source window's context menu
    QAction* AddKeyMarkwithDescription1; // "&Add Key Mark with Description"
    std::string CurrentUnitFile;        // path of the unit shown; empty when none

public slots:
    // "Clear All &Messages": empties the store, the list, the learned nodes and filter entries.
    void ClearMessages1Click();
    // "&Close": asks the window to close.
    void MainMenu_CloseClick();

    // Rebuilds the list for a tree node (null: empties it).
    void TreeView_MainChange(QTreeWidgetItem* node);
    // Rebuilds the list from the filter panels alone.
    void ListByFilters();
    // The user chose a page: rebuilds the list for it.
    void PageControl_MainChange();
    // The main window became active: "Messages" page and node "All".
    void FormActivate();
    // A filter panel's check box changed.
    void FilterPanelChanged(TPanelExpander* panel, QCheckBox* checkBox);

    // Re-reads the type icons after a sort.
    void RefreshTypeIcons();
    // Column command i (0 to 5), after its item's check mark toggled: shows the column with its
    // remembered width or hides it (width 0), remembering the width it had.
    void ColumnCommandClick(int column);
    // A row of the message list changed: follow it unless "Hold List" is checked.
    void ListViewEx_MessagesChange(int row);
    // "Copy Message Text": puts the selected message's whole text (the list may show only its
    // beginning) on the clipboard.
    void CopyMessageTextClick();
    // Double-click in the message list: shows the selected message's source line.
    void ListViewEx_MessagesDblClick();

    // "Clear &Source Window".
    void ClearSourceClick();
    // Enables "&Add Key Mark with Description" exactly when a source row is selected.
    void ListView_SourceMouseUp();

public:
    // Replaces the source rows with the lines of a unit (rows removed by the caller).
    void LoadUnitSource(const std::string& path, UnitLines lines, bool markKeyMarks);
    // Selects, focuses and scrolls to a source row with up to three following rows visible.
    void RevealSourceRow(int row, bool fromTop);
    // The tree node whose text is exactly text, or null (for tools that drive the window).
    QTreeWidgetItem* FindNode(const QString& text) const;

    // Key marks (MainFormKeyMarks.cpp): their page, setting them from the source window,
    // navigation, and their registry entries.
public:
    TListViewEx* ListViewEx_KeyMarks = nullptr; // the key-marks list
    KeyMarkListModel* KeyMarkRows = nullptr;    // its rows: the one store of the key marks
    QLabel* Label_UnitName;             // unit of the selected key mark
    QLabel* Label_LineNum;              // line number of the selected key mark
    QMenu* PopupMenu_KeyMarks;          // the key-marks list's context menu
    QAction* ClearKeyMark1;             // "Clear &Key Mark"
    QAction* ClearsAllKeyMarks1;        // "Clears &All Key Marks"
    QAction* ClearAllUserKeyMarks1;     // "&Message Options" > "Clear All &User Key Marks"
    // Asks for a key mark's description offering the line text; nothing on Cancel. Tests replace it.
    std::function<std::optional<QString>(const QString& lineText)> InputKeyMarkDescription;

    // Double-click in the source window: sets a plain key mark on the line or removes its mark.
    void ListView_SourceDblClick();
    // "&Add Key Mark with Description": asks for a description and marks the line with it.
    void AddKeyMarkwithDescription1Click();
    // Double-click on a key mark: shows its line in the source window.
    void ListViewEx_KeyMarksDblClick();
    // The key-marks list changed: the labels show the selected key mark.
    void ListViewEx_KeyMarksChange();
    // Enables the key-marks menu's items for the selection and the list.
    void ListViewEx_KeyMarksMouseUp();
    // "Clear &Key Mark": removes the selected key mark through its line in the source window.
    void ClearKeyMark1Click();
    // "Clears &All Key Marks" and "Clear All &User Key Marks": removes every key mark.
    void ClearsAllKeyMarks1Click();
    // Reads the key marks from the registry.
    void LoadKeyMarks();
    // Stores the key marks in the registry, replacing the stored ones.
    void SaveKeyMarks();

private:
    // The key-marks list, its menus and the panel below it.
    void CreateKeyMarksPage();
    // The panel showing the selected key mark's unit and line number.
    void CreateKeyMarksPanel(QWidget* page);
    // The selected source row, or -1.
    int SelectedSourceRow() const;
    bool keyMarksUnread_ = false; // loading failed: saving would drop the entries not read

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Creation and activation (MainFormUnit.cpp).
    void FormCreate();
    void FormDestroy();
    void FocusWindowChanged(QWindow* now);
    void SetStatusText(const QString& text);

    // Widgets and menus (MainFormLayout.cpp).
    void CreateMenus();
    void CreateStatusBar();
    void CreateLayout();
    // A read-only, single-selection tree without header filling a page of the left pane.
    QTreeWidget* AddPageTree(QWidget* page, const char* name, const QString& accessibleName);
    void CreateTree();
    void CreateFilterPanels();
    void CreateMessageList();
    void CreateSourceWindow();

    // Intake (MainFormIntake.cpp).
    // What follows storing a message, however it came: learned by the tree and filters, listed
    // if the selection admits it.
    void TakeIn(int storeIndex);
    // Learns the message's class, group and computer for the tree and the filter panels.
    void RegisterTraceSources(const TTraceInfo& message);
    // Lists the message at a store index if the selected tree node and the active page admit it.
    void ShowIfSelected(int storeIndex);
    // Gives the filter panels their first entries (at creation; Class and Group after clearing).
    void SeedFilterPanels(bool withTypes);

    // Tree, pages and filters (MainFormPages.cpp).
    // Appends a node with a state image under parent, or at the top level of tree (the message
    // tree when null) when parent is null.
    QTreeWidgetItem* AddTreeNode(QTreeWidgetItem* parent, const QString& text, int stateImage,
                                 QTreeWidget* tree = nullptr);
    // The active page.
    ListPage ActivePage() const;
    // The admission rule of a tree node.
    TreeNodeRule RuleOf(const QTreeWidgetItem* node) const;
    // The check states of the four filter panels, taken when first needed after a change.
    const FilterSnapshot& Filters();
    // Forgets the filter snapshot and the arrival rule built on it (entries or checks changed).
    void ForgetFilters();
    // The listing rule for arriving messages: the selected node on the active page.
    const ListingRule& ArrivalRule();
    // Replaces the list's rows with what a rule lists.
    void ListRows(const ListingRule& rule);
    // Selects a page without the page-change handling (a change made by the program).
    void SetPageByProgram(ListPage page);

    std::unique_ptr<ITimeConventions> timeConventions_;
    std::unique_ptr<MessageIntake> intake_;
    std::function<bool()> mayClose_;
    TraceSourceRegistry sources_;
    std::optional<FilterSnapshot> filters_;
    std::optional<ListingRule> arrivalRule_;
    QList<QIcon> treeImages_;
    bool pageChangeByProgram_ = false;
    bool firstShown_ = false;
    QPointer<QWindow> lastFocusWindow_; // the program's window that had the focus before
    QTimer programLeftTimer_;           // runs while no window of the program has the focus

    // Message tracking and Expert Mode (MainFormTracking.cpp).
public:
    TTrackList TrackList;                // every message track, in the order created or loaded
    QTreeWidget* TreeView_Tracking;      // roots "Exact Track", "Starting With Track", "Containing Track"
    QMenu* PopupMenu_Tracking;           // the tracking tree's context menu
    QAction* AddNewMessageTrack1;        // "&Add New Message Track"
    QAction* DeleteMessageTrack1;        // "&Delete Message Track": enabled by a click on a track
    QAction* ClearAllTracking1;          // "&Clear All Message Tracking"
    QMenu* View1;                        // "&View"
    QAction* ExpertMode1;                // "&View" > "&Expert Mode": checked, tracking is offered
    QAction* MessageTracking1;           // "&Message Options" > "&Add Message Track" (Expert Mode)
    QAction* MessageTracking1Separator;  // the separator after it (Expert Mode)
    QAction* ClearAllMessageTracking1;   // "&Message Options" > "Clear All Message &Tracking"
    // Runs the add-track dialog modally and returns its result; tests replace it.
    std::function<int(TForm_NewMessageTrack& dialog)> ShowNewTrackDialog;

    // The track of the selected node of the tracking tree; null for none or a root.
    const TTrackInfo* FindSelectedTrack() const;
    // Appends every stored track to the list and the tree.
    void LoadMessageTracks();
    // Replaces the stored tracks with the list (skipped when they could not be read at start).
    void SaveMessageTracks();

public slots:
    // "&Add New Message Track": asks for a text and kinds, then adds a track per accepted kind.
    void AddNewMessageTrack1Click();
    // "&Message Options" > "&Add Message Track".
    void MessageTracking1Click();
    // "&Delete Message Track": deletes the selected track.
    void DeleteMessageTrack1Click();
    // "&Clear All Message Tracking": deletes every track, leaving the three roots.
    void ClearAllTracking1Click();
    // "&Message Options" > "Clear All Message &Tracking".
    void ClearAllMessageTracking1Click();
    // The selected tracking node changed: remembers its track and lists its messages.
    void TreeView_TrackingChange();
    // A left click in the tracking tree: "&Delete Message Track" only for a track node.
    void TreeView_TrackingClick();
    // "&Expert Mode", after its check mark toggled: shows or hides tracking.
    void ExpertMode1Click();
    // Rebuilds the list with the stored messages that match the selected track.
    void ShowTrackedMessages();

private:
    void CreateTracking();
    void CreateTrackingPage();
    void CreateTrackingMenus();
    // Appends a track to the list and its node to the root of its kind.
    void AddTrack(TTrackKind kind, const std::string& text);
    void AddTrackNode(const TTrackInfo& track);
    // The selected node of the tracking tree, or null.
    QTreeWidgetItem* SelectedTrackingNode() const;
    // The selected track's test for the listing rule; empty when no track is selected.
    ListingRule::TrackTest SelectedTrackTest() const;

    std::optional<TrackMatcher> selectedTrack_; // the selected track, ready for each new message
    bool tracksUnreadable_ = false;             // the stored tracks failed to load: keep them

    // Code Examiner hand-off (MainFormCodeExaminer.cpp).
public:
    QAction* CodeExaminer1; // "&File" > "&Code Examiner"
    // Asks for the project or unit to examine: its full path, or empty on Cancel. Tests replace it.
    std::function<QString(const ExaminerFileRequest& request)> ChooseExaminerFile;
    // Shows the opened examiner modally; tests replace it.
    std::function<void(TFrm_VireoAddOn& examiner)> ShowCodeExaminer;
    // "&File" > "&Code Examiner": asks for a file and examines it; a file that cannot be opened
    // is reported and the viewer goes on.
    void CodeExaminer1Click();

private:
    void CreateCodeExaminerCommand();

    // Options, layout and settings (MainFormSettings.cpp; rules in ViewerSettings).
public:
    ViewerOptions Options;               // the six settings of the options dialog
    int SavedMessagesHeight = kSavedMessagesHeightAtStart; // message pane height over a shown source pane
    QAction* Options1;                   // "&File" > "&Options"
    QAction* MessageFilterTree1;         // "&View" > "Message/Filter &Tree": checked, the left pane shows
    QAction* MessagesWindow1;            // "&View" > "&Messages Window": checked, the message pane shows
    QAction* SourceWindow1;              // "&View" > "&Source Window": checked, the source pane shows
    QMenu* Help1;                        // "&Help"
    QAction* About1;                     // "&Help" > "&About"
    QMenu* PopupMenu_ShowWindow;         // the right-hand area's context menu when both panes are hidden
    QAction* MessageFilterTree2;         // its "Message/Filter &Tree", mirroring MessageFilterTree1
    QAction* MessagesWindow2;            // its "&Messages Window", mirroring MessagesWindow1
    QAction* SourceWindow2;              // its "&Source Window", mirroring SourceWindow1
    // Runs the options dialog modally and returns its result; tests replace it.
    std::function<int(TForm_Options& dialog)> ShowOptionsDialog;
    // Runs the About box modally; tests replace it.
    std::function<void(TForm_About& box)> ShowAboutBox;

    // Restores placement, column widths, the ten settings and the stored tracks.
    void LoadSettings();
    // Saves placement, column widths, the ten settings and (when kept) the tracks as one write;
    // a failed write is reported once in the status bar and leaves the stored settings as they were.
    void SaveSettings();
    // The four View settings as the View menu's check marks stand.
    ViewState CurrentViewState() const;

public slots:
    // "&File" > "&Options": edits the six settings; Cancel leaves them as they were.
    void MainMenu_OptionsClick();
    // "&View" > "Message/Filter &Tree", after its check mark toggled: shows or hides the left pane.
    void MessageFilterTree1Click();
    // "&View" > "&Messages Window", after its check mark toggled: shows or hides the message pane.
    void MessagesWindow1Click();
    // "&View" > "&Source Window", after its check mark toggled: shows or hides the source pane.
    void SourceWindow1Click();
    // The popup twins: each runs its View menu item.
    void MessageFilterTree2Click();
    void MessagesWindow2Click();
    void SourceWindow2Click();
    // "&Help" > "&About": shows the About box.
    void About1Click();
    // The window was resized; the splitter of the left pane moved: the filter panels are laid out anew.
    void FormResize();
    void Splitter_Main_VertMoved();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateSettingsMenus();
    void CreateShowWindowMenu();
    // Sets a View item's check mark to the opposite of stored and runs it, as a user's click would.
    static void ApplyViewSetting(QAction* item, bool stored);
    void ApplyStartupOptions();
    // Adds or removes the source list's "Line Number" column after an options change.
    void ApplyLineNumberOption(bool before);
    // Reports a failed settings write once in the status bar.
    void ReportSettingsNotSaved(const QString& reason);

    bool settingsFailureReported_ = false;

    // Message logs (MainFormLog.cpp; rules in MessageLog).
public:
    QAction* SaveMessages1; // "&File" > "&Save Messages..."
    QAction* OpenMessages1; // "&File" > "&Open Messages..."
    // Asks for the log to save into (save true) or to open: its path, or empty on Cancel. Tests replace it.
    std::function<QString(bool save)> ChooseLogFile;
    // Asks whether to save only the listed messages (true) or all (false); nothing on Cancel. Tests replace it.
    std::function<std::optional<bool>(int listed, int all)> AskSaveListedOnly;
    // "&Save Messages...": saves the listed or all messages, in arrival order, as a message log.
    void SaveMessages1Click();
    // "&Open Messages...": asks for a log and opens it.
    void OpenMessages1Click();
    // Takes in a log's messages as if they had arrived; what cannot be read is reported in a box.
    void OpenMessageLogFile(const QString& path);

private:
    void CreateLogCommands();

    // Finding and copying in the message list (MainFormFind.cpp; rules in MessageFind).
public:
    QWidget* FindBar;                  // the find bar over the message list, hidden until Ctrl+F
    QLineEdit* Edit_Find;              // the text looked for
    QCheckBox* CheckBox_FindRegExp;    // "Regular E&xpression"
    QPushButton* Button_FindNext;      // "&Next" (F3)
    QPushButton* Button_FindPrevious;  // "&Previous" (Shift+F3)
    QPushButton* Button_FindClose;     // "Close" (Escape)
    QLabel* Label_FindNotice;          // wrapping, no match or a faulty expression
    QAction* Find1;                    // message list menu "&Find..." (Ctrl+F)
    QAction* FindNext1;                // "Find &Next" (F3)
    QAction* FindPrevious1;            // "Find &Previous" (Shift+F3)
    QAction* CopyMessages1;            // "&Copy" (Ctrl+C in the list)
    // Ctrl+F: shows the find bar with its text selected.
    void Find1Click();
    // Selects the next (previous) row whose visible columns hold the text, wrapping at the ends;
    // without a text it opens the find bar instead.
    void FindMessage(bool forward);
    // Escape: hides the find bar and gives the list the focus.
    void CloseFindBar();
    // Ctrl+C: copies the selected rows, in the list's order, as tab-separated text with a header.
    void CopyMessages1Click();
    // What the list shows now: its visible columns in their order, and the milliseconds option.
    ShownColumns CurrentShownColumns() const;

private:
    void CreateFindBar();
    void CreateFindCommands();
};

} // namespace vireo
