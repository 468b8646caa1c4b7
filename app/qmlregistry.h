#pragma once

// Registers the native classes as QML types of module "MNCP" 1.0, in their fixed order.
// Shared by the program's entry point and the QML tests, so both see the same types.
void registerQmlTypes();
