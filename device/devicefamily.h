#pragma once

#include <QString>

// Which kind and family a device is, from the model name and serial number it reports: the
// same tests, with the same model lists, as the window's device-type script.
class DeviceFamily
{
public:
    static bool isCubrix(const QString &model);
    static bool isRVseries(const QString &model, const QString &serial);
    static bool isRVQseries(const QString &model, const QString &serial);
};
