#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// Wire format of MNCP: a 12-byte big-endian header, optionally followed by a payload.
// Pure code on raw bytes: no QObject and no socket, so it can be unit-tested and fuzzed.

constexpr quint16 MNCP_VERSION = 0x0106;
constexpr int MNCP_HEADER_SIZE = 12;
constexpr quint16 MNCP_DEFAULT_PORT = 18181;

// Replies whose length has 0xFFFF in the upper half carry a status code instead of a payload.
constexpr quint32 MNCP_ERROR_MARKER = 0xFFFF0000u;

struct mncp_protocol_header {
    quint16 version;
    quint16 crc;
    quint16 protocol;
    quint16 request;
    quint32 length;
};
static_assert(sizeof(mncp_protocol_header) == MNCP_HEADER_SIZE, "MNCP header must be 12 bytes");

enum mncp_check_result { MNCP_HEADER_OK = 0, MNCP_HEADER_CRC_ERROR = -1, MNCP_HEADER_VERSION_ERROR = -2 };

// CRC-16/X-25 (reflected 0x8408, init 0xFFFF, final XOR 0xFFFF).
quint16 mncp_crc16(const uchar *data, std::size_t size);

void mncp_print_protocol_header(const mncp_protocol_header &header);
// Host order in, wire order out, with the CRC filled in.
void mncp_encode_header(mncp_protocol_header &header);
// Wire order in; on success (0) or version error (-2) the fields are left in host order.
int mncp_check_header(mncp_protocol_header &header);

inline bool mncp_is_error_reply(quint32 length) { return (length & 0xFFFF0000u) == MNCP_ERROR_MARKER; }

// Builds a complete message (encoded header + payload): convenience for senders.
QByteArray mncp_build_message(quint16 protocol, quint16 request, const QByteArray &payload = QByteArray());

// Bounds-checked readers for untrusted payloads: nullopt when the field lies past the end.
std::optional<quint16> be16(const QByteArray &data, int offset);
std::optional<qint16> be16s(const QByteArray &data, int offset);
std::optional<qint32> be32(const QByteArray &data, int offset);
std::optional<quint32> be32u(const QByteArray &data, int offset);
std::optional<qint32> le32(const QByteArray &data, int offset);
std::optional<quint32> le32u(const QByteArray &data, int offset);
// Latin-1 text from the start up to the first zero byte or the end.
QString mncp_string(const QByteArray &data);

// Appends big-endian integers to a payload.
void appendBe16(QByteArray &out, quint16 value);
void appendBe32(QByteArray &out, quint32 value);
