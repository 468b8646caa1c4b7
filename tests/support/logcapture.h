#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects the messages logged while it lives, at or above a level, except those containing an
// allowed text; the one log capture of the suite (the QML tests' warning guard is one too).
// Messages from any thread are taken; the previous handler is put back at the end.
class LogCapture
{
public:
    explicit LogCapture(QtMsgType minimum = QtWarningMsg, bool passOn = false);
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    // The messages collected so far, as "text" lines; take() empties the list.
    QStringList lines() const;
    QStringList take();
    bool contains(const QString &text) const;
    // Messages containing `text` are expected and not collected (for deliberate failures).
    void allow(const QString &text);

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);
};

// QVERIFY-style check: nothing was collected since the last take().
#define VERIFY_NO_LOG(capture)                                                                                      \
    do {                                                                                                            \
        const QStringList lines_ = (capture).take();                                                                \
        QVERIFY2(lines_.isEmpty(), qPrintable(lines_.join(QLatin1Char('\n'))));                                     \
    } while (false)
