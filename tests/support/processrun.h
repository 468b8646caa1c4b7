#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

// A program run to completion as a user would run it (bounded), its outputs kept apart; and
// whole files read or written in one call.
struct ProcessRun {
    int exitCode = -1;
    bool finished = false; // neither crashed nor killed for taking too long
    QString out, err;
    qint64 ms = 0;

    ProcessRun(const QString &program, const QStringList &arguments, int timeoutMs = 60000)
    {
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(program, arguments);
        finished = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
        process.kill();
        process.waitForFinished(5000);
        ms = timer.elapsed();
        exitCode = process.exitCode();
        out = QString::fromUtf8(process.readAllStandardOutput());
        err = QString::fromUtf8(process.readAllStandardError());
    }
    QString describe() const { return QStringLiteral("exit %1%2\n--- stdout\n%3\n--- stderr\n%4").arg(exitCode).arg(finished ? "" : " (crashed or timed out)", out, err); }
};

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}
