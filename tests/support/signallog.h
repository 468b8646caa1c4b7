#pragma once

#include <QMetaMethod>
#include <QObject>
#include <QStringList>

// Records, in order, the name of each signal of the target's own class as it is emitted.
class SignalLog : public QObject
{
    Q_OBJECT
public:
    explicit SignalLog(QObject *target)
    {
        const QMetaObject *meta = target->metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            if (meta->method(i).methodType() == QMetaMethod::Signal)
                connect(target, meta->method(i), this, metaObject()->method(metaObject()->indexOfSlot("record()")));
        }
    }
    QStringList names;

private slots:
    void record() { names << QString::fromLatin1(sender()->metaObject()->method(senderSignalIndex()).name()); }
};
