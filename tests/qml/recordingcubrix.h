#pragma once

#include "calllog.h"
#include "cubrix/cubrix.h"

// A Cubrix that writes down what the pages ask of it instead of sending it: the device tests
// own what goes on the wire. The precision default and disconnecting still take effect, as the
// pages read the one back and follow the other.
class RecordingCubrix : public Cubrix
{
    Q_OBJECT
public:
    CallLog log;

    static QString type(int value) { return CallLog::enumerator<Cubrix>("LutType", value, "LUT_TYPE_"); }
    static QString func(int value) { return CallLog::enumerator<Cubrix>("LutFunc", value, "LUT_FUNC_"); }

    Q_INVOKABLE void sendKey(int key) { log.add("sendKey", {CallLog::key(key)}); }
    Q_INVOKABLE void setLut(int t, int f, int id, bool on) { log.add("setLut", {type(t), func(f), id, on}); }
    Q_INVOKABLE void loadLut(int t, int f, int id) { log.add("loadLut", {type(t), func(f), id}); }
    Q_INVOKABLE void saveLutArray(int t, int f, int id, const QString &text, int bits) { log.add("saveLutArray", {type(t), func(f), id, text, bits}); }
    Q_INVOKABLE void sendLutFile(int t, int f, int id, const QUrl &url, int bits) { log.add("sendLutFile", {type(t), func(f), id, url, bits}); }
    Q_INVOKABLE void sendLutFileDownsample(int t, int f, int id, const QUrl &url, int bits) { log.add("sendLutFileDownsample", {type(t), func(f), id, url, bits}); }
    Q_INVOKABLE void sendLutFileUpsample(int t, int f, int id, const QUrl &url, int bits) { log.add("sendLutFileUpsample", {type(t), func(f), id, url, bits}); }
    Q_INVOKABLE void saveLutFile(int t, int f, int id, const QUrl &url, int bits) { log.add("saveLutFile", {type(t), func(f), id, url, bits}); }
    Q_INVOKABLE void saveLutFileDownsample(int t, int f, int id, const QUrl &url, int bits) { log.add("saveLutFileDownsample", {type(t), func(f), id, url, bits}); }
    Q_INVOKABLE void saveLutFileUpsample(int t, int f, int id, const QUrl &url, int bits) { log.add("saveLutFileUpsample", {type(t), func(f), id, url, bits}); }
    Q_INVOKABLE void setCube(int bits) { log.add("setCube", {bits}); Cubrix::setCube(bits); }
    Q_INVOKABLE void setFrame(int id, bool on) { log.add("setFrame", {id, on}); }
    Q_INVOKABLE void sendFrame(int id, const QUrl &url) { log.add("sendFrame", {id, url}); }
    Q_INVOKABLE void saveFrame(int id, const QUrl &url) { log.add("saveFrame", {id, url}); }
    Q_INVOKABLE void loadFrame(int id) { log.add("loadFrame", {id}); }
    Q_INVOKABLE void sendFrameFile(const QUrl &url) { log.add("sendFrameFile", {url}); }
    Q_INVOKABLE void setRange(int range) { log.add("setRange", {range}); }
    Q_INVOKABLE void setInputSignal(int word) { log.add("setInputSignal", {QStringLiteral("0x%1").arg(word, 0, 16)}); }
    Q_INVOKABLE void setSignalRGB(int r, int g, int b) { log.add("setSignalRGB", {r, g, b}); }
    Q_INVOKABLE void setSignalYCbCr(int a, int b, int c) { log.add("setSignalYCbCr", {a, b, c}); }
    Q_INVOKABLE void setSignalForm(int form) { log.add("setSignalForm", {form}); }
    Q_INVOKABLE void setSignalOut(int type) { log.add("setSignalOut", {type}); }
    Q_INVOKABLE void setAnci(int option) { log.add("setAnci", {option}); }
    Q_INVOKABLE void captureAnci(const QString &id) { log.add("captureAnci", {id}); }
    Q_INVOKABLE void captureAnci(const QString &id, int index) { log.add("captureAnci", {id, index}); }
    Q_INVOKABLE void setUserIP(const QString &address, const QString &mask, const QString &gate) { log.add("setUserIP", {address, mask, gate}); }
    // The box's answer to a new address as the page hears it: taken, or refused for a reason.
    Q_INVOKABLE QVariant answerAddress(const QVariant &address, const QVariant &refusal = QVariant())
    {
        refusal.isValid() ? emit userAddressFailed(address.toString(), refusal.toString()) : emit userAddressSet(address.toString());
        return {};
    }
    Q_INVOKABLE void setUserWIFI(const QString &ssid, const QString &password) { log.add("setUserWIFI", {ssid, password}); }
    Q_INVOKABLE void setWiFi(bool on) { log.add("setWiFi", {on}); }
    Q_INVOKABLE void updateFirmware(const QUrl &url) { log.add("updateFirmware", {url}); }
    Q_INVOKABLE void deviceDisconnect() { log.add("deviceDisconnect", {}); Cubrix::deviceDisconnect(); }
};
