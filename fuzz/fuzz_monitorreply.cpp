// Monitor::processReply for any protocol, request and payload (layout in devicereplies.h).
#include "devicereplies.h"

#include "monitor/monitor.h"

// The monitor has no ancillary-data signal.
FUZZ_TARGET("monitorreply")(const uint8_t *data, size_t size) { return Fuzz::runDeviceReplies<Monitor>(data, size, nullptr); }
