#pragma once

// SIGTERM and SIGINT end the event loop instead of the process, so the simulator stops the way
// it stops after any other end: logs closed, dump files complete.
void quitOnSignal();
