#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The monitor's analyzer display as a PNG picture: a luma waveform and a vectorscope of
// the colour bars and a table of measured values, in the screen style (dark) or the
// print style (white). Needs a QGuiApplication for text rendering.
class AnalyzerRenderer
{
public:
    static constexpr int Width = 1280;
    static constexpr int Height = 720;

    // One analyzer capture: its number, when it was taken and what it measured.
    struct Snapshot {
        int sequence = 0;
        QDateTime taken;
        double luminance = 0.0;
        double whiteX = 0.0;
        double whiteY = 0.0;
        double gamma = 0.0;
    };

    static Snapshot capture(int sequence, const QDateTime &when);
    static QByteArray renderPng(const Snapshot &snapshot, const QString &model, bool whiteStyle);
};
