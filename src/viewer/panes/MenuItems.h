#pragma once

#include <QAction>
#include <QMenu>

namespace vireo {

// Puts a command into a menu before `before` (at its end when null), with an object name for the
// tools that drive the window, running handler on receiver when it is chosen.
template <typename Receiver, typename Handler>
QAction* AddMenuItem(QMenu* menu, QAction* before, const char* name, const QString& caption, Receiver* receiver,
                     Handler handler)
{
    auto* item = new QAction(caption, menu);
    item->setObjectName(QString::fromLatin1(name));
    QObject::connect(item, &QAction::triggered, receiver, handler);
    menu->insertAction(before, item);
    return item;
}

} // namespace vireo
