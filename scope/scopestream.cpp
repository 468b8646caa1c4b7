#include "scopestream.h"

#include "mncp/mncpids.h"
#include "mncp/sockethandler.h"

#include <QtDebug>
#include <array>
#include <utility>
#include <cmath>

using QtDataVisualization::QSurface3DSeries;
using QtDataVisualization::QSurfaceDataArray;
using QtDataVisualization::QSurfaceDataItem;
using QtDataVisualization::QSurfaceDataRow;

// Q_INIT_RESOURCE declares a function in the global namespace, so it must be expanded there.
static void registerScopeResources()
{
    Q_INIT_RESOURCE(scope);
}

namespace {
// Radians to degrees, as the vector angle has always been computed.
constexpr double DegreesPerRadian = 57.29577951308232;
constexpr int VectorCentre = 64;

struct PolarPoint {
    float angle;
    float radius;
};
using PolarGrid = std::array<PolarPoint, ScopeStream::VectorLines * ScopeStream::VectorColumns>;

// Where each vector sample sits on the polar plot depends only on its place in the frame, so
// the trigonometry is done once instead of for every sample of every frame.
const PolarGrid &polarGrid()
{
    static const PolarGrid grid = [] {
        PolarGrid points{};
        for (int row = 0; row < ScopeStream::VectorLines; ++row) {
            const float dy = float(row - VectorCentre);
            for (int column = 0; column < ScopeStream::VectorColumns; ++column) {
                const float dx = float(column - VectorCentre);
                // 0 degrees points up on the plot, so the mathematical angle is turned by 90.
                float angle = float(std::fmod(std::atan2(dy, dx) * DegreesPerRadian + 90.0, 360.0));
                if (angle < 0.0f)
                    angle += 360.0f;
                points[size_t(row * ScopeStream::VectorColumns + column)] = {angle, std::hypot(dx, dy)};
            }
        }
        return points;
    }();
    return grid;
}
} // namespace

ScopeStream::ScopeStream(SocketHandler *handler, QObject *parent)
    : QObject(parent), m_socketHandler(handler)
{
    // The scope window's QML and the vectorscope mesh live in this resource set.
    registerScopeResources();
    connect(this, &ScopeStream::vectorGainChanged, this, &ScopeStream::onVectorGainChanged);
    qDebug() << "SStream Constructor Completed:  \t(Initialization list only)";
}

ScopeStream::ScopeStream(QObject *parent) : QObject(parent) {}

ScopeStream::~ScopeStream()
{
    qDebug() << "SStream Destructor Completed";
    freeRows(m_waveformArray);
    freeRows(m_vectorArray);
}

void ScopeStream::freeRows(QSurfaceDataArray &array)
{
    qDeleteAll(array);
    array.clear();
}

void ScopeStream::setVectorGain(uchar gain)
{
    if (gain != 1 && gain != 2 && gain != 4)
        return;
    if (gain == m_vectorGain)
        return;
    m_vectorGain = gain;
    emit vectorGainChanged();
}

void ScopeStream::setDataSeries_Wave(QSurface3DSeries *series)
{
    m_waveformSeries = series;
}

void ScopeStream::setDataSeries_Vector(QSurface3DSeries *series)
{
    m_vectorSeries = series;
}

void ScopeStream::deleteSeries(const QString &type)
{
    if (type == QLatin1String("waveform"))
        m_waveformSeries = nullptr;
    else if (type == QLatin1String("vector"))
        m_vectorSeries = nullptr;
    qDebug() << "m_dataSeries set to NULL";
}

void ScopeStream::generateData_TWK(const QString &type, int rowCount, int columnCount)
{
    QSurfaceDataArray &array = (type == QLatin1String("waveform")) ? m_waveformArray : m_vectorArray;
    freeRows(array);
    // A negative count from the caller means "nothing", not a huge allocation.
    if (rowCount <= 0)
        return;
    const int columns = qMax(columnCount, 0);
    array.reserve(rowCount);
    for (int row = 0; row < rowCount; ++row)
        array.append(new QSurfaceDataRow(columns));
}

bool ScopeStream::isScopeType(uchar type)
{
    if (type == Waveform || type == Vector || type == Both)
        return true;
    qDebug("Unknown type: %d", int(type));
    return false;
}

void ScopeStream::startStopPlayback(uchar type, bool play)
{
    if (!isScopeType(type))
        return;
    // The mask is handled bit by bit, so a type that is already partly playing (3 while 1
    // plays) cannot push it outside 0..3.
    if (play) {
        if (m_isPlaying != type && m_isPlaying != Both) {
            m_isPlaying = static_cast<quint8>(m_isPlaying | type);
            emit isPlayingChanged();
        }
    } else if (m_isPlaying == type || m_isPlaying == Both) {
        m_isPlaying = static_cast<quint8>(m_isPlaying & ~type);
        emit isPlayingChanged();
    }
    // Kick the pull loop off (or re-aim it at the new mask); at 0 it ends with the next frame.
    if (m_isPlaying != 0)
        sendRequest(MNCP_PROTOCOL_SCOPE_STREAM, m_isPlaying);
}

void ScopeStream::startStopPlayback(uchar type)
{
    startStopPlayback(type, m_isPlaying != type && m_isPlaying != Both);
}

void ScopeStream::stopPlayback(uchar type)
{
    if (!isScopeType(type))
        return;
    if (type == Both)
        m_isPlaying = 0;
    else if (m_isPlaying == type || m_isPlaying == Both)
        m_isPlaying = static_cast<quint8>(m_isPlaying & ~type);
    emit isPlayingChanged();
}

void ScopeStream::connectionLost()
{
    m_resumeMask = m_isPlaying;
    if (m_isPlaying == 0)
        return;
    m_isPlaying = 0;
    emit isPlayingChanged();
}

void ScopeStream::resumeAfterReconnect()
{
    const quint8 mask = std::exchange(m_resumeMask, 0);
    if (mask != 0)
        startStopPlayback(mask, true);
}

void ScopeStream::sendRequest(quint16 protocol, quint16 request, const QByteArray &data)
{
    const char *failure = nullptr;
    if (!m_socketHandler)
        failure = "Error: ScopeStream class holds NULL pointer to required SocketHandler.";
    else if (m_socketHandler->socketState() != QAbstractSocket::ConnectedState)
        failure = "Error: ScopeStream's SocketHandler is not connected.";

    if (failure) {
        // The playback state stays as the user set it; the user sees the scope stand still.
        const char *const action = "Unable to send request to hardware.";
        qDebug("%s \n%s", failure, action);
        qCritical("%s \n%s", failure, action);
        return;
    }
    m_socketHandler->queueCommand(protocol, request, data);
}

void ScopeStream::sendRequest(quint16 protocol, quint16 request)
{
    sendRequest(protocol, request, QByteArray());
}

void ScopeStream::requestNext(quint8 mask)
{
    sendRequest(MNCP_PROTOCOL_SCOPE_STREAM, mask);
}

void ScopeStream::receiveFrame(const QByteArray &payload, int type)
{
    switch (type) {
    case Vector:
        receiveVectorFrame(payload);
        return;
    case Both:
        receiveBothFrame(payload);
        return;
    case Waveform:
        receiveWaveformFrame(payload);
        return;
    default:
        // Not a frame we can draw, but the loop must not starve.
        if (m_isPlaying != 0)
            requestNext(m_isPlaying);
        return;
    }
}

void ScopeStream::receiveVectorFrame(const QByteArray &payload)
{
    quint8 playing = m_isPlaying;
    if (playing == Vector) {
        if (payload.size() < VectorFrameSize) {
            requestNext(Vector);
            return;
        }
        renderVector(payload);
        playing = m_isPlaying;
    }
    if (playing == 0) {
        keepVectorFrame(payload);
        return;
    }
    requestNext(playing);
    if (playing > Waveform)
        return;
    keepVectorFrame(payload);
}

void ScopeStream::receiveBothFrame(const QByteArray &payload)
{
    quint8 playing = m_isPlaying;
    if (playing == Both) {
        if (payload.size() < BothFrameSize) {
            requestNext(Both);
            return;
        }
        renderWaveform(payload.left(WaveformFrameSize));
        renderVector(payload.mid(WaveformFrameSize));
        playing = m_isPlaying;
    }
    if (playing == 0) {
        keepVectorFrame(payload.mid(WaveformFrameSize));
        return;
    }
    requestNext(playing);
    if (playing > Waveform)
        return;
    keepVectorFrame(payload.mid(WaveformFrameSize));
}

void ScopeStream::receiveWaveformFrame(const QByteArray &payload)
{
    quint8 playing = m_isPlaying;
    if (playing == Waveform) {
        if (payload.size() < WaveformFrameSize) {
            requestNext(Waveform);
            return;
        }
        renderWaveform(payload);
        playing = m_isPlaying;
    }
    if (playing == 0)
        return;
    requestNext(playing);
}

void ScopeStream::keepVectorFrame(const QByteArray &vectorBytes)
{
    // A truncated frame is never kept: a later gain change would redraw it from missing bytes.
    if (vectorBytes.size() < VectorFrameSize)
        return;
    m_lastVectorFrame = vectorBytes;
}

void ScopeStream::renderWaveform(const QByteArray &frame)
{
    if (!m_waveformSeries || frame.size() < WaveformFrameSize)
        return;
    const auto *bytes = reinterpret_cast<const uchar *>(frame.constData());

    auto *array = new QSurfaceDataArray;
    array->reserve(WaveformLines);
    for (int row = 0; row < WaveformLines; ++row) {
        auto *dataRow = new QSurfaceDataRow(WaveformColumns);
        // The first line of the frame is the top of the trace, i.e. the last row.
        const uchar *line = bytes + (WaveformLines - 1 - row) * WaveformLineBytes;
        QSurfaceDataItem *item = dataRow->data();
        for (int column = 0; column < WaveformColumns; ++column)
            item[column].setPosition(QVector3D(float(column), float(line[column]), float(row)));
        array->append(dataRow);
    }

    qDebug() << "Waveform ResetArray Called";
    m_waveformSeries->dataProxy()->resetArray(array);
}

void ScopeStream::renderVector(const QByteArray &frame)
{
    if (!m_vectorSeries || frame.size() < VectorFrameSize)
        return;
    const auto *bytes = reinterpret_cast<const uchar *>(frame.constData());

    float maskRadius = 0.0f;
    if (m_vectorGain == 2)
        maskRadius = Gain2Radius;
    else if (m_vectorGain == 4)
        maskRadius = Gain4Radius;

    const PolarGrid &grid = polarGrid();
    auto *array = new QSurfaceDataArray;
    array->reserve(VectorLines);
    for (int row = 0; row < VectorLines; ++row) {
        auto *dataRow = new QSurfaceDataRow(VectorColumns);
        QSurfaceDataItem *item = dataRow->data();
        const int lineStart = row * VectorColumns;
        for (int column = 0; column < VectorColumns; ++column) {
            const PolarPoint &point = grid[size_t(lineStart + column)];
            float value = float(bytes[lineStart + column]);
            if (maskRadius > 0.0f && point.radius >= maskRadius)
                value = 0.0f;
            item[column].setPosition(QVector3D(point.angle, value, point.radius));
        }
        array->append(dataRow);
    }

    qDebug() << "Vector ResetArray Called";
    m_vectorSeries->dataProxy()->resetArray(array);
}

void ScopeStream::onVectorGainChanged()
{
    if (m_isPlaying == Vector || m_isPlaying == Both || m_lastVectorFrame.isEmpty())
        return;
    renderVector(m_lastVectorFrame);
    qDebug("VectorGain: %d,  PlaybackState: %d", m_vectorGain, m_isPlaying);
}
