#include "cubrix.h"

#include <QTimer>
#include <QtDebug>

namespace {

// Basic-info request ids (protocol 0x0100).
enum BasicInfo : quint16 {
    InfoModel = 0,
    InfoVersion = 1,
    InfoSerial = 2,
    InfoChannelCount = 3,
    InfoPortCount = 4,
    InfoModeAndChannel = 5,
    InfoMode1LutFormat1D = 6,
    InfoMode1LutFormat3D = 7,
    InfoMode1Channel1 = 8,
    InfoMode2LutFormat1D = 9,
    InfoMode2LutFormat3D = 10,
    InfoMode2Channel1 = 11,
    InfoMode2Channel2 = 12,
    InfoGenerator = 13,
    InfoMode3LutFormat1D = 14,
    InfoMode3LutFormat3D = 15,
    InfoMode3Channel1 = 16,
    InfoMode1Frame = 17,
    InfoMode2Frame = 18,
    InfoMode3Frame = 19,
    InfoMode1Signal = 20,
    InfoAnci = 21,
    InfoLutInterpolation = 22,
};

const quint16 IdentityQueries[] = {InfoModel, InfoVersion, InfoSerial};

const quint16 StateSweepQueries[] = {
    InfoPortCount,        InfoModeAndChannel,   InfoMode1LutFormat1D, InfoMode1LutFormat3D, InfoMode2LutFormat1D,
    InfoMode2LutFormat3D, InfoMode3LutFormat1D, InfoMode3LutFormat3D, InfoMode1Channel1,    InfoMode1Frame,
    InfoMode1Signal,      InfoMode2Channel1,    InfoMode2Frame,       InfoMode2Channel2,    InfoMode3Channel1,
    InfoMode3Frame,       InfoGenerator,        InfoAnci,             InfoLutInterpolation,
};

// Bytes each fixed-layout basic-info reply must carry; shorter replies are ignored whole
// rather than half-applied. Strings (requests 0 to 2) take whatever arrives.
int basicInfoLayoutSize(quint16 request)
{
    switch (request) {
    case InfoChannelCount:
    case InfoPortCount:
    case InfoModeAndChannel:
    case InfoMode1Frame:
    case InfoMode2Frame:
    case InfoMode3Frame:
    case InfoAnci:
    case InfoLutInterpolation:
        return 4;
    case InfoMode1LutFormat1D:
    case InfoMode2LutFormat1D:
    case InfoMode3LutFormat1D:
    case InfoGenerator:
        return 8;
    case InfoMode1LutFormat3D:
    case InfoMode2LutFormat3D:
    case InfoMode3LutFormat3D:
        return 12;
    case InfoMode1Channel1:
    case InfoMode2Channel1:
    case InfoMode2Channel2:
    case InfoMode3Channel1:
        return 16;
    case InfoMode1Signal:
        return 2;
    default:
        return 0;
    }
}

// After the layout check every read is in range; the fallback only keeps the readers honest.
int word16(const QByteArray &payload, int offset) { return be16(payload, offset).value_or(0); }

} // namespace

Cubrix::Cubrix(QObject *parent)
    : DeviceBase(parent, MNCP_DEFAULT_PORT), m_scopeStream(socketHandler(), nullptr)
{
    qDebug() << "Cubrix Constructor Started";
    m_queryTimer = new QTimer(this);
    connect(m_queryTimer, &QTimer::timeout, this, &Cubrix::timerOut);
    m_queryTimer->setSingleShot(true);
    m_queryTimer->setInterval(QueryTimerInterval);
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

void Cubrix::assignInt(int &member, int value, void (Cubrix::*changed)())
{
    if (member == value)
        return;
    member = value;
    emit(this->*changed)();
}

void Cubrix::setModel(const QString &value)
{
    if (m_model == value)
        return;
    m_model = value;
    emit modelChanged();
}

void Cubrix::setSerial(const QString &value)
{
    if (m_serial == value)
        return;
    m_serial = value;
    emit serialChanged();
}

void Cubrix::setVersion(const QString &value)
{
    if (m_version == value)
        return;
    m_version = value;
    emit versionChanged();
}

void Cubrix::setPortNum(int value) { assignInt(m_port_num, value, &Cubrix::portNumChanged); }
void Cubrix::setChannelNum(int value) { assignInt(m_channel_num, value, &Cubrix::channelNumChanged); }
void Cubrix::setBoxCh(int value) { assignInt(m_box_ch, value, &Cubrix::boxChChanged); }
void Cubrix::setBoxAnci(int value) { assignInt(m_box_anci, value, &Cubrix::boxAnciChanged); }

void Cubrix::setBoxMode(int value)
{
    if (m_box_mode == value)
        return;
    m_box_mode = value;
    emit boxModeChanged();
    // A captured frame belongs to the mode it was taken in.
    emit frameClear();
}

void Cubrix::setBox_lut_interpolation(int value)
{
    m_box_lut_interpolation = value;
    emit boxLutInterpolationChanged();
    qDebug() << "set lut_interpolation= " << value;
}

void Cubrix::setCube(int set)
{
    m_cube_bit_def = set;
    emit cubeBitDefChanged();
    qDebug() << "set cube bit def = " << set;
}

void Cubrix::setBoxmode1_ch1_frm_state(int value)
{
    qDebug() << "set mode1ch1 frame state = " << value;
    assignInt(m_boxmode1_ch1_frm_state, value, &Cubrix::boxmode1_ch1_frm_stateChanged);
}

void Cubrix::setBoxmode1_1dlut_inbit(int value) { assignInt(m_boxmode1_1dlut_inbit, value, &Cubrix::boxmode1_1dlut_inbitChanged); }
void Cubrix::setBoxmode1_1dlut_outbit(int value) { assignInt(m_boxmode1_1dlut_outbit, value, &Cubrix::boxmode1_1dlut_outbitChanged); }
void Cubrix::setBoxmode1_3dlut_inbit(int value) { assignInt(m_boxmode1_3dlut_inbit, value, &Cubrix::boxmode1_3dlut_inbitChanged); }
void Cubrix::setBoxmode1_3dlut_outbit(int value) { assignInt(m_boxmode1_3dlut_outbit, value, &Cubrix::boxmode1_3dlut_outbitChanged); }
void Cubrix::setBoxmode1_3dlut_size(int value) { assignInt(m_boxmode1_3dlut_size, value, &Cubrix::boxmode1_3dlut_sizeChanged); }
void Cubrix::setBoxmode2_1dlut_inbit(int value) { assignInt(m_boxmode2_1dlut_inbit, value, &Cubrix::boxmode2_1dlut_inbitChanged); }
void Cubrix::setBoxmode2_1dlut_outbit(int value) { assignInt(m_boxmode2_1dlut_outbit, value, &Cubrix::boxmode2_1dlut_outbitChanged); }
void Cubrix::setBoxmode2_3dlut_inbit(int value) { assignInt(m_boxmode2_3dlut_inbit, value, &Cubrix::boxmode2_3dlut_inbitChanged); }
void Cubrix::setBoxmode2_3dlut_outbit(int value) { assignInt(m_boxmode2_3dlut_outbit, value, &Cubrix::boxmode2_3dlut_outbitChanged); }
void Cubrix::setBoxmode2_3dlut_size(int value) { assignInt(m_boxmode2_3dlut_size, value, &Cubrix::boxmode2_3dlut_sizeChanged); }
void Cubrix::setBoxmode3_1dlut_inbit(int value) { assignInt(m_boxmode3_1dlut_inbit, value, &Cubrix::boxmode3_1dlut_inbitChanged); }
void Cubrix::setBoxmode3_1dlut_outbit(int value) { assignInt(m_boxmode3_1dlut_outbit, value, &Cubrix::boxmode3_1dlut_outbitChanged); }
void Cubrix::setBoxmode3_3dlut_inbit(int value) { assignInt(m_boxmode3_3dlut_inbit, value, &Cubrix::boxmode3_3dlut_inbitChanged); }
void Cubrix::setBoxmode3_3dlut_outbit(int value) { assignInt(m_boxmode3_3dlut_outbit, value, &Cubrix::boxmode3_3dlut_outbitChanged); }
void Cubrix::setBoxmode3_3dlut_size(int value) { assignInt(m_boxmode3_3dlut_size, value, &Cubrix::boxmode3_3dlut_sizeChanged); }
void Cubrix::setBoxmode1_ch1_1dlut1_state(int value) { assignInt(m_boxmode1_ch1_1dlut1_state, value, &Cubrix::boxmode1_ch1_1dlut1_stateChanged); }
void Cubrix::setBoxmode1_ch1_1dlut1_load(int value) { assignInt(m_boxmode1_ch1_1dlut1_load, value, &Cubrix::boxmode1_ch1_1dlut1_loadChanged); }
void Cubrix::setBoxmode1_ch1_1dlut2_state(int value) { assignInt(m_boxmode1_ch1_1dlut2_state, value, &Cubrix::boxmode1_ch1_1dlut2_stateChanged); }
void Cubrix::setBoxmode1_ch1_1dlut2_load(int value) { assignInt(m_boxmode1_ch1_1dlut2_load, value, &Cubrix::boxmode1_ch1_1dlut2_loadChanged); }
void Cubrix::setBoxmode1_ch1_3dlut_state(int value) { assignInt(m_boxmode1_ch1_3dlut_state, value, &Cubrix::boxmode1_ch1_3dlut_stateChanged); }
void Cubrix::setBoxmode1_ch1_3dlut_load(int value) { assignInt(m_boxmode1_ch1_3dlut_load, value, &Cubrix::boxmode1_ch1_3dlut_loadChanged); }
void Cubrix::setBoxmode1_ch1_frm_load(int value) { assignInt(m_boxmode1_ch1_frm_load, value, &Cubrix::boxmode1_ch1_frm_loadChanged); }
void Cubrix::setBoxmode1_ch1_input(int value) { assignInt(m_boxmode1_ch1_input, value, &Cubrix::boxmode1_ch1_inputChanged); }
void Cubrix::setBoxmode1_ch1_range(int value) { assignInt(m_boxmode1_ch1_range, value, &Cubrix::boxmode1_ch1_rangeChanged); }
void Cubrix::setBoxmode1_ch1_signal(int value) { assignInt(m_boxmode1_ch1_signal, value, &Cubrix::boxmode1_ch1_signalChanged); }
void Cubrix::setBoxmode2_ch1_1dlut1_state(int value) { assignInt(m_boxmode2_ch1_1dlut1_state, value, &Cubrix::boxmode2_ch1_1dlut1_stateChanged); }
void Cubrix::setBoxmode2_ch1_1dlut1_load(int value) { assignInt(m_boxmode2_ch1_1dlut1_load, value, &Cubrix::boxmode2_ch1_1dlut1_loadChanged); }
void Cubrix::setBoxmode2_ch1_1dlut2_state(int value) { assignInt(m_boxmode2_ch1_1dlut2_state, value, &Cubrix::boxmode2_ch1_1dlut2_stateChanged); }
void Cubrix::setBoxmode2_ch1_1dlut2_load(int value) { assignInt(m_boxmode2_ch1_1dlut2_load, value, &Cubrix::boxmode2_ch1_1dlut2_loadChanged); }
void Cubrix::setBoxmode2_ch1_3dlut_state(int value) { assignInt(m_boxmode2_ch1_3dlut_state, value, &Cubrix::boxmode2_ch1_3dlut_stateChanged); }
void Cubrix::setBoxmode2_ch1_3dlut_load(int value) { assignInt(m_boxmode2_ch1_3dlut_load, value, &Cubrix::boxmode2_ch1_3dlut_loadChanged); }
void Cubrix::setBoxmode2_ch1_frm_state(int value) { assignInt(m_boxmode2_ch1_frm_state, value, &Cubrix::boxmode2_ch1_frm_stateChanged); }
void Cubrix::setBoxmode2_ch1_frm_load(int value) { assignInt(m_boxmode2_ch1_frm_load, value, &Cubrix::boxmode2_ch1_frm_loadChanged); }
void Cubrix::setBoxmode2_ch1_input(int value) { assignInt(m_boxmode2_ch1_input, value, &Cubrix::boxmode2_ch1_inputChanged); }
void Cubrix::setBoxmode2_ch1_range(int value) { assignInt(m_boxmode2_ch1_range, value, &Cubrix::boxmode2_ch1_rangeChanged); }
void Cubrix::setBoxmode2_ch2_1dlut1_state(int value) { assignInt(m_boxmode2_ch2_1dlut1_state, value, &Cubrix::boxmode2_ch2_1dlut1_stateChanged); }
void Cubrix::setBoxmode2_ch2_1dlut1_load(int value) { assignInt(m_boxmode2_ch2_1dlut1_load, value, &Cubrix::boxmode2_ch2_1dlut1_loadChanged); }
void Cubrix::setBoxmode2_ch2_1dlut2_state(int value) { assignInt(m_boxmode2_ch2_1dlut2_state, value, &Cubrix::boxmode2_ch2_1dlut2_stateChanged); }
void Cubrix::setBoxmode2_ch2_1dlut2_load(int value) { assignInt(m_boxmode2_ch2_1dlut2_load, value, &Cubrix::boxmode2_ch2_1dlut2_loadChanged); }
void Cubrix::setBoxmode2_ch2_3dlut_state(int value) { assignInt(m_boxmode2_ch2_3dlut_state, value, &Cubrix::boxmode2_ch2_3dlut_stateChanged); }
void Cubrix::setBoxmode2_ch2_3dlut_load(int value) { assignInt(m_boxmode2_ch2_3dlut_load, value, &Cubrix::boxmode2_ch2_3dlut_loadChanged); }
void Cubrix::setBoxmode2_ch2_input(int value) { assignInt(m_boxmode2_ch2_input, value, &Cubrix::boxmode2_ch2_inputChanged); }
void Cubrix::setBoxmode2_ch2_range(int value) { assignInt(m_boxmode2_ch2_range, value, &Cubrix::boxmode2_ch2_rangeChanged); }
void Cubrix::setBoxmode3_ch1_1dlut1_state(int value) { assignInt(m_boxmode3_ch1_1dlut1_state, value, &Cubrix::boxmode3_ch1_1dlut1_stateChanged); }
void Cubrix::setBoxmode3_ch1_1dlut1_load(int value) { assignInt(m_boxmode3_ch1_1dlut1_load, value, &Cubrix::boxmode3_ch1_1dlut1_loadChanged); }
void Cubrix::setBoxmode3_ch1_1dlut2_state(int value) { assignInt(m_boxmode3_ch1_1dlut2_state, value, &Cubrix::boxmode3_ch1_1dlut2_stateChanged); }
void Cubrix::setBoxmode3_ch1_1dlut2_load(int value) { assignInt(m_boxmode3_ch1_1dlut2_load, value, &Cubrix::boxmode3_ch1_1dlut2_loadChanged); }
void Cubrix::setBoxmode3_ch1_3dlut_state(int value) { assignInt(m_boxmode3_ch1_3dlut_state, value, &Cubrix::boxmode3_ch1_3dlut_stateChanged); }
void Cubrix::setBoxmode3_ch1_frm_state(int value) { assignInt(m_boxmode3_ch1_frm_state, value, &Cubrix::boxmode3_ch1_frm_stateChanged); }
void Cubrix::setBoxmode3_ch1_frm_load(int value) { assignInt(m_boxmode3_ch1_frm_load, value, &Cubrix::boxmode3_ch1_frm_loadChanged); }
void Cubrix::setBoxmode3_ch1_3dlut_load(int value) { assignInt(m_boxmode3_ch1_3dlut_load, value, &Cubrix::boxmode3_ch1_3dlut_loadChanged); }
void Cubrix::setBoxmode3_ch1_range(int value) { assignInt(m_boxmode3_ch1_range, value, &Cubrix::boxmode3_ch1_rangeChanged); }
void Cubrix::setBoxmode3_input_type(int value) { assignInt(m_boxmode3_input_type, value, &Cubrix::boxmode3_input_typeChanged); }
void Cubrix::setBoxmode3_output_type(int value) { assignInt(m_boxmode3_output_type, value, &Cubrix::boxmode3_output_typeChanged); }
void Cubrix::setBoxmode3_output_form(int value) { assignInt(m_boxmode3_output_form, value, &Cubrix::boxmode3_output_formChanged); }

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

    setBoxmode1_1dlut_inbit(0);
    setBoxmode1_1dlut_outbit(0);
    setBoxmode1_3dlut_inbit(0);
    setBoxmode1_3dlut_outbit(0);
    setBoxmode1_3dlut_size(0);
    setBoxmode2_1dlut_inbit(0);
    setBoxmode2_1dlut_outbit(0);
    setBoxmode2_3dlut_inbit(0);
    setBoxmode2_3dlut_outbit(0);
    setBoxmode2_3dlut_size(0);
    setBoxmode3_1dlut_inbit(0);
    setBoxmode3_1dlut_outbit(0);
    setBoxmode3_3dlut_inbit(0);
    setBoxmode3_3dlut_outbit(0);
    setBoxmode3_3dlut_size(0);

    setBoxmode1_ch1_1dlut1_state(0);
    setBoxmode1_ch1_1dlut1_load(0);
    setBoxmode1_ch1_1dlut2_state(0);
    setBoxmode1_ch1_1dlut2_load(0);
    setBoxmode1_ch1_3dlut_state(0);
    setBoxmode1_ch1_3dlut_load(0);
    setBoxmode1_ch1_frm_state(0);
    setBoxmode1_ch1_frm_load(0);
    setBoxmode1_ch1_input(0);
    setBoxmode1_ch1_range(0);
    setBoxmode1_ch1_signal(0);

    setBoxmode2_ch1_1dlut1_state(0);
    setBoxmode2_ch1_1dlut1_load(0);
    setBoxmode2_ch1_1dlut2_state(0);
    setBoxmode2_ch1_1dlut2_load(0);
    setBoxmode2_ch1_3dlut_state(0);
    setBoxmode2_ch1_3dlut_load(0);
    setBoxmode2_ch1_frm_state(0);
    setBoxmode2_ch1_frm_load(0);
    setBoxmode2_ch1_input(0);
    setBoxmode2_ch1_range(0);

    setBoxmode2_ch2_1dlut1_state(0);
    setBoxmode2_ch2_1dlut1_load(0);
    setBoxmode2_ch2_1dlut2_state(0);
    setBoxmode2_ch2_1dlut2_load(0);
    setBoxmode2_ch2_3dlut_state(0);
    setBoxmode2_ch2_3dlut_load(0);
    setBoxmode2_ch2_input(0);
    setBoxmode2_ch2_range(0);

    setBox_lut_interpolation(1);

    setBoxmode3_ch1_1dlut1_state(0);
    setBoxmode3_ch1_1dlut1_load(0);
    setBoxmode3_ch1_1dlut2_state(0);
    setBoxmode3_ch1_1dlut2_load(0);
    setBoxmode3_ch1_3dlut_state(0);
    setBoxmode3_ch1_3dlut_load(0);
    setBoxmode3_ch1_frm_state(0);
    setBoxmode3_ch1_frm_load(0);
    setBoxmode3_input_type(0);
    setBoxmode3_ch1_range(0);
    setBoxmode3_output_type(0);
    setBoxmode3_output_form(0);
}

void Cubrix::socketStateChanged(QTcpSocket::SocketState state)
{
    switch (state) {
    case QAbstractSocket::UnconnectedState:
        qDebug() << "Cubrix Class: State Disconnected" << "socketStateChanged" << Qt::endl;
        // A re-query due after a key press belongs to the connection that ended.
        m_queryTimer->stop();
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
    queryBasicInfo(InfoModeAndChannel);
    queryBasicInfo(InfoLutInterpolation);
    qDebug() << "timer out handler, send query2";
}

void Cubrix::queryBasicInfo(quint16 request)
{
    appendCmd(BasicInfoProtocol, request);
}

void Cubrix::queueChannelQuery(ChannelQuery kind)
{
    switch (m_box_mode) {
    case 1:
        queryBasicInfo(InfoMode1Channel1);
        break;
    case 2:
        if (m_box_ch == 1)
            queryBasicInfo(InfoMode2Channel1);
        else if (m_box_ch == 2)
            queryBasicInfo(InfoMode2Channel2);
        if (kind == ChannelQuery::ChannelWithMode3)
            queryBasicInfo(InfoMode3Channel1);
        break;
    case 3:
        if (kind != ChannelQuery::InputOnly)
            queryBasicInfo(InfoMode3Channel1);
        break;
    default:
        break;
    }
}

void Cubrix::queueFrameQuery()
{
    if (m_box_mode == 1)
        queryBasicInfo(InfoMode1Frame);
    else if (m_box_mode == 2 && m_box_ch == 1)
        queryBasicInfo(InfoMode2Frame);
    else if (m_box_mode == 3)
        queryBasicInfo(InfoMode3Frame);
}

void Cubrix::queueGeneratorQuery()
{
    queryBasicInfo(InfoGenerator);
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
    case BasicInfoProtocol: processBasicInfo(payload); break;
    case ChannelInfoProtocol: processChannelInfo(payload); break;
    case FrameDataProtocol: processFrameData(payload); break;
    case AnciProtocol: processAnciData(payload); break;
    case ScopeProtocol: processScopeData(payload); break;
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
    case InfoModel: setModel(mncp_string(payload)); break;
    case InfoVersion: setVersion(mncp_string(payload)); break;
    case InfoSerial: setSerial(mncp_string(payload)); break;
    case InfoChannelCount: processChannels(payload); break;
    case InfoPortCount: setPortNum(be32(payload, 0).value_or(0)); break;
    case InfoModeAndChannel:
        setBoxMode(word16(payload, 0));
        setBoxCh(word16(payload, 2));
        break;
    case InfoMode1LutFormat1D:
    case InfoMode1LutFormat3D:
    case InfoMode2LutFormat1D:
    case InfoMode2LutFormat3D:
    case InfoMode3LutFormat1D:
    case InfoMode3LutFormat3D:
        processLutFormat(payload);
        break;
    case InfoMode1Channel1:
    case InfoMode2Channel1:
    case InfoMode2Channel2:
    case InfoMode3Channel1:
        processChannelBlock(payload);
        break;
    case InfoGenerator:
        // Word 1 carries nothing the program uses.
        setBoxmode3_input_type(word16(payload, 0));
        setBoxmode3_output_type(word16(payload, 4));
        setBoxmode3_output_form(word16(payload, 6));
        break;
    case InfoMode1Frame:
        setBoxmode1_ch1_frm_state(word16(payload, 0));
        setBoxmode1_ch1_frm_load(word16(payload, 2));
        break;
    case InfoMode2Frame:
        setBoxmode2_ch1_frm_state(word16(payload, 0));
        setBoxmode2_ch1_frm_load(word16(payload, 2));
        break;
    case InfoMode3Frame:
        setBoxmode3_ch1_frm_state(word16(payload, 0));
        setBoxmode3_ch1_frm_load(word16(payload, 2));
        break;
    case InfoMode1Signal: {
        const int signal = be16s(payload, 0).value_or(0);
        setBoxmode1_ch1_signal(signal);
        qDebug() << "process mode1ch1 default-input = " << signal;
        break;
    }
    case InfoAnci: {
        const int on = word16(payload, 0);
        setBoxAnci(on);
        qDebug() << "anci on= " << on << " count= " << word16(payload, 2);
        break;
    }
    case InfoLutInterpolation: setBox_lut_interpolation(be32(payload, 0).value_or(0)); break;
    default: break;
    }
}

void Cubrix::processChannels(const QByteArray &payload)
{
    setChannelNum(be32(payload, 0).value_or(0));
    // ChannelList bounds the count: a channel index is one byte on the wire.
    const QList<int> created = m_channels.create(this, m_channel_num);
    for (int id : created)
        qDebug("%s: - Appending CHannel: 0x%x -", "processChannels", id);
    emit channelsChanged();
}

void Cubrix::processLutFormat(const QByteArray &payload)
{
    struct Field {
        int Cubrix::*member;
        void (Cubrix::*changed)();
    };
    static const Field mode1[] = {
        {&Cubrix::m_boxmode1_1dlut_inbit, &Cubrix::boxmode1_1dlut_inbitChanged},
        {&Cubrix::m_boxmode1_1dlut_outbit, &Cubrix::boxmode1_1dlut_outbitChanged},
        {&Cubrix::m_boxmode1_3dlut_inbit, &Cubrix::boxmode1_3dlut_inbitChanged},
        {&Cubrix::m_boxmode1_3dlut_outbit, &Cubrix::boxmode1_3dlut_outbitChanged},
        {&Cubrix::m_boxmode1_3dlut_size, &Cubrix::boxmode1_3dlut_sizeChanged},
    };
    static const Field mode2[] = {
        {&Cubrix::m_boxmode2_1dlut_inbit, &Cubrix::boxmode2_1dlut_inbitChanged},
        {&Cubrix::m_boxmode2_1dlut_outbit, &Cubrix::boxmode2_1dlut_outbitChanged},
        {&Cubrix::m_boxmode2_3dlut_inbit, &Cubrix::boxmode2_3dlut_inbitChanged},
        {&Cubrix::m_boxmode2_3dlut_outbit, &Cubrix::boxmode2_3dlut_outbitChanged},
        {&Cubrix::m_boxmode2_3dlut_size, &Cubrix::boxmode2_3dlut_sizeChanged},
    };
    static const Field mode3[] = {
        {&Cubrix::m_boxmode3_1dlut_inbit, &Cubrix::boxmode3_1dlut_inbitChanged},
        {&Cubrix::m_boxmode3_1dlut_outbit, &Cubrix::boxmode3_1dlut_outbitChanged},
        {&Cubrix::m_boxmode3_3dlut_inbit, &Cubrix::boxmode3_3dlut_inbitChanged},
        {&Cubrix::m_boxmode3_3dlut_outbit, &Cubrix::boxmode3_3dlut_outbitChanged},
        {&Cubrix::m_boxmode3_3dlut_size, &Cubrix::boxmode3_3dlut_sizeChanged},
    };

    const Field *fields = nullptr;
    int count = 0;
    switch (m_lastReplyHeader.request) {
    case InfoMode1LutFormat1D: fields = mode1; count = 2; break;
    case InfoMode1LutFormat3D: fields = mode1 + 2; count = 3; break;
    case InfoMode2LutFormat1D: fields = mode2; count = 2; break;
    case InfoMode2LutFormat3D: fields = mode2 + 2; count = 3; break;
    case InfoMode3LutFormat1D: fields = mode3; count = 2; break;
    case InfoMode3LutFormat3D: fields = mode3 + 2; count = 3; break;
    default: return;
    }
    // These words are little-endian on the wire, and QML relies on hearing every report.
    for (int i = 0; i < count; ++i) {
        this->*(fields[i].member) = le32(payload, 4 * i).value_or(0);
        emit(this->*(fields[i].changed))();
    }
}

void Cubrix::processChannelBlock(const QByteArray &payload)
{
    using Setter = void (Cubrix::*)(int);
    struct Block {
        Setter lut1State, lut1Load, lut3dState, lut3dLoad, lut2State, lut2Load, input, range;
    };
    static const Block mode1ch1{&Cubrix::setBoxmode1_ch1_1dlut1_state, &Cubrix::setBoxmode1_ch1_1dlut1_load,
                                &Cubrix::setBoxmode1_ch1_3dlut_state,  &Cubrix::setBoxmode1_ch1_3dlut_load,
                                &Cubrix::setBoxmode1_ch1_1dlut2_state, &Cubrix::setBoxmode1_ch1_1dlut2_load,
                                &Cubrix::setBoxmode1_ch1_input,        &Cubrix::setBoxmode1_ch1_range};
    static const Block mode2ch1{&Cubrix::setBoxmode2_ch1_1dlut1_state, &Cubrix::setBoxmode2_ch1_1dlut1_load,
                                &Cubrix::setBoxmode2_ch1_3dlut_state,  &Cubrix::setBoxmode2_ch1_3dlut_load,
                                &Cubrix::setBoxmode2_ch1_1dlut2_state, &Cubrix::setBoxmode2_ch1_1dlut2_load,
                                &Cubrix::setBoxmode2_ch1_input,        &Cubrix::setBoxmode2_ch1_range};
    static const Block mode2ch2{&Cubrix::setBoxmode2_ch2_1dlut1_state, &Cubrix::setBoxmode2_ch2_1dlut1_load,
                                &Cubrix::setBoxmode2_ch2_3dlut_state,  &Cubrix::setBoxmode2_ch2_3dlut_load,
                                &Cubrix::setBoxmode2_ch2_1dlut2_state, &Cubrix::setBoxmode2_ch2_1dlut2_load,
                                &Cubrix::setBoxmode2_ch2_input,        &Cubrix::setBoxmode2_ch2_range};
    // The generator has no input to select: word 6 is ignored in mode 3.
    static const Block mode3ch1{&Cubrix::setBoxmode3_ch1_1dlut1_state, &Cubrix::setBoxmode3_ch1_1dlut1_load,
                                &Cubrix::setBoxmode3_ch1_3dlut_state,  &Cubrix::setBoxmode3_ch1_3dlut_load,
                                &Cubrix::setBoxmode3_ch1_1dlut2_state, &Cubrix::setBoxmode3_ch1_1dlut2_load,
                                nullptr,                               &Cubrix::setBoxmode3_ch1_range};

    const Block *block = nullptr;
    switch (m_lastReplyHeader.request) {
    case InfoMode1Channel1: block = &mode1ch1; break;
    case InfoMode2Channel1: block = &mode2ch1; break;
    case InfoMode2Channel2: block = &mode2ch2; break;
    case InfoMode3Channel1: block = &mode3ch1; break;
    default: return;
    }

    // Wire order is front 1D, 3D, back 1D; the fields are applied, and so signalled, as
    // front 1D, back 1D, 3D, input, range.
    const struct {
        int word;
        Setter setter;
    } fields[] = {
        {0, block->lut1State}, {1, block->lut1Load},  {4, block->lut2State}, {5, block->lut2Load},
        {2, block->lut3dState}, {3, block->lut3dLoad}, {6, block->input},     {7, block->range},
    };
    for (const auto &field : fields) {
        if (field.setter)
            (this->*field.setter)(word16(payload, 2 * field.word));
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
    if (m_box_mode == 1)
        range = m_boxmode1_ch1_range;
    else if (m_box_mode == 2 && m_box_ch == 1)
        range = m_boxmode2_ch1_range;
    else if (m_box_mode == 2 && m_box_ch == 2)
        range = m_boxmode2_ch2_range;
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

// LUT protocol by type and function; a 3D BOX LUT exists only as a slot to load.
std::optional<quint16> lutProtocol(int type, int func, bool allow3dBox)
{
    if (type == Cubrix::LUT_TYPE_1D && func >= Cubrix::LUT_FUNC_CALIBRATION && func <= Cubrix::LUT_FUNC_BOX)
        return static_cast<quint16>(0x0300 + func);
    if (type == Cubrix::LUT_TYPE_3D) {
        if (func == Cubrix::LUT_FUNC_CALIBRATION || func == Cubrix::LUT_FUNC_DIT)
            return static_cast<quint16>(0x0310 + func);
        if (func == Cubrix::LUT_FUNC_BOX && allow3dBox)
            return quint16(0x0311);
    }
    return std::nullopt;
}

bool isLutType(int type) { return type == Cubrix::LUT_TYPE_1D || type == Cubrix::LUT_TYPE_3D; }

} // namespace

void Cubrix::sendKey(DeviceBase::mncp_key_code key)
{
    appendCmd(KeyProtocol, static_cast<quint16>(key));

    switch (key) {
    case MNCP_KEY_INPUT0:
    case MNCP_KEY_INPUT1:
    case MNCP_KEY_INPUT2:
        queueChannelQuery(ChannelQuery::InputOnly);
        break;
    case MNCP_KEY_CH_1:
    case MNCP_KEY_CH_2:
        queryBasicInfo(InfoModeAndChannel);
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
    static const int rotaryBase[] = {0x40, 0x50, 0x60}; // push, clockwise, counter-clockwise
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
    if (const auto protocol = lutProtocol(type, func, false))
        appendCmd(*protocol, static_cast<quint16>(id | (on ? OpSwitchOn : OpSwitchOff)));
    else
        qDebug() << "Unknown lut func: " << int(func);
    queueChannelQuery(ChannelQuery::Channel);
}

void Cubrix::loadLut(LutType type, LutFunc func, int id)
{
    if (!isLutType(type)) {
        qDebug() << "Unknown type: " << int(type);
        return;
    }
    const auto protocol = lutProtocol(type, func, true);
    if (!protocol)
        return;
    appendCmd(*protocol, static_cast<quint16>(id | OpLoad));
    if (func != LUT_FUNC_CALIBRATION)
        queueChannelQuery(ChannelQuery::ChannelWithMode3);
}

void Cubrix::setFrame(int id, bool on)
{
    appendCmd(FrameSlotProtocol, static_cast<quint16>(id | (on ? OpSwitchOn : OpSwitchOff)));
    queueFrameQuery();
    qDebug() << "set frame id :" << id << "set :" << (on ? "true" : "false");
}

void Cubrix::loadFrame(int id)
{
    appendCmd(FrameSlotProtocol, static_cast<quint16>(id | OpLoad));
    queueFrameQuery();
    qDebug() << "load frame id :" << id;
}

void Cubrix::setRange(int range)
{
    qDebug() << "set range = " << range;
    if (range < 1 || range > 4)
        return;
    appendCmd(RangeProtocol, static_cast<quint16>(range));
    queueChannelQuery(ChannelQuery::ChannelWithMode3);
}

void Cubrix::setInputRange(int input, int rangelut)
{
    quint16 request = 0;
    switch (input) {
    case 1: request = 0x0001; break;
    case 2: request = 0x0002; break;
    case 3: request = 0x0004; break;
    default: return;
    }
    if (rangelut != 0)
        request |= 0x0010;
    appendCmd(RangeProtocol, request);
    queueChannelQuery(ChannelQuery::ChannelWithMode3);
}

void Cubrix::setInputSignal(int input)
{
    // Only single-channel mode has a selectable input signal format.
    if (m_box_mode != 1)
        return;
    appendCmd(InputSignalProtocol, static_cast<quint16>(input));
    queryBasicInfo(InfoMode1Signal);
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
    appendCmd(GeneratorProtocol, request, payload);
    queueGeneratorQuery();
}

void Cubrix::setSignalRGB(int r, int g, int b)
{
    sendPackedColour(0x0001, r, g, b);
}

void Cubrix::setSignalYCbCr(int y, int cb, int cr)
{
    sendPackedColour(0x0002, y, cb, cr);
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
    appendCmd(GeneratorProtocol, 0x0003, payload);
    queueGeneratorQuery();
}

void Cubrix::setSignalForm(int output_form)
{
    qDebug() << "set sg output_form = " << output_form;
    if (output_form < 1 || output_form > 4)
        return;
    QByteArray payload;
    appendBe32(payload, static_cast<quint32>(output_form));
    appendCmd(GeneratorProtocol, 0x0004, payload);
    queueGeneratorQuery();
}

void Cubrix::setAnci(int option)
{
    qDebug() << "set anci = " << option;
    switch (option) {
    case 0:
        appendCmd(AnciProtocol, 0x0000);
        queryBasicInfo(InfoAnci);
        qDebug() << "set anci OFF";
        break;
    case 1:
        appendCmd(AnciProtocol, 0x0001);
        queryBasicInfo(InfoAnci);
        qDebug() << "set anci ON";
        break;
    case 2:
        appendCmd(AnciProtocol, 0x0002);
        qDebug() << "set anci State";
        break;
    case 3:
        appendCmd(AnciProtocol, 0x0003);
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
    appendCmd(AnciProtocol, 0x0004, payload);
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
}
