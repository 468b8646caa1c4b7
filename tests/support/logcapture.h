#pragma once

#include <QLoggingCategory>
#include <QStringList>

// Collects the messages logged while it lives, at or above a level, except those containing an
// allowed text; the one log capture of the suite (the QML tests' warning guard is one too).
// Messages from any thread are taken; the previous handler is put back at the end.
class LogCapture
{
public:
    explicit LogCapture(QtMsgType minimum = QtWarningMsg, bool passOn = false);
    ~LogCapture();
    Q_DISABLE_COPY(LogCapture)

    // The messages collected so far, as "text" lines; take() empties the list.
    QStringList lines() const;
    QStringList take();
    bool contains(const QString &text) const { return !lines().filter(text).isEmpty(); }
    // Messages containing `text` are expected and not collected (for deliberate failures).
    void allow(const QString &text);

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);
};

// Debug output of the default category is switched off on the test machines (Qt's system-wide
// logging rules); some debug lines are behaviour, so a test that expects them switches them on
// for as long as this lives.
struct DebugLines {
    const bool wasOn = QLoggingCategory::defaultCategory()->isDebugEnabled();
    DebugLines() { QLoggingCategory::defaultCategory()->setEnabled(QtDebugMsg, true); }
    ~DebugLines() { QLoggingCategory::defaultCategory()->setEnabled(QtDebugMsg, wasOn); }
};

// QVERIFY-style check: nothing was collected since the last take().
#define VERIFY_NO_LOG(capture)                                                                                      \
    do { const QString lines_ = (capture).take().join(QLatin1Char('\n')); QVERIFY2(lines_.isEmpty(), qPrintable(lines_)); } while (false)
