#include "viewer/panes/PageTree.h"

#include <QTreeWidget>
#include <QVBoxLayout>

namespace vireo {

static_assert(kStateImageRole == Qt::UserRole + 1);

QTreeWidget* AddPageTree(QWidget* page, const char* name, const QString& accessibleName)
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

QTreeWidgetItem* MakeTreeNode(const QString& text, int stateImage, const QList<QIcon>& images)
{
    auto* node = new QTreeWidgetItem;
    node->setText(0, text);
    node->setData(0, kStateImageRole, stateImage);
    node->setIcon(0, images.value(stateImage));
    return node;
}

QTreeWidgetItem* AddTreeNode(QTreeWidget* tree, QTreeWidgetItem* parent, const QString& text, int stateImage,
                             const QList<QIcon>& images)
{
    QTreeWidgetItem* node = MakeTreeNode(text, stateImage, images);
    if (parent)
        parent->addChild(node);
    else
        tree->addTopLevelItem(node);
    return node;
}

} // namespace vireo
