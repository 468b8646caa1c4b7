#pragma once

#include "lut/identitylut.h"

#include <QMetaEnum>
#include <QStringList>
#include <QUrl>
#include <QVariant>

// What a recording device was asked to do, one "name(arguments)" entry per call: numbers and
// flags as given, files by name, enumerators by name without their family prefix ("MODE_1",
// "3D", "DIT"), and the identity tables by their names (RAMP, ID17, ID33).
class CallLog
{
public:
    void add(const char *name, std::initializer_list<QVariant> arguments)
    {
        QStringList shown;
        for (const QVariant &argument : arguments) {
            if (argument.userType() == QMetaType::QUrl)
                shown << argument.toUrl().fileName();
            else if (argument.userType() == QMetaType::Bool)
                shown << QLatin1String(argument.toBool() ? "true" : "false");
            else
                shown << textName(argument.toString());
        }
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
        const QMetaObject &meta = Class::staticMetaObject;
        const QMetaEnum type = meta.enumerator(meta.indexOfEnumerator(enumeration));
        return QString::fromLatin1(type.valueToKey(value)).remove(QLatin1String(prefix));
    }
    static QString hex(int value) { return QStringLiteral("0x%1").arg(value, 0, 16); }

private:
    static QString textName(const QString &text)
    {
        if (text.size() < 64)
            return text;
        if (text == IdentityLut::rampText())
            return QStringLiteral("RAMP");
        if (text == IdentityLut::cubeText17())
            return QStringLiteral("ID17");
        return text == IdentityLut::cubeText33() ? QStringLiteral("ID33") : QStringLiteral("<%1 chars>").arg(text.size());
    }

    QStringList m_calls;
};
