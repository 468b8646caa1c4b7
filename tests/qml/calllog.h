#pragma once

#include "device/devicebase.h"
#include "lut/identitylut.h"

#include <QMetaEnum>
#include <QStringList>
#include <QUrl>

// What a recording device was asked to do, one "name(arguments)" entry per call: files by name,
// enumerators by name without their family prefix ("MODE_1", "3D", "DIT"), the identity tables
// by name (RAMP, ID17, ID33).
class CallLog
{
public:
    void add(const char *name, std::initializer_list<QVariant> arguments)
    {
        QStringList shown;
        for (const QVariant &argument : arguments)
            shown << (argument.userType() == QMetaType::QUrl ? argument.toUrl().fileName() : textName(argument.toString()));
        m_calls << QStringLiteral("%1(%2)").arg(QLatin1String(name), shown.join(QLatin1Char(',')));
    }
    // The calls since the last take(), separated by blanks.
    QString take()
    {
        const QString text = m_calls.join(QLatin1Char(' '));
        m_calls.clear();
        return text;
    }
    template <typename Class>
    static QString enumerator(const char *enumeration, int value, const char *prefix)
    {
        const QMetaEnum type = Class::staticMetaObject.enumerator(Class::staticMetaObject.indexOfEnumerator(enumeration));
        return QString::fromLatin1(type.valueToKey(value)).remove(QLatin1String(prefix));
    }
    static QString key(int value) { return enumerator<DeviceBase>("mncp_key_code", value, "MNCP_KEY_"); }

private:
    static QString textName(const QString &text)
    {
        const QStringList names{QStringLiteral("RAMP"), QStringLiteral("ID17"), QStringLiteral("ID33")};
        const int known = QList<QString>{IdentityLut::rampText(), IdentityLut::cubeText17(), IdentityLut::cubeText33()}.indexOf(text);
        return text.size() < 64 ? text : known >= 0 ? names.at(known) : QStringLiteral("<%1 chars>").arg(text.size());
    }

    QStringList m_calls;
};
