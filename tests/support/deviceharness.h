#pragma once

#include "deviceconnection.h"
#include "fakedevice.h"

#include <QHash>
#include <QtTest>
#include <functional>

using CommandIds = QList<QPair<int, int>>;

// The commands the fake device received as "pppp/rrrr" in hex, with ":payload" (its hex, or its
// size when long) where there is one; space-separated, for compact expected values.
inline QString wireText(const FakeDevice &fake)
{
    QStringList commands;
    for (const auto &cmd : fake.received()) {
        commands << QString::asprintf("%04x/%04x", cmd.protocol, cmd.request);
        if (!cmd.payload.isEmpty())
            commands.last() += ':' + (cmd.payload.size() <= 40 ? cmd.payload.toHex() : QByteArray::number(cmd.payload.size()) + " bytes");
    }
    return commands.join(' ');
}

// A device of the program connected to the fake device, which answers each command with the
// payload the test chose for it (an empty reply otherwise).
template <typename Device>
class DeviceHarness
{
public:
    DeviceHarness()
    {
        fake.setResponder([this](const FakeDevice::Command &cmd) {
            return FakeDevice::message(cmd.protocol, cmd.request, answers.value(key(cmd.protocol, cmd.request)));
        });
    }

    void answer(quint16 protocol, quint16 request, const QByteArray &payload)
    {
        answers.insert(key(protocol, request), payload);
    }

    // Connects and waits until the device's connection queries have been answered.
    bool connectAndSettle(int connectionQueries)
    {
        return fake.listen() && connectToFake(device, fake) && fake.waitForCommands(connectionQueries) && waitIdle();
    }

    bool idle() const
    {
        SocketHandler *handler = const_cast<Device &>(device).socketHandler();
        return handler->queuedCount() == 0 && handler->inFlight().protocol == 0;
    }

    bool waitIdle(int timeoutMs = 5000) { return waitUntil([this] { return idle(); }, timeoutMs); }

    // Everything the call queued, once the device has answered all of it.
    CommandIds sentBy(const std::function<void()> &call)
    {
        fake.clearReceived();
        call();
        if (!waitIdle())
            return {{-1, -1}};
        return commandIds(fake);
    }
    QString wireTextOf(const std::function<void()> &call) { return sentBy(call) == CommandIds{{-1, -1}} ? "busy" : wireText(fake); }

    FakeDevice fake;
    Device device;

private:
    static quint32 key(quint16 protocol, quint16 request) { return (quint32(protocol) << 16) | request; }
    QHash<quint32, QByteArray> answers;
};
