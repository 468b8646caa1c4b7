// Cubrix::processReply for any protocol, request and payload (layout in devicereplies.h).
#include "devicereplies.h"

#include "cubrix/cubrix.h"

FUZZ_TARGET("cubrixreply")(const uint8_t *data, size_t size)
{
    return Fuzz::runDeviceReplies<Cubrix>(data, size, [](Cubrix &cubrix, CaptureFrame &capture) {
        // As the capture window wires it: ancillary data goes straight to the item.
        QObject::connect(&cubrix, &Cubrix::anciCaptured, &capture, &CaptureFrame::receiveAnci);
    });
}
