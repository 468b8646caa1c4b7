#include "monitor.h"

#include "device/wholefile.h"
#include "device/devicefamily.h"
#include "lut/cubrixutils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <QtDebug>

namespace {

const char *const DownsamplingLine = "Downsampling 33x33x33 LUT to 17x17x17...";
const char *const UpsamplingLine = "Upsampling 17x17x17 LUT to 33x33x33...";

} // namespace

Monitor::Monitor(QObject *parent)
    : DeviceBase(parent, MNCP_DEFAULT_PORT), m_scopeStream(socketHandler(), nullptr)
{
    qDebug() << "Monitor Constructor Started";
    connect(socketHandler(), &SocketHandler::commandAnswered, this, &Monitor::armRvSecondStore);
    connect(this, &DeviceBase::reconnected, this, [this] { m_scopeStream.resumeAfterReconnect(); });
    resetToDefaults();
    qDebug() << "Monitor Constructor Completed";
}

Monitor::~Monitor()
{
    qDebug() << "Monitor Destructor Completed";
}

QString Monitor::analyzerPngUrl() const
{
    return QUrl::fromLocalFile(m_analyzerPngPath).toString();
}

void Monitor::resetToDefaults()
{
    setVersion(QString());
    setSerial(QString());
    setModel(QString());
    setPortNum(0);
    setChannelNum(0);
    emit destroyChannel();
    m_channels.clear();
    m_dit3dlutSize = 17;
    m_dit1dlutInbit = m_dit1dlutOutbit = m_dit3dlutInbit = m_dit3dlutOutbit = 10;
}

void Monitor::socketStateChanged(QTcpSocket::SocketState state)
{
    switch (state) {
    case QAbstractSocket::UnconnectedState:
        qDebug() << "Monitor Class: State Disconnected" << "socketStateChanged" << Qt::endl;
        // A second store belongs to the connection that took the first.
        for (const PendingStore &store : qAsConst(m_rvSecondStores)) {
            qWarning("%s: second store 0x%04x - 0x%04x cancelled, the connection ended", "saveLutFileRV",
                     store.protocol, store.request);
            cancelReservedCmd(store.operation, tr("the connection ended before the second store"));
        }
        m_rvSecondStores.clear();
        m_scopeStream.connectionLost();
        resetToDefaults();
        emit stateChanged(DeviceBase::state());
        break;
    case QAbstractSocket::ConnectedState:
        emit stateChanged(DeviceBase::state());
        for (quint16 query = MNCP_INFO_MODEL; query <= MNCP_INFO_PORT_COUNT; ++query)
            appendCmd(MNCP_PROTOCOL_BASIC_INFO, query);
        break;
    default:
        emit stateChanged(DeviceBase::state());
        break;
    }
}

// ---- replies ----

void Monitor::processReply(QByteArray &payload, mncp_protocol_header &header)
{
    // One table for every Monitor, filled on first use.
    static const QHash<quint16, Handler> handlers = {
        {MNCP_PROTOCOL_BASIC_INFO, &Monitor::processBasicInfo},
        {MNCP_PROTOCOL_CHANNEL_INFO, &Monitor::processChannelInfo},
        {MNCP_PROTOCOL_LUT1D_DIT, &Monitor::processLut1dFormat},
        {MNCP_PROTOCOL_LUT1D_BOX, &Monitor::processLut1dFormat},
        {MNCP_PROTOCOL_LUT3D_DIT, &Monitor::processLut3dFormat},
        {MNCP_PROTOCOL_FRAME_CAPTURE, &Monitor::processFrameCapture},
        {MNCP_PROTOCOL_SCOPE_STREAM, &Monitor::processScopeStream},
        {MNCP_PROTOCOL_CUSTOM_MARKER, &Monitor::processCustomMarker},
        {MNCP_PROTOCOL_ANALYZER, &Monitor::processAnalyzerPng},
    };
    m_lastReplyHeader = header;
    const Handler handler = handlers.value(header.protocol, nullptr);
    if (handler)
        (this->*handler)(payload);
}

void Monitor::processBasicInfo(const QByteArray &payload)
{
    switch (m_lastReplyHeader.request) {
    case MNCP_INFO_MODEL:
        setModel(mncp_string(payload));
        // A Cubrix answers a monitor's identity queries too; connecting to it again would not help.
        if (DeviceFamily::isCubrix(m_model))
            connection()->mismatch(tr("the device at this address is a Cubrix, not a monitor"));
        break;
    case MNCP_INFO_VERSION: setVersion(mncp_string(payload)); break;
    case MNCP_INFO_SERIAL: setSerial(mncp_string(payload)); break;
    case MNCP_INFO_CHANNEL_COUNT: processChannels(payload); break;
    case MNCP_INFO_PORT_COUNT:
        if (const auto ports = be32(payload, 0))
            setPortNum(*ports);
        else
            qDebug() << "Monitor: port count reply shorter than 4 bytes ignored";
        break;
    default: break;
    }
}

void Monitor::processChannels(const QByteArray &payload)
{
    const auto count = be32(payload, 0);
    if (!count) {
        qDebug() << "Monitor: channel count reply shorter than 4 bytes ignored";
        return;
    }
    setChannelNum(*count);
    m_channels.create(this, m_channelNum);
    emit channelsChanged();
}

void Monitor::processChannelInfo(const QByteArray &payload)
{
    m_channels.applyReply(m_lastReplyHeader.request, payload);
}

void Monitor::processLut1dFormat(const QByteArray &payload)
{
    const auto in = le32(payload, 0);
    const auto out = le32(payload, 4);
    if (!in || !out) {
        qDebug() << "Monitor: 1D LUT format reply shorter than 8 bytes ignored";
        return;
    }
    m_dit1dlutInbit = *in;
    m_dit1dlutOutbit = *out;
    emit dit1dlut_inbitChanged();
    emit dit1dlut_outbitChanged();
}

void Monitor::processLut3dFormat(const QByteArray &payload)
{
    const auto in = le32(payload, 0);
    const auto out = le32(payload, 4);
    const auto size = le32(payload, 8);
    if (!in || !out || !size) {
        qDebug() << "Monitor: 3D LUT format reply shorter than 12 bytes ignored";
        return;
    }
    m_dit3dlutInbit = *in;
    m_dit3dlutOutbit = *out;
    m_dit3dlutSize = *size;
    emit dit3dlut_inbitChanged();
    emit dit3dlut_outbitChanged();
    emit dit3dlut_sizeChanged();
}

void Monitor::processFrameCapture(const QByteArray &payload)
{
    qDebug() << "received FrameCaptureFrame frame data, len = " << payload.size();
    if (m_captureFrame)
        m_captureFrame->receiveFrame(payload, 0);
}

void Monitor::processScopeStream(const QByteArray &payload)
{
    qDebug() << "Monitor received ScopeStream frame data, len = " << payload.size();
    if (m_lastReplyHeader.request != 0)
        m_scopeStream.receiveFrame(payload, m_lastReplyHeader.request);
}

void Monitor::processCustomMarker(const QByteArray &payload)
{
    if (m_lastReplyHeader.request != MNCP_MARKER_LIST)
        return;
    qDebug() << "marker list length" << m_lastReplyHeader.length << payload.toHex();
    const auto announced = le32u(payload, 0);
    if (!announced) {
        // Like every other short reply: the user's list is not emptied by a broken answer.
        qDebug() << "Monitor: marker list reply shorter than 4 bytes ignored";
        return;
    }
    m_markerNameList.clear();
    qDebug() << "marker count" << *announced;
    const int count = static_cast<int>(qMin<quint32>(*announced, MaxMarkerNames));
    for (int i = 0; i < count; ++i) {
        const int offset = 4 + 32 * i;
        const QByteArray field = offset < payload.size() ? payload.mid(offset, 32) : QByteArray();
        const int zero = field.indexOf('\0');
        const QString name = QString::fromUtf8(field.constData(), zero < 0 ? field.size() : zero);
        qDebug() << "marker" << name;
        m_markerNameList.append(name);
    }
    emit markerNameListChanged();
}

void Monitor::processAnalyzerPng(const QByteArray &payload)
{
    if (payload.isEmpty()) {
        qDebug() << "Analyzer PNG: empty response";
        return;
    }
    if (!m_analyzerFile) {
        // A file of our own with a unique name, created exclusively: another tab's picture or
        // something planted in the shared temporary folder can never be written through.
        auto file = std::make_unique<QTemporaryFile>(
            QStandardPaths::writableLocation(QStandardPaths::TempLocation) + QStringLiteral("/analyzer_capture_XXXXXX.png"));
        if (!file->open()) {
            qDebug() << "Analyzer PNG: failed to write temp file";
            return;
        }
        m_analyzerFile = std::move(file);
    }
    QTemporaryFile &file = *m_analyzerFile;
    if (!file.seek(0) || !file.resize(0) || file.write(payload) != payload.size() || !file.flush()) {
        qDebug() << "Analyzer PNG: failed to write temp file";
        return;
    }
    m_analyzerPngPath = file.fileName();
    qDebug() << "Analyzer PNG saved to:" << m_analyzerPngPath << "size:" << payload.size();
    emit analyzerPngReceived();
}

// ---- plain control ----

void Monitor::sendKey(DeviceBase::mncp_key_code key)
{
    appendCmd(MNCP_PROTOCOL_KEY, static_cast<quint16>(key));
}

void Monitor::sendRotary(int type, int number)
{
    static const int bases[] = {MNCP_ROTARY_PUSH, MNCP_ROTARY_CW, MNCP_ROTARY_CCW};
    if (type < 0 || type > 2)
        return;
    appendCmd(MNCP_PROTOCOL_KEY, static_cast<quint16>(bases[type] | number));
}

void Monitor::registerFeature(CaptureFrame *feature, int type)
{
    if (type != 2 || !feature)
        return;
    m_captureFrame = feature;
    feature->setSocketHandler(socketHandler());
    feature->setDeviceModel(m_model);
    reportCaptureSaves(feature);
}

// ---- LUT transfer ----

std::optional<quint16> Monitor::lutProtocol(LutType type, LutFunc func, bool forLoad) const
{
    const auto protocol = mncp_lut_protocol(static_cast<mncp_lut_dimension>(type), func,
                                            forLoad ? mncp_lut_use::Load : mncp_lut_use::Transfer);
    if (!protocol)
        qDebug() << "Unknown lut func: " << int(func);
    return protocol;
}

std::optional<quint16> Monitor::lutTarget(LutType type, LutFunc func, const char *unknownType, bool forLoad) const
{
    if (type != LUT_TYPE_1D && type != LUT_TYPE_3D) {
        qDebug() << unknownType << int(type);
        return std::nullopt;
    }
    return lutProtocol(type, func, forLoad);
}

std::optional<QByteArray> Monitor::readFile(const QString &path, const char *kind)
{
    WholeFile file = readWholeFile(path);
    if (!file.ok()) {
        qWarning() << (file.status == WholeFile::NotOpened ? "Failed to open" : "Failed to read") << kind
                   << "file:" << path;
        return std::nullopt;
    }
    return std::move(file.data);
}

std::optional<QString> Monitor::localPath(const QUrl &url, const char *kind)
{
    if (url.isEmpty())
        return QString();
    const QString path = url.toLocalFile();
    if (path.isEmpty()) {
        qWarning() << "Not a local" << kind << "file, nothing sent:" << url.toString();
        return std::nullopt;
    }
    return path;
}

namespace {
// A resampled or converted table that came out empty means the source was refused; sending
// it would make the monitor store or apply an empty table.
std::optional<QByteArray> nonEmpty(QByteArray converted)
{
    if (converted.isEmpty()) {
        qWarning() << "LUT conversion gave no table, nothing sent";
        return std::nullopt;
    }
    return converted;
}

std::optional<QByteArray> downsampled(const QString &path)
{
    qDebug() << DownsamplingLine;
    return nonEmpty(CubrixUtils::downsampleCube33to17(path));
}

std::optional<QByteArray> upsampled(const QString &path)
{
    qDebug() << UpsamplingLine;
    return nonEmpty(CubrixUtils::upsampleCube17to33(path));
}
} // namespace

QString Monitor::lutName(LutType type, LutFunc func)
{
    static const char *const functions[] = {"calibration", "DIT", "box", "post-calibration", "post-DIT"};
    const QString function = func >= 0 && func <= LUT_FUNC_POST_DIT ? QLatin1String(functions[func]) : QString();
    return tr("%1 %2 LUT").arg(type == LUT_TYPE_3D ? QStringLiteral("3D") : QStringLiteral("1D"), function);
}

std::optional<QString> Monitor::usableLutPath(const QUrl &url, LutType type, const QString &lut)
{
    const auto path = localPath(url, "LUT");
    if (!path) {
        refuse(tr("%1 not sent: %2 is not a local file").arg(lut, url.toString()));
        return std::nullopt;
    }
    if (path->isEmpty())
        return path;
    const QString problem = uploadProblem(*path, type == LUT_TYPE_3D);
    if (!problem.isEmpty()) {
        refuse(tr("%1 not sent: %2").arg(lut, problem));
        return std::nullopt;
    }
    return path;
}

void Monitor::sendLutFile(LutType type, LutFunc func, int ch, const QUrl &url)
{
    qDebug() << "sendLutFile" << url << "type: " << int(type) << " func: " << int(func);
    const auto protocol = lutTarget(type, func, "Unknown lut type: ", false);
    if (!protocol)
        return;
    const QString lut = lutName(type, func);
    const auto local = usableLutPath(url, type, lut);
    if (!local)
        return;
    Operation operation(this, tr("Sending %1 %2").arg(lut, QFileInfo(*local).fileName()), tr("%1 in use").arg(lut));
    const QString &path = *local;
    // An empty URL sends an empty table.
    const auto payload = path.isEmpty()                     ? QByteArray()
                         : CubrixUtils::isCubeSize33(path) ? downsampled(path)
                                                           : readFile(path, "LUT");
    if (!payload)
        return;
    appendCmd(*protocol, mncp_slot_request(MNCP_SLOT_SEND, ch), *payload);
    if (type == LUT_TYPE_3D)
        appendCmd(*protocol, MNCP_SLOT_ON);
}

void Monitor::sendLutFileDownscale(LutType type, LutFunc func, int ch, const QUrl &url)
{
    const auto protocol = lutTarget(type, func, "Unknown LUT type:", false);
    if (!protocol)
        return;

    const QString lut = lutName(type, func);
    QByteArray payload;
    if (!url.isEmpty()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty()) {
            const QString problem = uploadProblem(path, type == LUT_TYPE_3D, type == LUT_TYPE_3D);
            if (!problem.isEmpty()) {
                refuse(tr("%1 not sent: %2").arg(lut, problem));
                return;
            }
        }
        const auto contents = readFile(path, "LUT");
        if (!contents)
            return;
        if (type != LUT_TYPE_3D || path.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive)) {
            payload = *contents;
        } else if (path.endsWith(QLatin1String(".cube"), Qt::CaseInsensitive)) {
            const auto text = CubrixUtils::isCubeSize33(path) ? downsampled(path) : contents;
            if (!text)
                return;
            const auto image = nonEmpty(CubrixUtils::cubeToBinaryLut(*text));
            if (!image)
                return;
            payload = *image;
        } else {
            qWarning() << "Unknown 3D LUT format (not .cube or .dat)";
            refuse(tr("%1 not sent: %2 is neither a .cube nor a .dat file").arg(lut, QFileInfo(path).fileName()));
            return;
        }
    }
    Operation operation(this, tr("Sending %1").arg(lut), tr("%1 in use").arg(lut));
    appendCmd(*protocol, mncp_slot_request(MNCP_SLOT_SEND, ch), payload);
    if (type == LUT_TYPE_3D)
        appendCmd(*protocol, MNCP_SLOT_ON);
}

void Monitor::saveLutFile(LutType type, LutFunc func, int id, const QUrl &url)
{
    storeLut("saveLutFile", type, func, id, url, [this, type](const QString &path) {
        return type == LUT_TYPE_3D && CubrixUtils::isCubeSize33(path) ? downsampled(path) : readFile(path, "LUT");
    });
}

void Monitor::saveLutFile(LutType type, LutFunc func, int id)
{
    saveLutFile(type, func, id, QUrl());
}

void Monitor::saveLutFileRV(LutType type, LutFunc func, int id, const QUrl &url)
{
    const auto protocol = lutTarget(type, func, "Unknown type: ", false);
    if (!protocol)
        return;
    const QString lut = lutName(type, func);
    std::optional<QByteArray> table17 = QByteArray();
    std::optional<QByteArray> table33 = QByteArray();
    if (!url.isEmpty()) {
        qDebug() << "saveLutFileRV" << url << "type: " << int(type) << " ID: " << id;
        const auto local = usableLutPath(url, type, lut);
        if (!local)
            return;
        const QString &path = *local;
        if (type == LUT_TYPE_1D) {
            table17 = readFile(path, "LUT");
        } else {
            table17 = CubrixUtils::isCubeSize33(path) ? downsampled(path) : readFile(path, "LUT");
            table33 = CubrixUtils::isCubeSize17(path) ? upsampled(path) : readFile(path, "LUT");
        }
    }
    if (!table17 || !table33)
        return;
    const bool clearing = url.isEmpty();
    Operation operation(this, clearing ? tr("Clearing %1 slot %2").arg(lut).arg(id) : tr("Saving %1 to slot %2").arg(lut).arg(id),
                        clearing ? tr("%1 slot %2 cleared").arg(lut).arg(id) : tr("%1 saved to slot %2").arg(lut).arg(id));
    const quint16 store = mncp_slot_request(MNCP_SLOT_STORE, id);
    appendCmd(*protocol, store, *table17);
    if (type == LUT_TYPE_3D) {
        reserveCommand(currentOperation());
        m_rvSecondStores.append(PendingStore{m_nextStoreId++, currentOperation(), *protocol, store, *table33, false});
    }
}

void Monitor::armRvSecondStore(int protocol, int request)
{
    // The monitor takes the second store only some time after it has finished with the first.
    for (PendingStore &store : m_rvSecondStores) {
        if (!store.armed && store.protocol == protocol && store.request == request) {
            store.armed = true;
            const quint64 id = store.id;
            // Precise: a coarse timer may fire up to 5 % early, and the pause is a minimum.
            QTimer::singleShot(m_rvPauseMs, Qt::PreciseTimer, this, [this, id] { queueRvSecondStore(id); });
            return;
        }
    }
}

void Monitor::queueRvSecondStore(quint64 id)
{
    for (int i = 0; i < m_rvSecondStores.size(); ++i) {
        if (m_rvSecondStores.at(i).id == id) {
            const PendingStore store = m_rvSecondStores.takeAt(i);
            appendReservedCmd(store.operation, store.protocol, store.request, store.payload);
            return;
        }
    }
}

void Monitor::saveLutFileRV(LutType type, LutFunc func, int id)
{
    saveLutFileRV(type, func, id, QUrl());
}

void Monitor::saveLutFileForceSwap(LutType type, LutFunc func, int id, const QUrl &url)
{
    // Always changes the lattice size: whatever is not a 33-point cube is taken as 17 points.
    storeLut("saveLutFileForceSwap", type, func, id, url, [type](const QString &path) {
        return type == LUT_TYPE_3D && CubrixUtils::isCubeSize33(path) ? downsampled(path) : upsampled(path);
    });
}

void Monitor::storeLut(const char *operation, LutType type, LutFunc func, int id, const QUrl &url,
                       const std::function<std::optional<QByteArray>(const QString &)> &payloadOf)
{
    const auto protocol = lutTarget(type, func, "Unknown type: ", false);
    if (!protocol)
        return;
    const QString lut = lutName(type, func);
    std::optional<QByteArray> payload = QByteArray();
    if (!url.isEmpty()) {
        qDebug() << operation << url << "type: " << int(type) << " ID: " << id;
        const auto path = usableLutPath(url, type, lut);
        if (!path)
            return;
        payload = payloadOf(*path);
    }
    if (!payload)
        return;
    const bool clearing = url.isEmpty();
    Operation store(this, clearing ? tr("Clearing %1 slot %2").arg(lut).arg(id) : tr("Saving %1 to slot %2").arg(lut).arg(id),
                    clearing ? tr("%1 slot %2 cleared").arg(lut).arg(id) : tr("%1 saved to slot %2").arg(lut).arg(id));
    appendCmd(*protocol, mncp_slot_request(MNCP_SLOT_STORE, id), *payload);
}

void Monitor::saveLutFileForceSwap(LutType type, LutFunc func, int id)
{
    saveLutFileForceSwap(type, func, id, QUrl());
}

void Monitor::loadLut(LutType type, LutFunc func, int id)
{
    if (type != LUT_TYPE_1D && type != LUT_TYPE_3D) {
        qDebug() << "Unknown type: " << int(type);
        return;
    }
    if (type == LUT_TYPE_1D && (func < 0 || func > 4))
        return;
    if (const auto protocol = lutProtocol(type, func, true)) {
        const QString lut = lutName(type, func);
        Operation operation(this, tr("Loading %1 slot %2").arg(lut).arg(id), tr("%1 slot %2 loaded").arg(lut).arg(id));
        appendCmd(*protocol, mncp_slot_request(MNCP_SLOT_LOAD, id));
    }
}

void Monitor::setLut(LutType type, LutFunc func, int id, bool on)
{
    if (const auto protocol = lutTarget(type, func, "Unknown type: ", false)) {
        const QString lut = lutName(type, func);
        Operation operation(this, tr("Switching %1 slot %2 %3").arg(lut).arg(id).arg(on ? tr("on") : tr("off")),
                            tr("%1 slot %2 switched %3").arg(lut).arg(id).arg(on ? tr("on") : tr("off")));
        appendCmd(*protocol, mncp_slot_request(on ? MNCP_SLOT_ON : MNCP_SLOT_OFF, id));
    }
}

// ---- custom markers and analyzer pictures ----

QByteArray Monitor::markerNameField(const QString &markerName)
{
    QByteArray field = markerName.toLocal8Bit().left(32);
    field.append(QByteArray(32 - field.size(), '\0'));
    return field;
}

std::optional<QByteArray> Monitor::readMarker(const QUrl &url)
{
    // A marker has no empty form: an empty URL is as unusable as one naming no local file.
    const QString path = url.toLocalFile();
    if (path.isEmpty()) {
        qWarning() << "Not a local marker file, nothing sent:" << url.toString();
        refuse(tr("Marker not uploaded: %1 is not a local file").arg(url.toString()));
        return std::nullopt;
    }
    auto picture = readFile(path, "marker");
    const QString problem = picture ? uploadProblem(path, false) : tr("%1 could not be read").arg(path);
    if (!problem.isEmpty()) {
        refuse(tr("Marker not uploaded: %1").arg(problem));
        return std::nullopt;
    }
    return picture;
}

void Monitor::setOffTempCustomMarker()
{
    Operation operation(this, tr("Switching the temporary marker off"), tr("Temporary marker switched off"));
    appendCmd(MNCP_PROTOCOL_CUSTOM_MARKER, MNCP_MARKER_TEMP_OFF);
}

void Monitor::setOnTempCustomMarker()
{
    Operation operation(this, tr("Switching the temporary marker on"), tr("Temporary marker switched on"));
    appendCmd(MNCP_PROTOCOL_CUSTOM_MARKER, MNCP_MARKER_TEMP_ON);
}

void Monitor::sendCustomMarker(const QUrl &url)
{
    const auto picture = readMarker(url);
    if (!picture)
        return;
    qDebug() << "marker payload length" << picture->size();
    const QString file = QFileInfo(url.toLocalFile()).fileName();
    Operation operation(this, tr("Uploading the temporary marker %1").arg(file), tr("Temporary marker %1 uploaded").arg(file));
    appendCmd(MNCP_PROTOCOL_CUSTOM_MARKER, MNCP_MARKER_UPLOAD, *picture);
    qDebug() << "Marker :" << url;
}

void Monitor::sendCustomMarker(const QString &markerName, const QUrl &url)
{
    if (markerName.trimmed().isEmpty()) {
        // The monitor lists and deletes markers by name: a nameless one could never be removed.
        refuse(tr("Marker not uploaded: a marker needs a name"));
        return;
    }
    QByteArray payload = markerNameField(markerName);
    qDebug() << payload.toHex() << payload.size();
    const auto picture = readMarker(url);
    if (!picture)
        return;
    payload.append(*picture);
    Operation operation(this, tr("Uploading marker \"%1\"").arg(markerName),
                        tr("Marker \"%1\" uploaded; power-cycle the monitor to see it").arg(markerName));
    appendCmd(MNCP_PROTOCOL_CUSTOM_MARKER, MNCP_MARKER_UPLOAD_NAMED, payload);
    qDebug() << "Marker :" << url << " Name :" << markerName;
}

void Monitor::queryCustomMarker()
{
    Operation operation(this, tr("Reading the marker list"), tr("Marker list read"));
    appendCmd(MNCP_PROTOCOL_CUSTOM_MARKER, MNCP_MARKER_LIST);
}

void Monitor::deleteCustomMarker(const QString &markerName)
{
    QByteArray payload = QByteArray::fromHex("01000000") + markerNameField(markerName);
    // The list view removes its own row; no change signal, so the view is not rebuilt.
    m_markerNameList.removeAll(markerName);
    qDebug() << payload.toHex() << payload.size();
    Operation operation(this, tr("Deleting marker \"%1\"").arg(markerName), tr("Marker \"%1\" deleted").arg(markerName));
    appendCmd(MNCP_PROTOCOL_CUSTOM_MARKER, MNCP_MARKER_DELETE, payload);
}

void Monitor::requestAnalyzerPng(int which, bool whiteStyle)
{
    const quint16 last = which == 1 ? MNCP_ANALYZER_LAST : 0;
    Operation operation(this, tr("Fetching the analyzer picture"), tr("Analyzer picture received"));
    appendCmd(MNCP_PROTOCOL_ANALYZER, static_cast<quint16>(last | (whiteStyle ? 0 : MNCP_ANALYZER_DARK)));
}

void Monitor::requestAnalyzerPng(int which)
{
    requestAnalyzerPng(which, false);
}

void Monitor::saveAnalyzerPng(const QUrl &url)
{
    const QString destination = url.toLocalFile();
    if (m_analyzerPngPath.isEmpty() || !QFileInfo::exists(m_analyzerPngPath)) {
        qDebug() << "Analyzer PNG: no image to save";
        reportOutcome(tr("Analyzer picture not saved: no picture has been fetched"), false);
        return;
    }
    if (QFileInfo(destination) == QFileInfo(m_analyzerPngPath))
        return;
    // Not a file copy: that would carry over the private temporary file's owner-only mode.
    // Written beside the destination and renamed into place, so a failed save leaves the old file.
    QFile source(m_analyzerPngPath);
    QSaveFile target(destination);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly)
        || target.write(source.readAll()) != source.size() || !target.commit()) {
        qWarning() << "Analyzer PNG: could not save to" << destination << target.errorString();
        reportOutcome(tr("Analyzer picture not saved to %1: %2").arg(destination, target.errorString()), false);
        return;
    }
    qDebug() << "Analyzer PNG saved to:" << destination;
    reportOutcome(tr("Analyzer picture saved to %1").arg(destination), true);
}

void Monitor::saveAnalyzerPdf(const QUrl &url)
{
    const QString destination = url.toLocalFile();
    if (m_analyzerPngPath.isEmpty() || !QFileInfo::exists(m_analyzerPngPath)) {
        qDebug() << "Analyzer PDF: no image to convert";
        reportOutcome(tr("Analyzer report not saved: no picture has been fetched"), false);
        return;
    }
    const QImage picture(m_analyzerPngPath);
    if (picture.isNull()) {
        qDebug() << "Analyzer PDF: failed to load PNG";
        reportOutcome(tr("Analyzer report not saved: the picture could not be read"), false);
        return;
    }
    // Written beside the destination and renamed into place, like every saved file.
    QSaveFile file(destination);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QSizeF(picture.width(), picture.height()), QPageSize::Point, QString(),
                                     QPageSize::FuzzyMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(72);
        QPainter painter;
        written = painter.begin(&writer);
        if (written) {
            painter.drawImage(QPointF(0, 0), picture);
            written = painter.end();
        }
    }
    if (!written || !file.commit()) {
        qWarning() << "Analyzer PDF: could not save to" << destination << file.errorString();
        reportOutcome(tr("Analyzer report not saved to %1: %2").arg(destination, file.errorString()), false);
        return;
    }
    qDebug() << "Analyzer PDF saved to:" << destination;
    reportOutcome(tr("Analyzer report saved to %1").arg(destination), true);
}
