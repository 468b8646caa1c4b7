#include "cubrixsim.h"

#include "ancillarysource.h"
#include "timecodeclock.h"

#include <QtEndian>

namespace {
using namespace mncp_keys;

bool isValidOutputType(qint32 type)
{
    return (type >= 1 && type <= 5) || type == 17;
}

QString onOff(int state)
{
    return state ? QStringLiteral("on") : QStringLiteral("off");
}
} // namespace

CubrixSim::CubrixSim(const SimOptions &options, UploadStore &uploads) : SimDevice(options, uploads) {}

QString CubrixSim::where() const
{
    return m_state.mode == 2 ? QStringLiteral("mode 2 channel %1").arg(m_state.channel)
                             : QStringLiteral("mode %1").arg(m_state.mode);
}

std::optional<SimReply> CubrixSim::handleRole(const SimCommand &command)
{
    switch (command.protocol) {
    case MNCP_PROTOCOL_INPUT_SIGNAL: return inputSignal(command);
    case MNCP_PROTOCOL_LUT1D_CALIBRATION:
    case MNCP_PROTOCOL_LUT1D_DIT:
    case MNCP_PROTOCOL_LUT1D_BOX:
    case MNCP_PROTOCOL_LUT3D_CALIBRATION:
    case MNCP_PROTOCOL_LUT3D_DIT: return lut(command);
    case MNCP_PROTOCOL_INPUT_RANGE: return range(command);
    case MNCP_PROTOCOL_FRAME_LOAD: return frame(command);
    case MNCP_PROTOCOL_ANCI_CAPTURE: return ancillary(command);
    case MNCP_PROTOCOL_GENERATOR: return generator(command);
    default: return std::nullopt;
    }
}

SimReply CubrixSim::basicInfoExtra(const SimCommand &command)
{
    const int packets = AncillarySource::packets(TimecodeClock::now()).size();
    if (const auto payload = m_state.basicInfo(command.request, packets))
        return SimReply::data(command, *payload);
    return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown basic-info request %1").arg(command.request));
}

void CubrixSim::keyPressed(int key)
{
    if (key >= MNCP_KEY_MODE_1 && key <= MNCP_KEY_MODE_3) {
        const int mode = key - MNCP_KEY_MODE_1 + 1;
        if (mode == 2 && options().model == QLatin1String("Cubrix Mono DP")) {
            log(QStringLiteral("dual channel mode key ignored: a Cubrix Mono DP has one channel"));
            return;
        }
        m_state.mode = mode;
        m_state.channel = 1;
        log(QStringLiteral("box mode %1").arg(mode));
        return;
    }
    if (key == MNCP_KEY_CH_1 || key == MNCP_KEY_CH_2) {
        if (m_state.mode != 2) {
            log(QStringLiteral("channel key ignored outside dual channel mode"));
            return;
        }
        m_state.channel = key == MNCP_KEY_CH_1 ? 1 : 2;
        log(QStringLiteral("channel %1 selected").arg(m_state.channel));
        return;
    }
    if (key == MNCP_KEY_LUT_INTERPOLATION_1 || key == MNCP_KEY_LUT_INTERPOLATION_2) {
        m_state.lutInterpolation = key == MNCP_KEY_LUT_INTERPOLATION_1 ? 1 : 2;
        log(QStringLiteral("LUT interpolation %1").arg(m_state.lutInterpolation));
        return;
    }
    if (key >= MNCP_KEY_INPUT0 && key <= MNCP_KEY_INPUT2) {
        const int input = key - MNCP_KEY_INPUT0 + 1;
        const bool feedback = input == 3;
        if (!m_state.hasInput() || (feedback && !(m_state.mode == 2 && m_state.channel == 1))) {
            log(QStringLiteral("input key %1 ignored in %2").arg(key).arg(where()));
            return;
        }
        m_state.currentBlock().input = input;
        log(QStringLiteral("%1 input %2").arg(where()).arg(input));
        return;
    }
    log(QStringLiteral("key %1").arg(key));
}

QString CubrixSim::frameUnavailableReason() const
{
    return m_state.mode == 3 ? QStringLiteral("no frame capture in test pattern generator mode") : QString();
}

QString CubrixSim::scopeUnavailableReason() const
{
    if (m_state.mode == 3)
        return QStringLiteral("no scope in test pattern generator mode");
    if (m_state.mode == 2 && m_state.channel == 2)
        return QStringLiteral("no scope on channel 2");
    return QString();
}

QByteArray CubrixSim::frameTimecode() const
{
    return TimecodeClock::bcdBytes(TimecodeClock::now());
}

SimReply CubrixSim::lut(const SimCommand &command)
{
    // Request: slot in bits 0-3, bit-size code in bits 4-7 (3D transfers only),
    // operation in bits 8-11.
    const bool is3d = command.protocol >= MNCP_PROTOCOL_LUT3D_CALIBRATION;
    const int slot = command.request & MNCP_CUBRIX_SLOT_MASK;
    const int bitCode = (command.request >> MNCP_CUBRIX_BITSIZE_SHIFT) & MNCP_CUBRIX_SLOT_MASK;
    const int operation = command.request & MNCP_SLOT_OP_MASK;
    if (operation > MNCP_SLOT_LOAD || (bitCode != 0 && (!is3d || bitCode > 3)))
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("malformed LUT request"));

    CubrixState::ChannelBlock &block = m_state.currentBlock();
    CubrixState::Slot *target = nullptr;
    QString name = QStringLiteral("calibration LUT");
    switch (command.protocol) {
    case MNCP_PROTOCOL_LUT1D_DIT: target = &block.front1d; name = QStringLiteral("front 1D LUT"); break;
    case MNCP_PROTOCOL_LUT1D_BOX: target = &block.back1d; name = QStringLiteral("back 1D LUT"); break;
    case MNCP_PROTOCOL_LUT3D_DIT: target = &block.lut3d; name = QStringLiteral("3D LUT"); break;
    default: break;
    }
    const QString suffix = is3d ? QStringLiteral("dat") : QStringLiteral("lut");
    switch (operation) {
    case MNCP_SLOT_OFF:
    case MNCP_SLOT_ON:
        if (target)
            target->state = operation == MNCP_SLOT_ON;
        log(QStringLiteral("%1 %2 %3").arg(where(), name, onOff(operation == MNCP_SLOT_ON)));
        return SimReply::data(command);
    case MNCP_SLOT_SEND:
        if (command.payload.isEmpty())
            return refuse(command, SimStatus::BadPayload, QStringLiteral("empty LUT for immediate use"));
        // The active table no longer comes from a slot.
        if (target)
            target->load = 0;
        m_uploads.keep(QStringLiteral("cubrix/lut/%1/active").arg(hex(command.protocol)),
                       QStringLiteral("cubrix_lut_%1_%2_send").arg(hex(command.protocol), hex(command.request)),
                       command.payload, suffix);
        log(QStringLiteral("%1 %2: table of %3 bytes in use").arg(where(), name).arg(command.payload.size()));
        return SimReply::data(command);
    case MNCP_SLOT_STORE: {
        const QString key = QStringLiteral("cubrix/lut/%1/%2").arg(hex(command.protocol)).arg(slot);
        if (command.payload.isEmpty()) {
            m_uploads.remove(key);
            log(QStringLiteral("%1 slot %2 cleared").arg(name).arg(slot + 1));
            return SimReply::data(command);
        }
        m_uploads.keep(key, QStringLiteral("cubrix_lut_%1_%2_store_slot%3").arg(hex(command.protocol), hex(command.request)).arg(slot + 1),
                       command.payload, suffix);
        log(QStringLiteral("%1 slot %2 stored, %3 bytes, bit-size code %4").arg(name).arg(slot + 1).arg(command.payload.size()).arg(bitCode));
        return SimReply::data(command);
    }
    default:
        if (target) {
            target->load = slot + 1;
            target->state = 1;
        }
        log(QStringLiteral("%1 %2: slot %3 loaded").arg(where(), name).arg(slot + 1));
        return SimReply::data(command);
    }
}

SimReply CubrixSim::range(const SimCommand &command)
{
    // Requests 1 to 4 choose the range; an input bit with the LUT flag chooses the input.
    if (command.request >= 1 && command.request <= 4) {
        m_state.currentBlock().range = command.request;
        log(QStringLiteral("%1 range %2").arg(where()).arg(command.request));
        return SimReply::data(command);
    }
    const int inputBits = command.request & ~MNCP_RANGE_LUT;
    const int input = inputBits == MNCP_RANGE_INPUT1 ? 1 : inputBits == MNCP_RANGE_INPUT2 ? 2 : inputBits == MNCP_RANGE_INPUT3 ? 3 : 0;
    if (!(command.request & MNCP_RANGE_LUT) || input == 0)
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown range request"));
    if (!m_state.hasInput() || (input == 3 && !(m_state.mode == 2 && m_state.channel == 1)))
        return refuse(command, SimStatus::NotAvailable, QStringLiteral("input %1 not selectable in %2").arg(input).arg(where()));
    m_state.currentBlock().input = input;
    log(QStringLiteral("%1 input %2 with range LUT").arg(where()).arg(input));
    return SimReply::data(command);
}

SimReply CubrixSim::inputSignal(const SimCommand &command)
{
    // The box keeps whatever format word it is given and reports it back as is.
    m_state.signal = static_cast<qint16>(command.request);
    log(QStringLiteral("input signal format %1").arg(hex(command.request)));
    return SimReply::data(command);
}

SimReply CubrixSim::frame(const SimCommand &command)
{
    const int slot = command.request & MNCP_CUBRIX_SLOT_MASK;
    const int operation = command.request & MNCP_SLOT_OP_MASK;
    if (operation > MNCP_SLOT_LOAD || (command.request & ~(MNCP_SLOT_OP_MASK | MNCP_CUBRIX_SLOT_MASK)) != 0)
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("malformed frame request"));
    if (operation == MNCP_SLOT_STORE) {
        if (command.payload.isEmpty())
            return refuse(command, SimStatus::BadPayload, QStringLiteral("empty frame"));
        m_uploads.keep(QStringLiteral("cubrix/frame/%1").arg(slot), QStringLiteral("cubrix_frame_store_slot%1").arg(slot + 1),
                       command.payload, QStringLiteral("raw"));
        log(QStringLiteral("frame slot %1 stored, %2 bytes").arg(slot + 1).arg(command.payload.size()));
        return SimReply::data(command);
    }
    CubrixState::Slot *overlay = m_state.currentFrame();
    if (!overlay)
        return refuse(command, SimStatus::NotAvailable, QStringLiteral("no frame overlay on %1").arg(where()));
    switch (operation) {
    case MNCP_SLOT_OFF:
    case MNCP_SLOT_ON:
        overlay->state = operation == MNCP_SLOT_ON;
        log(QStringLiteral("%1 frame %2").arg(where(), onOff(overlay->state)));
        return SimReply::data(command);
    case MNCP_SLOT_SEND:
        if (command.payload.isEmpty())
            return refuse(command, SimStatus::BadPayload, QStringLiteral("empty frame"));
        overlay->load = 0;
        m_uploads.keep(QStringLiteral("cubrix/frame/active"), QStringLiteral("cubrix_frame_send"), command.payload,
                       QStringLiteral("raw"));
        log(QStringLiteral("%1 frame of %2 bytes in use").arg(where()).arg(command.payload.size()));
        return SimReply::data(command);
    default:
        overlay->load = slot + 1;
        overlay->state = 1;
        log(QStringLiteral("%1 frame slot %2 loaded").arg(where()).arg(slot + 1));
        return SimReply::data(command);
    }
}

SimReply CubrixSim::ancillary(const SimCommand &command)
{
    const TimecodeClock::Timecode now = TimecodeClock::now();
    switch (command.request) {
    case MNCP_ANCI_OFF:
    case MNCP_ANCI_ON:
        m_state.anci = command.request == MNCP_ANCI_ON;
        log(QStringLiteral("ancillary capture %1").arg(onOff(m_state.anci)));
        return SimReply::data(command);
    case MNCP_ANCI_STATE: {
        QByteArray state = TimecodeClock::bcdBytes(now);
        const int packets = AncillarySource::packets(now).size();
        state.append(static_cast<char>(0)).append(static_cast<char>(m_state.anci));
        state.append(static_cast<char>(packets >> 8)).append(static_cast<char>(packets & 0xFF));
        return SimReply::data(command, state);
    }
    case MNCP_ANCI_LIST:
        return SimReply::data(command, AncillarySource::listMessage(now));
    case MNCP_ANCI_PACKET: {
        if (command.payload.size() != 2 && command.payload.size() != 4)
            return refuse(command, SimStatus::BadPayload, QStringLiteral("ancillary id of %1 bytes").arg(command.payload.size()));
        const auto did = static_cast<quint8>(command.payload.at(0));
        const auto sdid = static_cast<quint8>(command.payload.at(1));
        std::optional<int> occurrence;
        if (command.payload.size() == 4)
            occurrence = qFromBigEndian<quint16>(reinterpret_cast<const uchar *>(command.payload.constData()) + 2);
        log(QStringLiteral("ancillary packets 0x%1%2%3")
                .arg(did, 2, 16, QLatin1Char('0'))
                .arg(sdid, 2, 16, QLatin1Char('0'))
                .arg(occurrence ? QStringLiteral(" occurrence %1").arg(*occurrence) : QString()));
        return SimReply::data(command, AncillarySource::dataMessage(now, did, sdid, occurrence));
    }
    default:
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown ancillary request"));
    }
}

SimReply CubrixSim::generator(const SimCommand &command)
{
    CubrixState::Generator &tpg = m_state.generator;
    if (command.request >= MNCP_GENERATOR_RGB && command.request <= MNCP_GENERATOR_OUTPUT_FORM && command.payload.size() != 4)
        return refuse(command, SimStatus::BadPayload, QStringLiteral("generator setting of %1 bytes").arg(command.payload.size()));
    const qint32 word = command.payload.size() == 4
        ? qFromBigEndian<qint32>(reinterpret_cast<const uchar *>(command.payload.constData()))
        : 0;
    switch (command.request) {
    case MNCP_GENERATOR_RGB:
    case MNCP_GENERATOR_YCBCR:
        // The box's own input-type codes: 2 for RGB, 1 for YCbCr.
        tpg.inputType = command.request == MNCP_GENERATOR_RGB ? 2 : 1;
        tpg.source = 0;
        tpg.colour = static_cast<quint32>(word) & 0x3FFFFFFFu;
        log(QStringLiteral("generator %1 colour %2 %3 %4")
                .arg(tpg.inputType == 2 ? QStringLiteral("RGB") : QStringLiteral("YCbCr"))
                .arg((tpg.colour >> 20) & 0x3FF)
                .arg((tpg.colour >> 10) & 0x3FF)
                .arg(tpg.colour & 0x3FF));
        return SimReply::data(command);
    case MNCP_GENERATOR_OUTPUT_TYPE:
        if (!isValidOutputType(word))
            return refuse(command, SimStatus::BadPayload, QStringLiteral("unknown output type %1").arg(word));
        tpg.outputType = word;
        log(QStringLiteral("generator output type %1").arg(word));
        return SimReply::data(command);
    case MNCP_GENERATOR_OUTPUT_FORM:
        if (word < 1 || word > 4)
            return refuse(command, SimStatus::BadPayload, QStringLiteral("unknown output form %1").arg(word));
        tpg.outputForm = word;
        log(QStringLiteral("generator output form %1").arg(word));
        return SimReply::data(command);
    case MNCP_GENERATOR_FRAME_FILE:
        if (command.payload.isEmpty())
            return refuse(command, SimStatus::BadPayload, QStringLiteral("empty generator frame"));
        tpg.source = 1;
        m_uploads.keep(QStringLiteral("cubrix/generator/frame"), QStringLiteral("cubrix_generator_frame"), command.payload,
                       QStringLiteral("raw"));
        log(QStringLiteral("generator frame of %1 bytes").arg(command.payload.size()));
        return SimReply::data(command);
    default:
        return refuse(command, SimStatus::UnknownRequest, QStringLiteral("unknown generator request"));
    }
}
