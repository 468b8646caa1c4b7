#pragma once

#include "socketerror.h"

class SocketRead_Error : public SocketError
{
public:
    SocketRead_Error(int kind, int line, std::string function, long long expected, long long actual);

protected:
    const char *kindText() const override;
    const char *expectedLabel() const override { return "  Expected Data: "; }
    const char *actualLabel() const override { return "  Received Data: "; }
};
