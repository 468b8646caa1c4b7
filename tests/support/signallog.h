#pragma once

#include <QObject>
#include <QStringList>

// Records, in order, the name of each signal of the target's own class as it is emitted.
class SignalLog : public QObject
{
    Q_OBJECT
public:
    explicit SignalLog(QObject *target);
    int count(const QString &name) const { return names.count(name); }
    QStringList names;

private slots:
    void record();
};
