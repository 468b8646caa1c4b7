#pragma once

#include "deviceconnection.h"

#include <QHash>

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
            return FakeDevice::message(cmd.protocol, cmd.request, answers.value(quint32(cmd.protocol) << 16 | cmd.request));
        });
    }

    void answer(quint16 protocol, quint16 request, const QByteArray &payload) { answers.insert(quint32(protocol) << 16 | request, payload); }

    // Connects (again) and waits until the device's connection queries have been answered.
    bool connectAndSettle(int connectionQueries)
    {
        fake.clearReceived();
        return (fake.port() || fake.listen()) && connectToFake(device, fake) && fake.waitForCommands(connectionQueries) && waitIdle();
    }

    bool idle() { return device.socketHandler()->queuedCount() == 0 && device.socketHandler()->inFlight().protocol == 0; }
    bool waitIdle() { return waitUntil([this] { return idle(); }, 5000); }

    // What the call sent (see wireText), once the device has answered all of it.
    QString wireTextOf(const std::function<void()> &call)
    {
        fake.clearReceived();
        call();
        return waitIdle() ? wireText(fake) : QStringLiteral("busy");
    }

    FakeDevice fake;
    Device device;

private:
    QHash<quint32, QByteArray> answers;
};
