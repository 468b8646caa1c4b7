#include "socketerror.h"

#include <cstdio>

SocketError::SocketError(const char *text, int kind, int line, std::string function, long long expected, long long actual)
    : std::runtime_error(text), m_kind(kind), m_line(line), m_function(std::move(function)), m_expected(expected), m_actual(actual)
{
}

const char *SocketError::what() const noexcept
{
    if (m_message.empty()) {
        char number[32];
        m_message = "Occured at: \n";
        m_message += m_function;
        m_message += ", (";
        std::snprintf(number, sizeof number, "%d", m_line);
        m_message += number;
        m_message += "), ";
        m_message += expectedLabel();
        std::snprintf(number, sizeof number, "%llu", static_cast<unsigned long long>(m_expected));
        m_message += number;
        m_message += actualLabel();
        std::snprintf(number, sizeof number, "%llu", static_cast<unsigned long long>(m_actual));
        m_message += number;
        m_message += kindText();
    }
    return m_message.c_str();
}
