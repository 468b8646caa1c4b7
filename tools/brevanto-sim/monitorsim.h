#pragma once

#include "analyzerrenderer.h"
#include "simdevice.h"

#include <QHash>
#include <QList>

// A monitor: identity and channels, keys and rotary knobs acting on the selected
// channel, LUT slots per LUT function, custom markers and analyzer pictures.
class MonitorSim : public SimDevice
{
public:
    // What a LUT protocol reports when a slot is loaded: input bits, output bits and,
    // for 3D tables, the lattice size.
    struct LutFormat {
        int inBits = 10;
        int outBits = 10;
        int size = 17;
    };

    MonitorSim(const SimOptions &options, UploadStore &uploads);

    // Format of an uploaded table where its text says so; otherwise the fallback.
    static LutFormat formatOf(bool is3d, const QByteArray &table, const LutFormat &fallback);

protected:
    std::optional<SimReply> handleRole(const SimCommand &command) override;
    SimReply basicInfoExtra(const SimCommand &command) override;
    void keyPressed(int key) override;
    QByteArray frameTimecode() const override;

private:
    struct LutBank {
        int activeSlot = 0;
        bool on = false;
        QHash<int, LutFormat> stored;
        LutFormat active;
    };
    static constexpr int MaxMarkers = 32;
    static constexpr int MarkerNameSize = 32;

    SimReply lut(const SimCommand &command);
    SimReply marker(const SimCommand &command);
    SimReply analyzer(const SimCommand &command);
    static QByteArray formatReply(bool is3d, const LutFormat &format);
    static QByteArray markerName(const QByteArray &field);
    int markerIndex(const QByteArray &name) const;

    QHash<quint16, LutBank> m_luts;
    QList<QByteArray> m_markers;
    bool m_tempMarkerOn = false;
    int m_selectedChannel = 0;
    AnalyzerRenderer::Snapshot m_lastAnalyzer;
    int m_analyzerCount = 0;
};
