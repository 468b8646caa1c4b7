#pragma once

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>

// The Cubrix's ancillary data messages: the list of packet identifiers found in the signal
// (type 3) and the captured user data of one packet kind (type 4), with the text page that
// shows the captured record.
class AncillaryData
{
public:
    struct Entry {
        quint8 did = 0;
        quint8 sdid = 0;
    };
    struct Record {
        quint8 did = 0;
        quint8 sdid = 0;
        quint8 cs = 0; // checksum of the first packet
        int dcTotal = 0;
        int blockCount = 0;
        QByteArray data;
        quint8 timecode[4] = {0, 0, 0, 0};
    };
    struct PageText {
        QPoint at; // baseline point
        QString text;
    };

    static constexpr int BytesPerDataLine = 32;
    // 51 lines end at y = 1070, the bottom of a 1080-line page.
    static constexpr int MaxDataLines = 51;

    // Replaces the list; a message that is odd or shorter than its timecode is refused
    // (logged, returns false) and changes nothing.
    bool takeList(const QByteArray &message);
    // Replaces the record with the packets of the message; stops at the first packet that
    // does not fit or carries other identifiers, keeping what came before.
    void takePackets(const QByteArray &message);
    void clearRecord() { m_record = Record(); }

    int listCount() const { return m_list.size(); }
    const QList<Entry> &list() const { return m_list; }
    // "0x" and DID and SDID as two lower-case hex digits each; empty outside the list.
    QString listItem(int index) const;

    const Record &record() const { return m_record; }
    // Every text of the ancillary page with where it is drawn.
    QList<PageText> pageTexts() const;

private:
    QList<Entry> m_list;
    Record m_record;
};
