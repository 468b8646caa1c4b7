#include "signallog.h"

#include <QMetaMethod>

SignalLog::SignalLog(QObject *target)
{
    const QMetaObject *meta = target->metaObject();
    const QMetaMethod slot = metaObject()->method(metaObject()->indexOfSlot("record()"));
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        if (meta->method(i).methodType() == QMetaMethod::Signal)
            connect(target, meta->method(i), this, slot);
    }
}

void SignalLog::record()
{
    names << QString::fromLatin1(sender()->metaObject()->method(senderSignalIndex()).name());
}
