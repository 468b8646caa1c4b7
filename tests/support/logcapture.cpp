#include "logcapture.h"

#include <QMutex>

#include <algorithm>
#include <utility>

namespace {
// Qt has one message handler per process; so does the capture.
struct CaptureState {
    QMutex mutex;
    QStringList collected, allowed;
    bool debugToo = false, passOn = false, active = false; // one capture at a time
    QtMessageHandler previous = nullptr;
} state;
} // namespace

LogCapture::LogCapture(QtMsgType minimum, bool passOn)
{
    QMutexLocker lock(&state.mutex);
    Q_ASSERT(!state.active);
    state.active = true;
    state.collected.clear();
    state.allowed.clear();
    // Debug and info are the levels below warning (QtMsgType does not list them in that order).
    state.debugToo = minimum == QtDebugMsg || minimum == QtInfoMsg;
    state.passOn = passOn;
    state.previous = qInstallMessageHandler(&LogCapture::handle);
}

LogCapture::~LogCapture()
{
    QMutexLocker lock(&state.mutex);
    qInstallMessageHandler(state.previous);
    state.active = false;
}

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&state.mutex);
    return state.collected;
}

QStringList LogCapture::take()
{
    QMutexLocker lock(&state.mutex);
    return std::exchange(state.collected, QStringList());
}

void LogCapture::allow(const QString &text)
{
    QMutexLocker lock(&state.mutex);
    state.allowed << text;
}

void LogCapture::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QtMessageHandler passTo = nullptr;
    {
        QMutexLocker lock(&state.mutex);
        const bool low = type == QtDebugMsg || type == QtInfoMsg;
        if ((state.debugToo || !low) && std::none_of(state.allowed.cbegin(), state.allowed.cend(), [&](const QString &text) { return message.contains(text); }))
            state.collected << message;
        if (state.passOn || type == QtFatalMsg)
            passTo = state.previous;
    }
    if (passTo)
        passTo(type, context, message);
}
