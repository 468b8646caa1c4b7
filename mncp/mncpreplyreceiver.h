#pragma once

#include "mncpprotocol.h"

#include <QByteArray>

// Whoever a socket handler hands the received payloads to: the transport knows nothing else
// of the device it serves.
class MncpReplyReceiver
{
public:
    virtual ~MncpReplyReceiver() = default;
    virtual void processReply(QByteArray &payload, mncp_protocol_header &header) = 0;
};
