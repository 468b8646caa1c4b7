#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtDataVisualization/QSurfaceDataProxy>

class SocketHandler;

// Turns the scope frames a device streams (waveform, vectorscope or both) into surface data
// and keeps them coming: while a scope plays, every frame that arrives pulls the next one.
class ScopeStream : public QObject
{
    Q_OBJECT
    Q_PROPERTY(uchar isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(uchar vectorGain READ vectorGain WRITE setVectorGain NOTIFY vectorGainChanged)
public:
    // Playback mask bits, also the frame types of the scope protocol.
    static constexpr quint8 Waveform = 1;
    static constexpr quint8 Vector = 2;
    static constexpr quint8 Both = 3;

    // Frame geometry as the devices send it.
    static constexpr int WaveformLines = 128;
    static constexpr int WaveformLineBytes = 256;
    static constexpr int WaveformColumns = 240;
    static constexpr int VectorLines = 128;
    static constexpr int VectorColumns = 128;
    static constexpr int WaveformFrameSize = WaveformLines * WaveformLineBytes; // 32768
    static constexpr int VectorFrameSize = VectorLines * VectorColumns;       // 16384
    static constexpr int BothFrameSize = WaveformFrameSize + VectorFrameSize;  // 49152

    // Gain 2 and 4 zoom the vectorscope in; everything at or beyond these radii is blanked.
    static constexpr float Gain2Radius = 35.0f;
    static constexpr float Gain4Radius = 18.0f;

    // Device side: requests go through the device's socket handler.
    ScopeStream(SocketHandler *handler, QObject *parent);
    // QML side: no handler, so nothing can be requested.
    explicit ScopeStream(QObject *parent = nullptr);
    ~ScopeStream() override;

    quint8 isPlaying() const { return m_isPlaying; }
    quint8 vectorGain() const { return m_vectorGain; }
    void setVectorGain(uchar gain);

    Q_INVOKABLE void setDataSeries_Wave(QtDataVisualization::QSurface3DSeries *series);
    Q_INVOKABLE void setDataSeries_Vector(QtDataVisualization::QSurface3DSeries *series);
    Q_INVOKABLE void deleteSeries(const QString &type);
    Q_INVOKABLE void generateData_TWK(const QString &type, int rowCount, int columnCount);

    Q_INVOKABLE void startStopPlayback(uchar type, bool play);
    Q_INVOKABLE void startStopPlayback(uchar type);
    Q_INVOKABLE void stopPlayback(uchar type);

    // Scope frame entry: the device hands over each scope reply with its request as the type.
    void receiveFrame(const QByteArray &payload, int type);
    // The device's connection ended: nothing plays any more (Start works on the next one), but
    // what was playing is remembered for a connection the program makes again by itself.
    void connectionLost();
    void resumeAfterReconnect();

    // Inspection for tests and diagnostics.
    const QtDataVisualization::QSurfaceDataArray &waveformArray() const { return m_waveformArray; }
    const QtDataVisualization::QSurfaceDataArray &vectorArray() const { return m_vectorArray; }
    const QByteArray &lastVectorFrame() const { return m_lastVectorFrame; }

public slots:
    void onVectorGainChanged();

signals:
    void isPlayingChanged();
    void vectorGainChanged();

private:
    // Playback types are 1, 2 and 3; anything else is logged and refused.
    static bool isScopeType(uchar type);
    void sendRequest(quint16 protocol, quint16 request, const QByteArray &data);
    void sendRequest(quint16 protocol, quint16 request);
    void requestNext(quint8 mask);

    void receiveVectorFrame(const QByteArray &payload);
    void receiveBothFrame(const QByteArray &payload);
    void receiveWaveformFrame(const QByteArray &payload);
    void keepVectorFrame(const QByteArray &vectorBytes);

    void renderWaveform(const QByteArray &frame);
    void renderVector(const QByteArray &frame);

    static void freeRows(QtDataVisualization::QSurfaceDataArray &array);

    SocketHandler *m_socketHandler = nullptr;
    quint8 m_isPlaying = 0;
    quint8 m_resumeMask = 0;
    quint8 m_vectorGain = 1;
    QByteArray m_lastVectorFrame;
    QtDataVisualization::QSurfaceDataArray m_waveformArray;
    QtDataVisualization::QSurfaceDataArray m_vectorArray;
    // The series belong to the QML scope window, which may be gone before the stream is:
    // guarded so that a closed window's series reads as "not set".
    QPointer<QtDataVisualization::QSurface3DSeries> m_waveformSeries;
    QPointer<QtDataVisualization::QSurface3DSeries> m_vectorSeries;
};
