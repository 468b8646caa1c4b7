#pragma once

#include "capture/captureframe.h"
#include "device/assignnotify.h"
#include "device/channellist.h"
#include "device/devicebase.h"
#include "mncp/mncpids.h"
#include "mncp/mncpprotocol.h"
#include "scope/scopestream.h"

#include <QByteArray>
#include <QPointer>
#include <QQmlListProperty>
#include <QString>
#include <QTcpSocket>
#include <QUrl>
#include <optional>

class QTimer;

// One int property of the box state on one line: the property, its getter, and a setter that
// stores into the grouped state and notifies only on a change. The notify signals are declared
// one per line among the signals, whose order differs from the properties'.
#define CUBRIX_STATE(name, member)                                                                 \
    Q_PROPERTY(int name READ name WRITE set_##name NOTIFY name##Changed)                           \
    int name() const { return member; }                                                            \
    void set_##name(int value) { assignNotify(this, member, value, &Cubrix::name##Changed); }
// The same with a setter of its own in cubrix.cpp.
#define CUBRIX_STATE_OWN_SETTER(name, member)                                                      \
    Q_PROPERTY(int name READ name WRITE set_##name NOTIFY name##Changed)                           \
    int name() const { return member; }                                                            \
    void set_##name(int value);

// The Cubrix LUT box: learns the box state (modes, channels, LUT and frame slots, ranges,
// signal formats, test pattern generator) from basic-info replies, and turns QML calls into
// key presses, LUT/frame slot commands and LUT/frame uploads.
class Cubrix : public DeviceBase
{
    Q_OBJECT
    Q_PROPERTY(ScopeStream *cScopeStream READ cScopeStream NOTIFY cScopeStreamChanged)
    Q_PROPERTY(CaptureFrame *cCaptureFrame READ cCaptureFrame NOTIFY cCaptureFrameChanged)
    Q_PROPERTY(QString model READ model WRITE setModel NOTIFY modelChanged)
    Q_PROPERTY(QString serial READ serial WRITE setSerial NOTIFY serialChanged)
    Q_PROPERTY(QString version READ version WRITE setVersion NOTIFY versionChanged)
    Q_PROPERTY(QQmlListProperty<ChannelInfo> channels READ channels NOTIFY channelsChanged)
    Q_PROPERTY(int port_num READ portNum WRITE setPortNum NOTIFY portNumChanged)
    Q_PROPERTY(int channel_num READ channelNum WRITE setChannelNum NOTIFY channelNumChanged)
    Q_PROPERTY(QTcpSocket::SocketState state READ state NOTIFY stateChanged)
    Q_PROPERTY(int protocol_major READ protocolMajor CONSTANT)
    Q_PROPERTY(int protocol_minor READ protocolMinor CONSTANT)
    Q_PROPERTY(int box_mode READ boxMode WRITE setBoxMode NOTIFY boxModeChanged)
    Q_PROPERTY(int box_ch READ boxCh WRITE setBoxCh NOTIFY boxChChanged)
    Q_PROPERTY(int box_anci READ boxAnci WRITE setBoxAnci NOTIFY boxAnciChanged)
    Q_PROPERTY(int box_lut_interpolation READ box_lut_interpolation WRITE setBox_lut_interpolation NOTIFY boxLutInterpolationChanged)
    Q_PROPERTY(int cube_bit_def READ cubeBitDef WRITE setCube NOTIFY cubeBitDefChanged)

public:
    enum LutType { LUT_TYPE_1D = 0, LUT_TYPE_3D = 1 };
    Q_ENUM(LutType)
    enum LutFunc { LUT_FUNC_CALIBRATION = 0, LUT_FUNC_DIT = 1, LUT_FUNC_BOX = 2 };
    Q_ENUM(LutFunc)

    // The registerFeature type of the frame capture item.
    static constexpr int CaptureFrameFeature = 2;
    static constexpr int QueryTimerInterval = 500;

    explicit Cubrix(QObject *parent = nullptr);
    ~Cubrix() override;

    ScopeStream *cScopeStream() { return &m_scopeStream; }
    CaptureFrame *cCaptureFrame() const { return m_captureFrame; }
    QString model() const { return m_model; }
    QString serial() const { return m_serial; }
    QString version() const { return m_version; }
    QQmlListProperty<ChannelInfo> channels() { return m_channels.listProperty(this); }
    const ChannelList &channelList() const { return m_channels; }
    int portNum() const { return m_portNum; }
    int channelNum() const { return m_channelNum; }
    int protocolMajor() const { return 1; }
    int protocolMinor() const { return 6; }
    int boxMode() const { return m_boxMode; }
    int boxCh() const { return m_boxCh; }
    int boxAnci() const { return m_boxAnci; }
    int box_lut_interpolation() const { return m_lutInterpolation; }
    int cubeBitDef() const { return m_cubeBitDef; }

    void setModel(const QString &value) { assignNotify(this, m_model, value, &Cubrix::modelChanged); }
    void setSerial(const QString &value) { assignNotify(this, m_serial, value, &Cubrix::serialChanged); }
    void setVersion(const QString &value) { assignNotify(this, m_version, value, &Cubrix::versionChanged); }
    void setPortNum(int value) { assignNotify(this, m_portNum, value, &Cubrix::portNumChanged); }
    void setChannelNum(int value) { assignNotify(this, m_channelNum, value, &Cubrix::channelNumChanged); }
    void setBoxMode(int value);
    void setBoxCh(int value) { assignNotify(this, m_boxCh, value, &Cubrix::boxChChanged); }
    void setBoxAnci(int value) { assignNotify(this, m_boxAnci, value, &Cubrix::boxAnciChanged); }
    void setBox_lut_interpolation(int value);

    // The box state per mode and channel, in the order QML sees the properties.
    CUBRIX_STATE(boxmode1_1dlut_inbit, m_lutFormat[0][In1d])
    CUBRIX_STATE(boxmode1_1dlut_outbit, m_lutFormat[0][Out1d])
    CUBRIX_STATE(boxmode1_3dlut_inbit, m_lutFormat[0][In3d])
    CUBRIX_STATE(boxmode1_3dlut_outbit, m_lutFormat[0][Out3d])
    CUBRIX_STATE(boxmode1_3dlut_size, m_lutFormat[0][Size3d])
    CUBRIX_STATE(boxmode2_1dlut_inbit, m_lutFormat[1][In1d])
    CUBRIX_STATE(boxmode2_1dlut_outbit, m_lutFormat[1][Out1d])
    CUBRIX_STATE(boxmode2_3dlut_inbit, m_lutFormat[1][In3d])
    CUBRIX_STATE(boxmode2_3dlut_outbit, m_lutFormat[1][Out3d])
    CUBRIX_STATE(boxmode2_3dlut_size, m_lutFormat[1][Size3d])
    CUBRIX_STATE(boxmode3_1dlut_inbit, m_lutFormat[2][In1d])
    CUBRIX_STATE(boxmode3_1dlut_outbit, m_lutFormat[2][Out1d])
    CUBRIX_STATE(boxmode3_3dlut_inbit, m_lutFormat[2][In3d])
    CUBRIX_STATE(boxmode3_3dlut_outbit, m_lutFormat[2][Out3d])
    CUBRIX_STATE(boxmode3_3dlut_size, m_lutFormat[2][Size3d])
    CUBRIX_STATE(boxmode1_ch1_1dlut1_state, m_mode1Ch1.lut1State)
    CUBRIX_STATE(boxmode1_ch1_1dlut1_load, m_mode1Ch1.lut1Load)
    CUBRIX_STATE(boxmode1_ch1_1dlut2_state, m_mode1Ch1.lut2State)
    CUBRIX_STATE(boxmode1_ch1_1dlut2_load, m_mode1Ch1.lut2Load)
    CUBRIX_STATE(boxmode1_ch1_3dlut_state, m_mode1Ch1.lut3dState)
    CUBRIX_STATE(boxmode1_ch1_3dlut_load, m_mode1Ch1.lut3dLoad)
    CUBRIX_STATE_OWN_SETTER(boxmode1_ch1_frm_state, m_mode1Ch1.frameState)
    CUBRIX_STATE(boxmode1_ch1_frm_load, m_mode1Ch1.frameLoad)
    CUBRIX_STATE(boxmode1_ch1_input, m_mode1Ch1.input)
    CUBRIX_STATE(boxmode1_ch1_range, m_mode1Ch1.range)
    CUBRIX_STATE(boxmode1_ch1_signal, m_mode1Signal)
    CUBRIX_STATE(boxmode2_ch1_1dlut1_state, m_mode2Ch1.lut1State)
    CUBRIX_STATE(boxmode2_ch1_1dlut1_load, m_mode2Ch1.lut1Load)
    CUBRIX_STATE(boxmode2_ch1_1dlut2_state, m_mode2Ch1.lut2State)
    CUBRIX_STATE(boxmode2_ch1_1dlut2_load, m_mode2Ch1.lut2Load)
    CUBRIX_STATE(boxmode2_ch1_3dlut_state, m_mode2Ch1.lut3dState)
    CUBRIX_STATE(boxmode2_ch1_3dlut_load, m_mode2Ch1.lut3dLoad)
    CUBRIX_STATE(boxmode2_ch1_frm_state, m_mode2Ch1.frameState)
    CUBRIX_STATE(boxmode2_ch1_frm_load, m_mode2Ch1.frameLoad)
    CUBRIX_STATE(boxmode2_ch1_input, m_mode2Ch1.input)
    CUBRIX_STATE(boxmode2_ch1_range, m_mode2Ch1.range)
    CUBRIX_STATE(boxmode2_ch2_1dlut1_state, m_mode2Ch2.lut1State)
    CUBRIX_STATE(boxmode2_ch2_1dlut1_load, m_mode2Ch2.lut1Load)
    CUBRIX_STATE(boxmode2_ch2_1dlut2_state, m_mode2Ch2.lut2State)
    CUBRIX_STATE(boxmode2_ch2_1dlut2_load, m_mode2Ch2.lut2Load)
    CUBRIX_STATE(boxmode2_ch2_3dlut_state, m_mode2Ch2.lut3dState)
    CUBRIX_STATE(boxmode2_ch2_3dlut_load, m_mode2Ch2.lut3dLoad)
    CUBRIX_STATE(boxmode2_ch2_input, m_mode2Ch2.input)
    CUBRIX_STATE(boxmode2_ch2_range, m_mode2Ch2.range)
    CUBRIX_STATE(boxmode3_ch1_1dlut1_state, m_mode3Ch1.lut1State)
    CUBRIX_STATE(boxmode3_ch1_1dlut1_load, m_mode3Ch1.lut1Load)
    CUBRIX_STATE(boxmode3_ch1_1dlut2_state, m_mode3Ch1.lut2State)
    CUBRIX_STATE(boxmode3_ch1_1dlut2_load, m_mode3Ch1.lut2Load)
    CUBRIX_STATE(boxmode3_ch1_3dlut_state, m_mode3Ch1.lut3dState)
    CUBRIX_STATE(boxmode3_ch1_frm_state, m_mode3Ch1.frameState)
    CUBRIX_STATE(boxmode3_ch1_frm_load, m_mode3Ch1.frameLoad)
    CUBRIX_STATE(boxmode3_ch1_3dlut_load, m_mode3Ch1.lut3dLoad)
    CUBRIX_STATE(boxmode3_ch1_range, m_mode3Ch1.range)
    CUBRIX_STATE(boxmode3_input_type, m_generator.inputType)
    CUBRIX_STATE(boxmode3_output_type, m_generator.outputType)
    CUBRIX_STATE(boxmode3_output_form, m_generator.outputForm)

    const QTimer *queryTimer() const { return m_queryTimer; }
    const mncp_protocol_header &lastReplyHeader() const { return m_lastReplyHeader; }

    Q_INVOKABLE void loadLut(LutType type, LutFunc func, int id);
    Q_INVOKABLE void sendKey(DeviceBase::mncp_key_code key);
    Q_INVOKABLE void sendRotary(int type, int number);
    Q_INVOKABLE void sendLutArray(LutType type, LutFunc func, int id, QString array, int bitsize);
    Q_INVOKABLE void saveLutArray(LutType type, LutFunc func, int id, QString array, int bitsize);
    Q_INVOKABLE void sendLutFile(LutType type, LutFunc func, int id, QUrl url, int bitsize);
    Q_INVOKABLE void sendLutFileDownsample(LutType type, LutFunc func, int id, QUrl url, int bitsize);
    Q_INVOKABLE void sendLutFileUpsample(LutType type, LutFunc func, int id, QUrl url, int bitsize);
    Q_INVOKABLE void saveLutFile(LutType type, LutFunc func, int id, QUrl url, int bitsize);
    Q_INVOKABLE void saveLutFileDownsample(LutType type, LutFunc func, int id, QUrl url, int bitsize);
    Q_INVOKABLE void saveLutFileUpsample(LutType type, LutFunc func, int id, QUrl url, int bitsize);
    Q_INVOKABLE void setLut(LutType type, LutFunc func, int id, bool on);
    Q_INVOKABLE void setCube(int set);
    Q_INVOKABLE void sendFrame(int id, QUrl url);
    Q_INVOKABLE void saveFrame(int id, QUrl url);
    Q_INVOKABLE void loadFrame(int id);
    Q_INVOKABLE void setFrame(int id, bool on);
    // setUMD, setTally, updateFirmware, setUserIP, setUserWIFI and setWiFi: DeviceBase.
    Q_INVOKABLE void setInputRange(int input, int rangelut);
    Q_INVOKABLE void setInputSignal(int input);
    Q_INVOKABLE void setRange(int range);
    Q_INVOKABLE void setSignalRGB(int r, int g, int b);
    Q_INVOKABLE void setSignalYCbCr(int y, int cb, int cr);
    Q_INVOKABLE void setSignalOut(int output_type);
    Q_INVOKABLE void setSignalForm(int output_form);
    Q_INVOKABLE void setAnci(int option);
    Q_INVOKABLE void captureAnci(QString id);
    Q_INVOKABLE void captureAnci(QString id, int index);
    Q_INVOKABLE void sendFrameFile(QUrl url);
    Q_INVOKABLE QString getProtocolMessage(int protocol);
    Q_INVOKABLE void registerFeature(CaptureFrame *feature, int type);

    void processReply(QByteArray &payload, mncp_protocol_header &header) override;

public slots:
    // Queues the state sweep; runs on every connection and when the tab regains focus.
    void onGuiFocus();

signals:
    void cScopeStreamChanged();
    void cCaptureFrameChanged();
    void modelChanged();
    void serialChanged();
    void versionChanged();
    void portNumChanged();
    void channelNumChanged();
    void channelsChanged();
    void destroyChannel();
    void anciCaptured(QByteArray data, int type);
    void frameClear();
    void boxModeChanged();
    void boxChChanged();
    void boxAnciChanged();
    void boxLutInterpolationChanged();
    void cubeBitDefChanged();
    void stateChanged(QTcpSocket::SocketState state);
    void boxmode1_1dlut_inbitChanged();
    void boxmode1_1dlut_outbitChanged();
    void boxmode1_3dlut_inbitChanged();
    void boxmode1_3dlut_outbitChanged();
    void boxmode1_3dlut_sizeChanged();
    void boxmode2_1dlut_inbitChanged();
    void boxmode2_1dlut_outbitChanged();
    void boxmode2_3dlut_inbitChanged();
    void boxmode2_3dlut_outbitChanged();
    void boxmode2_3dlut_sizeChanged();
    void boxmode3_1dlut_inbitChanged();
    void boxmode3_1dlut_outbitChanged();
    void boxmode3_3dlut_inbitChanged();
    void boxmode3_3dlut_outbitChanged();
    void boxmode3_3dlut_sizeChanged();
    void boxmode1_ch1_1dlut1_stateChanged();
    void boxmode1_ch1_1dlut1_loadChanged();
    void boxmode1_ch1_1dlut2_stateChanged();
    void boxmode1_ch1_1dlut2_loadChanged();
    void boxmode1_ch1_3dlut_stateChanged();
    void boxmode1_ch1_3dlut_loadChanged();
    void boxmode1_ch1_frm_stateChanged();
    void boxmode1_ch1_frm_loadChanged();
    void boxmode1_ch1_inputChanged();
    void boxmode1_ch1_rangeChanged();
    void boxmode1_ch1_signalChanged();
    void boxmode2_ch1_1dlut1_stateChanged();
    void boxmode2_ch1_1dlut1_loadChanged();
    void boxmode2_ch1_1dlut2_stateChanged();
    void boxmode2_ch1_1dlut2_loadChanged();
    void boxmode2_ch1_3dlut_stateChanged();
    void boxmode2_ch1_3dlut_loadChanged();
    void boxmode2_ch1_frm_stateChanged();
    void boxmode2_ch1_frm_loadChanged();
    void boxmode2_ch1_inputChanged();
    void boxmode2_ch1_rangeChanged();
    void boxmode2_ch2_1dlut1_stateChanged();
    void boxmode2_ch2_1dlut1_loadChanged();
    void boxmode2_ch2_1dlut2_stateChanged();
    void boxmode2_ch2_1dlut2_loadChanged();
    void boxmode2_ch2_3dlut_stateChanged();
    void boxmode2_ch2_3dlut_loadChanged();
    void boxmode2_ch2_inputChanged();
    void boxmode2_ch2_rangeChanged();
    void boxmode3_ch1_1dlut1_stateChanged();
    void boxmode3_ch1_1dlut1_loadChanged();
    void boxmode3_ch1_1dlut2_stateChanged();
    void boxmode3_ch1_1dlut2_loadChanged();
    void boxmode3_ch1_3dlut_stateChanged();
    void boxmode3_ch1_3dlut_loadChanged();
    void boxmode3_ch1_frm_stateChanged();
    void boxmode3_ch1_frm_loadChanged();
    void boxmode3_ch1_rangeChanged();
    void boxmode3_input_typeChanged();
    void boxmode3_output_typeChanged();
    void boxmode3_output_formChanged();

protected slots:
    void socketStateChanged(QTcpSocket::SocketState state) override;

private slots:
    void timerOut();

private:
    enum class ChannelQuery { InputOnly, Channel, ChannelWithMode3 };
    enum class Resample { None, Down, Up };

    void resetToDefaults();

    void queryBasicInfo(quint16 request);
    void queueChannelQuery(ChannelQuery kind);
    void queueFrameQuery();
    void queueGeneratorQuery();
    void stopScopesIfPlaying();

    void processBasicInfo(const QByteArray &payload);
    void processChannels(const QByteArray &payload);
    void processLutFormat(const QByteArray &payload);
    void processChannelInfo(const QByteArray &payload);
    void processFrameData(const QByteArray &payload);
    void processAnciData(const QByteArray &payload);
    void processScopeData(const QByteArray &payload);

    static std::optional<quint16> lutProtocol(int type, int func, mncp_lut_use use);
    static QString lutName(LutType type, LutFunc func);
    void queueLutTransfer(LutType type, LutFunc func, quint16 operation, int id, int bitsize,
                          const QByteArray &data, const char *unknownTypeText);
    void transferLutFile(const char *operationName, quint16 operation, Resample resample, LutType type,
                         LutFunc func, int id, const QUrl &url, int bitsize);
    void transferFrame(quint16 operation, int id, const QUrl &url);
    void sendPackedColour(quint16 request, int first, int second, int third);
    void captureAnciPacket(const QString &id, std::optional<int> index);

    // The words of a LUT format reply, in wire order: 1D in and out bits, 3D in and out bits, 3D size.
    enum LutFormatWord { In1d, Out1d, In3d, Out3d, Size3d, LutFormatWords };
    // The slots, input and range of one channel in one mode.
    struct ChannelState {
        int lut1State = 0, lut1Load = 0, lut2State = 0, lut2Load = 0, lut3dState = 0, lut3dLoad = 0;
        int frameState = 0, frameLoad = 0, input = 0, range = 0;
    };
    struct Generator {
        int inputType = 0, outputType = 0, outputForm = 0;
    };

    QString m_model;
    QString m_serial;
    QString m_version;
    int m_portNum = 0;
    int m_channelNum = 0;
    int m_boxCh = 0;
    int m_boxMode = 0;
    int m_boxAnci = 0;
    int m_cubeBitDef = 0;
    int m_lutFormat[3][LutFormatWords] = {}; // per mode
    static void (Cubrix::*const LutFormatSignals[3][LutFormatWords])();
    ChannelState m_mode1Ch1;
    ChannelState m_mode2Ch1;
    ChannelState m_mode2Ch2;
    ChannelState m_mode3Ch1;
    Generator m_generator;
    int m_mode1Signal = 0;
    int m_lutInterpolation = 0;
    QTimer *m_queryTimer = nullptr;
    mncp_protocol_header m_lastReplyHeader{};
    ChannelList m_channels;
    ScopeStream m_scopeStream;
    // Owned by QML, which may destroy it before this device: guarded, never dangling.
    QPointer<CaptureFrame> m_captureFrame;
};
