#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// A fresh data folder per test: the application-data location follows XDG_DATA_HOME,
// which points into a temporary directory that goes away with the object.
class SessionTestDir
{
public:
    SessionTestDir()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
        QCoreApplication::setApplicationName(QStringLiteral("Brevanto"));
        qputenv("XDG_DATA_HOME", m_dir.path().toUtf8());
    }

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    // Where the saved-tabs list is expected, spelled out independently of the class.
    QString savedTabsPath() const { return m_dir.path() + QStringLiteral("/Tarnwick/BrevantosavedTabs.conf"); }
    QString dataDirPath() const { return m_dir.path() + QStringLiteral("/Tarnwick/Brevanto"); }

    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray();
        return file.readAll();
    }

    static bool write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        return file.write(bytes) == bytes.size();
    }

private:
    QTemporaryDir m_dir;
};
