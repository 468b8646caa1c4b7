#include "testdevice.h"

void TestDevice::processReply(QByteArray &payload, mncp_protocol_header &header)
{
    replies.append(Reply{header, payload});
    if (onReply)
        onReply(replies.last());
}
