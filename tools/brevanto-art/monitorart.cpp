#include "monitorart.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {
const QColor Bezel(0x2b, 0x2d, 0x31);
const QColor BezelEdge(0x12, 0x13, 0x15);
const QColor Accent(0x66, 0x99, 0x33);

void drawBezel(QPainter &painter, const QRectF &rect, double radius)
{
    QLinearGradient shade(rect.topLeft(), rect.bottomLeft());
    shade.setColorAt(0, Bezel.lighter(130));
    shade.setColorAt(1, Bezel);
    painter.setPen(QPen(BezelEdge, 1.0));
    painter.setBrush(shade);
    painter.drawRoundedRect(rect, radius, radius);
}

void drawButtonRow(QPainter &painter, const QRectF &strip, int buttons, int knobs)
{
    const double height = strip.height();
    const double buttonWidth = height * 1.3;
    const double gap = height * 0.45;
    double x = strip.left();
    painter.setPen(QPen(BezelEdge, 1.0));
    for (int i = 0; i < buttons; ++i) {
        painter.setBrush(i == 0 ? Accent : QColor(0x4a, 0x4d, 0x52));
        painter.drawRoundedRect(QRectF(x, strip.top() + height * 0.2, buttonWidth, height * 0.6), height * 0.15,
                                height * 0.15);
        x += buttonWidth + gap;
    }
    double knobX = strip.right() - height / 2;
    for (int i = 0; i < knobs; ++i) {
        QRadialGradient knob(QPointF(knobX - height * 0.1, strip.center().y() - height * 0.1), height / 2);
        knob.setColorAt(0, QColor(0x70, 0x73, 0x78));
        knob.setColorAt(1, QColor(0x30, 0x32, 0x36));
        painter.setBrush(knob);
        painter.drawEllipse(QPointF(knobX, strip.center().y()), height * 0.42, height * 0.42);
        knobX -= height * 1.2;
    }
}
} // namespace

void MonitorArt::drawColourBars(QPainter &painter, const QRectF &screen)
{
    painter.save();
    painter.setPen(Qt::NoPen);
    const double barWidth = screen.width() / 7.0;
    // 75 % bars: grey, yellow, cyan, green, magenta, red, blue.
    static const QColor bars[7] = {QColor(191, 191, 191), QColor(191, 191, 0), QColor(0, 191, 191), QColor(0, 191, 0),
                                   QColor(191, 0, 191),   QColor(191, 0, 0),   QColor(0, 0, 191)};
    static const QColor reverse[7] = {QColor(0, 0, 191), QColor(19, 19, 19), QColor(191, 0, 191), QColor(19, 19, 19),
                                      QColor(0, 191, 191), QColor(19, 19, 19), QColor(191, 191, 191)};
    const double topHeight = screen.height() * 0.67;
    const double middleHeight = screen.height() * 0.08;
    for (int i = 0; i < 7; ++i) {
        const double x = screen.left() + i * barWidth;
        // Overlap by a fraction of a pixel so that no seams show between antialiased bars.
        painter.setBrush(bars[i]);
        painter.drawRect(QRectF(x, screen.top(), barWidth + 0.5, topHeight));
        painter.setBrush(reverse[i]);
        painter.drawRect(QRectF(x, screen.top() + topHeight, barWidth + 0.5, middleHeight));
    }
    // Bottom row: -I, white, +Q, black, then the black-level steps.
    const double bottomTop = screen.top() + topHeight + middleHeight;
    const double bottomHeight = screen.bottom() - bottomTop;
    const double wide = barWidth * 5.0 / 4.0;
    const QColor bottom[4] = {QColor(0, 33, 76), QColor(255, 255, 255), QColor(50, 0, 106), QColor(19, 19, 19)};
    for (int i = 0; i < 4; ++i) {
        painter.setBrush(bottom[i]);
        painter.drawRect(QRectF(screen.left() + i * wide, bottomTop, wide + 0.5, bottomHeight));
    }
    const double stepsLeft = screen.left() + 5 * barWidth;
    const QColor steps[4] = {QColor(9, 9, 9), QColor(19, 19, 19), QColor(29, 29, 29), QColor(19, 19, 19)};
    for (int i = 0; i < 4; ++i) {
        painter.setBrush(steps[i]);
        const double width = i < 3 ? barWidth / 3.0 : barWidth;
        painter.drawRect(QRectF(stepsLeft + i * barWidth / 3.0, bottomTop, width + 0.5, bottomHeight));
    }
    painter.restore();
}

QImage MonitorArt::drawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = size / 256.0;

    // Stand, then the monitor body and its screen.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x4a, 0x4d, 0x52));
    painter.drawRect(QRectF(116 * unit, 170 * unit, 24 * unit, 44 * unit));
    painter.drawRoundedRect(QRectF(68 * unit, 206 * unit, 120 * unit, 16 * unit), 8 * unit, 8 * unit);

    const QRectF body(16 * unit, 44 * unit, 224 * unit, 136 * unit);
    drawBezel(painter, body, 12 * unit);
    drawColourBars(painter, body.adjusted(10 * unit, 10 * unit, -10 * unit, -18 * unit));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Accent);
    painter.drawEllipse(QPointF(body.right() - 16 * unit, body.bottom() - 9 * unit), 3 * unit, 3 * unit);
    painter.end();
    return image;
}

QImage MonitorArt::drawSeries(Series series, const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    const double w = size.width();
    const double h = size.height();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    if (series == KtSeries) {
        // Studio backdrop: JPEG has no transparency.
        QLinearGradient backdrop(0, 0, 0, h);
        backdrop.setColorAt(0, QColor(0xf2, 0xf2, 0xf2));
        backdrop.setColorAt(1, QColor(0xc8, 0xca, 0xcc));
        painter.fillRect(QRectF(0, 0, w, h), backdrop);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 40));
        painter.drawEllipse(QRectF(w * 0.22, h * 0.86, w * 0.56, h * 0.08));
        // Pedestal.
        painter.setBrush(QColor(0x3a, 0x3c, 0x40));
        painter.drawRect(QRectF(w * 0.46, h * 0.72, w * 0.08, h * 0.14));
        painter.drawRoundedRect(QRectF(w * 0.3, h * 0.84, w * 0.4, h * 0.05), h * 0.02, h * 0.02);
        // Body with a thick bezel and a control strip under the screen.
        const QRectF body(w * 0.08, h * 0.1, w * 0.84, h * 0.66);
        drawBezel(painter, body, h * 0.02);
        const QRectF screen(body.left() + w * 0.035, body.top() + h * 0.04, body.width() - w * 0.07,
                            body.height() - h * 0.14);
        drawColourBars(painter, screen);
        drawButtonRow(painter, QRectF(screen.left(), screen.bottom() + h * 0.02, screen.width(), h * 0.055), 8, 4);
    } else if (series == TlSeries) {
        image.fill(Qt::transparent);
        // Slim tilt stand behind a thin-bezel panel.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x55, 0x58, 0x5d));
        QPainterPath stand;
        stand.moveTo(w * 0.47, h * 0.6);
        stand.lineTo(w * 0.53, h * 0.6);
        stand.lineTo(w * 0.56, h * 0.9);
        stand.lineTo(w * 0.44, h * 0.9);
        stand.closeSubpath();
        painter.drawPath(stand);
        painter.drawRoundedRect(QRectF(w * 0.32, h * 0.88, w * 0.36, h * 0.04), h * 0.02, h * 0.02);
        const QRectF body(w * 0.05, h * 0.06, w * 0.9, h * 0.66);
        drawBezel(painter, body, h * 0.012);
        const QRectF screen = body.adjusted(w * 0.012, h * 0.018, -w * 0.012, -h * 0.05);
        drawColourBars(painter, screen);
        painter.setBrush(Accent);
        painter.drawEllipse(QPointF(body.center().x(), body.bottom() - h * 0.025), h * 0.008, h * 0.008);
    } else {
        image.fill(Qt::transparent);
        // Rack-mount chassis: full-width panel with ears, screen left, controls right.
        const QRectF panel(w * 0.02, h * 0.2, w * 0.96, h * 0.6);
        drawBezel(painter, panel, h * 0.01);
        painter.setBrush(QColor(0x1d, 0x1f, 0x21));
        painter.setPen(Qt::NoPen);
        for (double x : {panel.left() + w * 0.02, panel.right() - w * 0.02}) {
            painter.drawEllipse(QPointF(x, panel.top() + h * 0.08), h * 0.018, h * 0.018);
            painter.drawEllipse(QPointF(x, panel.bottom() - h * 0.08), h * 0.018, h * 0.018);
        }
        const QRectF screen(panel.left() + w * 0.06, panel.top() + h * 0.06, panel.width() * 0.58,
                            panel.height() - h * 0.12);
        drawColourBars(painter, screen);
        // Tally lamps and two button rows.
        const double controlsLeft = screen.right() + w * 0.03;
        const double controlsWidth = panel.right() - w * 0.06 - controlsLeft;
        const QColor lamps[3] = {QColor(210, 50, 40), Accent, QColor(230, 170, 40)};
        for (int i = 0; i < 3; ++i) {
            painter.setBrush(lamps[i]);
            painter.drawRoundedRect(QRectF(controlsLeft + i * controlsWidth / 3.0, screen.top(), controlsWidth / 3.6,
                                           h * 0.04),
                                    h * 0.01, h * 0.01);
        }
        drawButtonRow(painter, QRectF(controlsLeft, screen.top() + h * 0.1, controlsWidth, h * 0.07), 4, 0);
        drawButtonRow(painter, QRectF(controlsLeft, screen.top() + h * 0.2, controlsWidth, h * 0.07), 2, 2);
    }
    painter.end();
    return image;
}
