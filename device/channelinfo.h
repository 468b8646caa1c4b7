#pragma once

#include <QObject>
#include <QString>

// One input channel of a device, filled from channel-info replies.
class ChannelInfo : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int port READ port WRITE setPort NOTIFY portChanged)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(int id READ id WRITE setId NOTIFY idChanged)
    Q_PROPERTY(QString mode READ mode WRITE setMode NOTIFY modeChanged)
    Q_PROPERTY(int bright READ bright WRITE setBright NOTIFY brightChanged)
    Q_PROPERTY(int contrast READ contrast WRITE setContrast NOTIFY contrastChanged)
    Q_PROPERTY(int chroma READ chroma WRITE setChroma NOTIFY chromaChanged)
    Q_PROPERTY(int hue READ hue WRITE setHue NOTIFY hueChanged)
    Q_PROPERTY(int volume READ volume WRITE setVolume NOTIFY volumeChanged)
public:
    explicit ChannelInfo(QObject *parent = nullptr);

    int id() const { return m_id; }
    QString name() const { return m_name; }
    int port() const { return m_port; }
    QString mode() const { return m_mode; }
    int bright() const { return m_bright; }
    int contrast() const { return m_contrast; }
    int chroma() const { return m_chroma; }
    int hue() const { return m_hue; }
    int volume() const { return m_volume; }

    void setId(int value);
    void setName(const QString &value);
    void setPort(int value);
    void setMode(const QString &value);
    void setBright(int value);
    void setContrast(int value);
    void setChroma(int value);
    void setHue(int value);
    void setVolume(int value);

    // Applies one channel-info reply item (request low byte) to this record.
    void applyItem(int item, const QByteArray &payload);

signals:
    void destroyed();
    void idChanged();
    void nameChanged();
    void portChanged();
    void modeChanged();
    void brightChanged();
    void contrastChanged();
    void chromaChanged();
    void hueChanged();
    void volumeChanged();

private:
    int m_id = 0;
    QString m_name = QStringLiteral("UNKNOWN CHANNEL");
    int m_port = 0;
    QString m_mode = QStringLiteral("NULL");
    int m_bright = 0;
    int m_contrast = 0;
    int m_chroma = 0;
    int m_hue = 0;
    int m_volume = 0;
};
