#include "sessionmanager.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

SessionManager::SessionManager(QObject *parent)
    : QObject(parent)
    , m_appDataDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
{
    qDebug() << "SessionManager Constructor Started";
    if (!m_appDataDir.exists())
        m_appDataDir.mkpath(QStringLiteral("."));
    qDebug() << "SessionManager Constructor Completed";
}

SessionManager::~SessionManager()
{
    qDebug() << "SessionManager Destructor Completed";
}

QString SessionManager::filePath() const
{
    // No separator between directory and file name: files written by earlier versions lie
    // there, beside the data directory, and must be found again.
    return m_appDataDir.path() + m_fileName;
}

namespace {
// One record is one line: a line break inside a field (an imported profile can carry one)
// would cut the record in two and lose the tab at the next start.
QString onOneLine(QString field)
{
    return field.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
}
} // namespace

QString SessionManager::lineFor(const TabRecord &record)
{
    const bool knownMode = record.mode == QLatin1String("dark") || record.mode == QLatin1String("light");
    return QStringLiteral("%1,%2,%3,%4,%5")
        .arg(record.index)
        .arg(onOneLine(record.type), onOneLine(record.ip), onOneLine(record.name),
             knownMode ? record.mode : QStringLiteral("dark"));
}

void SessionManager::addTab(uchar idx, const QString &type, const QString &ip, const QString &name,
                            const QString &mode)
{
    // Indexes are 8-bit and the next start reads no more than this many: a further tab (a
    // hand-made profile can hold any number) could neither be told apart nor found again.
    if (m_records.size() >= MaxRecords) {
        qDebug() << "SessionManager: tab list full, not adding" << name;
        return;
    }
    m_records.append(TabRecord{idx, type, ip, name, mode});
    saveToDisk();
}

void SessionManager::replaceTab(uchar idx, const QString &type, const QString &ip, const QString &name,
                                const QString &mode)
{
    // Also the theme switch: an index no record carries changes only every record's mode.
    for (TabRecord &record : m_records) {
        if (record.index == idx
            && (record.name != name || record.ip != ip || record.type != type || record.mode != mode)) {
            record.type = type;
            record.ip = ip;
            record.name = name;
        }
        record.mode = mode;
    }
    saveToDisk();
}

void SessionManager::removeTab(uchar idx)
{
    for (int i = 0; i < m_records.size();) {
        if (m_records[i].index == idx) {
            m_records.removeAt(i);
            continue;
        }
        if (m_records[i].index > idx)
            --m_records[i].index;
        ++i;
    }
    saveToDisk();
}

bool SessionManager::saveToDisk()
{
    if (m_records.isEmpty())
        return false;

    // Written beside the old list and renamed over it: an interrupted write or a full disk
    // leaves the previous list in place.
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        qDebug() << "SessionManager: cannot write" << file.fileName() << file.errorString();
        return false;
    }
    QTextStream out(&file);
    out.setCodec("UTF-8");
    for (const TabRecord &record : qAsConst(m_records))
        out << lineFor(record) << '\n';
    out.flush();
    // Push the buffered lines out before committing, so that a failed write is noticed here
    // and the half-written copy is dropped instead of renamed over the list.
    if (out.status() != QTextStream::Ok || !file.flush()) {
        // Not committed: the previous list stays.
        qDebug() << "SessionManager: writing" << file.fileName() << "failed";
        return false;
    }
    if (!file.commit()) {
        qDebug() << "SessionManager: cannot write" << file.fileName() << file.errorString();
        return false;
    }
    return true;
}

bool SessionManager::readFromDisk()
{
    QFile file(filePath());
    if (!file.exists() || file.size() == 0) {
        qDebug() << "SessionManager: no saved tabs:" << file.fileName() << file.errorString();
        return false;
    }
    if (file.size() > MaxFileSize) {
        qDebug() << "SessionManager: ignoring" << file.fileName() << "of" << file.size() << "bytes";
        return !m_records.isEmpty();
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return !m_records.isEmpty();

    m_records.clear();
    QTextStream in(&file);
    in.setCodec("UTF-8");
    int line = 0;
    // Records the window cannot open: beyond the tab limit, or of a device type it does not
    // know (a newer version's, a hand edit). Kept in a copy of the list, never just dropped.
    int setAsideCount = 0;
    while (!in.atEnd()) {
        const QStringList fields = in.readLine().split(QLatin1Char(','), Qt::KeepEmptyParts);
        // A short line (an empty line in a hand-edited file) holds no tab: skipping it without
        // counting keeps the indexes equal to the tab positions.
        if (fields.size() < 4)
            continue;
        qDebug() << "SessionManager: saved tab" << fields;
        if (m_records.size() >= MaxRecords || !isDeviceType(fields.at(1))) {
            ++setAsideCount;
            continue;
        }
        // A name or address with a comma shifts the fields; the mode is then taken from the name
        // field and written back as "dark".
        const QString &mode = fields.size() == 5 ? fields.at(4) : fields.at(3);
        m_records.append(TabRecord{quint8(line), fields.at(1), fields.at(2), fields.at(3), mode});
        ++line;
    }
    file.close();
    // Without a copy of the whole list the file is not rewritten: nothing is lost either way.
    if (setAsideCount == 0 || setAside(setAsideCount))
        saveToDisk();
    return !m_records.isEmpty();
}

bool SessionManager::isDeviceType(const QString &type)
{
    return type == QLatin1String("CUBRIX") || type == QLatin1String("MONITOR");
}

bool SessionManager::setAside(int count)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString backup = filePath() + QLatin1Char('.') + stamp + QStringLiteral(".bak");
    for (int n = 2; QFileInfo::exists(backup); ++n)
        backup = filePath() + QLatin1Char('.') + stamp + QLatin1Char('-') + QString::number(n) + QStringLiteral(".bak");
    if (!QFile::copy(filePath(), backup)) {
        qWarning() << "SessionManager: could not keep a copy of" << filePath() << "at" << backup;
        return false;
    }
    m_setAsideNotice = tr("%n saved tab(s) could not be opened and were set aside; the full list is kept in %1", "",
                          count)
                           .arg(QDir::toNativeSeparators(backup));
    qWarning().noquote() << "SessionManager:" << m_setAsideNotice;
    emit setAsideNoticeChanged();
    return true;
}

QStringList SessionManager::getSavedTabsCSV() const
{
    QStringList lines;
    lines.reserve(m_records.size());
    for (const TabRecord &record : m_records)
        lines << lineFor(record);
    return lines;
}

void SessionManager::changeMode(const QString &tmode)
{
    m_mode = tmode;
    qDebug() << "SessionManager: mode" << m_mode;
}
