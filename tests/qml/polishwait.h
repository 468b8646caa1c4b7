#pragma once

class QQuickItem;

namespace QmlTest {
// Waits (at most 5 s) until neither the item nor an ancestor awaits the window's polish, so its
// scene position is final. False when the window never got to it.
bool waitForPlacement(QQuickItem *item);
} // namespace QmlTest
