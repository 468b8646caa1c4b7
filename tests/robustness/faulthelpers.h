#pragma once

// Shared by the fault-injection tests: the program's device objects against the simulator.

#include "simprocess.h"

#include "device/devicebase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>
#include <QVector>
#include <functional>

namespace Faults {

// Nothing in flight and nothing queued.
inline bool transportIdle(DeviceBase &device)
{
    SocketHandler *handler = device.socketHandler();
    return handler->inFlight().protocol == 0 && handler->queuedCount() == 0;
}

inline void connectTo(DeviceBase &device, const SimProcess &sim)
{
    device.setPort(sim.port());
    device.setAddress(sim.address());
    device.deviceConnect();
}

// Waits for `done` handling every event as it comes (QTest::qWait sleeps between rounds,
// which lets bytes that arrive one by one pile up in the socket). Bounded by `timeoutMs`.
inline bool waitHandlingEachEvent(const std::function<bool()> &done, int timeoutMs)
{
    QTimer wakeUp; // at least one event now and then, so the wait always ends
    wakeUp.start(20);
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

struct LoggedCommand {
    int protocol = 0;
    int request = 0;
    int length = 0;
    bool operator==(const LoggedCommand &other) const
    {
        return protocol == other.protocol && request == other.request && length == other.length;
    }
};

// The commands the simulator logged, in the order it read them.
inline QVector<LoggedCommand> loggedCommands(SimProcess &sim)
{
    static const QRegularExpression line(QStringLiteral("command protocol=0x([0-9a-f]{4}) request=0x([0-9a-f]{4}) length=(\\d+)"));
    QVector<LoggedCommand> commands;
    auto matches = line.globalMatch(sim.log());
    while (matches.hasNext()) {
        const auto match = matches.next();
        commands.append({match.captured(1).toInt(nullptr, 16), match.captured(2).toInt(nullptr, 16),
                         match.captured(3).toInt()});
    }
    return commands;
}

inline int countLogged(SimProcess &sim, int protocol, int request = -1)
{
    int count = 0;
    for (const LoggedCommand &command : loggedCommands(sim)) {
        if (command.protocol == protocol && (request < 0 || command.request == request))
            ++count;
    }
    return count;
}

} // namespace Faults

inline char *toString(const Faults::LoggedCommand &command)
{
    return qstrdup(qPrintable(QStringLiteral("(0x%1, 0x%2, %3)")
                                  .arg(command.protocol, 4, 16, QLatin1Char('0'))
                                  .arg(command.request, 4, 16, QLatin1Char('0'))
                                  .arg(command.length)));
}
