#pragma once

#include "viewer/session/TraceSources.h"

#include <QIcon>
#include <QList>
#include <QWidget>

#include <string>

class QTreeWidget;
class QTreeWidgetItem;

namespace vireo {

// Role under which a learned node keeps its whole name, as UTF-8 bytes.
inline constexpr int kNodeNameRole = 0x0100 + 2; // Qt::UserRole + 2

class MessageListing;
class TraceSession;

// The "Messages" page: the tree of classes, groups and message types. It learns the session's
// classes and groups as nodes and tells the listing which node is selected.
class MessageTreePane : public QWidget {
    Q_OBJECT
public:
    // The page with its fixed nodes, following the session and driving the listing.
    MessageTreePane(const TraceSession& session, MessageListing& listing, QWidget* parent = nullptr);

    // Selects the first node, "All" (the window's activation).
    void SelectFirstNode();
    // Expands every node (the option to start expanded).
    void ExpandAll();
    // Gives the tree the keyboard focus.
    void FocusTree();

private:
    void LearnName(NameKind kind, const std::string& name);
    void ForgetLearnedNodes();
    void TellListing(QTreeWidgetItem* current);

    MessageListing& listing_;
    QList<QIcon> images_;
    QTreeWidget* tree_;
    QTreeWidgetItem* all_;
    QTreeWidgetItem* classes_;
    QTreeWidgetItem* groups_;
};

} // namespace vireo
