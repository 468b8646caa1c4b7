// The saved-tabs reader and the profile import path on any file contents.
//
// Input layout:
//   byte 0  bit 0 clear: the rest is "savedTabs.conf" as found at start-up
//           bit 0 set:   the rest is a profile file imported through the main window's import
//                        function (DevicesProfile.qml), over a saved list of two tabs
#include "fuzzsupport.h"

#include "session/deviceprofile.h"
#include "session/sessionmanager.h"

#include <QDir>
#include <QQmlComponent>
#include <QQmlEngine>
#include <cstdio>
#include <cstdlib>

namespace {

QStringList savedTabsAtNextStart()
{
    SessionManager next;
    next.readFromDisk();
    return next.getSavedTabsCSV();
}

void savedTabsReader(const QByteArray &contents)
{
    Fuzz::writeScratchFile(SessionManager().filePath(), contents);
    SessionManager manager;
    manager.readFromDisk();
    const QStringList tabs = manager.getSavedTabsCSV();
    FUZZ_CHECK(tabs.size() <= SessionManager::MaxRecords);
    for (int i = 0; i < tabs.size(); ++i)
        FUZZ_CHECK(manager.records().at(i).index == i && tabs.at(i).count(QLatin1Char(',')) >= 4);
    // Reading rewrote the file in its normal form: the next start must find the same list.
    FUZZ_CHECK(savedTabsAtNextStart() == tabs);
}

// The main window's profile functions, loaded once from the program's QML. They and the engine
// go at exit, before the leak check: objects only the script heap (outside malloc) refers to would
// look leaked while it runs, so this target is fuzzed with per-input leak checks off (scripts/fuzz.sh).
QObject *profileFunctions()
{
    static QQmlEngine *engine = nullptr;
    static QObject *profiles = [] {
        engine = new QQmlEngine;
        QQmlComponent component(engine, QUrl::fromLocalFile(QStringLiteral(BREVANTO_QML_DIR "/DevicesProfile.qml")));
        QObject *created = component.create();
        if (!created) {
            std::fprintf(stderr, "fuzz_session: %s\n", qPrintable(component.errorString()));
            Fuzz::fail("loading DevicesProfile.qml", __FILE__, __LINE__);
        }
        std::atexit([] { delete profiles; delete engine; });
        return created;
    }();
    return profiles;
}

void profileImport(const QByteArray &contents)
{
    Fuzz::writeScratchFile(SessionManager().filePath(), "0,MONITOR,127.0.0.1,Studio A,dark\n1,CUBRIX,127.0.0.2,Grading,dark\n");
    SessionManager sessionManager;
    DeviceProfile deviceProfile;
    sessionManager.readFromDisk();
    const QStringList before = sessionManager.getSavedTabsCSV();
    FUZZ_CHECK(before.size() == 2);
    QObject *profiles = profileFunctions();
    profiles->setProperty("sessionManager", QVariant::fromValue<QObject *>(&sessionManager));
    profiles->setProperty("deviceProfile", QVariant::fromValue<QObject *>(&deviceProfile));

    const QString path = Fuzz::writeScratchFile(QStringLiteral("profile.txt"), contents);
    QVariant expected, imported;
    deviceProfile.importTabs(path);
    QMetaObject::invokeMethod(profiles, "parseProfile", Q_RETURN_ARG(QVariant, expected), Q_ARG(QVariant, deviceProfile.getInfo()));
    QMetaObject::invokeMethod(profiles, "importProfile", Q_RETURN_ARG(QVariant, imported), Q_ARG(QVariant, path));

    profiles->setProperty("sessionManager", QVariant::fromValue<QObject *>(nullptr));
    profiles->setProperty("deviceProfile", QVariant::fromValue<QObject *>(nullptr));
    // The window loads its dialogs when one is first shown (a refused profile shows one); their
    // windows must go while the process is whole, not in the clean-up after Qt Quick's statics.
    for (QObject *child : profiles->findChildren<QObject *>()) {
        if (qstrcmp(child->metaObject()->className(), "QQuickLoader") == 0)
            child->setProperty("source", QUrl());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const QStringList after = savedTabsAtNextStart();
    if (!imported.toBool()) {
        // A refused profile changes nothing.
        FUZZ_CHECK(expected.isNull() || !expected.isValid() || expected.toList().isEmpty());
        FUZZ_CHECK(after == before);
        return;
    }
    // The next start finds exactly the imported entries, as far as the list holds them (line
    // breaks, which a file of one line per tab cannot hold, stored as spaces).
    const auto stored = [](const QVariant &field) { return field.toString().replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' ')); };
    const QVariantList entries = expected.toList();
    FUZZ_CHECK(after.size() == qMin(entries.size(), SessionManager::MaxRecords));
    for (int i = 0; i < after.size(); ++i) {
        const QVariantMap entry = entries.at(i).toMap();
        const QStringList fields = after.at(i).split(QLatin1Char(','));
        FUZZ_CHECK(fields.size() == 5 && fields.at(1) == stored(entry.value(QStringLiteral("type"))));
        FUZZ_CHECK(fields.at(2) == stored(entry.value(QStringLiteral("address"))) && fields.at(3) == stored(entry.value(QStringLiteral("name"))));
    }
}

} // namespace

FUZZ_TARGET("session")(const uint8_t *data, size_t size)
{
    Fuzz::ensureApplication();
    Fuzz::InputReader input(data, size);
    if (input.u8() & 0x01)
        profileImport(input.rest());
    else
        savedTabsReader(input.rest());
    // Set-aside copies are dated, never replaced: left in place they would make every later name search longer.
    QDir folder = QFileInfo(SessionManager().filePath()).dir();
    for (const QString &name : folder.entryList({QStringLiteral("*.bak")}, QDir::Files))
        folder.remove(name);
    return 0;
}
