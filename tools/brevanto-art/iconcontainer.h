#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// Writes multi-size icon files without relying on image plugins: Windows ".ico" (32-bit
// bitmaps for the small sizes, PNG for 256 px) and Apple ".icns" (PNG members).
class IconContainer
{
public:
    // Sizes 1 to 256; each image must be square.
    static QByteArray ico(const QList<QImage> &images);
    // Sizes 16, 32, 64, 128, 256, 512 or 1024; each image must be square.
    static QByteArray icns(const QList<QImage> &images);
    // The four-character member type of an icns entry of that size (empty when none).
    static QByteArray icnsType(int size);

private:
    static QByteArray png(const QImage &image);
    static QByteArray dib(const QImage &image);
};
