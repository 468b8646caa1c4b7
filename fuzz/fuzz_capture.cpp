// The capture item's frame and ancillary-data entries with any header and any size.
//
// Input layout:
//   byte 0  flags
//           bits 0-1  quick save of the next frame: 0 none, 1 JPEG, 2 bitmap, 3 raw (into the scratch folder)
//           bit 2     the item belongs to a Cubrix (time codes in hex) instead of a monitor
//   then    calls, each: kind (1 byte), argument (4 bytes), data length (2 bytes), data
//           kind % 4: 0 receiveFrame(data, argument as range), 1 receiveAnci(data, argument as type),
//                     2 getListItem(argument), 3 paint into a small picture
#include "fuzzsupport.h"

// The item header uses SocketHandler through a QPointer: clang wants the class complete.
#include "mncp/sockethandler.h"
#include "capture/captureframe.h"

#include <QDir>
#include <QImage>
#include <QPainter>

FUZZ_TARGET("capture")(const uint8_t *data, size_t size)
{
    Fuzz::ensureApplication();
    Fuzz::InputReader input(data, size);
    const quint8 flags = input.u8();

    CaptureFrame item;
    item.setSize(QSizeF(48, 27));
    item.setDeviceModel((flags & 0x04) ? QStringLiteral("Cubrix") : QStringLiteral("RV-3100"));
    item.setClock([] { return QDateTime(QDate(2024, 5, 17), QTime(10, 30, 0)); });
    if (flags & 0x03) {
        item.setQuickSaveDir(QUrl::fromLocalFile(Fuzz::scratchDir()).toString());
        item.setQuickSaveName(QStringLiteral("quick"));
        item.setQuickSaveType(flags & 0x03);
        item.setQuickSaveCount(1);
    }

    while (input.remaining() >= 7) {
        const quint8 kind = input.u8() % 4;
        const quint32 argument = input.u32();
        const QByteArray bytes = input.bytes(input.u16());
        if (kind == 0) {
            item.receiveFrame(bytes, argument);
        } else if (kind == 1) {
            item.receiveAnci(bytes, static_cast<int>(argument));
        } else if (kind == 2) {
            item.getListItem(static_cast<int>(argument));
        } else {
            QImage picture(48, 27, QImage::Format_ARGB32_Premultiplied);
            QPainter painter(&picture);
            item.paint(&painter);
        }
    }
    item.frameTimecodeText();
    Fuzz::processEventsOnce();
    // Quick saves never overwrite: left in place they would make every later name search longer.
    QDir scratch(Fuzz::scratchDir());
    for (const QString &name : scratch.entryList({QStringLiteral("*quick*")}, QDir::Files))
        scratch.remove(name);
    return 0;
}
