#include "socketread_error.h"

SocketRead_Error::SocketRead_Error(int kind, int line, std::string function, long long expected, long long actual)
    : SocketError("qtTcpSocketError: Failed to read 'Header or Data Info'.", kind, line, std::move(function), expected, actual)
{
}

const char *SocketRead_Error::kindText() const
{
    static const char *const texts[] = {
        "Failed to read 'Header' info. Unknown data transfer error. ",
        "Failed to read 'Header' info. Received more data than expected. ",
        "Failed to read 'Header' info. Not enough data received. ",
        "Failed to read 'Data' info. Unknown data transfer error. ",
        "Failed to read 'Data' info. Received more data than expected. ",
        "Failed to read 'Data' info. Not enough data received. ",
    };
    return kind() >= 0 && kind() <= 5 ? texts[kind()] : "";
}
