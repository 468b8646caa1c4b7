#pragma once

// The real main window with one monitor tab connected to a fake device that reports a chosen
// identity; the tab's page is then driven through its QML objects and the commands that reach
// the fake device are checked.

#include "fakedevice.h"
#include "monitor/monitor.h"
#include "qmltestsupport.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QQuickItem>
#include <QString>
#include <QStringList>
#include <QVariant>

struct MonitorIdentity {
    QString model;
    QString serial;
    QString version = QStringLiteral("1.2.3");
};

class MonitorPageFixture
{
public:
    // Identities of the simulator's presets and two made-up monitors.
    static MonitorIdentity kt() { return {QStringLiteral("KT-2400"), QStringLiteral("KT24A00317")}; }
    static MonitorIdentity rv() { return {QStringLiteral("RV-3100"), QStringLiteral("RV31A00427")}; }
    static MonitorIdentity rvq() { return {QStringLiteral("RVQ-3100"), QStringLiteral("Q31B00118")}; }
    static MonitorIdentity listed() { return {QStringLiteral("LM-2410"), QStringLiteral("LM24C00981")}; }
    static MonitorIdentity unlisted() { return {QStringLiteral("XV-5500"), QStringLiteral("XV55A00001")}; }
    static MonitorIdentity byName(const QString &family);

    MonitorPageFixture();
    ~MonitorPageFixture();

    // Loads the window with one monitor tab titled "Hero Monitor" and leaves it unconnected.
    bool load();
    // Connects the tab the way its button does and waits until the page shows the identity;
    // the commands of the connection are then forgotten.
    bool connectAs(const MonitorIdentity &identity);
    bool open(const MonitorIdentity &identity) { return load() && connectAs(identity); }
    void unload();

    FakeDevice &fake() { return m_fake; }
    QmlTest::MainWindow &main() { return m_main; }
    Monitor *monitor() const { return m_monitor; }
    QObject *tab() const;
    QObject *page() const;

    // Objects of the page by objectName (the first one found, or the first visible one).
    QObject *object(const QString &name) const;
    QQuickItem *item(const QString &name) const;
    QQuickItem *visibleItem(const QString &name) const;
    QObject *within(const QString &parentName, const QString &name) const;
    bool isShown(const QString &name) const;

    // Emits `clicked` of a visible, enabled button.
    bool press(const QString &name);
    bool pressWithin(const QString &parentName, const QString &name);
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Evaluates a JavaScript expression in the context of a page object (its ids and imports).
    QVariant evaluate(QObject *scope, const QString &expression);

    // Waits for `count` new commands since the last take and returns them (bounded).
    QList<FakeDevice::Command> take(int count, int timeoutMs = 5000);
    // A key press made from C++ after an action that should send nothing: whatever the
    // action queued would reach the device before it.
    bool nothingSentBefore(QString *seen = nullptr);

    // Replies the fake device gives to a marker list query and to analyzer picture requests.
    void setMarkerNames(const QStringList &names) { m_markerNames = names; }
    void setAnalyzerPicture(const QByteArray &png) { m_analyzerPicture = png; }

    static QByteArray pngOfSize(int width, int height, QRgb colour);
    static QString describe(const QList<FakeDevice::Command> &commands);

private:
    QByteArray reply(const FakeDevice::Command &command) const;

    FakeDevice m_fake;
    QmlTest::MainWindow m_main;
    Monitor *m_monitor = nullptr;
    MonitorIdentity m_identity;
    QStringList m_markerNames;
    QByteArray m_analyzerPicture;
    int m_taken = 0;
};
