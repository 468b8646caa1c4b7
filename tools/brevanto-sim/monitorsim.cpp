#include "monitorsim.h"

#include "timecodeclock.h"

#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>

namespace {
bool isLutProtocol(quint16 protocol)
{
    return (protocol >= MNCP_PROTOCOL_LUT1D_CALIBRATION && protocol <= MNCP_PROTOCOL_LUT1D_POST_CALIBRATION)
           || protocol == MNCP_PROTOCOL_LUT3D_CALIBRATION || protocol == MNCP_PROTOCOL_LUT3D_DIT;
}

std::optional<int> headerNumber(const QByteArray &table, const char *keyword)
{
    const QRegularExpression pattern(QStringLiteral("^\\s*%1\\s+(\\d+)").arg(QLatin1String(keyword)),
                                     QRegularExpression::MultilineOption);
    const auto match = pattern.match(QString::fromLatin1(table.left(4096)));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

// The binary 3D LUT image: a 128-byte header and 17^3 packed 10-bit words.
constexpr int BinaryLutImageSize = 128 + 17 * 17 * 17 * 4;

const char *const KnobNames[] = {"hue", "chroma", "bright", "contrast", "volume"};
} // namespace

MonitorSim::MonitorSim(const SimOptions &options, UploadStore &uploads) : SimDevice(options, uploads)
{
    m_markers << QByteArray("Crosshair") << QByteArray("Safe Area 93");
    m_lastAnalyzer = AnalyzerRenderer::capture(++m_analyzerCount, QDateTime::currentDateTime());
}

MonitorSim::LutFormat MonitorSim::formatOf(bool is3d, const QByteArray &table, const LutFormat &fallback)
{
    LutFormat format = fallback;
    if (is3d) {
        if (const auto size = headerNumber(table, "LUT_3D_SIZE"))
            format.size = *size;
        else if (table.size() == BinaryLutImageSize)
            format.size = 17;
        return format;
    }
    if (const auto size = headerNumber(table, "LUT_1D_SIZE")) {
        int bits = 0;
        while ((1 << bits) < *size && bits < 31)
            ++bits;
        if ((1 << bits) == *size)
            format.inBits = bits;
    }
    if (const auto bits = headerNumber(table, "LUT_1D_BITS"))
        format.outBits = *bits;
    return format;
}

std::optional<SimReply> MonitorSim::handleRole(const SimCommand &command)
{
    if (isLutProtocol(command.protocol))
        return lut(command);
    if (command.protocol == MNCP_PROTOCOL_CUSTOM_MARKER)
        return marker(command);
    if (command.protocol == MNCP_PROTOCOL_ANALYZER)
        return analyzer(command);
    return std::nullopt;
}

SimReply MonitorSim::basicInfoExtra(const SimCommand &command)
{
    // The Cubrix state queries mean nothing to a monitor.
    return refuse(command, SimStatus::UnknownRequest, QStringLiteral("basic-info request %1 is not a monitor's").arg(command.request));
}

void MonitorSim::keyPressed(int key)
{
    if (key >= mncp_keys::MNCP_KEY_INPUT0 && key <= mncp_keys::MNCP_KEY_INPUT7) {
        const int channel = key - mncp_keys::MNCP_KEY_INPUT0;
        if (channel < m_channels.size()) {
            m_selectedChannel = channel;
            log(QStringLiteral("input %1 (%2) selected").arg(channel + 1).arg(m_channels.at(channel).name));
        } else {
            log(QStringLiteral("input key %1 ignored: no such channel").arg(key));
        }
        return;
    }
    const int knob = key & 0x0F;
    const int action = key & 0xF0;
    if ((action == MNCP_ROTARY_PUSH || action == MNCP_ROTARY_CW || action == MNCP_ROTARY_CCW) && knob < 5
        && m_selectedChannel < m_channels.size()) {
        Channel &channel = m_channels[m_selectedChannel];
        int *values[] = {&channel.hue, &channel.chroma, &channel.bright, &channel.contrast, &channel.volume};
        const int defaults[] = {0, 50, 50, 50, 30};
        int &value = *values[knob];
        if (action == MNCP_ROTARY_PUSH)
            value = defaults[knob];
        else if (knob == 0)
            value = std::clamp(value + (action == MNCP_ROTARY_CW ? 1 : -1), -50, 50);
        else
            value = std::clamp(value + (action == MNCP_ROTARY_CW ? 1 : -1), 0, 100);
        log(QStringLiteral("%1 of %2 = %3").arg(QLatin1String(KnobNames[knob]), channel.name).arg(value));
        return;
    }
    log(QStringLiteral("key %1").arg(key));
}

QByteArray MonitorSim::frameTimecode() const
{
    return TimecodeClock::monitorBytes(TimecodeClock::now());
}

QByteArray MonitorSim::formatReply(bool is3d, const LutFormat &format)
{
    QByteArray out(is3d ? 12 : 8, '\0');
    auto *p = reinterpret_cast<uchar *>(out.data());
    // Format words are little-endian, unlike the rest of the protocol.
    qToLittleEndian<qint32>(format.inBits, p);
    qToLittleEndian<qint32>(format.outBits, p + 4);
    if (is3d)
        qToLittleEndian<qint32>(format.size, p + 8);
    return out;
}

SimReply MonitorSim::lut(const SimCommand &command)
{
    const bool is3d = command.protocol >= MNCP_PROTOCOL_LUT3D_CALIBRATION;
    const int operation = command.request & MNCP_SLOT_OP_MASK;
    const int slot = command.request & ~MNCP_SLOT_OP_MASK;
    LutBank &bank = m_luts[command.protocol];
    const QString where = QStringLiteral("LUT %1 slot %2").arg(hex(command.protocol)).arg(slot);
    const QString key = QStringLiteral("monitor/lut/%1/%2").arg(hex(command.protocol)).arg(slot);
    switch (operation) {
    case MNCP_SLOT_OFF:
        bank.on = false;
        log(QStringLiteral("%1 off").arg(where));
        return SimReply::data(command);
    case MNCP_SLOT_ON:
        bank.on = true;
        bank.activeSlot = slot;
        log(QStringLiteral("%1 on").arg(where));
        return SimReply::data(command);
    case MNCP_SLOT_SEND:
        if (command.payload.isEmpty())
            return refuse(command, SimStatus::BadPayload, QStringLiteral("empty LUT for immediate use"));
        bank.active = formatOf(is3d, command.payload, LutFormat());
        m_uploads.keep(QStringLiteral("monitor/lut/%1/active").arg(hex(command.protocol)),
                       QStringLiteral("monitor_lut_%1_%2_send").arg(hex(command.protocol), hex(command.request)),
                       command.payload, is3d ? QStringLiteral("dat") : QStringLiteral("lut"));
        log(QStringLiteral("%1 table of %2 bytes in use").arg(where).arg(command.payload.size()));
        return SimReply::data(command);
    case MNCP_SLOT_STORE:
        if (command.payload.isEmpty()) {
            bank.stored.remove(slot);
            m_uploads.remove(key);
            log(QStringLiteral("%1 cleared").arg(where));
            return SimReply::data(command);
        }
        bank.stored.insert(slot, formatOf(is3d, command.payload, LutFormat()));
        m_uploads.keep(key, QStringLiteral("monitor_lut_%1_%2_store_slot%3").arg(hex(command.protocol), hex(command.request)).arg(slot),
                       command.payload, is3d ? QStringLiteral("dat") : QStringLiteral("lut"));
        log(QStringLiteral("%1 stored %2 bytes").arg(where).arg(command.payload.size()));
        return SimReply::data(command);
    case MNCP_SLOT_LOAD:
        bank.activeSlot = slot;
        bank.on = true;
        bank.active = bank.stored.value(slot, LutFormat());
        log(QStringLiteral("%1 loaded").arg(where));
        return SimReply::data(command, formatReply(is3d, bank.active));
    default:
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown LUT operation %1").arg(operation >> 8));
    }
}

QByteArray MonitorSim::markerName(const QByteArray &field)
{
    const int zero = field.indexOf('\0');
    return zero < 0 ? field : field.left(zero);
}

int MonitorSim::markerIndex(const QByteArray &name) const
{
    return m_markers.indexOf(name);
}

SimReply MonitorSim::marker(const SimCommand &command)
{
    switch (command.request) {
    case MNCP_MARKER_TEMP_OFF:
    case MNCP_MARKER_TEMP_ON:
        m_tempMarkerOn = command.request == MNCP_MARKER_TEMP_ON;
        log(QStringLiteral("temporary marker %1").arg(m_tempMarkerOn ? QStringLiteral("on") : QStringLiteral("off")));
        return SimReply::data(command);
    case MNCP_MARKER_UPLOAD:
        if (command.payload.isEmpty())
            return refuse(command, SimStatus::BadPayload, QStringLiteral("empty marker picture"));
        m_uploads.keep(QStringLiteral("monitor/marker/temporary"), QStringLiteral("monitor_marker_temporary"),
                       command.payload, QStringLiteral("bin"));
        log(QStringLiteral("temporary marker of %1 bytes").arg(command.payload.size()));
        return SimReply::data(command);
    case MNCP_MARKER_UPLOAD_NAMED: {
        if (command.payload.size() <= MarkerNameSize)
            return refuse(command, SimStatus::BadPayload, QStringLiteral("named marker without picture"));
        const QByteArray name = markerName(command.payload.left(MarkerNameSize));
        if (name.isEmpty())
            return refuse(command, SimStatus::BadPayload, QStringLiteral("marker without name"));
        if (markerIndex(name) < 0) {
            if (m_markers.size() >= MaxMarkers)
                return refuse(command, SimStatus::NotAvailable, QStringLiteral("marker memory full"));
            m_markers.append(name);
        }
        const QByteArray picture = command.payload.mid(MarkerNameSize);
        m_uploads.keep(QStringLiteral("monitor/marker/") + QString::fromLatin1(name.toHex()),
                       QStringLiteral("monitor_marker_") + QString::fromUtf8(name), picture, QStringLiteral("bin"));
        log(QStringLiteral("marker \"%1\" stored, %2 bytes").arg(QString::fromUtf8(name)).arg(picture.size()));
        return SimReply::data(command);
    }
    case MNCP_MARKER_LIST: {
        QByteArray list(4, '\0');
        qToLittleEndian<quint32>(static_cast<quint32>(m_markers.size()), reinterpret_cast<uchar *>(list.data()));
        for (const QByteArray &name : m_markers)
            list.append(name.leftJustified(MarkerNameSize, '\0', true));
        return SimReply::data(command, list);
    }
    case MNCP_MARKER_DELETE: {
        if (command.payload.size() != 4 + MarkerNameSize || command.payload.at(0) != 0x01)
            return refuse(command, SimStatus::BadPayload, QStringLiteral("malformed marker delete"));
        const QByteArray name = markerName(command.payload.mid(4, MarkerNameSize));
        const int index = markerIndex(name);
        if (index < 0)
            return refuse(command, SimStatus::NotFound, QStringLiteral("no marker \"%1\"").arg(QString::fromUtf8(name)));
        m_markers.removeAt(index);
        m_uploads.remove(QStringLiteral("monitor/marker/") + QString::fromLatin1(name.toHex()));
        log(QStringLiteral("marker \"%1\" deleted").arg(QString::fromUtf8(name)));
        return SimReply::data(command);
    }
    default:
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown marker request"));
    }
}

SimReply MonitorSim::analyzer(const SimCommand &command)
{
    // Bit 0 asks for the last picture instead of a new one; bit 4 for the screen style
    // instead of the print style.
    if ((command.request & ~(MNCP_ANALYZER_LAST | MNCP_ANALYZER_DARK)) != 0)
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown analyzer request"));
    const bool last = command.request & MNCP_ANALYZER_LAST;
    const bool whiteStyle = !(command.request & MNCP_ANALYZER_DARK);
    if (!last)
        m_lastAnalyzer = AnalyzerRenderer::capture(++m_analyzerCount, QDateTime::currentDateTime());
    log(QStringLiteral("analyzer picture #%1 (%2, %3 style)")
            .arg(m_lastAnalyzer.sequence)
            .arg(last ? QStringLiteral("last") : QStringLiteral("current"), whiteStyle ? QStringLiteral("print") : QStringLiteral("screen")));
    return SimReply::data(command, AnalyzerRenderer::renderPng(m_lastAnalyzer, options().model, whiteStyle));
}
