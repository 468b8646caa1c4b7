#pragma once

#include <QString>

// The --help text of the tool and of each subcommand.
class HelpTexts
{
public:
    // topic: "", "lut", "lut check", ..., "device", "device info", "device lut", ...
    static QString text(const QString &topic);
};
