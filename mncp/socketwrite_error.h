#pragma once

#include "socketerror.h"

class SocketWrite_Error : public SocketError
{
public:
    SocketWrite_Error(int kind, int line, std::string function, long long expected, long long actual);

protected:
    const char *kindText() const override;
    const char *expectedLabel() const override { return "  Expected Data Length: "; }
    const char *actualLabel() const override { return "  Sent Data Length: "; }
};
