#include "polishwait.h"

#include <QElapsedTimer>
#include <QQuickItem>
#include <QtQuickTest/quicktest.h>

// A file and library of its own: Qt Quick Test brings the widgets module's definitions, under
// which QtTest's input functions take the application for a QApplication. The QML tests run a
// QGuiApplication, as the program does, so nothing else may be compiled with them.
bool QmlTest::waitForPlacement(QQuickItem *item)
{
    // Placing an ancestor may move the item again: the chain is looked at until none is pending.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
        QQuickItem *pending = nullptr;
        for (QQuickItem *p = item; p && !pending; p = p->parentItem())
            pending = QQuickTest::qIsPolishScheduled(p) ? p : nullptr;
        if (!pending)
            return true;
        if (!QQuickTest::qWaitForItemPolished(pending, 1000))
            return false;
    }
    return false;
}
