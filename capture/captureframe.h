#pragma once

#include "ancillarydata.h"
#include "formulas.h"
#include "mncp/sockethandler.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QPointer>
#include <QQuickPaintedItem>
#include <QString>
#include <QUrl>
#include <functional>

struct FrameHeader;

// Shows one still frame of a device's video (or the captured ancillary data page), asks the
// device for frames through the device's transport and saves frames on request.
class CaptureFrame : public QQuickPaintedItem
{
    Q_OBJECT
    Q_PROPERTY(int quick_save_count READ quickSaveCount WRITE writeQuickSaveCount NOTIFY quick_save_countChanged)
    Q_PROPERTY(int quick_save_type READ quickSaveType WRITE writeQuickSaveType NOTIFY quick_save_typeChanged)
    Q_PROPERTY(QString quick_save_dir READ quickSaveDir WRITE writeQuickSaveDir NOTIFY quick_save_dirChanged)
    Q_PROPERTY(QString quick_save_name READ quickSaveName WRITE writeQuickSaveName NOTIFY quick_save_nameChanged)
    Q_PROPERTY(int anci_count READ anciCount WRITE writeAnciCount NOTIFY anci_countChanged)
    // The last frame arrived but could not be decoded: the picture area says so instead.
    Q_PROPERTY(bool frame_undecodable READ frameUndecodable NOTIFY frame_undecodableChanged)
public:
    enum DisplayMode { DisplayFrame = 0, DisplayAncillary = 1 };
    enum QuickSaveType { SaveJpeg = 1, SaveBitmap = 2, SaveRaw = 3 };
    using Clock = std::function<QDateTime()>;

    explicit CaptureFrame(QQuickItem *parent = nullptr);
    ~CaptureFrame() override;

    // Called by the device's registerFeature, in this order.
    void setSocketHandler(SocketHandler *handler);
    void setDeviceModel(const QString &model);

    int quickSaveCount() const { return m_quickSaveCount; }
    int quickSaveType() const { return m_quickSaveType; }
    QString quickSaveDir() const { return m_quickSaveDir; }
    QString quickSaveName() const { return m_quickSaveName; }
    int anciCount() const { return m_anciCount; }
    bool frameUndecodable() const { return m_frameUndecodable; }

    // Plain property writes: any value is stored.
    void writeQuickSaveCount(int count);
    void writeQuickSaveType(int type);
    void writeQuickSaveDir(const QString &dir);
    void writeQuickSaveName(const QString &name);
    void writeAnciCount(int count);

    // The checked setters the user interface calls.
    Q_INVOKABLE void setQuickSaveCount(int count);
    Q_INVOKABLE void setQuickSaveType(int type);
    Q_INVOKABLE void setQuickSaveDir(QString dir);
    Q_INVOKABLE void setQuickSaveName(QString name);

    Q_INVOKABLE void clearFrame();
    Q_INVOKABLE void saveImage(QUrl url);
    Q_INVOKABLE QString getListItem(int index);
    Q_INVOKABLE void captureFrame(int id);
    Q_INVOKABLE void receiveAnci(QByteArray data, int type);
    Q_INVOKABLE void receiveFrame(QByteArray frame, uint range);

    void paint(QPainter *painter) override;

    // "TC hh:mm:ss:ff": all fields in hex for the Cubrix, only the hours otherwise.
    static QString timecodeText(const QString &deviceModel, const quint8 (&timecode)[4]);

    // Inspection, and the time source of quick-save names (replaceable for tests).
    const QImage &image() const { return m_image; }
    int displayMode() const { return m_displayMode; }
    QString deviceModel() const { return m_deviceModel; }
    SocketHandler *socketHandler() const { return m_socketHandler; }
    const AncillaryData &ancillary() const { return m_ancillary; }
    QString frameTimecodeText() const { return timecodeText(m_deviceModel, m_timecode); }
    int repaintRequests() const { return m_repaintRequests; }
    void setClock(Clock clock) { m_clock = std::move(clock); }

signals:
    void quick_save_countChanged();
    void quick_save_typeChanged();
    void quick_save_dirChanged();
    void quick_save_nameChanged();
    void anci_countChanged();
    void frame_undecodableChanged();
    // A captured frame was written to a file, or could not be.
    void frameSaved(const QString &path);
    void frameSaveFailed(const QString &path);

private:
    struct QuickSave {
        bool imageWanted = false;
        QUrl url;
    };

    void appendCmd(quint16 protocol, quint16 request, QByteArray data);
    QuickSave decideQuickSave(const QByteArray &frame, const FrameHeader &header);
    // dir/<stamp><name><suffix>, or with "_2", "_3", ... before the suffix if that file exists.
    QString quickSavePath(const QString &suffix) const;
    void consumeQuickSaveCount();
    void setFrameUndecodable(bool undecodable);
    // Drops the previous picture and time code so that they are not taken for this frame's.
    void showUndecodable();
    void requestRepaint();
    void paintFrame(QPainter *painter);
    void paintAncillary(QPainter *painter);

    // Not owned; guarded, as the device (and its transport) may go before the item.
    QPointer<SocketHandler> m_socketHandler;
    QString m_deviceModel;
    CubrixUtils::Formulas m_formulas;
    QImage m_image;
    quint8 m_timecode[4] = {0, 0, 0, 0};
    int m_quickSaveCount = 0;
    int m_quickSaveType = 0;
    QString m_quickSaveDir;
    QString m_quickSaveName;
    int m_anciCount = 0;
    int m_displayMode = DisplayFrame;
    bool m_frameUndecodable = false;
    AncillaryData m_ancillary;
    int m_repaintRequests = 0;
    Clock m_clock = &QDateTime::currentDateTime;
};
