// TForm_Main's message tracking: the Tracking page, its tree and commands, the list of the
// selected track, and the Expert Mode switch that offers them.

#include "viewer/MainFormUnit.h"

#include "viewer/MenuItems.h"
#include "viewer/MessageListModel.h"
#include "viewer/NewMessageTrack.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTreeWidget>

namespace vireo {

namespace {

// The tracking tree's mouse rules: a right press only opens the context menu (it does not
// select), and a left click reports itself.
class TrackingTreeMouse : public QObject {
public:
    TrackingTreeMouse(QObject* parent, std::function<void()> leftClick)
        : QObject(parent), leftClick_(std::move(leftClick))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const auto type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease)
            return QObject::eventFilter(watched, event);
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::RightButton && type == QEvent::MouseButtonPress)
            return true;
        if (button == Qt::LeftButton && type == QEvent::MouseButtonRelease)
            leftClick_();
        return false;
    }

private:
    std::function<void()> leftClick_;
};

} // namespace

void TForm_Main::CreateTracking()
{
    CreateTrackingPage();
    CreateTrackingMenus();
    ShowNewTrackDialog = [](TForm_NewMessageTrack& dialog) { return dialog.exec(); };
}

void TForm_Main::CreateTrackingPage()
{
    TreeView_Tracking = AddPageTree(TabSheet_Tracking, "TreeView_Tracking", QStringLiteral("Tracking"));
    for (const TTrackKind kind : kTrackKinds)
        AddTreeNode(nullptr, QString::fromLatin1(TrackRootCaption(kind)), 2, TreeView_Tracking);
    connect(TreeView_Tracking, &QTreeWidget::itemSelectionChanged, this, &TForm_Main::TreeView_TrackingChange);
    TreeView_Tracking->viewport()->installEventFilter(
        new TrackingTreeMouse(TreeView_Tracking, [this] { TreeView_TrackingClick(); }));

    PopupMenu_Tracking = new QMenu(TreeView_Tracking);
    PopupMenu_Tracking->setObjectName(QStringLiteral("PopupMenu_Tracking"));
    PopupMenu_Tracking->setAccessibleName(QStringLiteral("Tracking menu"));
    AddNewMessageTrack1 = AddMenuItem(PopupMenu_Tracking, nullptr, "AddNewMessageTrack1",
                                      QStringLiteral("&Add New Message Track"), this,
                                      &TForm_Main::AddNewMessageTrack1Click);
    DeleteMessageTrack1 = AddMenuItem(PopupMenu_Tracking, nullptr, "DeleteMessageTrack1",
                                      QStringLiteral("&Delete Message Track"), this,
                                      &TForm_Main::DeleteMessageTrack1Click);
    DeleteMessageTrack1->setEnabled(false);
    PopupMenu_Tracking->addSeparator();
    ClearAllTracking1 = AddMenuItem(PopupMenu_Tracking, nullptr, "ClearAllTracking1",
                                    QStringLiteral("&Clear All Message Tracking"), this,
                                    &TForm_Main::ClearAllTracking1Click);
    TreeView_Tracking->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TreeView_Tracking, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu_Tracking->popup(TreeView_Tracking->viewport()->mapToGlobal(at));
    });
}

void TForm_Main::CreateTrackingMenus()
{
    View1 = new QMenu(QStringLiteral("&View"), this);
    View1->setObjectName(QStringLiteral("View1"));
    View1->setAccessibleName(QStringLiteral("View"));
    menuBar()->insertMenu(MessageOptions1->menuAction(), View1);
    ExpertMode1 = AddMenuItem(View1, nullptr, "ExpertMode1", QStringLiteral("&Expert Mode"), this,
                              &TForm_Main::ExpertMode1Click);
    ExpertMode1->setCheckable(true);

    MessageTracking1 = AddMenuItem(MessageOptions1, ClearMessages1, "MessageTracking1",
                                   QStringLiteral("&Add Message Track"), this, &TForm_Main::MessageTracking1Click);
    MessageTracking1Separator = MessageOptions1->insertSeparator(ClearMessages1);
    MessageTracking1->setVisible(false);
    MessageTracking1Separator->setVisible(false);
    ClearAllMessageTracking1 = AddMenuItem(MessageOptions1, ClearSourceWindow1, "ClearAllMessageTracking1",
                                           QStringLiteral("Clear All Message &Tracking"), this,
                                           &TForm_Main::ClearAllMessageTracking1Click);
}

void TForm_Main::AddTrackNode(const TTrackInfo& track)
{
    AddTreeNode(TreeView_Tracking->topLevelItem(track.TrackKind), QString::fromStdString(track.MessageText), 1);
}

void TForm_Main::AddTrack(TTrackKind kind, const std::string& text)
{
    const int index = TrackList.Add(std::make_unique<TTrackInfo>(TTrackInfo{text, kind}));
    AddTrackNode(TrackList.Items(index));
}

void TForm_Main::AddNewMessageTrack1Click()
{
    TForm_NewMessageTrack dialog(TrackList, this);
    if (ShowNewTrackDialog(dialog) != QDialog::Accepted)
        return;
    const std::string text = dialog.Edit_Message->text().toStdString();
    if (dialog.AddExact)
        AddTrack(tkExact, text);
    if (dialog.AddStartWith)
        AddTrack(tkStartWith, text);
    if (dialog.AddContaining)
        AddTrack(tkContaining, text);
}

void TForm_Main::MessageTracking1Click()
{
    AddNewMessageTrack1Click();
}

QTreeWidgetItem* TForm_Main::SelectedTrackingNode() const
{
    const QList<QTreeWidgetItem*> selected = TreeView_Tracking->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

const TTrackInfo* TForm_Main::FindSelectedTrack() const
{
    const QTreeWidgetItem* node = SelectedTrackingNode();
    if (!node || !node->parent())
        return nullptr;
    const std::string parentCaption = node->parent()->text(0).toStdString();
    const std::string_view parent = parentCaption;
    return FindTrackOfNode(TrackList, node->text(0).toStdString(), &parent);
}

void TForm_Main::DeleteMessageTrack1Click()
{
    QTreeWidgetItem* node = SelectedTrackingNode();
    if (!node || !node->parent())
        return;
    QTreeWidgetItem* parent = node->parent();
    const std::optional<TTrackKind> kind = TrackKindOfRoot(parent->text(0).toStdString());
    if (const int index = kind ? IndexOfTrack(TrackList, *kind, node->text(0).toStdString()) : -1; index >= 0)
        TrackList.Delete(index);
    // The selection moves on to the next track of the kind, else the one before, else the root,
    // and the list follows it once.
    const int at = parent->indexOfChild(node);
    QTreeWidgetItem* next = parent->child(at + 1) ? parent->child(at + 1) : at > 0 ? parent->child(at - 1) : parent;
    {
        const QSignalBlocker quiet(TreeView_Tracking);
        delete node;
        TreeView_Tracking->setCurrentItem(next);
    }
    TreeView_TrackingChange();
}

void TForm_Main::ClearAllTracking1Click()
{
    const QTreeWidgetItem* selected = SelectedTrackingNode();
    QTreeWidgetItem* root = selected ? selected->parent() : nullptr;
    TrackList.Clear();
    {
        // One rebuild for where the selection lands, not one per removed node.
        const QSignalBlocker quiet(TreeView_Tracking);
        for (int kind = 0; kind < TreeView_Tracking->topLevelItemCount(); ++kind)
            qDeleteAll(TreeView_Tracking->topLevelItem(kind)->takeChildren());
        if (root)
            TreeView_Tracking->setCurrentItem(root);
    }
    if (root)
        TreeView_TrackingChange();
}

void TForm_Main::ClearAllMessageTracking1Click()
{
    ClearAllTracking1Click();
}

void TForm_Main::TreeView_TrackingChange()
{
    const TTrackInfo* track = FindSelectedTrack();
    selectedTrack_ = track ? std::optional(TrackMatcher(*track)) : std::nullopt;
    arrivalRule_.reset();
    // Only the Tracking page lists tracked messages; a command run from the main menu on
    // another page leaves that page's list alone.
    if (ActivePage() == ListPage::Tracking)
        ShowTrackedMessages();
}

void TForm_Main::TreeView_TrackingClick()
{
    const QTreeWidgetItem* node = SelectedTrackingNode();
    DeleteMessageTrack1->setEnabled(node && node->parent());
}

ListingRule::TrackTest TForm_Main::SelectedTrackTest() const
{
    if (!selectedTrack_)
        return {};
    return [track = *selectedTrack_](const TTraceInfo& message) { return track.Matches(message.MessageStr); };
}

void TForm_Main::ShowTrackedMessages()
{
    ListRows(ListingRule(TreeNodeRule::All(), ListPage::Tracking, nullptr, SelectedTrackTest()));
}

void TForm_Main::ExpertMode1Click()
{
    const bool on = ExpertMode1->isChecked();
    const int tracking = static_cast<int>(ListPage::Tracking);
    if (on) {
        PageControl_Main->setTabVisible(tracking, true);
        MessageTracking1Separator->setVisible(true);
        MessageTracking1->setVisible(true);
        SetPageByProgram(ListPage::Tracking);
        return;
    }
    MessageTracking1Separator->setVisible(false);
    SetPageByProgram(ListPage::Messages); // first, so hiding the tab moves no page by itself
    PageControl_Main->setTabVisible(tracking, false);
    MessageTracking1->setVisible(false);
}

void TForm_Main::LoadMessageTracks()
{
    const int loaded = TrackList.Count();
    try {
        ReadTrackList(TrackList);
    } catch (const std::exception& error) {
        // Saving at close would replace the stored tracks with the part that could be read.
        tracksUnreadable_ = true;
        const QString text = QString::fromUtf8(error.what());
        QMetaObject::invokeMethod(this, [this, text] { ShowMessageBox(text); }, Qt::QueuedConnection);
    }
    for (int i = loaded; i < TrackList.Count(); ++i)
        AddTrackNode(TrackList.Items(i));
}

void TForm_Main::SaveMessageTracks()
{
    if (tracksUnreadable_)
        return;
    try {
        WriteTrackList(TrackList);
    } catch (const std::exception& error) {
        ShowMessageBox(QString::fromUtf8(error.what()));
    }
}

} // namespace vireo
