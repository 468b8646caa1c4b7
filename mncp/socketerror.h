#pragma once

#include <stdexcept>
#include <string>

// Transfer failures of the socket handler. The composed text is built on the first what()
// and kept for the object's lifetime, so the returned pointer stays valid.
class SocketError : public std::runtime_error
{
public:
    SocketError(const char *text, int kind, int line, std::string function, long long expected, long long actual);
    const char *what() const noexcept override;

    int kind() const { return m_kind; }
    int line() const { return m_line; }
    const std::string &function() const { return m_function; }
    long long expected() const { return m_expected; }
    long long actual() const { return m_actual; }

protected:
    virtual const char *kindText() const = 0;
    virtual const char *expectedLabel() const = 0;
    virtual const char *actualLabel() const = 0;

private:
    int m_kind;
    int m_line;
    std::string m_function;
    mutable std::string m_message;
    long long m_expected;
    long long m_actual;
};
