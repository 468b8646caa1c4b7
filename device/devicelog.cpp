#include "devicelog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSaveFile>
#include <QtDebug>

DeviceLog::DeviceLog(QObject *parent) : QAbstractListModel(parent) {}

void DeviceLog::add(const QString &text)
{
    if (m_entries.size() >= MaxEntries) {
        beginRemoveRows(QModelIndex(), 0, 0);
        m_entries.removeFirst();
        endRemoveRows();
    }
    beginInsertRows(QModelIndex(), m_entries.size(), m_entries.size());
    m_entries.append(Entry{QDateTime::currentDateTime(), text});
    endInsertRows();
    emit countChanged();
}

QString DeviceLog::line(const Entry &entry)
{
    return entry.time.toString(QStringLiteral("hh:mm:ss.zzz")) + QStringLiteral("  ") + entry.text;
}

QString DeviceLog::text() const
{
    QStringList lines;
    lines.reserve(m_entries.size());
    for (const Entry &entry : m_entries)
        lines << line(entry);
    return lines.join(QLatin1Char('\n')) + (lines.isEmpty() ? QString() : QStringLiteral("\n"));
}

void DeviceLog::copyToClipboard() const
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(text());
}

bool DeviceLog::saveAs(const QUrl &url) const
{
    QSaveFile file(url.isLocalFile() ? url.toLocalFile() : url.toString());
    const QByteArray bytes = text().toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(bytes) != bytes.size() || !file.commit()) {
        qWarning() << "Device log: could not save to" << file.fileName() << file.errorString();
        return false;
    }
    return true;
}

void DeviceLog::clear()
{
    beginResetModel();
    m_entries.clear();
    endResetModel();
    emit countChanged();
}

int DeviceLog::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_entries.size();
}

QVariant DeviceLog::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return QVariant();
    const Entry &entry = m_entries.at(index.row());
    switch (role) {
    case TimeRole: return entry.time.toString(QStringLiteral("hh:mm:ss.zzz"));
    case TextRole:
    case Qt::DisplayRole: return entry.text;
    default: return QVariant();
    }
}

QHash<int, QByteArray> DeviceLog::roleNames() const
{
    return {{TimeRole, "time"}, {TextRole, "text"}};
}
