#pragma once

#include "capture/captureframe.h"
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
    Q_PROPERTY(int boxmode1_1dlut_inbit READ boxmode1_1dlut_inbit WRITE setBoxmode1_1dlut_inbit NOTIFY boxmode1_1dlut_inbitChanged)
    Q_PROPERTY(int boxmode1_1dlut_outbit READ boxmode1_1dlut_outbit WRITE setBoxmode1_1dlut_outbit NOTIFY boxmode1_1dlut_outbitChanged)
    Q_PROPERTY(int boxmode1_3dlut_inbit READ boxmode1_3dlut_inbit WRITE setBoxmode1_3dlut_inbit NOTIFY boxmode1_3dlut_inbitChanged)
    Q_PROPERTY(int boxmode1_3dlut_outbit READ boxmode1_3dlut_outbit WRITE setBoxmode1_3dlut_outbit NOTIFY boxmode1_3dlut_outbitChanged)
    Q_PROPERTY(int boxmode1_3dlut_size READ boxmode1_3dlut_size WRITE setBoxmode1_3dlut_size NOTIFY boxmode1_3dlut_sizeChanged)
    Q_PROPERTY(int boxmode2_1dlut_inbit READ boxmode2_1dlut_inbit WRITE setBoxmode2_1dlut_inbit NOTIFY boxmode2_1dlut_inbitChanged)
    Q_PROPERTY(int boxmode2_1dlut_outbit READ boxmode2_1dlut_outbit WRITE setBoxmode2_1dlut_outbit NOTIFY boxmode2_1dlut_outbitChanged)
    Q_PROPERTY(int boxmode2_3dlut_inbit READ boxmode2_3dlut_inbit WRITE setBoxmode2_3dlut_inbit NOTIFY boxmode2_3dlut_inbitChanged)
    Q_PROPERTY(int boxmode2_3dlut_outbit READ boxmode2_3dlut_outbit WRITE setBoxmode2_3dlut_outbit NOTIFY boxmode2_3dlut_outbitChanged)
    Q_PROPERTY(int boxmode2_3dlut_size READ boxmode2_3dlut_size WRITE setBoxmode2_3dlut_size NOTIFY boxmode2_3dlut_sizeChanged)
    Q_PROPERTY(int boxmode3_1dlut_inbit READ boxmode3_1dlut_inbit WRITE setBoxmode3_1dlut_inbit NOTIFY boxmode3_1dlut_inbitChanged)
    Q_PROPERTY(int boxmode3_1dlut_outbit READ boxmode3_1dlut_outbit WRITE setBoxmode3_1dlut_outbit NOTIFY boxmode3_1dlut_outbitChanged)
    Q_PROPERTY(int boxmode3_3dlut_inbit READ boxmode3_3dlut_inbit WRITE setBoxmode3_3dlut_inbit NOTIFY boxmode3_3dlut_inbitChanged)
    Q_PROPERTY(int boxmode3_3dlut_outbit READ boxmode3_3dlut_outbit WRITE setBoxmode3_3dlut_outbit NOTIFY boxmode3_3dlut_outbitChanged)
    Q_PROPERTY(int boxmode3_3dlut_size READ boxmode3_3dlut_size WRITE setBoxmode3_3dlut_size NOTIFY boxmode3_3dlut_sizeChanged)
    Q_PROPERTY(int boxmode1_ch1_1dlut1_state READ boxmode1_ch1_1dlut1_state WRITE setBoxmode1_ch1_1dlut1_state NOTIFY boxmode1_ch1_1dlut1_stateChanged)
    Q_PROPERTY(int boxmode1_ch1_1dlut1_load READ boxmode1_ch1_1dlut1_load WRITE setBoxmode1_ch1_1dlut1_load NOTIFY boxmode1_ch1_1dlut1_loadChanged)
    Q_PROPERTY(int boxmode1_ch1_1dlut2_state READ boxmode1_ch1_1dlut2_state WRITE setBoxmode1_ch1_1dlut2_state NOTIFY boxmode1_ch1_1dlut2_stateChanged)
    Q_PROPERTY(int boxmode1_ch1_1dlut2_load READ boxmode1_ch1_1dlut2_load WRITE setBoxmode1_ch1_1dlut2_load NOTIFY boxmode1_ch1_1dlut2_loadChanged)
    Q_PROPERTY(int boxmode1_ch1_3dlut_state READ boxmode1_ch1_3dlut_state WRITE setBoxmode1_ch1_3dlut_state NOTIFY boxmode1_ch1_3dlut_stateChanged)
    Q_PROPERTY(int boxmode1_ch1_3dlut_load READ boxmode1_ch1_3dlut_load WRITE setBoxmode1_ch1_3dlut_load NOTIFY boxmode1_ch1_3dlut_loadChanged)
    Q_PROPERTY(int boxmode1_ch1_frm_state READ boxmode1_ch1_frm_state WRITE setBoxmode1_ch1_frm_state NOTIFY boxmode1_ch1_frm_stateChanged)
    Q_PROPERTY(int boxmode1_ch1_frm_load READ boxmode1_ch1_frm_load WRITE setBoxmode1_ch1_frm_load NOTIFY boxmode1_ch1_frm_loadChanged)
    Q_PROPERTY(int boxmode1_ch1_input READ boxmode1_ch1_input WRITE setBoxmode1_ch1_input NOTIFY boxmode1_ch1_inputChanged)
    Q_PROPERTY(int boxmode1_ch1_range READ boxmode1_ch1_range WRITE setBoxmode1_ch1_range NOTIFY boxmode1_ch1_rangeChanged)
    Q_PROPERTY(int boxmode1_ch1_signal READ boxmode1_ch1_signal WRITE setBoxmode1_ch1_signal NOTIFY boxmode1_ch1_signalChanged)
    Q_PROPERTY(int boxmode2_ch1_1dlut1_state READ boxmode2_ch1_1dlut1_state WRITE setBoxmode2_ch1_1dlut1_state NOTIFY boxmode2_ch1_1dlut1_stateChanged)
    Q_PROPERTY(int boxmode2_ch1_1dlut1_load READ boxmode2_ch1_1dlut1_load WRITE setBoxmode2_ch1_1dlut1_load NOTIFY boxmode2_ch1_1dlut1_loadChanged)
    Q_PROPERTY(int boxmode2_ch1_1dlut2_state READ boxmode2_ch1_1dlut2_state WRITE setBoxmode2_ch1_1dlut2_state NOTIFY boxmode2_ch1_1dlut2_stateChanged)
    Q_PROPERTY(int boxmode2_ch1_1dlut2_load READ boxmode2_ch1_1dlut2_load WRITE setBoxmode2_ch1_1dlut2_load NOTIFY boxmode2_ch1_1dlut2_loadChanged)
    Q_PROPERTY(int boxmode2_ch1_3dlut_state READ boxmode2_ch1_3dlut_state WRITE setBoxmode2_ch1_3dlut_state NOTIFY boxmode2_ch1_3dlut_stateChanged)
    Q_PROPERTY(int boxmode2_ch1_3dlut_load READ boxmode2_ch1_3dlut_load WRITE setBoxmode2_ch1_3dlut_load NOTIFY boxmode2_ch1_3dlut_loadChanged)
    Q_PROPERTY(int boxmode2_ch1_frm_state READ boxmode2_ch1_frm_state WRITE setBoxmode2_ch1_frm_state NOTIFY boxmode2_ch1_frm_stateChanged)
    Q_PROPERTY(int boxmode2_ch1_frm_load READ boxmode2_ch1_frm_load WRITE setBoxmode2_ch1_frm_load NOTIFY boxmode2_ch1_frm_loadChanged)
    Q_PROPERTY(int boxmode2_ch1_input READ boxmode2_ch1_input WRITE setBoxmode2_ch1_input NOTIFY boxmode2_ch1_inputChanged)
    Q_PROPERTY(int boxmode2_ch1_range READ boxmode2_ch1_range WRITE setBoxmode2_ch1_range NOTIFY boxmode2_ch1_rangeChanged)
    Q_PROPERTY(int boxmode2_ch2_1dlut1_state READ boxmode2_ch2_1dlut1_state WRITE setBoxmode2_ch2_1dlut1_state NOTIFY boxmode2_ch2_1dlut1_stateChanged)
    Q_PROPERTY(int boxmode2_ch2_1dlut1_load READ boxmode2_ch2_1dlut1_load WRITE setBoxmode2_ch2_1dlut1_load NOTIFY boxmode2_ch2_1dlut1_loadChanged)
    Q_PROPERTY(int boxmode2_ch2_1dlut2_state READ boxmode2_ch2_1dlut2_state WRITE setBoxmode2_ch2_1dlut2_state NOTIFY boxmode2_ch2_1dlut2_stateChanged)
    Q_PROPERTY(int boxmode2_ch2_1dlut2_load READ boxmode2_ch2_1dlut2_load WRITE setBoxmode2_ch2_1dlut2_load NOTIFY boxmode2_ch2_1dlut2_loadChanged)
    Q_PROPERTY(int boxmode2_ch2_3dlut_state READ boxmode2_ch2_3dlut_state WRITE setBoxmode2_ch2_3dlut_state NOTIFY boxmode2_ch2_3dlut_stateChanged)
    Q_PROPERTY(int boxmode2_ch2_3dlut_load READ boxmode2_ch2_3dlut_load WRITE setBoxmode2_ch2_3dlut_load NOTIFY boxmode2_ch2_3dlut_loadChanged)
    Q_PROPERTY(int boxmode2_ch2_input READ boxmode2_ch2_input WRITE setBoxmode2_ch2_input NOTIFY boxmode2_ch2_inputChanged)
    Q_PROPERTY(int boxmode2_ch2_range READ boxmode2_ch2_range WRITE setBoxmode2_ch2_range NOTIFY boxmode2_ch2_rangeChanged)
    Q_PROPERTY(int boxmode3_ch1_1dlut1_state READ boxmode3_ch1_1dlut1_state WRITE setBoxmode3_ch1_1dlut1_state NOTIFY boxmode3_ch1_1dlut1_stateChanged)
    Q_PROPERTY(int boxmode3_ch1_1dlut1_load READ boxmode3_ch1_1dlut1_load WRITE setBoxmode3_ch1_1dlut1_load NOTIFY boxmode3_ch1_1dlut1_loadChanged)
    Q_PROPERTY(int boxmode3_ch1_1dlut2_state READ boxmode3_ch1_1dlut2_state WRITE setBoxmode3_ch1_1dlut2_state NOTIFY boxmode3_ch1_1dlut2_stateChanged)
    Q_PROPERTY(int boxmode3_ch1_1dlut2_load READ boxmode3_ch1_1dlut2_load WRITE setBoxmode3_ch1_1dlut2_load NOTIFY boxmode3_ch1_1dlut2_loadChanged)
    Q_PROPERTY(int boxmode3_ch1_3dlut_state READ boxmode3_ch1_3dlut_state WRITE setBoxmode3_ch1_3dlut_state NOTIFY boxmode3_ch1_3dlut_stateChanged)
    Q_PROPERTY(int boxmode3_ch1_frm_state READ boxmode3_ch1_frm_state WRITE setBoxmode3_ch1_frm_state NOTIFY boxmode3_ch1_frm_stateChanged)
    Q_PROPERTY(int boxmode3_ch1_frm_load READ boxmode3_ch1_frm_load WRITE setBoxmode3_ch1_frm_load NOTIFY boxmode3_ch1_frm_loadChanged)
    Q_PROPERTY(int boxmode3_ch1_3dlut_load READ boxmode3_ch1_3dlut_load WRITE setBoxmode3_ch1_3dlut_load NOTIFY boxmode3_ch1_3dlut_loadChanged)
    Q_PROPERTY(int boxmode3_ch1_range READ boxmode3_ch1_range WRITE setBoxmode3_ch1_range NOTIFY boxmode3_ch1_rangeChanged)
    Q_PROPERTY(int boxmode3_input_type READ boxmode3_input_type WRITE setBoxmode3_input_type NOTIFY boxmode3_input_typeChanged)
    Q_PROPERTY(int boxmode3_output_type READ boxmode3_output_type WRITE setBoxmode3_output_type NOTIFY boxmode3_output_typeChanged)
    Q_PROPERTY(int boxmode3_output_form READ boxmode3_output_form WRITE setBoxmode3_output_form NOTIFY boxmode3_output_formChanged)

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
    int portNum() const { return m_port_num; }
    int channelNum() const { return m_channel_num; }
    int protocolMajor() const { return 1; }
    int protocolMinor() const { return 6; }
    int boxMode() const { return m_box_mode; }
    int boxCh() const { return m_box_ch; }
    int boxAnci() const { return m_box_anci; }
    int box_lut_interpolation() const { return m_box_lut_interpolation; }
    int cubeBitDef() const { return m_cube_bit_def; }
    int boxmode1_1dlut_inbit() const { return m_boxmode1_1dlut_inbit; }
    int boxmode1_1dlut_outbit() const { return m_boxmode1_1dlut_outbit; }
    int boxmode1_3dlut_inbit() const { return m_boxmode1_3dlut_inbit; }
    int boxmode1_3dlut_outbit() const { return m_boxmode1_3dlut_outbit; }
    int boxmode1_3dlut_size() const { return m_boxmode1_3dlut_size; }
    int boxmode2_1dlut_inbit() const { return m_boxmode2_1dlut_inbit; }
    int boxmode2_1dlut_outbit() const { return m_boxmode2_1dlut_outbit; }
    int boxmode2_3dlut_inbit() const { return m_boxmode2_3dlut_inbit; }
    int boxmode2_3dlut_outbit() const { return m_boxmode2_3dlut_outbit; }
    int boxmode2_3dlut_size() const { return m_boxmode2_3dlut_size; }
    int boxmode3_1dlut_inbit() const { return m_boxmode3_1dlut_inbit; }
    int boxmode3_1dlut_outbit() const { return m_boxmode3_1dlut_outbit; }
    int boxmode3_3dlut_inbit() const { return m_boxmode3_3dlut_inbit; }
    int boxmode3_3dlut_outbit() const { return m_boxmode3_3dlut_outbit; }
    int boxmode3_3dlut_size() const { return m_boxmode3_3dlut_size; }
    int boxmode1_ch1_1dlut1_state() const { return m_boxmode1_ch1_1dlut1_state; }
    int boxmode1_ch1_1dlut1_load() const { return m_boxmode1_ch1_1dlut1_load; }
    int boxmode1_ch1_1dlut2_state() const { return m_boxmode1_ch1_1dlut2_state; }
    int boxmode1_ch1_1dlut2_load() const { return m_boxmode1_ch1_1dlut2_load; }
    int boxmode1_ch1_3dlut_state() const { return m_boxmode1_ch1_3dlut_state; }
    int boxmode1_ch1_3dlut_load() const { return m_boxmode1_ch1_3dlut_load; }
    int boxmode1_ch1_frm_state() const { return m_boxmode1_ch1_frm_state; }
    int boxmode1_ch1_frm_load() const { return m_boxmode1_ch1_frm_load; }
    int boxmode1_ch1_input() const { return m_boxmode1_ch1_input; }
    int boxmode1_ch1_range() const { return m_boxmode1_ch1_range; }
    int boxmode1_ch1_signal() const { return m_boxmode1_ch1_signal; }
    int boxmode2_ch1_1dlut1_state() const { return m_boxmode2_ch1_1dlut1_state; }
    int boxmode2_ch1_1dlut1_load() const { return m_boxmode2_ch1_1dlut1_load; }
    int boxmode2_ch1_1dlut2_state() const { return m_boxmode2_ch1_1dlut2_state; }
    int boxmode2_ch1_1dlut2_load() const { return m_boxmode2_ch1_1dlut2_load; }
    int boxmode2_ch1_3dlut_state() const { return m_boxmode2_ch1_3dlut_state; }
    int boxmode2_ch1_3dlut_load() const { return m_boxmode2_ch1_3dlut_load; }
    int boxmode2_ch1_frm_state() const { return m_boxmode2_ch1_frm_state; }
    int boxmode2_ch1_frm_load() const { return m_boxmode2_ch1_frm_load; }
    int boxmode2_ch1_input() const { return m_boxmode2_ch1_input; }
    int boxmode2_ch1_range() const { return m_boxmode2_ch1_range; }
    int boxmode2_ch2_1dlut1_state() const { return m_boxmode2_ch2_1dlut1_state; }
    int boxmode2_ch2_1dlut1_load() const { return m_boxmode2_ch2_1dlut1_load; }
    int boxmode2_ch2_1dlut2_state() const { return m_boxmode2_ch2_1dlut2_state; }
    int boxmode2_ch2_1dlut2_load() const { return m_boxmode2_ch2_1dlut2_load; }
    int boxmode2_ch2_3dlut_state() const { return m_boxmode2_ch2_3dlut_state; }
    int boxmode2_ch2_3dlut_load() const { return m_boxmode2_ch2_3dlut_load; }
    int boxmode2_ch2_input() const { return m_boxmode2_ch2_input; }
    int boxmode2_ch2_range() const { return m_boxmode2_ch2_range; }
    int boxmode3_ch1_1dlut1_state() const { return m_boxmode3_ch1_1dlut1_state; }
    int boxmode3_ch1_1dlut1_load() const { return m_boxmode3_ch1_1dlut1_load; }
    int boxmode3_ch1_1dlut2_state() const { return m_boxmode3_ch1_1dlut2_state; }
    int boxmode3_ch1_1dlut2_load() const { return m_boxmode3_ch1_1dlut2_load; }
    int boxmode3_ch1_3dlut_state() const { return m_boxmode3_ch1_3dlut_state; }
    int boxmode3_ch1_frm_state() const { return m_boxmode3_ch1_frm_state; }
    int boxmode3_ch1_frm_load() const { return m_boxmode3_ch1_frm_load; }
    int boxmode3_ch1_3dlut_load() const { return m_boxmode3_ch1_3dlut_load; }
    int boxmode3_ch1_range() const { return m_boxmode3_ch1_range; }
    int boxmode3_input_type() const { return m_boxmode3_input_type; }
    int boxmode3_output_type() const { return m_boxmode3_output_type; }
    int boxmode3_output_form() const { return m_boxmode3_output_form; }

    void setModel(const QString &value);
    void setSerial(const QString &value);
    void setVersion(const QString &value);
    void setPortNum(int value);
    void setChannelNum(int value);
    void setBoxMode(int value);
    void setBoxCh(int value);
    void setBoxAnci(int value);
    void setBox_lut_interpolation(int value);
    void setBoxmode1_1dlut_inbit(int value);
    void setBoxmode1_1dlut_outbit(int value);
    void setBoxmode1_3dlut_inbit(int value);
    void setBoxmode1_3dlut_outbit(int value);
    void setBoxmode1_3dlut_size(int value);
    void setBoxmode2_1dlut_inbit(int value);
    void setBoxmode2_1dlut_outbit(int value);
    void setBoxmode2_3dlut_inbit(int value);
    void setBoxmode2_3dlut_outbit(int value);
    void setBoxmode2_3dlut_size(int value);
    void setBoxmode3_1dlut_inbit(int value);
    void setBoxmode3_1dlut_outbit(int value);
    void setBoxmode3_3dlut_inbit(int value);
    void setBoxmode3_3dlut_outbit(int value);
    void setBoxmode3_3dlut_size(int value);
    void setBoxmode1_ch1_1dlut1_state(int value);
    void setBoxmode1_ch1_1dlut1_load(int value);
    void setBoxmode1_ch1_1dlut2_state(int value);
    void setBoxmode1_ch1_1dlut2_load(int value);
    void setBoxmode1_ch1_3dlut_state(int value);
    void setBoxmode1_ch1_3dlut_load(int value);
    void setBoxmode1_ch1_frm_state(int value);
    void setBoxmode1_ch1_frm_load(int value);
    void setBoxmode1_ch1_input(int value);
    void setBoxmode1_ch1_range(int value);
    void setBoxmode1_ch1_signal(int value);
    void setBoxmode2_ch1_1dlut1_state(int value);
    void setBoxmode2_ch1_1dlut1_load(int value);
    void setBoxmode2_ch1_1dlut2_state(int value);
    void setBoxmode2_ch1_1dlut2_load(int value);
    void setBoxmode2_ch1_3dlut_state(int value);
    void setBoxmode2_ch1_3dlut_load(int value);
    void setBoxmode2_ch1_frm_state(int value);
    void setBoxmode2_ch1_frm_load(int value);
    void setBoxmode2_ch1_input(int value);
    void setBoxmode2_ch1_range(int value);
    void setBoxmode2_ch2_1dlut1_state(int value);
    void setBoxmode2_ch2_1dlut1_load(int value);
    void setBoxmode2_ch2_1dlut2_state(int value);
    void setBoxmode2_ch2_1dlut2_load(int value);
    void setBoxmode2_ch2_3dlut_state(int value);
    void setBoxmode2_ch2_3dlut_load(int value);
    void setBoxmode2_ch2_input(int value);
    void setBoxmode2_ch2_range(int value);
    void setBoxmode3_ch1_1dlut1_state(int value);
    void setBoxmode3_ch1_1dlut1_load(int value);
    void setBoxmode3_ch1_1dlut2_state(int value);
    void setBoxmode3_ch1_1dlut2_load(int value);
    void setBoxmode3_ch1_3dlut_state(int value);
    void setBoxmode3_ch1_frm_state(int value);
    void setBoxmode3_ch1_frm_load(int value);
    void setBoxmode3_ch1_3dlut_load(int value);
    void setBoxmode3_ch1_range(int value);
    void setBoxmode3_input_type(int value);
    void setBoxmode3_output_type(int value);
    void setBoxmode3_output_form(int value);

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
    void assignInt(int &member, int value, void (Cubrix::*changed)());

    void queryBasicInfo(quint16 request);
    void queueChannelQuery(ChannelQuery kind);
    void queueFrameQuery();
    void queueGeneratorQuery();
    void stopScopesIfPlaying();

    void processBasicInfo(const QByteArray &payload);
    void processChannels(const QByteArray &payload);
    void processLutFormat(const QByteArray &payload);
    void processChannelBlock(const QByteArray &payload);
    void processChannelInfo(const QByteArray &payload);
    void processFrameData(const QByteArray &payload);
    void processAnciData(const QByteArray &payload);
    void processScopeData(const QByteArray &payload);

    static std::optional<quint16> lutProtocol(int type, int func, mncp_lut_use use);
    void queueLutTransfer(LutType type, LutFunc func, quint16 operation, int id, int bitsize,
                          const QByteArray &data, const char *unknownTypeText);
    void transferLutFile(const char *operationName, quint16 operation, Resample resample, LutType type,
                         LutFunc func, int id, const QUrl &url, int bitsize);
    void transferFrame(quint16 operation, int id, const QUrl &url);
    void sendPackedColour(quint16 request, int first, int second, int third);
    void captureAnciPacket(const QString &id, std::optional<int> index);

    QString m_model;
    QString m_serial;
    QString m_version;
    int m_port_num = 0;
    int m_channel_num = 0;
    int m_box_ch = 0;
    int m_box_mode = 0;
    int m_box_anci = 0;
    int m_cube_bit_def = 0;
    int m_boxmode1_1dlut_inbit = 0;
    int m_boxmode1_1dlut_outbit = 0;
    int m_boxmode1_3dlut_inbit = 0;
    int m_boxmode1_3dlut_outbit = 0;
    int m_boxmode1_3dlut_size = 0;
    int m_boxmode2_1dlut_inbit = 0;
    int m_boxmode2_1dlut_outbit = 0;
    int m_boxmode2_3dlut_inbit = 0;
    int m_boxmode2_3dlut_outbit = 0;
    int m_boxmode2_3dlut_size = 0;
    int m_boxmode3_1dlut_inbit = 0;
    int m_boxmode3_1dlut_outbit = 0;
    int m_boxmode3_3dlut_inbit = 0;
    int m_boxmode3_3dlut_outbit = 0;
    int m_boxmode3_3dlut_size = 0;
    int m_boxmode1_ch1_1dlut1_state = 0;
    int m_boxmode1_ch1_1dlut1_load = 0;
    int m_boxmode1_ch1_1dlut2_state = 0;
    int m_boxmode1_ch1_1dlut2_load = 0;
    int m_boxmode1_ch1_3dlut_state = 0;
    int m_boxmode1_ch1_3dlut_load = 0;
    int m_boxmode1_ch1_input = 0;
    int m_boxmode1_ch1_range = 0;
    int m_boxmode1_ch1_frm_state = 0;
    int m_boxmode1_ch1_frm_load = 0;
    int m_boxmode2_ch1_1dlut1_state = 0;
    int m_boxmode2_ch1_1dlut1_load = 0;
    int m_boxmode2_ch1_1dlut2_state = 0;
    int m_boxmode2_ch1_1dlut2_load = 0;
    int m_boxmode2_ch1_3dlut_state = 0;
    int m_boxmode2_ch1_3dlut_load = 0;
    int m_boxmode2_ch1_input = 0;
    int m_boxmode2_ch1_range = 0;
    int m_boxmode2_ch1_frm_state = 0;
    int m_boxmode2_ch1_frm_load = 0;
    int m_boxmode2_ch2_1dlut1_state = 0;
    int m_boxmode2_ch2_1dlut1_load = 0;
    int m_boxmode2_ch2_1dlut2_state = 0;
    int m_boxmode2_ch2_1dlut2_load = 0;
    int m_boxmode2_ch2_3dlut_state = 0;
    int m_boxmode2_ch2_3dlut_load = 0;
    int m_boxmode2_ch2_input = 0;
    int m_boxmode2_ch2_range = 0;
    int m_boxmode3_ch1_1dlut1_state = 0;
    int m_boxmode3_ch1_1dlut1_load = 0;
    int m_boxmode3_ch1_1dlut2_state = 0;
    int m_boxmode3_ch1_1dlut2_load = 0;
    int m_boxmode3_ch1_3dlut_state = 0;
    int m_boxmode3_ch1_3dlut_load = 0;
    int m_boxmode3_ch1_range = 0;
    int m_boxmode3_ch1_frm_state = 0;
    int m_boxmode3_ch1_frm_load = 0;
    int m_boxmode3_input_type = 0;
    int m_boxmode3_output_type = 0;
    int m_boxmode3_output_form = 0;
    int m_boxmode1_ch1_signal = 0;
    int m_box_lut_interpolation = 0;
    QTimer *m_queryTimer = nullptr;
    mncp_protocol_header m_lastReplyHeader{};
    ChannelList m_channels;
    ScopeStream m_scopeStream;
    // Owned by QML, which may destroy it before this device: guarded, never dangling.
    QPointer<CaptureFrame> m_captureFrame;
};
