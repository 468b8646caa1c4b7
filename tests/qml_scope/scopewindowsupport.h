#pragma once

// Shared pieces of the scope and capture window tests: creating a window document with its
// device, driving its controls by objectName, and connecting a device to a simulator.

#include "app/qmlregistry.h"
#include "device/devicebase.h"
#include "qmltestsupport.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QtTest>
#include <memory>

class SimProcess;

namespace ScopeWindowTest {

// Creates the document at `url` with the given initial properties; null (and the component's
// errors in `error`) when it cannot be created.
inline QQuickWindow *createWindow(QQmlEngine &engine, const QString &url, const QVariantMap &properties,
                                  QString *error = nullptr)
{
    QQmlComponent component(&engine, QUrl(url));
    QObject *object = component.createWithInitialProperties(properties);
    if (!object) {
        if (error)
            *error = component.errorString();
        return nullptr;
    }
    QQmlEngine::setObjectOwnership(object, QQmlEngine::CppOwnership);
    auto *window = qobject_cast<QQuickWindow *>(object);
    if (!window)
        delete object;
    return window;
}

inline QVariantMap withDevice(QObject *device, QVariantMap properties = {})
{
    properties.insert(QStringLiteral("loadedHardware"), QVariant::fromValue(device));
    return properties;
}

// Emits a control's clicked() signal (the way a mouse click ends), after checking it is enabled.
inline bool clickControl(QObject *root, const QString &objectName)
{
    QObject *control = QmlTest::find(root, objectName);
    if (!control || !control->property("enabled").toBool())
        return false;
    return QMetaObject::invokeMethod(control, "clicked");
}

inline QString controlText(QObject *root, const QString &objectName)
{
    QObject *control = QmlTest::find(root, objectName);
    return control ? control->property("text").toString() : QStringLiteral("<missing %1>").arg(objectName);
}

inline bool controlEnabled(QObject *root, const QString &objectName)
{
    QObject *control = QmlTest::find(root, objectName);
    return control && control->property("enabled").toBool();
}

// Points a device at a simulator, connects it and waits (bounded) until it knows its model.
inline bool connectToSim(DeviceBase &device, const QString &address, quint16 port, int timeoutMs = 10000)
{
    device.setPort(port);
    device.setAddress(address);
    device.deviceConnect();
    QElapsedTimer timer;
    timer.start();
    while (device.state() != QAbstractSocket::ConnectedState || device.property("model").toString().isEmpty()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(5);
    }
    return true;
}

// Like QmlTest::runTests, but on the platform's OpenGL scene graph: the scope window's surface
// graph needs a GL context (the tests run under Xvfb with Mesa's software GL).
inline int runGlTests(int argc, char *argv[], const std::function<int(int, char **)> &run)
{
    QmlTest::prepareEnvironment();
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache, true);
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle(QStringLiteral("Material"));
    registerQmlTypes();
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Brevanto"));
    return run(argc, argv);
}

} // namespace ScopeWindowTest

#define BREVANTO_GL_QML_TEST_MAIN(TestClass)                                                                       \
    int main(int argc, char *argv[])                                                                               \
    {                                                                                                              \
        return ScopeWindowTest::runGlTests(argc, argv, [](int count, char **values) {                              \
            TestClass test;                                                                                        \
            return QTest::qExec(&test, count, values);                                                             \
        });                                                                                                        \
    }
