#include "logcapture.h"

#include <QMutex>

#include <algorithm>
#include <utility>

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

// QtMsgType does not list the levels in order of severity (info came last).
int severity(QtMsgType type)
{
    return type == QtInfoMsg ? 1 : type == QtDebugMsg ? 0 : type + 1;
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
    QMutexLocker lock(&state().mutex);
    return state().collected;
}

QStringList LogCapture::take()
{
    QMutexLocker lock(&state().mutex);
    return std::exchange(state().collected, QStringList());
}

bool LogCapture::contains(const QString &text) const
{
    return !lines().filter(text).isEmpty();
}

void LogCapture::allow(const QString &text)
{
    QMutexLocker lock(&state().mutex);
    state().allowed << text;
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
