#pragma once

#include <QAbstractListModel>
#include <QDateTime>
#include <QString>
#include <QUrl>
#include <QVector>

// What happened between the program and one device, for the operator: commands sent, replies
// and error statuses, connections and their ends, dropped commands; each with its time. Bounded:
// the oldest entries go first. The console log is not affected.
class DeviceLog : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
public:
    static constexpr int MaxEntries = 5000;
    enum Role { TimeRole = Qt::UserRole + 1, TextRole };

    explicit DeviceLog(QObject *parent = nullptr);

    void add(const QString &text);
    int count() const { return m_entries.size(); }

    // Every entry as "hh:mm:ss.zzz  text" lines, oldest first.
    Q_INVOKABLE QString text() const;
    Q_INVOKABLE void copyToClipboard() const;
    // Plain text, written beside the target and renamed into place; false (with a warning) when
    // it cannot be written.
    Q_INVOKABLE bool saveAs(const QUrl &url) const;
    Q_INVOKABLE void clear();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

private:
    struct Entry {
        QDateTime time;
        QString text;
    };
    static QString line(const Entry &entry);
    QVector<Entry> m_entries;
};
