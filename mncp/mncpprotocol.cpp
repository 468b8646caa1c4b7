#include "mncpprotocol.h"

#include <QtDebug>
#include <QtEndian>
#include <array>
#include <cstring>

namespace {

constexpr std::array<quint16, 256> makeCrcTable()
{
    std::array<quint16, 256> table{};
    for (int i = 0; i < 256; ++i) {
        quint16 crc = static_cast<quint16>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0x8408) : static_cast<quint16>(crc >> 1);
        table[static_cast<std::size_t>(i)] = crc;
    }
    return table;
}

constexpr std::array<quint16, 256> crcTable = makeCrcTable();

quint16 headerCrc(const mncp_protocol_header &header)
{
    uchar bytes[MNCP_HEADER_SIZE];
    std::memcpy(bytes, &header, MNCP_HEADER_SIZE);
    return mncp_crc16(bytes, MNCP_HEADER_SIZE);
}

template <typename T>
bool fits(const QByteArray &data, int offset)
{
    return offset >= 0 && data.size() >= static_cast<int>(sizeof(T)) && offset <= data.size() - static_cast<int>(sizeof(T));
}

const uchar *at(const QByteArray &data, int offset)
{
    return reinterpret_cast<const uchar *>(data.constData()) + offset;
}

} // namespace

quint16 mncp_crc16(const uchar *data, std::size_t size)
{
    quint16 crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i)
        crc = static_cast<quint16>((crc >> 8) ^ crcTable[(crc ^ data[i]) & 0xFF]);
    return static_cast<quint16>(crc ^ 0xFFFF);
}

void mncp_print_protocol_header(const mncp_protocol_header &header)
{
    qDebug("%s: version - 0x%04x", __func__, header.version);
    qDebug("%s: crc - 0x%04x", __func__, header.crc);
    qDebug("%s: protocol - 0x%04x", __func__, header.protocol);
    qDebug("%s: request - 0x%04x", __func__, header.request);
    qDebug("%s: length - 0x%08x", __func__, header.length);
}

void mncp_encode_header(mncp_protocol_header &header)
{
    mncp_print_protocol_header(header);
    header.version = qToBigEndian(header.version);
    header.protocol = qToBigEndian(header.protocol);
    header.request = qToBigEndian(header.request);
    header.length = qToBigEndian(header.length);
    header.crc = 0;
    header.crc = qToBigEndian(headerCrc(header));
}

int mncp_check_header(mncp_protocol_header &header)
{
    const quint16 received = qFromBigEndian(header.crc);
    header.crc = 0;
    if (headerCrc(header) != received) {
        qDebug("%s: crc error\n", "mncp_check_header");
        return MNCP_HEADER_CRC_ERROR;
    }
    header.version = qFromBigEndian(header.version);
    header.protocol = qFromBigEndian(header.protocol);
    header.request = qFromBigEndian(header.request);
    header.length = qFromBigEndian(header.length);
    if (header.version != MNCP_VERSION) {
        qDebug("%s: version error\n", "mncp_check_header");
        return MNCP_HEADER_VERSION_ERROR;
    }
    return MNCP_HEADER_OK;
}

QByteArray mncp_build_message(quint16 protocol, quint16 request, const QByteArray &payload)
{
    mncp_protocol_header header{MNCP_VERSION, 0, protocol, request, static_cast<quint32>(payload.size())};
    mncp_encode_header(header);
    QByteArray message(reinterpret_cast<const char *>(&header), MNCP_HEADER_SIZE);
    message.append(payload);
    return message;
}

std::optional<quint16> be16(const QByteArray &data, int offset)
{
    if (!fits<quint16>(data, offset))
        return std::nullopt;
    return qFromBigEndian<quint16>(at(data, offset));
}

std::optional<qint16> be16s(const QByteArray &data, int offset)
{
    if (!fits<qint16>(data, offset))
        return std::nullopt;
    return qFromBigEndian<qint16>(at(data, offset));
}

std::optional<qint32> be32(const QByteArray &data, int offset)
{
    if (!fits<qint32>(data, offset))
        return std::nullopt;
    return qFromBigEndian<qint32>(at(data, offset));
}

std::optional<quint32> be32u(const QByteArray &data, int offset)
{
    if (!fits<quint32>(data, offset))
        return std::nullopt;
    return qFromBigEndian<quint32>(at(data, offset));
}

std::optional<qint32> le32(const QByteArray &data, int offset)
{
    if (!fits<qint32>(data, offset))
        return std::nullopt;
    return qFromLittleEndian<qint32>(at(data, offset));
}

std::optional<quint32> le32u(const QByteArray &data, int offset)
{
    if (!fits<quint32>(data, offset))
        return std::nullopt;
    return qFromLittleEndian<quint32>(at(data, offset));
}

QString mncp_string(const QByteArray &data)
{
    const int zero = data.indexOf('\0');
    return QString::fromLatin1(data.constData(), zero < 0 ? data.size() : zero);
}

void appendBe16(QByteArray &out, quint16 value)
{
    out.append(static_cast<char>(value >> 8));
    out.append(static_cast<char>(value & 0xFF));
}

void appendBe32(QByteArray &out, quint32 value)
{
    appendBe16(out, static_cast<quint16>(value >> 16));
    appendBe16(out, static_cast<quint16>(value & 0xFFFF));
}
