#pragma once

#include "cubrixreplies.h"

#include "cubrix/cubrix.h"
#include "deviceconnection.h"
#include "fakedevice.h"

#include <QHash>
#include <QtTest>

using CommandIds = QList<QPair<int, int>>;

// A Cubrix connected to the fake device, which answers each query with the payload the test
// chose for it (an empty reply otherwise).
class CubrixHarness
{
public:
    CubrixHarness()
    {
        fake.setResponder([this](const FakeDevice::Command &cmd) {
            return FakeDevice::message(cmd.protocol, cmd.request, answers.value(key(cmd.protocol, cmd.request)));
        });
    }

    void answer(quint16 protocol, quint16 request, const QByteArray &payload)
    {
        answers.insert(key(protocol, request), payload);
    }
    // The box reports this mode and channel from now on.
    void setMode(int mode, int channel) { answer(0x0100, 5, words16({mode, channel})); }

    // Connects and waits until the identity queries and the state sweep have been answered.
    bool connectAndSettle()
    {
        if (!fake.listen() || !connectToFake(cubrix, fake))
            return false;
        if (!fake.waitForCommands(ConnectionQueries))
            return false;
        return waitIdle();
    }

    bool waitIdle(int timeoutMs = 5000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!idle()) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QTest::qWait(2);
        }
        return true;
    }

    bool idle() { return cubrix.socketHandler()->queuedCount() == 0 && cubrix.socketHandler()->inFlight().protocol == 0; }

    // Everything the previous call queued, once the box has answered all of it.
    CommandIds sentBy(const std::function<void()> &call)
    {
        fake.clearReceived();
        call();
        if (!waitIdle())
            return {{-1, -1}};
        return commandIds(fake);
    }

    static constexpr int ConnectionQueries = 3 + 19;

    FakeDevice fake;
    Cubrix cubrix;

private:
    static quint32 key(quint16 protocol, quint16 request) { return (quint32(protocol) << 16) | request; }
    QHash<quint32, QByteArray> answers;
};
