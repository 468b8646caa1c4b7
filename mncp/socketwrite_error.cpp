#include "socketwrite_error.h"

SocketWrite_Error::SocketWrite_Error(int kind, int line, std::string function, long long expected, long long actual)
    : SocketError("qtTcpSocketError: Failed to write 'Header or Data Info'.", kind, line, std::move(function), expected, actual)
{
}

const char *SocketWrite_Error::kindText() const
{
    static const char *const texts[] = {
        "Failed to write 'Header' info. Unknown data transfer error. ",
        "Failed to write 'Header' info. Sent more data than expected. ",
        "Failed to write 'Header' info. Not enough data sent. ",
        "Failed to write 'Data' info. Unknown data transfer error. ",
        "Failed to write 'Data' info. Sent more data than expected. ",
        "Failed to write 'Data' info. Not enough data sent. ",
    };
    return kind() >= 0 && kind() <= 5 ? texts[kind()] : "";
}
