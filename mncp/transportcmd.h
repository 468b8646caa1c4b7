#pragma once

#include <QByteArray>
#include <QtGlobal>

// One queued command; always held through std::shared_ptr. Protocol 0 marks the idle slot.
struct transport_cmd {
    quint16 protocol = 0;
    quint16 request = 0;
    QByteArray data;
};
