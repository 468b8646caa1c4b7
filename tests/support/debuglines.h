#pragma once

#include <QLoggingCategory>

// Debug output of the default category is switched off on the test machines (Qt's system-wide
// logging rules); some debug lines are behaviour, so a test that expects them switches them on
// for as long as this lives.
struct DebugLines {
    const bool wasOn = QLoggingCategory::defaultCategory()->isDebugEnabled();
    DebugLines() { QLoggingCategory::defaultCategory()->setEnabled(QtDebugMsg, true); }
    ~DebugLines() { QLoggingCategory::defaultCategory()->setEnabled(QtDebugMsg, wasOn); }
};
