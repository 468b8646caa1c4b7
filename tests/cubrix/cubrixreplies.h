#pragma once

#include "cubrix/cubrix.h"

#include <QByteArray>
#include <QHash>
#include <QMetaMethod>
#include <QSharedPointer>
#include <QSignalSpy>
#include <QStringList>
#include <QtEndian>

// Hands the Cubrix one reply as the socket handler would: payload plus header in host order.
inline void deliver(Cubrix &cubrix, quint16 protocol, quint16 request, const QByteArray &payload)
{
    mncp_protocol_header header{0x0106, 0, protocol, request, static_cast<quint32>(payload.size())};
    QByteArray copy = payload;
    cubrix.processReply(copy, header);
}

// Big-endian 16-bit words, as the box sends its state blocks.
inline QByteArray words16(std::initializer_list<int> words)
{
    QByteArray out;
    for (int w : words) {
        out.append(static_cast<char>((w >> 8) & 0xFF));
        out.append(static_cast<char>(w & 0xFF));
    }
    return out;
}

inline QByteArray word32(quint32 value)
{
    QByteArray out(4, '\0');
    qToBigEndian(value, reinterpret_cast<uchar *>(out.data()));
    return out;
}

// One spy per signal the Cubrix class itself declares, looked up by name.
class CubrixSignals
{
public:
    explicit CubrixSignals(Cubrix *cubrix)
    {
        const QMetaObject *meta = cubrix->metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() != QMetaMethod::Signal)
                continue;
            const QByteArray signature = "2" + method.methodSignature();
            m_spies.insert(QString::fromLatin1(method.name()),
                           QSharedPointer<QSignalSpy>::create(cubrix, signature.constData()));
        }
    }
    int count(const QString &name) const { return m_spies.contains(name) ? m_spies.value(name)->count() : -1; }
    QStringList fired() const
    {
        QStringList names;
        for (auto it = m_spies.cbegin(); it != m_spies.cend(); ++it) {
            if (it.value()->count() > 0)
                names.append(it.key());
        }
        names.sort();
        return names;
    }

private:
    QHash<QString, QSharedPointer<QSignalSpy>> m_spies;
};
