#include "viewer/panes/MessageTreePane.h"

#include "components/QtText.h"
#include "viewer/panes/PageTree.h"
#include "viewer/panes/ViewerImages.h"
#include "viewer/session/MessageColumns.h"
#include "viewer/session/MessageListing.h"
#include "viewer/session/TraceSession.h"

#include <QTreeWidget>

namespace vireo {

MessageTreePane::MessageTreePane(const TraceSession& session, MessageListing& listing, QWidget* parent)
    : QWidget(parent), listing_(listing), images_(ViewerImages::TreeImages())
{
    setObjectName(QStringLiteral("TabSheet_Messages"));
    setAccessibleName(QStringLiteral("Messages"));
    tree_ = AddPageTree(this, "TreeView_Main", QStringLiteral("Message tree"));
    const auto addNode = [this](QTreeWidgetItem* parent, const char* text, int image) {
        return AddTreeNode(tree_, parent, QString::fromLatin1(text), image, images_);
    };
    all_ = addNode(nullptr, kNodeAll, 2);
    classes_ = addNode(nullptr, kNodeClass, 2);
    addNode(classes_, kNodeNoClass, 1);
    groups_ = addNode(nullptr, kNodeGroup, 2);
    addNode(groups_, kNodeNoGroup, 1);
    QTreeWidgetItem* types = addNode(nullptr, kNodeMessageType, 2);
    for (int type = 0; type < 4; ++type)
        addNode(types, kTypeNames[type], 3 + type);

    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) { TellListing(current); });
    // Only a node that is also selected lets arriving messages through.
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QTreeWidgetItem* current = tree_->currentItem();
        listing_.SetNodeSelected(current && current->isSelected());
    });
    connect(&session, &TraceSession::NameLearned, this, &MessageTreePane::LearnName);
    connect(&session, &TraceSession::Cleared, this, &MessageTreePane::ForgetLearnedNodes);
}

void MessageTreePane::TellListing(QTreeWidgetItem* current)
{
    listing_.SetNodeSelected(current && current->isSelected());
    if (!current) {
        listing_.SelectNode(std::nullopt);
        return;
    }
    const QVariant name = current->data(0, kNodeNameRole);
    const std::string text = name.isValid() ? name.toByteArray().toStdString() : current->text(0).toStdString();
    if (!current->parent()) {
        listing_.SelectNode(TreeNodeRule::ForNode(text, nullptr));
        return;
    }
    const std::string parentText = current->parent()->text(0).toStdString();
    const std::string_view parent = parentText;
    listing_.SelectNode(TreeNodeRule::ForNode(text, &parent));
}

void MessageTreePane::LearnName(NameKind kind, const std::string& name)
{
    if (kind == NameKind::Computer)
        return; // computers show among the filters only
    // The node shows the name shortened as the list's cells do; the rule reads it whole.
    QTreeWidgetItem* node = MakeTreeNode(QtText(MessageDisplayText(name)), 1, images_);
    node->setData(0, kNodeNameRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    (kind == NameKind::Class ? classes_ : groups_)->addChild(node);
}

void MessageTreePane::ForgetLearnedNodes()
{
    for (QTreeWidgetItem* parent : {classes_, groups_}) {
        // The first child ("No Class", "No Group") stays. Deleting the selected node moves the
        // selection; the store is already empty, so the list stays empty.
        for (int child = parent->childCount() - 1; child >= 1; --child)
            delete parent->child(child);
    }
}

void MessageTreePane::SelectFirstNode()
{
    tree_->setCurrentItem(all_);
}

void MessageTreePane::ExpandAll()
{
    tree_->expandAll();
}

void MessageTreePane::FocusTree()
{
    tree_->setFocus();
}

} // namespace vireo
