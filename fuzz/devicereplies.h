#pragma once

// Drives a device class's reply handler with any sequence of replies.
//
// Input layout:
//   byte 0  flags
//           bit 0     a capture item is registered with the device
//           bits 1-2  scope playback started for this mask (1 waveform, 2 vector, 3 both), with series
//           bit 3     the device's ancillary-data signal feeds the capture item (where it has one)
//   then    replies, each: protocol (2 bytes), request (2), payload length (2), payload
// Every reply with a payload goes to processReply with a header as the socket handler builds it
// (the handler never hands over an empty payload).
#include "fuzzsupport.h"

#include "capture/captureframe.h"
#include "mncp/mncpprotocol.h"
#include "scope/scopestream.h"

#include <QMetaProperty>
#include <QtDataVisualization/QSurface3DSeries>
#include <memory>
#include <type_traits>

namespace Fuzz {

// Reads every property, as the user interface would after the replies.
inline void readAllProperties(const QObject *object)
{
    for (int i = 0; object && i < object->metaObject()->propertyCount(); ++i)
        object->metaObject()->property(i).read(object);
}

// `anciSignal`: the device's ancillary-data signal, or null where it has none.
template <typename Device, typename AnciSignal>
int runDeviceReplies(const uint8_t *data, size_t size, AnciSignal anciSignal)
{
    using namespace QtDataVisualization;
    ensureApplication();
    // Kept for the whole run: the stream only holds guarded pointers to them.
    static auto *waveform = new QSurface3DSeries(new QSurfaceDataProxy), *vector = new QSurface3DSeries(new QSurfaceDataProxy);
    InputReader input(data, size);
    const quint8 flags = input.u8();
    auto device = std::make_unique<Device>();
    std::unique_ptr<CaptureFrame> capture;
    if (flags & 0x01) {
        capture = std::make_unique<CaptureFrame>();
        capture->setSize(QSizeF(64, 36));
        device->registerFeature(capture.get(), 2);
        if constexpr (!std::is_same_v<AnciSignal, std::nullptr_t>) {
            if (flags & 0x08)
                QObject::connect(device.get(), anciSignal, capture.get(), &CaptureFrame::receiveAnci);
        }
    }
    if (const uchar playback = (flags >> 1) & 0x03) {
        device->cScopeStream()->setDataSeries_Wave(waveform);
        device->cScopeStream()->setDataSeries_Vector(vector);
        device->cScopeStream()->startStopPlayback(playback, true);
    }
    while (input.remaining() >= 6) {
        const quint16 protocol = input.u16();
        const quint16 request = input.u16();
        QByteArray payload = input.bytes(input.u16());
        mncp_protocol_header header{MNCP_VERSION, 0, protocol, request, static_cast<quint32>(payload.size())};
        if (!payload.isEmpty())
            device->processReply(payload, header);
    }
    readAllProperties(device.get());
    for (int i = 0; i < device->channelList().size(); ++i)
        readAllProperties(device->channelList().at(i));
    readAllProperties(capture.get());
    // The capture item must outlive nothing it points at: the device goes first, as when a tab closes.
    device.reset();
    capture.reset();
    processEventsOnce();
    return 0;
}

} // namespace Fuzz
