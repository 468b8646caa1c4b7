#include "ancillarydata.h"

#include <QCoreApplication>
#include <QtDebug>

namespace {

const int TimecodeSize = 4;

QString hex2(uint value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0'));
}

void takeTimecode(const QByteArray &message, quint8 (&timecode)[4])
{
    for (int i = 0; i < TimecodeSize; ++i)
        timecode[i] = i < message.size() ? static_cast<quint8>(message.at(i)) : 0;
}

} // namespace

bool AncillaryData::takeList(const QByteArray &message)
{
    if (message.size() % 2 != 0 || message.size() < TimecodeSize) {
        qWarning() << "invalid head";
        return false;
    }
    takeTimecode(message, m_record.timecode);
    m_list.clear();
    const int count = (message.size() - TimecodeSize) / 2;
    if (count == 0)
        return true;
    for (int i = 0; i < count; ++i) {
        const int at = TimecodeSize + 2 * i;
        const Entry entry{static_cast<quint8>(message.at(at)), static_cast<quint8>(message.at(at + 1))};
        qDebug().nospace() << "did= " << int(entry.did) << " sdid= " << int(entry.sdid);
        m_list.append(entry);
    }
    qDebug().nospace() << "set m_list " << count;
    return true;
}

void AncillaryData::takePackets(const QByteArray &message)
{
    m_record = Record();
    takeTimecode(message, m_record.timecode);
    const QByteArray packets = message.mid(TimecodeSize);
    const int n = packets.size();
    if (n <= 4)
        return;
    auto byteAt = [&packets](int i) { return static_cast<quint8>(packets.at(i)); };

    // The checksum follows the DC user data bytes; both must lie inside the message.
    const int dc = byteAt(2);
    if (dc + 3 >= n)
        return;
    m_record.did = byteAt(0);
    m_record.sdid = byteAt(1);
    m_record.dcTotal = dc;
    m_record.cs = byteAt(dc + 3);
    m_record.data = packets.mid(3, dc);
    m_record.blockCount = 1;

    int pos = dc + 4;
    while (pos + 4 < n) {
        const int nextDc = byteAt(pos + 2);
        if (byteAt(pos) != m_record.did || byteAt(pos + 1) != m_record.sdid || pos + nextDc + 3 >= n) {
            qWarning("anci data loop head error\n");
            return;
        }
        m_record.data.append(packets.mid(pos + 3, nextDc));
        m_record.blockCount += 1;
        m_record.dcTotal += nextDc;
        pos += nextDc + 4;
    }
}

QString AncillaryData::listItem(int index) const
{
    if (index < 0 || index >= m_list.size())
        return QString();
    const Entry &entry = m_list.at(index);
    return QStringLiteral("0x%1%2").arg(hex2(entry.did), hex2(entry.sdid));
}

QList<AncillaryData::PageText> AncillaryData::pageTexts() const
{
    const Record &r = m_record;
    QList<PageText> texts{
        {QPoint(30, 30), QCoreApplication::translate("CaptureFrame", "Ancillary Data:")},
        {QPoint(330, 30), QCoreApplication::translate("CaptureFrame", "TC %1:%2:%3:%4")
                              .arg(hex2(r.timecode[0]), hex2(r.timecode[1]), hex2(r.timecode[2]), hex2(r.timecode[3]))},
        {QPoint(30, 50), QCoreApplication::translate("CaptureFrame", "DID=0x%1").arg(hex2(r.did))},
        {QPoint(130, 50), QCoreApplication::translate("CaptureFrame", "SDID=0x%1").arg(hex2(r.sdid))},
        {QPoint(220, 50), QCoreApplication::translate("CaptureFrame", "DC=0x%1").arg(r.dcTotal, 0, 16)},
        {QPoint(330, 50), QCoreApplication::translate("CaptureFrame", "BLOCK=0x%1").arg(r.blockCount, 0, 16)},
        {QPoint(430, 50), QCoreApplication::translate("CaptureFrame", "CS=0x%1").arg(hex2(r.cs))},
        {QPoint(30, 70), QCoreApplication::translate("CaptureFrame", "UDW = ")},
    };
    const int lines = qMin((r.data.size() + BytesPerDataLine - 1) / BytesPerDataLine, MaxDataLines);
    for (int k = 0; k < lines; ++k) {
        const QByteArray chunk = r.data.mid(k * BytesPerDataLine, BytesPerDataLine);
        texts.append({QPoint(80, 70 + 20 * k), QCoreApplication::translate("CaptureFrame", "0x%1").arg(QString::fromLatin1(chunk.toHex()))});
    }
    return texts;
}
