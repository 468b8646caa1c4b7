#include "logcapture.h"

#include <QMutex>

#include <algorithm>

namespace {
// Qt has one message handler per process; so does the capture.
struct CaptureState {
    QMutex mutex;
    QStringList collected;
    QStringList allowed;
    QtMsgType minimum = QtWarningMsg;
    bool passOn = false;
    bool active = false;
    QtMessageHandler previous = nullptr;
};

CaptureState &state()
{
    static CaptureState shared;
    return shared;
}

int severity(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return 0;
    case QtInfoMsg: return 1;
    case QtWarningMsg: return 2;
    case QtCriticalMsg: return 3;
    case QtFatalMsg: return 4;
    }
    return 4;
}
} // namespace

LogCapture::LogCapture(QtMsgType minimum, bool passOn)
{
    CaptureState &s = state();
    QMutexLocker lock(&s.mutex);
    Q_ASSERT(!s.active);
    s.collected.clear();
    s.allowed.clear();
    s.minimum = minimum;
    s.passOn = passOn;
    s.active = true;
    s.previous = qInstallMessageHandler(&LogCapture::handle);
}

LogCapture::~LogCapture()
{
    CaptureState &s = state();
    QMutexLocker lock(&s.mutex);
    qInstallMessageHandler(s.previous);
    s.active = false;
}

QStringList LogCapture::lines() const
{
    CaptureState &s = state();
    QMutexLocker lock(&s.mutex);
    return s.collected;
}

QStringList LogCapture::take()
{
    CaptureState &s = state();
    QMutexLocker lock(&s.mutex);
    QStringList taken;
    taken.swap(s.collected);
    return taken;
}

bool LogCapture::contains(const QString &text) const
{
    const QStringList collected = lines();
    return std::any_of(collected.cbegin(), collected.cend(), [&](const QString &line) { return line.contains(text); });
}

void LogCapture::allow(const QString &text)
{
    CaptureState &s = state();
    QMutexLocker lock(&s.mutex);
    s.allowed << text;
}

void LogCapture::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    CaptureState &s = state();
    QtMessageHandler passTo = nullptr;
    {
        QMutexLocker lock(&s.mutex);
        const bool allowed = std::any_of(s.allowed.cbegin(), s.allowed.cend(),
                                         [&](const QString &text) { return message.contains(text); });
        if (severity(type) >= severity(s.minimum) && !allowed)
            s.collected << message;
        if (s.passOn || type == QtFatalMsg)
            passTo = s.previous;
    }
    if (passTo)
        passTo(type, context, message);
}
