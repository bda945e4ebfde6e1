#include "viewer/panes/TrackingPage.h"

#include "viewer/panes/MenuItems.h"
#include "viewer/panes/NewMessageTrack.h"
#include "viewer/panes/PageTree.h"
#include "viewer/panes/ViewerDialogs.h"
#include "viewer/panes/ViewerImages.h"
#include "viewer/session/MessageListing.h"
#include "viewer/session/TrackBook.h"

#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeWidget>

#include <memory>

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

TrackingPage::TrackingPage(TrackBook& tracks, MessageListing& listing, ViewerDialogs& dialogs, QWidget* parent)
    : QWidget(parent), tracks_(tracks), listing_(listing), dialogs_(dialogs), images_(ViewerImages::TreeImages())
{
    setObjectName(QStringLiteral("TabSheet_Tracking"));
    setAccessibleName(QStringLiteral("Tracking"));
    tree_ = AddPageTree(this, "TreeView_Tracking", QStringLiteral("Tracking"));
    for (const TTrackKind kind : kTrackKinds)
        AddTreeNode(tree_, nullptr, QString::fromLatin1(TrackRootCaption(kind)), 2, images_);
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &TrackingPage::SelectionChanged);
    tree_->viewport()->installEventFilter(new TrackingTreeMouse(tree_, [this] { LeftClick(); }));
    CreateMenu();
    dialogs_.ShowNewTrackDialog = [](TForm_NewMessageTrack& dialog) { return dialog.exec(); };
}

void TrackingPage::CreateMenu()
{
    menu_ = new QMenu(tree_);
    menu_->setObjectName(QStringLiteral("PopupMenu_Tracking"));
    menu_->setAccessibleName(QStringLiteral("Tracking menu"));
    AddMenuItem(menu_, nullptr, "AddNewMessageTrack1", QStringLiteral("&Add New Message Track"), this,
                &TrackingPage::AddNewTrack);
    deleteTrack_ = AddMenuItem(menu_, nullptr, "DeleteMessageTrack1", QStringLiteral("&Delete Message Track"), this,
                               &TrackingPage::DeleteSelectedTrack);
    deleteTrack_->setEnabled(false);
    menu_->addSeparator();
    AddMenuItem(menu_, nullptr, "ClearAllTracking1", QStringLiteral("&Clear All Message Tracking"), this,
                &TrackingPage::ClearAll);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { menu_->popup(tree_->viewport()->mapToGlobal(at)); });
}

void TrackingPage::AddTrackNode(const TTrackInfo& track)
{
    AddTreeNode(tree_, tree_->topLevelItem(track.TrackKind), QString::fromStdString(track.MessageText), 1, images_);
}

void TrackingPage::AddTrack(TTrackKind kind, const std::string& text)
{
    const int index = tracks_.List().Add(std::make_unique<TTrackInfo>(TTrackInfo{text, kind}));
    AddTrackNode(tracks_.List().Items(index));
}

void TrackingPage::AddNewTrack()
{
    TForm_NewMessageTrack dialog(tracks_.List(), this);
    if (dialogs_.ShowNewTrackDialog(dialog) != QDialog::Accepted)
        return;
    const std::string text = dialog.Edit_Message->text().toStdString();
    if (dialog.AddExact)
        AddTrack(tkExact, text);
    if (dialog.AddStartWith)
        AddTrack(tkStartWith, text);
    if (dialog.AddContaining)
        AddTrack(tkContaining, text);
}

QTreeWidgetItem* TrackingPage::SelectedNode() const
{
    const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

const TTrackInfo* TrackingPage::SelectedTrack() const
{
    const QTreeWidgetItem* node = SelectedNode();
    if (!node || !node->parent())
        return nullptr;
    const std::string parentCaption = node->parent()->text(0).toStdString();
    const std::string_view parent = parentCaption;
    return FindTrackOfNode(tracks_.List(), node->text(0).toStdString(), &parent);
}

void TrackingPage::DeleteSelectedTrack()
{
    QTreeWidgetItem* node = SelectedNode();
    if (!node || !node->parent())
        return;
    QTreeWidgetItem* parent = node->parent();
    const std::optional<TTrackKind> kind = TrackKindOfRoot(parent->text(0).toStdString());
    if (const int index = kind ? IndexOfTrack(tracks_.List(), *kind, node->text(0).toStdString()) : -1; index >= 0)
        tracks_.List().Delete(index);
    // The selection moves on to the next track of the kind, else the one before, else the root,
    // and the list follows it once.
    const int at = parent->indexOfChild(node);
    QTreeWidgetItem* next = parent->child(at + 1) ? parent->child(at + 1) : at > 0 ? parent->child(at - 1) : parent;
    {
        const QSignalBlocker quiet(tree_);
        delete node;
        tree_->setCurrentItem(next);
    }
    SelectionChanged();
}

void TrackingPage::ClearAll()
{
    const QTreeWidgetItem* selected = SelectedNode();
    QTreeWidgetItem* root = selected ? selected->parent() : nullptr;
    tracks_.List().Clear();
    {
        // One rebuild for where the selection lands, not one per removed node.
        const QSignalBlocker quiet(tree_);
        for (int kind = 0; kind < tree_->topLevelItemCount(); ++kind)
            qDeleteAll(tree_->topLevelItem(kind)->takeChildren());
        if (root)
            tree_->setCurrentItem(root);
    }
    if (root)
        SelectionChanged();
}

void TrackingPage::SelectionChanged()
{
    const TTrackInfo* track = SelectedTrack();
    listing_.SelectTrack(track ? std::optional(TrackMatcher(*track)) : std::nullopt);
}

void TrackingPage::LeftClick()
{
    const QTreeWidgetItem* node = SelectedNode();
    deleteTrack_->setEnabled(node && node->parent());
}

void TrackingPage::LoadTracks()
{
    const int loaded = tracks_.List().Count();
    if (const std::optional<std::string> problem = tracks_.Load()) {
        const QString text = QString::fromStdString(*problem);
        QMetaObject::invokeMethod(this, [this, text] { dialogs_.ShowMessageBox(text); }, Qt::QueuedConnection);
    }
    for (int i = loaded; i < tracks_.List().Count(); ++i)
        AddTrackNode(tracks_.List().Items(i));
}

void TrackingPage::SaveTracks()
{
    if (const std::optional<std::string> problem = tracks_.Save())
        dialogs_.ShowMessageBox(QString::fromStdString(*problem));
}

} // namespace vireo
