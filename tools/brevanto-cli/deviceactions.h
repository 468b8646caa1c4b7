#pragma once

#include "devicesession.h"

#include <QString>
#include <optional>

// The steps of each device action, run by a DeviceSession on a connected device. Each calls
// the same operation of Monitor, Cubrix or the capture item that the window's control calls.
class DeviceActions
{
public:
    using Steps = QList<DeviceSession::Step>;

    static Steps info();

    static Steps key(int keyCode);

    struct LutRequest {
        enum class Operation { Send, Save, Load, On, Off };
        Operation operation = Operation::Send;
        QString file; // send and save
        int type = 1; // 0 1D, 1 3D
        int func = 1; // calibration 0, dit 1, box 2, post-calibration 3, post-dit 4
        int slot = 1; // as the window numbers it
        std::optional<int> bitCode; // 1 8 bit, 2 10 bit, 3 12 bit
    };
    static Steps lut(const LutRequest &request);

    static Steps captureFrame(const QString &outputPath, bool afterLuts);

    static Steps firmware(const QString &path);

    static Steps analyzer(const QString &pngPath, const QString &pdfPath, bool last, bool printStyle);

private:
    static QString lutOnMonitor(DeviceSession &session, const LutRequest &request);
    static QString lutOnCubrix(DeviceSession &session, const LutRequest &request);
};
