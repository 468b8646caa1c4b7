#pragma once

#include <QByteArray>
#include <QString>

// Writes a whole result file or says why it could not.
class OutputFile
{
public:
    // Empty on success, else the reason.
    static QString write(const QString &path, const QByteArray &contents);
};
