#include "iconcontainer.h"

#include <QBuffer>
#include <QtEndian>

namespace {
void appendLe16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void appendLe32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendBe32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}
} // namespace

QByteArray IconContainer::png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG");
    return bytes;
}

QByteArray IconContainer::dib(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int size = argb.width();
    QByteArray out;
    // BITMAPINFOHEADER; the height counts the colour rows and the mask rows.
    appendLe32(out, 40);
    appendLe32(out, quint32(size));
    appendLe32(out, quint32(size * 2));
    appendLe16(out, 1);
    appendLe16(out, 32);
    appendLe32(out, 0);
    appendLe32(out, quint32(size * size * 4));
    appendLe32(out, 0);
    appendLe32(out, 0);
    appendLe32(out, 0);
    appendLe32(out, 0);
    // Colour rows bottom-up as B, G, R, A.
    for (int y = size - 1; y >= 0; --y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            out.append(char(qBlue(line[x])));
            out.append(char(qGreen(line[x])));
            out.append(char(qRed(line[x])));
            out.append(char(qAlpha(line[x])));
        }
    }
    // AND mask, one bit per pixel in rows padded to 32 bits: transparent where alpha is zero.
    const int maskStride = ((size + 31) / 32) * 4;
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        const QRgb *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            if (qAlpha(line[x]) == 0)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        }
        out.append(row);
    }
    return out;
}

QByteArray IconContainer::ico(const QList<QImage> &images)
{
    QList<QByteArray> members;
    for (const QImage &image : images)
        members << (image.width() >= 256 ? png(image) : dib(image));

    QByteArray out;
    appendLe16(out, 0);
    appendLe16(out, 1);
    appendLe16(out, quint16(images.size()));
    quint32 offset = quint32(6 + 16 * images.size());
    for (int i = 0; i < images.size(); ++i) {
        const int size = images[i].width();
        out.append(char(size >= 256 ? 0 : size));
        out.append(char(size >= 256 ? 0 : size));
        out.append(char(0));
        out.append(char(0));
        appendLe16(out, 1);
        appendLe16(out, 32);
        appendLe32(out, quint32(members[i].size()));
        appendLe32(out, offset);
        offset += quint32(members[i].size());
    }
    for (const QByteArray &member : members)
        out.append(member);
    return out;
}

QByteArray IconContainer::icnsType(int size)
{
    switch (size) {
    case 16: return QByteArrayLiteral("icp4");
    case 32: return QByteArrayLiteral("icp5");
    case 64: return QByteArrayLiteral("icp6");
    case 128: return QByteArrayLiteral("ic07");
    case 256: return QByteArrayLiteral("ic08");
    case 512: return QByteArrayLiteral("ic09");
    case 1024: return QByteArrayLiteral("ic10");
    default: return QByteArray();
    }
}

QByteArray IconContainer::icns(const QList<QImage> &images)
{
    QByteArray body;
    for (const QImage &image : images) {
        const QByteArray type = icnsType(image.width());
        if (type.isEmpty())
            continue;
        const QByteArray data = png(image);
        body.append(type);
        appendBe32(body, quint32(data.size() + 8));
        body.append(data);
    }
    QByteArray out("icns");
    appendBe32(out, quint32(body.size() + 8));
    out.append(body);
    return out;
}
