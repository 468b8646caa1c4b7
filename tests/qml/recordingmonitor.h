#pragma once

#include "calllog.h"
#include "monitor/monitor.h"

// A Monitor that writes down what its page asks of it instead of sending it: the device tests
// own what goes on the wire. Disconnecting still takes effect.
class RecordingMonitor : public Monitor
{
    Q_OBJECT
public:
    CallLog log;

    static QString type(int value) { return CallLog::enumerator<Monitor>("LutType", value, "LUT_TYPE_"); }
    static QString func(int value) { return CallLog::enumerator<Monitor>("LutFunc", value, "LUT_FUNC_"); }

    Q_INVOKABLE void sendKey(int key) { log.add("sendKey", {CallLog::key(key)}); }
    Q_INVOKABLE void sendRotary(int kind, int knob) { log.add("sendRotary", {kind, knob}); }
    Q_INVOKABLE void setLut(int t, int f, int id, bool on) { log.add("setLut", {type(t), func(f), id, on}); }
    Q_INVOKABLE void loadLut(int t, int f, int id) { log.add("loadLut", {type(t), func(f), id}); }
    Q_INVOKABLE void saveLutFile(int t, int f, int id, const QUrl &url) { log.add("saveLutFile", {type(t), func(f), id, url}); }
    Q_INVOKABLE void saveLutFileRV(int t, int f, int id, const QUrl &url) { log.add("saveLutFileRV", {type(t), func(f), id, url}); }
    Q_INVOKABLE void sendLutFileDownscale(int t, int f, int id, const QUrl &url) { log.add("sendLutFileDownscale", {type(t), func(f), id, url}); }
    Q_INVOKABLE void sendCustomMarker(const QUrl &url) { log.add("sendCustomMarker", {url}); }
    Q_INVOKABLE void sendCustomMarker(const QString &name, const QUrl &url) { log.add("sendCustomMarker", {name, url}); }
    Q_INVOKABLE void setOnTempCustomMarker() { log.add("setOnTempCustomMarker", {}); }
    Q_INVOKABLE void setOffTempCustomMarker() { log.add("setOffTempCustomMarker", {}); }
    Q_INVOKABLE void queryCustomMarker() { log.add("queryCustomMarker", {}); }
    Q_INVOKABLE void deleteCustomMarker(const QString &name) { log.add("deleteCustomMarker", {name}); }
    Q_INVOKABLE void requestAnalyzerPng(int which, bool white) { log.add("requestAnalyzerPng", {which, white}); }
    Q_INVOKABLE void saveAnalyzerPng(const QUrl &url) { log.add("saveAnalyzerPng", {url}); }
    Q_INVOKABLE void saveAnalyzerPdf(const QUrl &url) { log.add("saveAnalyzerPdf", {url}); }
    Q_INVOKABLE void updateFirmware(const QUrl &url) { log.add("updateFirmware", {url}); }
    Q_INVOKABLE void deviceDisconnect() { log.add("deviceDisconnect", {}); Monitor::deviceDisconnect(); }
};
