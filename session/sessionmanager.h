#pragma once

#include <QDir>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

// Remembers the open device tabs (and the colour theme) in "savedTabs.conf", so that the
// next start reopens them. The main window calls it whenever tabs change.
class SessionManager : public QObject
{
    Q_OBJECT
    // Set when reading the list left records out of the window: how many, and where the
    // untouched original was kept.
    Q_PROPERTY(QString setAsideNotice READ setAsideNotice NOTIFY setAsideNoticeChanged)
public:
    struct TabRecord {
        quint8 index = 0;
        QString type;
        QString ip;
        QString name;
        QString mode;
    };

    explicit SessionManager(QObject *parent = nullptr);
    ~SessionManager() override;

    Q_INVOKABLE void addTab(uchar idx, const QString &type, const QString &ip, const QString &name,
                            const QString &mode);
    Q_INVOKABLE void replaceTab(uchar idx, const QString &type, const QString &ip, const QString &name,
                                const QString &mode);
    Q_INVOKABLE void removeTab(uchar idx);
    Q_INVOKABLE bool saveToDisk();
    Q_INVOKABLE bool readFromDisk();
    Q_INVOKABLE QStringList getSavedTabsCSV() const;
    Q_INVOKABLE void changeMode(const QString &tmode);

    const QVector<TabRecord> &records() const { return m_records; }
    QString setAsideNotice() const { return m_setAsideNotice; }
    QString mode() const { return m_mode; }
    // Where the list is kept: the data directory's path with the file name glued on.
    QString filePath() const;

    // A saved-tabs file is a few dozen bytes per tab; anything larger is not one.
    static constexpr qint64 MaxFileSize = 1024 * 1024;
    // Indexes are 8-bit: more records than that could not be told apart.
    static constexpr int MaxRecords = 256;

signals:
    void setAsideNoticeChanged();

private:
    static QString lineFor(const TabRecord &record);
    static bool isDeviceType(const QString &type);
    // Copies the list as it is on disk beside it, before a rewrite drops `count` records.
    bool setAside(int count);

    QString m_mode = QStringLiteral("dark");
    QVector<TabRecord> m_records;
    QDir m_appDataDir;
    QString m_fileName = QStringLiteral("savedTabs.conf");
    QString m_setAsideNotice;
};
