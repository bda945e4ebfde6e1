#pragma once

#include <QIcon>
#include <QList>
#include <QString>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace vireo {

// Role under which a tree node keeps its state image number.
inline constexpr int kStateImageRole = 0x0100 + 1; // Qt::UserRole + 1

// A read-only, single-selection tree without header filling a page of the left pane.
QTreeWidget* AddPageTree(QWidget* page, const char* name, const QString& accessibleName);

// A node with a state image (an index into images), in no tree yet: filled before it joins one,
// it costs the tree no change notices.
QTreeWidgetItem* MakeTreeNode(const QString& text, int stateImage, const QList<QIcon>& images);

// Appends a node with a state image (an index into images) under parent, or at the top level of
// tree when parent is null.
QTreeWidgetItem* AddTreeNode(QTreeWidget* tree, QTreeWidgetItem* parent, const QString& text, int stateImage,
                             const QList<QIcon>& images);

} // namespace vireo
