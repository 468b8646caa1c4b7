#pragma once

#include "calllog.h"
#include "fakedevice.h"
#include "qmltestsupport.h"

#include <QQmlEngine>
#include <QTemporaryDir>

class DeviceBase;
class SimProcess;

// A device tab of either kind ("maintab_monitor.qml" or "maintab_cubrix.qml") alone in a window,
// as the main window holds it: its pages as the program builds them, driven by short scripts.
// The tab's device records what the pages ask of it and reports the identity the test chose
// ("m:MODEL/SERIAL" for a monitor, "c:MODEL/MODE/CHANNEL" for a Cubrix), connected to the fake
// device; or, given a simulator, it is the program's own device connected to that.
//
// Paths: objectNames separated by '/', each searched inside the one before, starting from the
// tab, from "window" (the window around it) or from the page's "waveform", "vector" or "capture"
// window; "device" is the device; ".name" reads an object held by a property.
// Script steps, separated by "; ":
//   press PATH            emits clicked() of a visible, enabled control
//   key SEQUENCE          types keys into the tab's window ("Shift+F", "Ctrl+Shift+;", "A");
//   keyin PATH SEQUENCE   into another window
//   PATH.prop=VALUE       sets a property (true/false, numbers, 0x hex, @file, or text)
//   PATH.fn(ARG,...)      calls a function or emits a signal; "@name" is a file of the test's folder
//   file @NAME            accepts the file chooser a page has open with that file
//   answer NAME SIGNAL    closes the dialog NAME on show and emits its SIGNAL (yes, accepted...)
//   until QUERY=ANSWER    waits (bounded) until the query gives the answer
//   markers A,B / analyzer WxH / frame HEX   the monitor receives a marker list / an analyzer
//                         picture / a captured frame
//   disconnect, close (the tab goes), wait MS, log TEXT (a debug line that must come), simlog TEXT
// Queries: "shown NAME ..." lists those on show ("prefix*" lists the names after the prefix);
// "windows NAME ..." counts the top-level windows of each name; "PATH.prop;PATH.prop" gives the
// values joined by '|', "calls" among them (or alone, as the empty query) the device's calls;
// "files" lists the files in the test's folder.
namespace Devices {
constexpr const char *KT = "m:KT-2400/KT24A00317";
constexpr const char *RV = "m:RV-3100/RV31A00427";
constexpr const char *RVQ = "m:RVQ-3100/Q31B00118";
constexpr const char *LISTED = "m:LM-2410/LM24C00981";
constexpr const char *MODE0 = "c:Cubrix/0/0";
constexpr const char *MODE1 = "c:Cubrix/1/0";
constexpr const char *MODE21 = "c:Cubrix/2/1";
constexpr const char *MODE22 = "c:Cubrix/2/2";
constexpr const char *MODE3 = "c:Cubrix/3/0";
} // namespace Devices

class PageFixture
{
public:
    explicit PageFixture(const QString &device, SimProcess *sim = nullptr);
    ~PageFixture();
    PageFixture(const PageFixture &) = delete;
    PageFixture &operator=(const PageFixture &) = delete;

    bool open();
    bool isCubrix() const { return m_spec.startsWith(QLatin1String("c:")); }
    FakeDevice &fake() { return m_fake; }
    QObject *object(const QString &path) const;
    QUrl fileUrl(const QString &name) const { return QUrl::fromLocalFile(m_files.filePath(name)); }
    // Runs the steps; returns what could not be done (empty when all ran).
    QString run(const QString &script);
    QString query(const QString &query);

    // The table of a page test: device, script, query and expected answer ("@name" in it stands
    // for that file's URL); with simulators, the program's own devices are connected to them.
    static void columns();
    static void row(const char *name, const char *device, const char *script, const char *query, const char *expected);
    static void checkRow(SimProcess *cubrixSim = nullptr, SimProcess *monitorSim = nullptr);

private:
    QString step(const QString &verb, const QString &rest);
    QVariant value(const QString &text) const;

    QString m_spec;
    SimProcess *m_sim = nullptr;
    FakeDevice m_fake;
    CallLog m_noCalls;
    CallLog *m_calls = nullptr;
    QTemporaryDir m_files;
    std::unique_ptr<QQmlEngine> m_engine;
    std::unique_ptr<DeviceBase> m_device;
    QPointer<QQuickWindow> m_window;
    QPointer<QQuickItem> m_tab;
};
