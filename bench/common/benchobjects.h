// Finding an object of a loaded QML tree by objectName, through QObject children, visual
// children and a window's content: for the benchmarks that drive the program's window.
#pragma once

#include <QObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QString>

namespace Bench {

inline void collectNamed(QObject *object, const QString &name, QObject **found, QSet<QObject *> *seen)
{
    if (!object || *found || seen->contains(object))
        return;
    seen->insert(object);
    if (object->objectName() == name) {
        *found = object;
        return;
    }
    for (QObject *child : object->children())
        collectNamed(child, name, found, seen);
    if (auto *item = qobject_cast<QQuickItem *>(object)) {
        for (QQuickItem *child : item->childItems())
            collectNamed(child, name, found, seen);
    }
    if (auto *window = qobject_cast<QQuickWindow *>(object))
        collectNamed(window->contentItem(), name, found, seen);
}

inline QObject *findObject(QObject *root, const QString &name)
{
    QObject *found = nullptr;
    QSet<QObject *> seen;
    collectNamed(root, name, &found, &seen);
    return found;
}

} // namespace Bench
