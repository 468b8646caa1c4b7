#include "qmlregistry.h"

#include "capture/captureframe.h"
#include "cubrix/cubrix.h"
#include "device/channelinfo.h"
#include "lut/identitylut.h"
#include "monitor/monitor.h"
#include "scope/customlabelswaveform.h"
#include "scope/scopestream.h"
#include "session/deviceprofile.h"
#include "session/sessionmanager.h"

#include <QtQml>

void registerQmlTypes()
{
    qmlRegisterType<Monitor>("MNCP", 1, 0, "Monitor");
    qmlRegisterType<Cubrix>("MNCP", 1, 0, "Cubrix");
    qmlRegisterType<ChannelInfo>("MNCP", 1, 0, "Channel");
    qmlRegisterType<CaptureFrame>("MNCP", 1, 0, "Capture");
    qmlRegisterType<ScopeStream>("MNCP", 1, 0, "ScopeStream");
    qmlRegisterType<CustomLabelsWaveform>("MNCP", 1, 0, "CustomLabelsWaveform");
    // The surface graph's axis takes the formatter as a pointer.
    qRegisterMetaType<CustomLabelsWaveform *>("CustomLabelsWaveform *");
    qmlRegisterType<SessionManager>("MNCP", 1, 0, "SessionManager");
    qmlRegisterType<DeviceProfile>("MNCP", 1, 0, "DeviceProfile");
    // The identity tables the Cubrix pages clear LUT slots with, built once on first use.
    qmlRegisterSingletonType<IdentityLut>("MNCP", 1, 0, "IdentityLut",
                                          [](QQmlEngine *, QJSEngine *) -> QObject * { return new IdentityLut; });
}
