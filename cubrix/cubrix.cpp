#include "cubrix.h"

#include "device/devicefamily.h"

#include <QTimer>
#include <QtDebug>

namespace {

const quint16 IdentityQueries[] = {MNCP_INFO_MODEL, MNCP_INFO_VERSION, MNCP_INFO_SERIAL};

const quint16 StateSweepQueries[] = {
    MNCP_INFO_PORT_COUNT,        MNCP_INFO_MODE_AND_CHANNEL,   MNCP_INFO_MODE1_LUT_FORMAT_1D, MNCP_INFO_MODE1_LUT_FORMAT_3D, MNCP_INFO_MODE2_LUT_FORMAT_1D,
    MNCP_INFO_MODE2_LUT_FORMAT_3D, MNCP_INFO_MODE3_LUT_FORMAT_1D, MNCP_INFO_MODE3_LUT_FORMAT_3D, MNCP_INFO_MODE1_CHANNEL1,    MNCP_INFO_MODE1_FRAME,
    MNCP_INFO_MODE1_SIGNAL,      MNCP_INFO_MODE2_CHANNEL1,    MNCP_INFO_MODE2_FRAME,       MNCP_INFO_MODE2_CHANNEL2,    MNCP_INFO_MODE3_CHANNEL1,
    MNCP_INFO_MODE3_FRAME,       MNCP_INFO_GENERATOR,        MNCP_INFO_ANCI,             MNCP_INFO_LUT_INTERPOLATION,
};

// Bytes each fixed-layout basic-info reply must carry; shorter replies are ignored whole
// rather than half-applied. Strings (requests 0 to 2) take whatever arrives.
int basicInfoLayoutSize(quint16 request)
{
    switch (request) {
    case MNCP_INFO_CHANNEL_COUNT:
    case MNCP_INFO_PORT_COUNT:
    case MNCP_INFO_MODE_AND_CHANNEL:
    case MNCP_INFO_MODE1_FRAME:
    case MNCP_INFO_MODE2_FRAME:
    case MNCP_INFO_MODE3_FRAME:
    case MNCP_INFO_ANCI:
    case MNCP_INFO_LUT_INTERPOLATION:
        return 4;
    case MNCP_INFO_MODE1_LUT_FORMAT_1D:
    case MNCP_INFO_MODE2_LUT_FORMAT_1D:
    case MNCP_INFO_MODE3_LUT_FORMAT_1D:
    case MNCP_INFO_GENERATOR:
        return 8;
    case MNCP_INFO_MODE1_LUT_FORMAT_3D:
    case MNCP_INFO_MODE2_LUT_FORMAT_3D:
    case MNCP_INFO_MODE3_LUT_FORMAT_3D:
        return 12;
    case MNCP_INFO_MODE1_CHANNEL1:
    case MNCP_INFO_MODE2_CHANNEL1:
    case MNCP_INFO_MODE2_CHANNEL2:
    case MNCP_INFO_MODE3_CHANNEL1:
        return 16;
    case MNCP_INFO_MODE1_SIGNAL:
        return 2;
    default:
        return 0;
    }
}

// After the layout check every read is in range; the fallback only keeps the readers honest.
int word16(const QByteArray &payload, int offset) { return be16(payload, offset).value_or(0); }

using Setter = void (Cubrix::*)(int);
using Signal = void (Cubrix::*)();

// The setters of one channel's state, in the order it is applied and reset: front 1D LUT, back
// 1D LUT, 3D LUT, frame, input, range. Null where the channel has no such field.
struct ChannelSetters {
    Setter lut1State, lut1Load, lut2State, lut2Load, lut3dState, lut3dLoad, frameState, frameLoad, input, range;
};

#define LUT_SETTERS(c)                                                                                         \
    &Cubrix::set_##c##_1dlut1_state, &Cubrix::set_##c##_1dlut1_load, &Cubrix::set_##c##_1dlut2_state,           \
        &Cubrix::set_##c##_1dlut2_load, &Cubrix::set_##c##_3dlut_state, &Cubrix::set_##c##_3dlut_load
#define FRAME_SETTERS(c) &Cubrix::set_##c##_frm_state, &Cubrix::set_##c##_frm_load
const ChannelSetters Mode1Ch1{LUT_SETTERS(boxmode1_ch1), FRAME_SETTERS(boxmode1_ch1), &Cubrix::set_boxmode1_ch1_input,
                              &Cubrix::set_boxmode1_ch1_range};
const ChannelSetters Mode2Ch1{LUT_SETTERS(boxmode2_ch1), FRAME_SETTERS(boxmode2_ch1), &Cubrix::set_boxmode2_ch1_input,
                              &Cubrix::set_boxmode2_ch1_range};
const ChannelSetters Mode2Ch2{LUT_SETTERS(boxmode2_ch2), nullptr, nullptr, &Cubrix::set_boxmode2_ch2_input,
                              &Cubrix::set_boxmode2_ch2_range};
// The generator has no input to select.
const ChannelSetters Mode3Ch1{LUT_SETTERS(boxmode3_ch1), FRAME_SETTERS(boxmode3_ch1), nullptr,
                              &Cubrix::set_boxmode3_ch1_range};
#undef LUT_SETTERS
#undef FRAME_SETTERS

// Channel-block words in wire order are front 1D, 3D, back 1D, input, range; the fields are
// applied, and so signalled, as front 1D, back 1D, 3D, input, range.
void applyChannelBlock(Cubrix &cubrix, const ChannelSetters &channel, const QByteArray &payload)
{
    const std::pair<Setter, int> fields[] = {
        {channel.lut1State, 0},  {channel.lut1Load, 1},  {channel.lut2State, 4}, {channel.lut2Load, 5},
        {channel.lut3dState, 2}, {channel.lut3dLoad, 3}, {channel.input, 6},     {channel.range, 7},
    };
    for (const auto &[setter, word] : fields) {
        if (setter)
            (cubrix.*setter)(word16(payload, 2 * word));
    }
}

void applyFrameBlock(Cubrix &cubrix, const ChannelSetters &channel, const QByteArray &payload)
{
    (cubrix.*channel.frameState)(word16(payload, 0));
    (cubrix.*channel.frameLoad)(word16(payload, 2));
}

// Clears a channel but for its range: the reset clears the mode 3 range only after the
// generator's input type, and keeps the same order for every channel.
void clearAllButRange(Cubrix &cubrix, const ChannelSetters &channel)
{
    for (Setter setter : {channel.lut1State, channel.lut1Load, channel.lut2State, channel.lut2Load, channel.lut3dState,
                          channel.lut3dLoad, channel.frameState, channel.frameLoad, channel.input}) {
        if (setter)
            (cubrix.*setter)(0);
    }
}

// Per mode, the notify signals of the LUT format words.
#define LUT_FORMAT_SIGNALS(m)                                                                                  \
    {&Cubrix::m##_1dlut_inbitChanged, &Cubrix::m##_1dlut_outbitChanged, &Cubrix::m##_3dlut_inbitChanged,        \
     &Cubrix::m##_3dlut_outbitChanged, &Cubrix::m##_3dlut_sizeChanged}
} // namespace

const Signal Cubrix::LutFormatSignals[3][LutFormatWords] = {LUT_FORMAT_SIGNALS(boxmode1), LUT_FORMAT_SIGNALS(boxmode2),
                                                            LUT_FORMAT_SIGNALS(boxmode3)};
#undef LUT_FORMAT_SIGNALS

Cubrix::Cubrix(QObject *parent)
    : DeviceBase(parent, MNCP_DEFAULT_PORT), m_scopeStream(socketHandler(), nullptr)
{
    qDebug() << "Cubrix Constructor Started";
    m_queryTimer = new QTimer(this);
    connect(m_queryTimer, &QTimer::timeout, this, &Cubrix::timerOut);
    m_queryTimer->setSingleShot(true);
    m_queryTimer->setInterval(QueryTimerInterval);
    connect(this, &DeviceBase::reconnected, this, [this] { m_scopeStream.resumeAfterReconnect(); });
    // A monitor names another model and refuses the box's state queries: connecting to it again
    // would not help. (A box that refuses a query but names itself is only out of date.)
    connect(this, &DeviceBase::protocolError, this, [this](int protocol, int request) {
        if (protocol == MNCP_PROTOCOL_BASIC_INFO && request >= MNCP_INFO_MODE_AND_CHANNEL && !model().isEmpty()
            && !DeviceFamily::isCubrix(model()))
            connection()->mismatch(tr("the device at this address is a monitor, not a Cubrix"));
    });
    resetToDefaults();
    qDebug() << "Cubrix Constructor Completed";
}

Cubrix::~Cubrix()
{
    delete m_queryTimer;
    m_queryTimer = nullptr;
    qDebug() << "Cubrix Destructor Completed";
}

// ---- setters --------------------------------------------------------------------------------

void Cubrix::setBoxMode(int value)
{
    // A captured frame belongs to the mode it was taken in.
    if (assignNotify(this, m_boxMode, value, &Cubrix::boxModeChanged))
        emit frameClear();
}

void Cubrix::setBox_lut_interpolation(int value)
{
    m_lutInterpolation = value;
    emit boxLutInterpolationChanged();
    qDebug() << "set lut_interpolation= " << value;
}

void Cubrix::setCube(int set)
{
    m_cubeBitDef = set;
    emit cubeBitDefChanged();
    qDebug() << "set cube bit def = " << set;
}

void Cubrix::set_boxmode1_ch1_frm_state(int value)
{
    qDebug() << "set mode1ch1 frame state = " << value;
    assignNotify(this, m_mode1Ch1.frameState, value, &Cubrix::boxmode1_ch1_frm_stateChanged);
}

// ---- state ----------------------------------------------------------------------------------

void Cubrix::resetToDefaults()
{
    setVersion(QString());
    setSerial(QString());
    setModel(QString());
    setPortNum(0);
    setChannelNum(0);
    // QML drops its channel views first; the records stay children until the device goes.
    emit destroyChannel();
    m_channels.clear();
    setBoxMode(0);
    setBoxCh(0);
    setCube(3);
    for (int mode = 0; mode < 3; ++mode) {
        for (int word = 0; word < LutFormatWords; ++word)
            assignNotify(this, m_lutFormat[mode][word], 0, LutFormatSignals[mode][word]);
    }
    clearAllButRange(*this, Mode1Ch1);
    set_boxmode1_ch1_range(0);
    set_boxmode1_ch1_signal(0);
    clearAllButRange(*this, Mode2Ch1);
    set_boxmode2_ch1_range(0);
    clearAllButRange(*this, Mode2Ch2);
    set_boxmode2_ch2_range(0);
    setBox_lut_interpolation(1);
    clearAllButRange(*this, Mode3Ch1);
    set_boxmode3_input_type(0);
    set_boxmode3_ch1_range(0);
    set_boxmode3_output_type(0);
    set_boxmode3_output_form(0);
}

void Cubrix::socketStateChanged(QTcpSocket::SocketState state)
{
    switch (state) {
    case QAbstractSocket::UnconnectedState:
        qDebug() << "Cubrix Class: State Disconnected" << "socketStateChanged" << Qt::endl;
        // A re-query due after a key press belongs to the connection that ended.
        m_queryTimer->stop();
        m_scopeStream.connectionLost();
        resetToDefaults();
        emit stateChanged(socketHandler()->socketState());
        break;
    case QAbstractSocket::ConnectedState:
        emit stateChanged(socketHandler()->socketState());
        for (quint16 request : IdentityQueries)
            queryBasicInfo(request);
        onGuiFocus();
        break;
    default:
        emit stateChanged(socketHandler()->socketState());
        break;
    }
}

void Cubrix::onGuiFocus()
{
    for (quint16 request : StateSweepQueries)
        queryBasicInfo(request);
}

void Cubrix::timerOut()
{
    m_queryTimer->stop();
    queryBasicInfo(MNCP_INFO_MODE_AND_CHANNEL);
    queryBasicInfo(MNCP_INFO_LUT_INTERPOLATION);
    qDebug() << "timer out handler, send query2";
}

void Cubrix::queryBasicInfo(quint16 request)
{
    appendCmd(MNCP_PROTOCOL_BASIC_INFO, request);
}

void Cubrix::queueChannelQuery(ChannelQuery kind)
{
    switch (m_boxMode) {
    case 1:
        queryBasicInfo(MNCP_INFO_MODE1_CHANNEL1);
        break;
    case 2:
        if (m_boxCh == 1)
            queryBasicInfo(MNCP_INFO_MODE2_CHANNEL1);
        else if (m_boxCh == 2)
            queryBasicInfo(MNCP_INFO_MODE2_CHANNEL2);
        if (kind == ChannelQuery::ChannelWithMode3)
            queryBasicInfo(MNCP_INFO_MODE3_CHANNEL1);
        break;
    case 3:
        if (kind != ChannelQuery::InputOnly)
            queryBasicInfo(MNCP_INFO_MODE3_CHANNEL1);
        break;
    default:
        break;
    }
}

void Cubrix::queueFrameQuery()
{
    if (m_boxMode == 1)
        queryBasicInfo(MNCP_INFO_MODE1_FRAME);
    else if (m_boxMode == 2 && m_boxCh == 1)
        queryBasicInfo(MNCP_INFO_MODE2_FRAME);
    else if (m_boxMode == 3)
        queryBasicInfo(MNCP_INFO_MODE3_FRAME);
}

void Cubrix::queueGeneratorQuery()
{
    queryBasicInfo(MNCP_INFO_GENERATOR);
}

void Cubrix::stopScopesIfPlaying()
{
    // A mode or channel change invalidates what the scopes show.
    if (m_scopeStream.isPlaying())
        m_scopeStream.stopPlayback(ScopeStream::Both);
}

// ---- replies --------------------------------------------------------------------------------

void Cubrix::processReply(QByteArray &payload, mncp_protocol_header &header)
{
    m_lastReplyHeader = header;
    switch (header.protocol) {
    case MNCP_PROTOCOL_BASIC_INFO: processBasicInfo(payload); break;
    case MNCP_PROTOCOL_CHANNEL_INFO: processChannelInfo(payload); break;
    case MNCP_PROTOCOL_FRAME_CAPTURE: processFrameData(payload); break;
    case MNCP_PROTOCOL_ANCI_CAPTURE: processAnciData(payload); break;
    case MNCP_PROTOCOL_SCOPE_STREAM: processScopeData(payload); break;
    default: break;
    }
}

void Cubrix::processBasicInfo(const QByteArray &payload)
{
    const quint16 request = m_lastReplyHeader.request;
    const int needed = basicInfoLayoutSize(request);
    if (payload.size() < needed) {
        qDebug("%s: reply 0x%04x - 0x%04x has %d bytes, needs %d: ignored", "processBasicInfo",
               m_lastReplyHeader.protocol, request, int(payload.size()), needed);
        return;
    }

    switch (request) {
    case MNCP_INFO_MODEL: setModel(mncp_string(payload)); break;
    case MNCP_INFO_VERSION: setVersion(mncp_string(payload)); break;
    case MNCP_INFO_SERIAL: setSerial(mncp_string(payload)); break;
    case MNCP_INFO_CHANNEL_COUNT: processChannels(payload); break;
    case MNCP_INFO_PORT_COUNT: setPortNum(be32(payload, 0).value_or(0)); break;
    case MNCP_INFO_MODE_AND_CHANNEL:
        setBoxMode(word16(payload, 0));
        setBoxCh(word16(payload, 2));
        break;
    case MNCP_INFO_MODE1_LUT_FORMAT_1D:
    case MNCP_INFO_MODE1_LUT_FORMAT_3D:
    case MNCP_INFO_MODE2_LUT_FORMAT_1D:
    case MNCP_INFO_MODE2_LUT_FORMAT_3D:
    case MNCP_INFO_MODE3_LUT_FORMAT_1D:
    case MNCP_INFO_MODE3_LUT_FORMAT_3D:
        processLutFormat(payload);
        break;
    case MNCP_INFO_MODE1_CHANNEL1: applyChannelBlock(*this, Mode1Ch1, payload); break;
    case MNCP_INFO_MODE2_CHANNEL1: applyChannelBlock(*this, Mode2Ch1, payload); break;
    case MNCP_INFO_MODE2_CHANNEL2: applyChannelBlock(*this, Mode2Ch2, payload); break;
    case MNCP_INFO_MODE3_CHANNEL1: applyChannelBlock(*this, Mode3Ch1, payload); break;
    case MNCP_INFO_GENERATOR:
        // Word 1 carries nothing the program uses.
        set_boxmode3_input_type(word16(payload, 0));
        set_boxmode3_output_type(word16(payload, 4));
        set_boxmode3_output_form(word16(payload, 6));
        break;
    case MNCP_INFO_MODE1_FRAME: applyFrameBlock(*this, Mode1Ch1, payload); break;
    case MNCP_INFO_MODE2_FRAME: applyFrameBlock(*this, Mode2Ch1, payload); break;
    case MNCP_INFO_MODE3_FRAME: applyFrameBlock(*this, Mode3Ch1, payload); break;
    case MNCP_INFO_MODE1_SIGNAL: {
        const int signal = be16s(payload, 0).value_or(0);
        set_boxmode1_ch1_signal(signal);
        qDebug() << "process mode1ch1 default-input = " << signal;
        break;
    }
    case MNCP_INFO_ANCI: {
        const int on = word16(payload, 0);
        setBoxAnci(on);
        qDebug() << "anci on= " << on << " count= " << word16(payload, 2);
        break;
    }
    case MNCP_INFO_LUT_INTERPOLATION: setBox_lut_interpolation(be32(payload, 0).value_or(0)); break;
    default: break;
    }
}

void Cubrix::processChannels(const QByteArray &payload)
{
    setChannelNum(be32(payload, 0).value_or(0));
    // ChannelList bounds the count: a channel index is one byte on the wire.
    const QList<int> created = m_channels.create(this, m_channelNum);
    for (int id : created)
        qDebug("%s: - Appending CHannel: 0x%x -", "processChannels", id);
    emit channelsChanged();
}

void Cubrix::processLutFormat(const QByteArray &payload)
{
    // A 1D reply carries the first two words of a mode's format, a 3D reply the last three.
    int mode = 0;
    int first = In1d;
    switch (m_lastReplyHeader.request) {
    case MNCP_INFO_MODE1_LUT_FORMAT_1D: break;
    case MNCP_INFO_MODE1_LUT_FORMAT_3D: first = In3d; break;
    case MNCP_INFO_MODE2_LUT_FORMAT_1D: mode = 1; break;
    case MNCP_INFO_MODE2_LUT_FORMAT_3D: mode = 1; first = In3d; break;
    case MNCP_INFO_MODE3_LUT_FORMAT_1D: mode = 2; break;
    case MNCP_INFO_MODE3_LUT_FORMAT_3D: mode = 2; first = In3d; break;
    default: return;
    }
    // These words are little-endian on the wire, and QML relies on hearing every report.
    const int last = first == In1d ? Out1d : Size3d;
    for (int word = first; word <= last; ++word) {
        m_lutFormat[mode][word] = le32(payload, 4 * (word - first)).value_or(0);
        // Taken out of the table before `->*`: GCC 12's bounds check reads a garbage index when
        // the subscript sits inside the member call.
        const Signal changed = LutFormatSignals[mode][word];
        emit(this->*changed)();
    }
}

void Cubrix::processChannelInfo(const QByteArray &payload)
{
    m_channels.applyReply(m_lastReplyHeader.request, payload);
}

void Cubrix::processFrameData(const QByteArray &payload)
{
    qDebug() << "received Frame data, len = " << payload.size();
    if (!m_captureFrame)
        return;
    // The capture item scales the picture by the input range of the channel it came from.
    int range = 0;
    if (m_boxMode == 1)
        range = m_mode1Ch1.range;
    else if (m_boxMode == 2 && m_boxCh == 1)
        range = m_mode2Ch1.range;
    else if (m_boxMode == 2 && m_boxCh == 2)
        range = m_mode2Ch2.range;
    else
        return;
    m_captureFrame->receiveFrame(payload, static_cast<uint>(range));
}

void Cubrix::processAnciData(const QByteArray &payload)
{
    qDebug() << "received ANCI frame data, len = " << payload.size();
    const int type = m_lastReplyHeader.request;
    if (type >= 2 && type <= 4)
        emit anciCaptured(payload, type);
}

void Cubrix::processScopeData(const QByteArray &payload)
{
    qDebug() << "Cubrix received ScopeStream frame data, len = " << payload.size();
    const int type = m_lastReplyHeader.request;
    if (type >= ScopeStream::Waveform && type <= ScopeStream::Both)
        m_scopeStream.receiveFrame(payload, type);
}

// ---- control commands -----------------------------------------------------------------------

namespace {

bool isLutType(int type) { return type == Cubrix::LUT_TYPE_1D || type == Cubrix::LUT_TYPE_3D; }

} // namespace

std::optional<quint16> Cubrix::lutProtocol(int type, int func, mncp_lut_use use)
{
    // The box knows calibration, DIT and box tables only.
    if (func < LUT_FUNC_CALIBRATION || func > LUT_FUNC_BOX)
        return std::nullopt;
    return mncp_lut_protocol(static_cast<mncp_lut_dimension>(type), func, use);
}

void Cubrix::sendKey(DeviceBase::mncp_key_code key)
{
    appendCmd(MNCP_PROTOCOL_KEY, static_cast<quint16>(key));

    switch (key) {
    case MNCP_KEY_INPUT0:
    case MNCP_KEY_INPUT1:
    case MNCP_KEY_INPUT2:
        queueChannelQuery(ChannelQuery::InputOnly);
        break;
    case MNCP_KEY_CH_1:
    case MNCP_KEY_CH_2:
        queryBasicInfo(MNCP_INFO_MODE_AND_CHANNEL);
        stopScopesIfPlaying();
        break;
    case MNCP_KEY_MODE_1:
    case MNCP_KEY_MODE_2:
    case MNCP_KEY_MODE_3:
    case MNCP_KEY_LUT_INTERPOLATION_1:
    case MNCP_KEY_LUT_INTERPOLATION_2:
        // The box takes a moment to switch; ask once it has settled, after the last press.
        m_queryTimer->start();
        stopScopesIfPlaying();
        qDebug() << "timer start";
        break;
    default:
        break;
    }
}

void Cubrix::sendRotary(int type, int number)
{
    static const int rotaryBase[] = {MNCP_ROTARY_PUSH, MNCP_ROTARY_CW, MNCP_ROTARY_CCW};
    if (type < 0 || type > 2)
        return;
    sendKey(static_cast<DeviceBase::mncp_key_code>(static_cast<quint16>(number | rotaryBase[type])));
}

void Cubrix::setLut(LutType type, LutFunc func, int id, bool on)
{
    if (!isLutType(type)) {
        qDebug() << "Unknown type: " << int(type);
        return;
    }
    if (const auto protocol = lutProtocol(type, func, mncp_lut_use::Transfer)) {
        const QString lut = lutName(type, func);
        Operation operation(this, on ? tr("Switching the %1 on").arg(lut) : tr("Switching the %1 off").arg(lut),
                            on ? tr("%1 switched on").arg(lut) : tr("%1 switched off").arg(lut));
        appendCmd(*protocol, static_cast<quint16>(id | (on ? MNCP_SLOT_ON : MNCP_SLOT_OFF)));
    } else {
        qDebug() << "Unknown lut func: " << int(func);
    }
    queueChannelQuery(ChannelQuery::Channel);
}

void Cubrix::loadLut(LutType type, LutFunc func, int id)
{
    if (!isLutType(type)) {
        qDebug() << "Unknown type: " << int(type);
        return;
    }
    const auto protocol = lutProtocol(type, func, mncp_lut_use::Load);
    if (!protocol)
        return;
    {
        const QString lut = lutName(type, func);
        Operation operation(this, tr("Recalling %1 slot %2").arg(lut).arg(id + 1), tr("%1 slot %2 recalled").arg(lut).arg(id + 1));
        appendCmd(*protocol, static_cast<quint16>(id | MNCP_SLOT_LOAD));
    }
    if (func != LUT_FUNC_CALIBRATION)
        queueChannelQuery(ChannelQuery::ChannelWithMode3);
}

void Cubrix::setFrame(int id, bool on)
{
    {
        Operation operation(this, on ? tr("Switching the frame overlay on") : tr("Switching the frame overlay off"),
                            on ? tr("Frame overlay switched on") : tr("Frame overlay switched off"));
        appendCmd(MNCP_PROTOCOL_FRAME_LOAD, static_cast<quint16>(id | (on ? MNCP_SLOT_ON : MNCP_SLOT_OFF)));
    }
    queueFrameQuery();
    qDebug() << "set frame id :" << id << "set :" << (on ? "true" : "false");
}

void Cubrix::loadFrame(int id)
{
    {
        Operation operation(this, tr("Recalling frame slot %1").arg(id + 1), tr("Frame slot %1 recalled").arg(id + 1));
        appendCmd(MNCP_PROTOCOL_FRAME_LOAD, static_cast<quint16>(id | MNCP_SLOT_LOAD));
    }
    queueFrameQuery();
    qDebug() << "load frame id :" << id;
}

void Cubrix::setRange(int range)
{
    qDebug() << "set range = " << range;
    if (range < 1 || range > 4)
        return;
    appendCmd(MNCP_PROTOCOL_INPUT_RANGE, static_cast<quint16>(range));
    queueChannelQuery(ChannelQuery::ChannelWithMode3);
}

void Cubrix::setInputRange(int input, int rangelut)
{
    quint16 request = 0;
    switch (input) {
    case 1: request = MNCP_RANGE_INPUT1; break;
    case 2: request = MNCP_RANGE_INPUT2; break;
    case 3: request = MNCP_RANGE_INPUT3; break;
    default: return;
    }
    if (rangelut != 0)
        request |= MNCP_RANGE_LUT;
    appendCmd(MNCP_PROTOCOL_INPUT_RANGE, request);
    queueChannelQuery(ChannelQuery::ChannelWithMode3);
}

void Cubrix::setInputSignal(int input)
{
    // Only single-channel mode has a selectable input signal format.
    if (m_boxMode != 1)
        return;
    appendCmd(MNCP_PROTOCOL_INPUT_SIGNAL, static_cast<quint16>(input));
    queryBasicInfo(MNCP_INFO_MODE1_SIGNAL);
    qDebug() << "set signal = " << input;
}

void Cubrix::sendPackedColour(quint16 request, int first, int second, int third)
{
    const quint32 word = ((static_cast<quint32>(first) << 20) & 0x3FF00000u)
                         | ((static_cast<quint32>(second) << 10) & 0x000FFC00u)
                         | (static_cast<quint32>(third) & 0x3FFu);
    qDebug() << "raw_data= " << word;
    QByteArray payload;
    appendBe32(payload, word);
    appendCmd(MNCP_PROTOCOL_GENERATOR, request, payload);
    queueGeneratorQuery();
}

void Cubrix::setSignalRGB(int r, int g, int b)
{
    sendPackedColour(MNCP_GENERATOR_RGB, r, g, b);
}

void Cubrix::setSignalYCbCr(int y, int cb, int cr)
{
    sendPackedColour(MNCP_GENERATOR_YCBCR, y, cb, cr);
}

void Cubrix::setSignalOut(int output_type)
{
    qDebug() << "set sg output_type = " << output_type;
    switch (output_type) {
    case 1: case 2: case 3: case 4: case 5: case 17: break;
    default: return;
    }
    QByteArray payload;
    appendBe32(payload, static_cast<quint32>(output_type));
    appendCmd(MNCP_PROTOCOL_GENERATOR, MNCP_GENERATOR_OUTPUT_TYPE, payload);
    queueGeneratorQuery();
}

void Cubrix::setSignalForm(int output_form)
{
    qDebug() << "set sg output_form = " << output_form;
    if (output_form < 1 || output_form > 4)
        return;
    QByteArray payload;
    appendBe32(payload, static_cast<quint32>(output_form));
    appendCmd(MNCP_PROTOCOL_GENERATOR, MNCP_GENERATOR_OUTPUT_FORM, payload);
    queueGeneratorQuery();
}

void Cubrix::setAnci(int option)
{
    qDebug() << "set anci = " << option;
    switch (option) {
    case 0:
        appendCmd(MNCP_PROTOCOL_ANCI_CAPTURE, MNCP_ANCI_OFF);
        queryBasicInfo(MNCP_INFO_ANCI);
        qDebug() << "set anci OFF";
        break;
    case 1:
        appendCmd(MNCP_PROTOCOL_ANCI_CAPTURE, MNCP_ANCI_ON);
        queryBasicInfo(MNCP_INFO_ANCI);
        qDebug() << "set anci ON";
        break;
    case 2:
        appendCmd(MNCP_PROTOCOL_ANCI_CAPTURE, MNCP_ANCI_STATE);
        qDebug() << "set anci State";
        break;
    case 3:
        appendCmd(MNCP_PROTOCOL_ANCI_CAPTURE, MNCP_ANCI_LIST);
        qDebug() << "set anci ID";
        break;
    case 4:
        qDebug() << "set anci data";
        break;
    default:
        break;
    }
}

void Cubrix::captureAnci(QString id)
{
    qDebug() << "start cap anci=" << id;
    captureAnciPacket(id, std::nullopt);
}

void Cubrix::captureAnci(QString id, int index)
{
    qDebug() << "start cap anci_index" << id << "index=" << index;
    captureAnciPacket(id, index);
}

void Cubrix::captureAnciPacket(const QString &id, std::optional<int> index)
{
    // The id is a packet list entry: "0x", then the DID and the SDID as two hex digits each.
    if (id.size() != 6)
        return;
    bool didOk = false;
    bool sdidOk = false;
    const uint did = id.left(4).toUInt(&didOk, 16);
    const uint sdid = (id.left(2) + id.mid(4, 2)).toUInt(&sdidOk, 16);
    if (!didOk || !sdidOk)
        return;

    QByteArray payload;
    payload.append(static_cast<char>(did & 0xFF));
    payload.append(static_cast<char>(sdid & 0xFF));
    if (index)
        appendBe16(payload, static_cast<quint16>(*index));
    appendCmd(MNCP_PROTOCOL_ANCI_CAPTURE, MNCP_ANCI_PACKET, payload);
    qDebug() << (index ? "send anci index data" : "send anci data");
}

QString Cubrix::getProtocolMessage(int protocol)
{
    return ::getProtocolMessage(protocol);
}

void Cubrix::registerFeature(CaptureFrame *feature, int type)
{
    if (type != CaptureFrameFeature)
        return;
    m_captureFrame = feature;
    if (!feature)
        return;
    feature->setSocketHandler(socketHandler());
    feature->setDeviceModel(m_model);
    reportCaptureSaves(feature);
}
