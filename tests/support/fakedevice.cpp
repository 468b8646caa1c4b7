#include "fakedevice.h"

#include <QtEndian>

FakeDevice::FakeDevice(QObject *parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeDevice::onNewConnection);
    m_pumpTimer.setInterval(1);
    connect(&m_pumpTimer, &QTimer::timeout, this, &FakeDevice::pump);
    m_responder = [](const Command &cmd) { return message(cmd.protocol, cmd.request); };
}

quint16 FakeDevice::crc16(const QByteArray &bytes)
{
    quint16 crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= static_cast<quint8>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0x8408) : static_cast<quint16>(crc >> 1);
    }
    return static_cast<quint16>(~crc);
}

QByteArray FakeDevice::header(quint16 protocol, quint16 request, quint32 length, quint16 version)
{
    QByteArray bytes(12, '\0');
    auto *p = reinterpret_cast<uchar *>(bytes.data());
    qToBigEndian(version, p);
    qToBigEndian(protocol, p + 4);
    qToBigEndian(request, p + 6);
    qToBigEndian(length, p + 8);
    qToBigEndian(crc16(bytes), p + 2);
    return bytes;
}

void FakeDevice::send(const QByteArray &bytes)
{
    if (m_client && m_chunkSize <= 0) {
        m_client->write(bytes);
        m_client->flush();
    } else if (m_client) {
        m_outbox.append(bytes);
        if (!m_pumpTimer.isActive())
            m_pumpTimer.start();
    }
}

// One piece per event-loop turn.
void FakeDevice::pump()
{
    const QByteArray piece = m_outbox.left(m_chunkSize);
    m_outbox.remove(0, piece.size());
    if (m_client && !piece.isEmpty()) {
        m_client->write(piece);
        m_client->flush();
    }
    if (!m_client || m_outbox.isEmpty())
        m_pumpTimer.stop();
}

void FakeDevice::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        if (m_client)
            m_client->deleteLater();
        m_client = socket;
        m_inbox.clear();
        m_outbox.clear();
        connect(socket, &QTcpSocket::readyRead, this, &FakeDevice::onReadyRead);
    }
}

void FakeDevice::onReadyRead()
{
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    if (socket != m_client)
        return;
    m_inbox.append(socket->readAll());
    while (m_inbox.size() >= 12) {
        const auto *p = reinterpret_cast<const uchar *>(m_inbox.constData());
        QByteArray zeroed = m_inbox.left(12);
        zeroed[2] = zeroed[3] = 0;
        if (qFromBigEndian<quint16>(p + 2) != crc16(zeroed) || qFromBigEndian<quint16>(p) != 0x0106) {
            ++m_badHeaders;
            m_inbox.clear();
            return;
        }
        const quint32 length = qFromBigEndian<quint32>(p + 8);
        if (static_cast<quint32>(m_inbox.size() - 12) < length)
            return;
        Command cmd;
        cmd.protocol = qFromBigEndian<quint16>(p + 4);
        cmd.request = qFromBigEndian<quint16>(p + 6);
        cmd.payload = m_inbox.mid(12, static_cast<int>(length));
        m_inbox.remove(0, 12 + static_cast<int>(length));
        m_received.append(cmd);
        emit commandReceived(cmd);
        if (!m_silent)
            send(m_responder(cmd));
    }
}
