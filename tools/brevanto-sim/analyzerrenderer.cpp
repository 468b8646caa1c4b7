#include "analyzerrenderer.h"

#include "colourbars.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {
struct Palette {
    QColor background;
    QColor ink;
    QColor trace;
    QColor grid;
};

Palette paletteFor(bool whiteStyle)
{
    if (whiteStyle)
        return Palette{Qt::white, Qt::black, QColor(0, 90, 0), QColor(190, 190, 190)};
    return Palette{QColor(16, 16, 16), QColor(230, 230, 230), QColor(80, 255, 80), QColor(70, 70, 70)};
}

void drawWaveform(QPainter &p, const QRectF &area, const Palette &palette)
{
    p.setPen(QPen(palette.grid, 1));
    for (int level = 0; level <= 100; level += 10) {
        const double y = area.bottom() - area.height() * level / 100.0;
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        p.setPen(palette.ink);
        p.drawText(QPointF(area.left() - 36, y + 5), QString::number(level));
        p.setPen(QPen(palette.grid, 1));
    }
    QPainterPath trace;
    const auto &bars = ColourBars::bars();
    for (int i = 0; i < ColourBars::Count; ++i) {
        const double level = (bars[static_cast<size_t>(i)].y - 64) / 876.0;
        const double y = area.bottom() - area.height() * level;
        const double x0 = area.left() + area.width() * i / ColourBars::Count;
        const double x1 = area.left() + area.width() * (i + 1) / ColourBars::Count;
        if (i == 0)
            trace.moveTo(x0, y);
        else
            trace.lineTo(x0, y);
        trace.lineTo(x1, y);
    }
    p.setPen(QPen(palette.trace, 3));
    p.drawPath(trace);
}

void drawVectorscope(QPainter &p, const QRectF &area, const Palette &palette)
{
    const QPointF centre = area.center();
    const double radius = area.width() / 2.0;
    p.setPen(QPen(palette.grid, 1));
    p.drawEllipse(centre, radius, radius);
    p.drawLine(QPointF(area.left(), centre.y()), QPointF(area.right(), centre.y()));
    p.drawLine(QPointF(centre.x(), area.top()), QPointF(centre.x(), area.bottom()));
    const auto &bars = ColourBars::bars();
    QPainterPath trace;
    for (int i = 0; i < ColourBars::Count; ++i) {
        const auto &bar = bars[static_cast<size_t>(i)];
        // Cb to the right, Cr upwards; 448 codes reach the graticule circle.
        const QPointF point(centre.x() + radius * (bar.cb - 512) / 448.0, centre.y() - radius * (bar.cr - 512) / 448.0);
        if (i == 0)
            trace.moveTo(point);
        else
            trace.lineTo(point);
        p.setPen(QPen(palette.ink, 1));
        p.drawRect(QRectF(point.x() - 6, point.y() - 6, 12, 12));
    }
    p.setPen(QPen(palette.trace, 2));
    p.drawPath(trace);
}
} // namespace

AnalyzerRenderer::Snapshot AnalyzerRenderer::capture(int sequence, const QDateTime &when)
{
    // Measured values drift a little from one capture to the next, as a probe would.
    Snapshot s;
    s.sequence = sequence;
    s.taken = when;
    s.luminance = 100.0 + 1.5 * std::sin(sequence * 0.7);
    s.whiteX = 0.3127 + 0.0006 * std::sin(sequence * 1.3);
    s.whiteY = 0.3290 + 0.0005 * std::cos(sequence * 0.9);
    s.gamma = 2.40 + 0.02 * std::sin(sequence * 0.5);
    return s;
}

QByteArray AnalyzerRenderer::renderPng(const Snapshot &snapshot, const QString &model, bool whiteStyle)
{
    const Palette palette = paletteFor(whiteStyle);
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(palette.background);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QFont font = p.font();
        font.setPixelSize(18);
        p.setFont(font);
        p.setPen(palette.ink);
        p.drawText(QPointF(40, 40), QStringLiteral("%1  Analyzer  #%2  %3")
                                        .arg(model)
                                        .arg(snapshot.sequence)
                                        .arg(snapshot.taken.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))));
        drawWaveform(p, QRectF(80, 90, 620, 420), palette);
        drawVectorscope(p, QRectF(790, 90, 420, 420), palette);
        p.setPen(palette.ink);
        const QStringList rows = {
            QStringLiteral("Luminance   %1 cd/m2").arg(snapshot.luminance, 0, 'f', 1),
            QStringLiteral("White x     %1").arg(snapshot.whiteX, 0, 'f', 4),
            QStringLiteral("White y     %1").arg(snapshot.whiteY, 0, 'f', 4),
            QStringLiteral("Gamma       %1").arg(snapshot.gamma, 0, 'f', 2),
        };
        for (int i = 0; i < rows.size(); ++i)
            p.drawText(QPointF(80 + (i % 2) * 560, 590 + (i / 2) * 40), rows.at(i));
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}
