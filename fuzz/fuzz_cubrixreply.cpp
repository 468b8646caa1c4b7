// Cubrix::processReply for any protocol, request and payload (layout in devicereplies.h).
#include "devicereplies.h"

#include "cubrix/cubrix.h"

// As the capture window wires it: ancillary data goes straight to the item.
FUZZ_TARGET("cubrixreply")(const uint8_t *data, size_t size) { return Fuzz::runDeviceReplies<Cubrix>(data, size, &Cubrix::anciCaptured); }
