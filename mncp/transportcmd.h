#pragma once

#include <QByteArray>
#include <QFile>
#include <QtGlobal>
#include <memory>

// One queued command; always held through std::shared_ptr. Protocol 0 marks the idle slot.
struct transport_cmd {
    quint16 protocol = 0;
    quint16 request = 0;
    QByteArray data;
    // A payload read from a file as it is sent, instead of data: opened and its size known
    // before the command is queued, since the header promises the length.
    std::shared_ptr<QFile> file;
    qint64 fileSize = 0;
    // The operation of the device the command belongs to (0: none), for reporting its outcome.
    quint32 operation = 0;

    qint64 payloadSize() const { return file ? fileSize : data.size(); }
};
