#pragma once

#include "capture/captureframe.h"
#include "device/assignnotify.h"
#include "device/channellist.h"
#include "device/devicebase.h"
#include "scope/scopestream.h"

#include <QPointer>
#include <QQmlListProperty>
#include <QStringList>
#include <QTemporaryFile>
#include <QUrl>
#include <memory>

// A reference monitor: translates the page's calls into MNCP commands and the monitor's
// replies into properties, channel records and signals.
class Monitor : public DeviceBase
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
    Q_PROPERTY(int dit1dlut_inbit READ dit1dlutInbit NOTIFY dit1dlut_inbitChanged)
    Q_PROPERTY(int dit1dlut_outbit READ dit1dlutOutbit NOTIFY dit1dlut_outbitChanged)
    Q_PROPERTY(int dit3dlut_inbit READ dit3dlutInbit NOTIFY dit3dlut_inbitChanged)
    Q_PROPERTY(int dit3dlut_outbit READ dit3dlutOutbit NOTIFY dit3dlut_outbitChanged)
    Q_PROPERTY(int dit3dlut_size READ dit3dlutSize NOTIFY dit3dlut_sizeChanged)
    Q_PROPERTY(int protocol_major READ protocolMajor CONSTANT)
    Q_PROPERTY(int protocol_minor READ protocolMinor CONSTANT)
    Q_PROPERTY(QTcpSocket::SocketState state READ state NOTIFY stateChanged)
    Q_PROPERTY(QStringList markerNameList READ markerNameList NOTIFY markerNameListChanged)
    Q_PROPERTY(QString analyzerPngPath READ analyzerPngUrl NOTIFY analyzerPngReceived)
public:
    enum LutType { LUT_TYPE_1D = 0, LUT_TYPE_3D = 1 };
    Q_ENUM(LutType)
    enum LutFunc {
        LUT_FUNC_CALIBRATION = 0,
        LUT_FUNC_DIT = 1,
        LUT_FUNC_BOX = 2,
        LUT_FUNC_POST_CALIBRATION = 3,
        LUT_FUNC_POST_DIT = 4,
    };
    Q_ENUM(LutFunc)

    // The marker list reply reads at most this many names, whatever count it announces.
    static constexpr int MaxMarkerNames = 1024;
    // Pause between the 17- and the 33-point store of an RV-family 3D LUT.
    static constexpr int RvStorePauseMs = 2000;

    explicit Monitor(QObject *parent = nullptr);
    ~Monitor() override;

    ScopeStream *cScopeStream() { return &m_scopeStream; }
    CaptureFrame *cCaptureFrame() const { return m_captureFrame; }
    QString model() const { return m_model; }
    QString serial() const { return m_serial; }
    QString version() const { return m_version; }
    QQmlListProperty<ChannelInfo> channels() { return m_channels.listProperty(this); }
    const ChannelList &channelList() const { return m_channels; }
    int portNum() const { return m_portNum; }
    int channelNum() const { return m_channelNum; }
    int dit1dlutInbit() const { return m_dit1dlutInbit; }
    int dit1dlutOutbit() const { return m_dit1dlutOutbit; }
    int dit3dlutInbit() const { return m_dit3dlutInbit; }
    int dit3dlutOutbit() const { return m_dit3dlutOutbit; }
    int dit3dlutSize() const { return m_dit3dlutSize; }
    int protocolMajor() const { return 1; }
    int protocolMinor() const { return 6; }
    QTcpSocket::SocketState state() const { return DeviceBase::state(); }
    QStringList markerNameList() const { return m_markerNameList; }
    QString analyzerPngUrl() const;
    QString analyzerPngLocalPath() const { return m_analyzerPngPath; }

    void setModel(const QString &value) { assignNotify(this, m_model, value, &Monitor::modelChanged); }
    void setSerial(const QString &value) { assignNotify(this, m_serial, value, &Monitor::serialChanged); }
    void setVersion(const QString &value) { assignNotify(this, m_version, value, &Monitor::versionChanged); }
    void setPortNum(int value) { assignNotify(this, m_portNum, value, &Monitor::portNumChanged); }
    void setChannelNum(int value) { assignNotify(this, m_channelNum, value, &Monitor::channelNumChanged); }

    // Custom markers and analyzer pictures.
    Q_INVOKABLE void setOffTempCustomMarker();
    Q_INVOKABLE void setOnTempCustomMarker();
    Q_INVOKABLE void requestAnalyzerPng(int which, bool whiteStyle);
    Q_INVOKABLE void requestAnalyzerPng(int which);
    Q_INVOKABLE void saveAnalyzerPng(const QUrl &url);
    Q_INVOKABLE void saveAnalyzerPdf(const QUrl &url);
    Q_INVOKABLE void deleteCustomMarker(const QString &markerName);
    Q_INVOKABLE void queryCustomMarker();
    Q_INVOKABLE void sendCustomMarker(const QUrl &url);
    Q_INVOKABLE void sendCustomMarker(const QString &markerName, const QUrl &url);

    Q_INVOKABLE void sendKey(DeviceBase::mncp_key_code key);
    Q_INVOKABLE void sendRotary(int type, int number);

    // LUT transfer.
    Q_INVOKABLE void sendLutFile(LutType type, LutFunc func, int ch, const QUrl &url);
    Q_INVOKABLE void sendLutFileDownscale(LutType type, LutFunc func, int ch, const QUrl &url);
    Q_INVOKABLE void saveLutFileRV(LutType type, LutFunc func, int id, const QUrl &url);
    Q_INVOKABLE void saveLutFileRV(LutType type, LutFunc func, int id);
    Q_INVOKABLE void saveLutFile(LutType type, LutFunc func, int id, const QUrl &url);
    Q_INVOKABLE void saveLutFile(LutType type, LutFunc func, int id);
    Q_INVOKABLE void saveLutFileForceSwap(LutType type, LutFunc func, int id, const QUrl &url);
    Q_INVOKABLE void saveLutFileForceSwap(LutType type, LutFunc func, int id);
    Q_INVOKABLE void loadLut(LutType type, LutFunc func, int id);
    Q_INVOKABLE void setLut(LutType type, LutFunc func, int id, bool on);

    Q_INVOKABLE void registerFeature(CaptureFrame *feature, int type);

    void processReply(QByteArray &payload, mncp_protocol_header &header) override;

    // Tests and tools may shorten the pause before an RV-family second store.
    void setRvPauseMs(int ms) { m_rvPauseMs = ms; }
    // Second stores of RV-family saves not yet handed to the transport.
    int pendingRvStores() const { return m_rvSecondStores.size(); }

signals:
    void cScopeStreamChanged();
    void cCaptureFrameChanged();
    void modelChanged();
    void serialChanged();
    void versionChanged();
    void portNumChanged();
    void channelNumChanged();
    void dit1dlut_inbitChanged();
    void dit1dlut_outbitChanged();
    void dit3dlut_inbitChanged();
    void dit3dlut_outbitChanged();
    void dit3dlut_sizeChanged();
    void channelsChanged();
    void destroyChannel();
    void stateChanged(QTcpSocket::SocketState state);
    void markerNameListChanged();
    void analyzerPngReceived();

protected slots:
    void socketStateChanged(QTcpSocket::SocketState state) override;

private:
    using Handler = void (Monitor::*)(const QByteArray &payload);

    void resetToDefaults();
    void processBasicInfo(const QByteArray &payload);
    void processChannelInfo(const QByteArray &payload);
    void processChannels(const QByteArray &payload);
    void processLut1dFormat(const QByteArray &payload);
    void processLut3dFormat(const QByteArray &payload);
    void processFrameCapture(const QByteArray &payload);
    void processScopeStream(const QByteArray &payload);
    void processCustomMarker(const QByteArray &payload);
    void processAnalyzerPng(const QByteArray &payload);

    // LUT helpers: protocol for a type and function, or nullopt (with the refusal logged).
    std::optional<quint16> lutProtocol(LutType type, LutFunc func, bool forLoad) const;
    // The same after refusing a type other than 1D and 3D with the operation's own log text.
    std::optional<quint16> lutTarget(LutType type, LutFunc func, const char *unknownType, bool forLoad) const;
    void storeLut(const char *operation, LutType type, LutFunc func, int id, const QUrl &url,
                  const std::function<std::optional<QByteArray>(const QString &)> &payloadOf);
    // A whole file, or nullopt (with a warning) when it cannot be opened or read.
    static std::optional<QByteArray> readFile(const QString &path, const char *kind);
    // The local path of a URL; empty for an empty URL, nullopt (with a warning) for a URL that
    // names no local file, whose empty path would otherwise send an empty table.
    static std::optional<QString> localPath(const QUrl &url, const char *kind);
    // The local path of a LUT file that may be sent; nullopt, with the reason as the outcome,
    // when the URL names no local file or the file cannot be used.
    std::optional<QString> usableLutPath(const QUrl &url, LutType type, const QString &lut);
    static QString lutName(LutType type, LutFunc func);
    std::optional<QByteArray> readMarker(const QUrl &url);
    static QByteArray markerNameField(const QString &markerName);
    void armRvSecondStore(int protocol, int request);
    void queueRvSecondStore(quint64 id);

    // The second (33-point) store of an RV-family save: it waits for the answer to the first
    // store, then for the pause, so the event loop keeps running meanwhile.
    struct PendingStore {
        quint64 id = 0;
        quint32 operation = 0;
        quint16 protocol = 0;
        quint16 request = 0;
        QByteArray payload;
        bool armed = false;
    };

    QString m_model;
    QString m_serial;
    QString m_version;
    int m_portNum = 0;
    int m_channelNum = 0;
    int m_dit1dlutInbit = 10;
    int m_dit1dlutOutbit = 10;
    int m_dit3dlutInbit = 10;
    int m_dit3dlutOutbit = 10;
    int m_dit3dlutSize = 17;
    mncp_protocol_header m_lastReplyHeader{};
    ChannelList m_channels;
    ScopeStream m_scopeStream;
    QPointer<CaptureFrame> m_captureFrame;
    QStringList m_markerNameList;
    QString m_analyzerPngPath;
    std::unique_ptr<QTemporaryFile> m_analyzerFile;
    QList<PendingStore> m_rvSecondStores;
    quint64 m_nextStoreId = 1;
    int m_rvPauseMs = RvStorePauseMs;
};
