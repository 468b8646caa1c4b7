#pragma once

#include <QObject>
#include <QString>

// Reads and writes profile files: a list of device tabs as one text of entries
// "TYPE/name/address/theme," that the main window builds and splits. Also keeps the
// current colour theme for the window.
class DeviceProfile : public QObject
{
    Q_OBJECT
public:
    explicit DeviceProfile(QObject *parent = nullptr);
    ~DeviceProfile() override;

    // The paths are local file paths (the window strips the "file://" of its dialogs).
    Q_INVOKABLE void importTabs(const QString &url);
    // Returns whether the whole text reached the file.
    Q_INVOKABLE bool exportTabs(const QString &type, const QString &url, const QString &info);
    Q_INVOKABLE void readInfo();
    Q_INVOKABLE void changeMode(const QString &text);
    Q_INVOKABLE void getMode(QString text);
    Q_INVOKABLE QString getInfo() const { return m_info; }
    Q_INVOKABLE QString getMoreInfo() const { return m_mode; }

    // A profile holds a handful of short entries; a larger file is not one.
    static constexpr qint64 MaxFileSize = 1024 * 1024;

private:
    QString m_mode = QStringLiteral("dark");
    QString m_info;
};
