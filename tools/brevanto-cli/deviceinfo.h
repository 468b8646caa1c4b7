#pragma once

#include <QJsonObject>
#include <QStringList>

class DeviceSession;

// The identity and state a connected device has reported, as JSON and as text.
class DeviceInfo
{
public:
    static QJsonObject collect(DeviceSession &session);
    static QStringList toText(const QJsonObject &info);
};
