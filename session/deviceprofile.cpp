#include "deviceprofile.h"

#include <QDebug>
#include <QFile>
#include <QTextStream>

DeviceProfile::DeviceProfile(QObject *parent)
    : QObject(parent)
{
    qDebug() << "DeviceProfile Constructor Started";
    qDebug() << "DeviceProfile Constructor Completed";
}

DeviceProfile::~DeviceProfile()
{
    qDebug() << "DeviceProfile Destructor Completed";
}

void DeviceProfile::importTabs(const QString &url)
{
    qDebug() << url;
    // Whatever cannot be read leaves no text behind, so the window refuses it instead of
    // importing the profile read the time before.
    m_info.clear();
    QFile file(url);
    if (file.size() > MaxFileSize) {
        qDebug() << "DeviceProfile: ignoring" << url << "of" << file.size() << "bytes";
        return;
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream in(&file);
    in.setCodec("UTF-8");
    m_info = in.readAll();
}

bool DeviceProfile::exportTabs(const QString &type, const QString &url, const QString &info)
{
    Q_UNUSED(type)
    QFile file(url);
    if (!file.exists())
        qDebug().noquote() << file.fileName() + QStringLiteral(" Does not exist");
    if (!file.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Text)) {
        qDebug() << "Could not open file";
        return false;
    }
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    qDebug() << "--------Write to file-----------";
    stream << info;
    stream.flush();
    const bool written = stream.status() == QTextStream::Ok && file.flush();
    qDebug() << "--------Reading From File-------";
    // Normally nothing follows what was written; a device file (say /dev/zero) could go on
    // for ever, so only a little is read back.
    constexpr qint64 ReadBackLimit = 4096;
    qint64 readBack = 0;
    while (written && !stream.atEnd() && readBack < ReadBackLimit) {
        const QString line = stream.readLine(ReadBackLimit);
        readBack += line.size() + 1;
        qDebug() << line;
    }
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

void DeviceProfile::readInfo()
{
    qDebug() << m_info;
}

void DeviceProfile::changeMode(const QString &text)
{
    qDebug() << text;
    m_mode = text;
}

void DeviceProfile::getMode(QString text)
{
    // Kept for callers of the old interface; it reports nothing back.
    Q_UNUSED(text)
}
