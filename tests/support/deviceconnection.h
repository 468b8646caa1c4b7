#pragma once

#include "device/devicebase.h"
#include "fakedevice.h"

#include <QtTest>

// Points a device at the fake device and waits, bounded, until both ends see the connection.
inline bool connectToFake(DeviceBase &device, FakeDevice &fake, int timeoutMs = 5000)
{
    device.setPort(fake.port());
    device.setAddress(fake.address());
    device.deviceConnect();
    return waitUntil([&] { return device.state() == QAbstractSocket::ConnectedState && fake.hasClient(); }, timeoutMs);
}

// The (protocol, request) pairs the fake device received, for compact comparisons.
inline QList<QPair<int, int>> commandIds(const FakeDevice &fake)
{
    QList<QPair<int, int>> ids;
    for (const auto &cmd : fake.received())
        ids.append({cmd.protocol, cmd.request});
    return ids;
}
