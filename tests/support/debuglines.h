#pragma once

#include <QLoggingCategory>

// Debug output of the default category is switched off on the test machines (Qt's system-wide
// logging rules); some debug lines are behaviour, so a test that expects them switches them on
// for as long as this lives.
class DebugLines
{
public:
    DebugLines() : m_wasOn(QLoggingCategory::defaultCategory()->isDebugEnabled())
    {
        QLoggingCategory::defaultCategory()->setEnabled(QtDebugMsg, true);
    }
    ~DebugLines() { QLoggingCategory::defaultCategory()->setEnabled(QtDebugMsg, m_wasOn); }
    DebugLines(const DebugLines &) = delete;
    DebugLines &operator=(const DebugLines &) = delete;

private:
    bool m_wasOn;
};
