#pragma once

#include <QImage>
#include <QRectF>
#include <QSize>

class QPainter;

// Monitor pictures: the application icon for monitors and one front view per product series,
// each showing colour bars on its screen.
class MonitorArt
{
public:
    enum Series { KtSeries, TlSeries, SnPrSeries };

    static QImage drawIcon(int size);
    // KT on an opaque studio backdrop (it is stored as JPEG), the others on transparency.
    static QImage drawSeries(Series series, const QSize &size);
    // Seven 75 % bars over the reverse-bar strip and the bottom row with the black-level steps.
    static void drawColourBars(QPainter &painter, const QRectF &screen);
};
