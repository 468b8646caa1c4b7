#pragma once

#include "framegenerator.h"
#include "scopegenerator.h"
#include "simmessage.h"
#include "simoptions.h"
#include "uploadstore.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <optional>

// What both simulated devices share: identity, channels, keys, tally, UMD, firmware,
// network settings, frame capture and scope streaming. The role classes add their own
// protocols and the state behind them. Every command gets exactly one reply with its
// protocol and request; whatever a device does not know is answered with an error reply
// and a log line.
class SimDevice
{
public:
    SimDevice(const SimOptions &options, UploadStore &uploads);
    virtual ~SimDevice() = default;

    SimReply handle(const SimCommand &command);
    const SimOptions &options() const { return m_options; }
    // Whether a command's payload is taken as a stream (SimCommand::stream) instead of whole:
    // a firmware image, which may be as large as any payload and is never read back.
    static bool streamsPayload(quint16 protocol, quint16 request);
    UploadStore &uploads() { return m_uploads; }

protected:
    struct Channel {
        QString name;
        QString mode;
        int port = 0;
        int bright = 50;
        int contrast = 50;
        int chroma = 50;
        int hue = 0;
        int volume = 30;
    };

    // A role's own protocols; nothing when the shared handling applies.
    virtual std::optional<SimReply> handleRole(const SimCommand &command) = 0;
    // Basic-info requests beyond the identity (0 to 4).
    virtual SimReply basicInfoExtra(const SimCommand &command) = 0;
    virtual void keyPressed(int key) = 0;
    // Frame capture and scope streams depend on the device's state (a box mode, say);
    // the text says why when they are not available.
    virtual QString frameUnavailableReason() const { return QString(); }
    virtual QString scopeUnavailableReason() const { return QString(); }
    virtual QByteArray frameTimecode() const = 0;

    SimReply refuse(const SimCommand &command, quint16 status, const QString &why) const;
    void log(const QString &line) const;
    static QByteArray text(const QString &value);
    static QByteArray be32Payload(qint32 value);
    static QString hex(int value);

    QList<Channel> m_channels;
    UploadStore &m_uploads;

private:
    SimReply basicInfo(const SimCommand &command);
    SimReply channelInfo(const SimCommand &command);
    SimReply key(const SimCommand &command);
    SimReply tally(const SimCommand &command);
    SimReply umd(const SimCommand &command);
    SimReply firmware(const SimCommand &command);
    SimReply network(const SimCommand &command);
    SimReply frameCapture(const SimCommand &command);
    SimReply scope(const SimCommand &command);

    const SimOptions &m_options;
    FrameGenerator m_frames;
    ScopeGenerator m_scopes;
    QElapsedTimer m_uptime;
    qint64 m_lastScopeFrameAt = -1000;
};
