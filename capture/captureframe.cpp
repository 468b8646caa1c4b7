#include "captureframe.h"

#include "atomicfile.h"
#include "framedecoder.h"
#include "frameheader.h"
#include "mncp/mncpids.h"
#include "mncp/sockethandler.h"
#include "rawframefile.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QtDebug>
#include <algorithm>
#include <stdexcept>

namespace {

QString twoDigits(uint value, int base)
{
    return QStringLiteral("%1").arg(value, 2, base, QLatin1Char('0'));
}

// The format follows the file's suffix, as QImage::save(path) chooses it.
bool writeImageFile(const QImage &image, const QString &path)
{
    const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    return AtomicFile::write(path, [&](QIODevice &file) { return QImageWriter(&file, format).write(image); });
}
} // namespace

CaptureFrame::CaptureFrame(QQuickItem *parent) : QQuickPaintedItem(parent)
{
    writeQuickSaveType(SaveJpeg);
    writeQuickSaveName(QStringLiteral("CapturedImage"));
}

CaptureFrame::~CaptureFrame()
{
    qDebug() << "Closing CaptureFrame Destructor";
}

void CaptureFrame::setSocketHandler(SocketHandler *handler)
{
    m_socketHandler = handler;
}

void CaptureFrame::setDeviceModel(const QString &model)
{
    m_deviceModel = model;
}

void CaptureFrame::writeQuickSaveCount(int count)
{
    if (count == m_quickSaveCount)
        return;
    m_quickSaveCount = count;
    emit quick_save_countChanged();
}

void CaptureFrame::writeQuickSaveType(int type)
{
    if (type == m_quickSaveType)
        return;
    m_quickSaveType = type;
    emit quick_save_typeChanged();
}

void CaptureFrame::writeQuickSaveDir(const QString &dir)
{
    if (dir == m_quickSaveDir)
        return;
    m_quickSaveDir = dir;
    emit quick_save_dirChanged();
}

void CaptureFrame::writeQuickSaveName(const QString &name)
{
    if (name == m_quickSaveName)
        return;
    m_quickSaveName = name;
    emit quick_save_nameChanged();
}

void CaptureFrame::writeAnciCount(int count)
{
    // The selection list is rebuilt after every list message, even when its length is unchanged.
    m_anciCount = count;
    emit anci_countChanged();
}

void CaptureFrame::setQuickSaveCount(int count)
{
    writeQuickSaveCount(std::max(count, 0));
}

void CaptureFrame::setQuickSaveType(int type)
{
    if (type == SaveJpeg || type == SaveBitmap || type == SaveRaw)
        writeQuickSaveType(type);
}

void CaptureFrame::setQuickSaveDir(QString dir)
{
    if (!dir.isEmpty())
        writeQuickSaveDir(dir);
}

void CaptureFrame::setQuickSaveName(QString name)
{
    if (!name.isEmpty())
        writeQuickSaveName(name);
}

void CaptureFrame::clearFrame()
{
    m_image = QImage();
    setFrameUndecodable(false);
    if (m_displayMode == DisplayAncillary)
        m_ancillary.clearRecord();
    requestRepaint();
}

void CaptureFrame::saveImage(QUrl url)
{
    if (url.isEmpty()) {
        qDebug() << "saveImage  url empty";
        return;
    }
    if (m_image.isNull()) {
        qDebug() << "saveImage  m_image == NULL";
        return;
    }
    qDebug().noquote() << "save image" << url.toDisplayString();
    qDebug().noquote() << "save image" << QDateTime::currentDateTime().toString(Qt::TextDate);
    if (!writeImageFile(m_image, url.toLocalFile())) {
        qWarning().noquote() << "saveImage: could not write" << url.toDisplayString();
        emit frameSaveFailed(url.toLocalFile());
        return;
    }
    emit frameSaved(url.toLocalFile());
}

QString CaptureFrame::getListItem(int index)
{
    qDebug().nospace() << "start get List Item " << index << ". m_list.count() == " << m_ancillary.listCount();
    const QString text = m_ancillary.listItem(index);
    if (!text.isEmpty())
        qDebug().nospace().noquote() << " get list item " << text;
    return text;
}

void CaptureFrame::captureFrame(int id)
{
    appendCmd(MNCP_PROTOCOL_FRAME_CAPTURE, static_cast<quint16>(id & 0xFF), QByteArray());
}

void CaptureFrame::appendCmd(quint16 protocol, quint16 request, QByteArray data)
{
    try {
        if (!m_socketHandler)
            throw std::invalid_argument("Error: CaptureFrame class holds NULL pointer to required SocketHandler.");
        if (m_socketHandler->socketState() != QAbstractSocket::ConnectedState)
            throw std::invalid_argument("Error: CaptureFrame's SocketHandler is not connected.");
        m_socketHandler->queueCommand(protocol, request, data);
        qDebug("%s: add cmd: 0x%04x - 0x%04x", "appendCmd", protocol, request);
    } catch (const std::invalid_argument &error) {
        qDebug("%s \n%s", error.what(), "Unable to send request to hardware.");
        qCritical("%s \n%s", error.what(), "Unable to send request to hardware.");
    }
}

void CaptureFrame::receiveAnci(QByteArray data, int type)
{
    switch (type) {
    case 3:
        if (m_ancillary.takeList(data))
            writeAnciCount(m_ancillary.listCount());
        break;
    case 4:
        m_ancillary.takePackets(data);
        m_displayMode = DisplayAncillary;
        requestRepaint();
        break;
    default:
        break;
    }
}

void CaptureFrame::receiveFrame(QByteArray frame, uint range)
{
    qDebug().nospace().noquote() << "Received Frame Slot: Range = " << range;
    const std::optional<FrameHeader> header = FrameHeader::parse(frame);
    const QString problem = header ? header->problemWith(frame.size())
                                   : QStringLiteral("%1 bytes do not hold the 12-byte frame header").arg(frame.size());
    // Decided before decoding: the raw form is the bytes as received and needs no decoding.
    QuickSave save;
    if (header)
        save = decideQuickSave(frame, *header);

    m_displayMode = DisplayFrame;
    if (!problem.isEmpty()) {
        // Nothing is allocated from an unchecked header; the frame still answers one save request.
        qWarning("%s: frame not decoded: %s", "receiveFrame", qPrintable(problem));
        showUndecodable();
        if (save.imageWanted || (!header && m_quickSaveCount != 0)) {
            consumeQuickSaveCount();
            qDebug() << "quick save skipped: the frame could not be decoded into a picture";
        }
        return;
    }
    setFrameUndecodable(false);
    std::copy(std::begin(header->timecode), std::end(header->timecode), std::begin(m_timecode));
    m_image = QImage(header->width, header->height, QImage::Format_ARGB32_Premultiplied);
    if (m_image.isNull()) {
        if (save.imageWanted)
            consumeQuickSaveCount();
        return;
    }
    FrameDecoder::decode(m_formulas, frame, *header, range, m_image);
    requestRepaint();

    if (save.imageWanted) {
        consumeQuickSaveCount();
        if (writeImageFile(m_image, save.url.toLocalFile())) {
            emit frameSaved(save.url.toLocalFile());
        } else {
            qWarning().nospace().noquote() << "failed to write " << save.url.toLocalFile();
            emit frameSaveFailed(save.url.toLocalFile());
        }
        qDebug().nospace().noquote() << "save file " << save.url.toString();
    }
}

CaptureFrame::QuickSave CaptureFrame::decideQuickSave(const QByteArray &frame, const FrameHeader &header)
{
    QuickSave save;
    if (m_quickSaveCount == 0)
        return save;
    if (m_quickSaveType == 0 || m_quickSaveDir.isEmpty() || m_quickSaveName.isEmpty()) {
        consumeQuickSaveCount();
        qDebug() << "quick_save type or name or dir is empty ,error\n";
        return save;
    }
    const QString suffix = m_quickSaveType == SaveBitmap ? QStringLiteral(".bmp")
                           : m_quickSaveType == SaveRaw  ? QStringLiteral(".raw")
                                                         : QStringLiteral(".jpg");
    const QString path = quickSavePath(suffix);
    qDebug().nospace().noquote() << "quick_save_name = " << path;
    save.url = QUrl(path, QUrl::TolerantMode);
    save.imageWanted = save.url.isValid();
    if (!save.imageWanted)
        consumeQuickSaveCount();
    qDebug().nospace().noquote() << "needSave ==  " << (save.imageWanted ? 1 : 0);
    if (m_quickSaveType == SaveRaw && save.imageWanted) {
        if (RawFrameFile::write(save.url.toLocalFile(), frame, header))
            emit frameSaved(save.url.toLocalFile());
        else
            emit frameSaveFailed(save.url.toLocalFile());
        consumeQuickSaveCount();
        save.imageWanted = false;
    }
    return save;
}

QString CaptureFrame::quickSavePath(const QString &suffix) const
{
    const QString base = m_quickSaveDir + QLatin1Char('/') + m_clock().toString(QStringLiteral("yyyyMMdd_hh_mm_ss"))
                         + m_quickSaveName;
    // Two frames within one second must not overwrite each other.
    QString path = base + suffix;
    for (int n = 2; QFileInfo::exists(QUrl(path, QUrl::TolerantMode).toLocalFile()); ++n)
        path = base + QLatin1Char('_') + QString::number(n) + suffix;
    return path;
}

void CaptureFrame::consumeQuickSaveCount()
{
    if (m_quickSaveCount != 0)
        setQuickSaveCount(m_quickSaveCount - 1);
}

void CaptureFrame::setFrameUndecodable(bool undecodable)
{
    if (undecodable == m_frameUndecodable)
        return;
    m_frameUndecodable = undecodable;
    emit frame_undecodableChanged();
}

void CaptureFrame::showUndecodable()
{
    m_image = QImage();
    std::fill(std::begin(m_timecode), std::end(m_timecode), 0);
    setFrameUndecodable(true);
    requestRepaint();
}

void CaptureFrame::requestRepaint()
{
    ++m_repaintRequests;
    update();
}

QString CaptureFrame::timecodeText(const QString &deviceModel, const quint8 (&timecode)[4])
{
    // Written the way each device codes its fields: the Cubrix all four in hex, monitors the hours.
    const int base = deviceModel == QLatin1String("Cubrix") ? 16 : 10;
    return tr("TC %1:%2:%3:%4")
        .arg(twoDigits(timecode[0], 16), twoDigits(timecode[1], base), twoDigits(timecode[2], base),
             twoDigits(timecode[3], base));
}

void CaptureFrame::paint(QPainter *painter)
{
    if (m_displayMode == DisplayAncillary)
        paintAncillary(painter);
    else
        paintFrame(painter);
}

void CaptureFrame::paintFrame(QPainter *painter)
{
    const QRectF bounds = boundingRect();
    if (m_image.isNull()) {
        painter->drawText(bounds, Qt::AlignCenter, m_frameUndecodable ? tr("Frame could not be decoded") : tr(""));
        return;
    }
    // Keep the aspect ratio and the top-left corner.
    QRectF target = bounds;
    const qreal ratio = qreal(m_image.height()) / m_image.width();
    if (ratio > bounds.height() / bounds.width())
        target.setWidth(bounds.height() / ratio);
    else
        target.setHeight(ratio * bounds.width());
    painter->drawImage(target, m_image);

    painter->fillRect(QRect(1, 1, 100, 18), Qt::white);
    painter->drawRect(QRect(0, 0, 101, 19));
    painter->drawText(QPoint(4, 15), frameTimecodeText());
}

void CaptureFrame::paintAncillary(QPainter *painter)
{
    const QList<AncillaryData::PageText> texts = m_ancillary.pageTexts();
    for (const AncillaryData::PageText &text : texts)
        painter->drawText(text.at, text.text);
}
