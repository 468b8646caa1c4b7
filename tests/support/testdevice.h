#pragma once

#include "device/devicebase.h"

#include <QList>
#include <functional>

// The smallest concrete device: records every reply the transport hands over.
class TestDevice : public DeviceBase
{
    Q_OBJECT
public:
    struct Reply {
        mncp_protocol_header header;
        QByteArray payload;
    };

    explicit TestDevice(int port = MNCP_DEFAULT_PORT) : DeviceBase(nullptr, port) {}

    void processReply(QByteArray &payload, mncp_protocol_header &header) override
    {
        replies.append(Reply{header, payload});
        if (onReply)
            onReply(replies.last());
    }

    QList<Reply> replies;
    // Called for every reply after it is recorded (lets a test react inside the receive loop).
    std::function<void(const Reply &)> onReply;
};
