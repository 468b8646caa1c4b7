#pragma once

#include <QElapsedTimer>
#include <QTest>
#include <functional>

// Runs the event loop until `done` holds; false once `timeoutMs` has passed without it.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000, int stepMs = 2)
{
    QElapsedTimer timer;
    for (timer.start(); !done(); QTest::qWait(stepMs)) {
        if (timer.elapsed() > timeoutMs)
            return false;
    }
    return true;
}
