#pragma once

class QGuiApplication;
class QTranslator;

// What the program's entry point does around its application object, shared with the
// benchmarks that load the main window in their own process the way the program does.
namespace ApplicationSetup {

// Before the application object exists: attributes and the memory policy.
void beforeApplication();

// After it exists and before the main window loads: the Controls 2 style, the QML types, the
// translation (into `translator`, which must outlive the window) and the names under which
// settings and saved tabs are kept.
void application(QGuiApplication &app, QTranslator &translator);

} // namespace ApplicationSetup
