// The saved-tabs reader and the profile import path on any file contents.
//
// Input layout:
//   byte 0  bit 0 clear: the rest is "savedTabs.conf" as found at start-up
//           bit 0 set:   the rest is a profile file imported through the main window's import
//                        function (DevicesProfile.qml), over a saved list of two tabs
#include "fuzzsupport.h"

#include "session/deviceprofile.h"
#include "session/sessionmanager.h"

#include <QFile>
#include <QQmlComponent>
#include <QQmlEngine>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

const QByteArray StartingTabs = "0,MONITOR,127.0.0.1,Studio A,dark\n1,CUBRIX,127.0.0.2,Grading,dark\n";

QStringList savedTabsAtNextStart()
{
    SessionManager next;
    next.readFromDisk();
    return next.getSavedTabsCSV();
}

void writeSavedTabs(const QByteArray &contents)
{
    SessionManager where;
    QFile file(where.filePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size())
        Fuzz::fail("writing savedTabs.conf", __FILE__, __LINE__);
}

void savedTabsReader(const QByteArray &contents)
{
    writeSavedTabs(contents);
    SessionManager manager;
    manager.readFromDisk();
    const QStringList tabs = manager.getSavedTabsCSV();
    FUZZ_CHECK(tabs.size() <= SessionManager::MaxRecords);
    for (int i = 0; i < tabs.size(); ++i) {
        FUZZ_CHECK(manager.records().at(i).index == i);
        FUZZ_CHECK(tabs.at(i).count(QLatin1Char(',')) >= 4);
    }
    // Reading rewrote the file in its normal form: the next start must find the same list.
    FUZZ_CHECK(savedTabsAtNextStart() == tabs);
}

// The main window's profile functions, loaded once from the program's QML. The engine is
// destroyed at exit, before the leak check: objects that only the script heap (which lives
// outside malloc) refers to would look leaked while it runs, so this target is fuzzed with
// per-input leak checks off and relies on the check at exit (see scripts/fuzz.sh).
struct ProfileWindow {
    QQmlEngine engine;
    std::unique_ptr<QObject> profiles;
};

std::unique_ptr<ProfileWindow> &profileWindowSlot()
{
    static std::unique_ptr<ProfileWindow> window;
    return window;
}

ProfileWindow *profileWindow()
{
    static bool tried = false;
    if (tried)
        return profileWindowSlot().get();
    tried = true;
    const QString path = QStringLiteral(BREVANTO_QML_DIR "/DevicesProfile.qml");
    if (!QFile::exists(path)) {
        std::fprintf(stderr, "fuzz_session: %s not found: profile import not exercised\n", qPrintable(path));
        return nullptr;
    }
    auto window = std::make_unique<ProfileWindow>();
    QQmlComponent component(&window->engine, QUrl::fromLocalFile(path));
    window->profiles.reset(component.create());
    if (!window->profiles) {
        std::fprintf(stderr, "fuzz_session: %s\n", qPrintable(component.errorString()));
        Fuzz::fail("loading DevicesProfile.qml", __FILE__, __LINE__);
    }
    profileWindowSlot() = std::move(window);
    std::atexit([] { profileWindowSlot().reset(); });
    return profileWindowSlot().get();
}

// The window loads its dialogs when one is first shown (a refused profile shows one). Their
// windows must go while the process is whole: destroyed by the clean-up at exit, after Qt Quick's
// own statics, they would crash.
void closeDialogs(QObject *profiles)
{
    for (QObject *child : profiles->findChildren<QObject *>()) {
        if (qstrcmp(child->metaObject()->className(), "QQuickLoader") == 0)
            child->setProperty("source", QUrl());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void profileImport(const QByteArray &contents)
{
    ProfileWindow *window = profileWindow();
    if (!window)
        return;
    writeSavedTabs(StartingTabs);
    SessionManager sessionManager;
    DeviceProfile deviceProfile;
    sessionManager.readFromDisk();
    const QStringList before = sessionManager.getSavedTabsCSV();
    FUZZ_CHECK(before.size() == 2);
    QObject *profiles = window->profiles.get();
    profiles->setProperty("sessionManager", QVariant::fromValue<QObject *>(&sessionManager));
    profiles->setProperty("deviceProfile", QVariant::fromValue<QObject *>(&deviceProfile));

    const QString path = Fuzz::writeScratchFile(QStringLiteral("profile.txt"), contents);
    QVariant expected;
    deviceProfile.importTabs(path);
    QMetaObject::invokeMethod(profiles, "parseProfile", Q_RETURN_ARG(QVariant, expected),
                              Q_ARG(QVariant, deviceProfile.getInfo()));
    QVariant imported;
    QMetaObject::invokeMethod(profiles, "importProfile", Q_RETURN_ARG(QVariant, imported), Q_ARG(QVariant, path));

    profiles->setProperty("sessionManager", QVariant::fromValue<QObject *>(nullptr));
    profiles->setProperty("deviceProfile", QVariant::fromValue<QObject *>(nullptr));
    closeDialogs(profiles);

    const QStringList after = savedTabsAtNextStart();
    if (!imported.toBool()) {
        // A refused profile changes nothing.
        FUZZ_CHECK(expected.isNull() || !expected.isValid() || expected.toList().isEmpty());
        FUZZ_CHECK(after == before);
        return;
    }
    // The next start finds exactly the imported entries (line breaks, which a file of one line
    // per tab cannot hold, stored as spaces), as far as the list holds them.
    const auto stored = [](const QVariant &field) {
        return field.toString().replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    };
    // The list holds at most MaxRecords tabs; further entries are not added.
    const QVariantList entries = expected.toList();
    FUZZ_CHECK(after.size() == qMin(entries.size(), SessionManager::MaxRecords));
    for (int i = 0; i < after.size(); ++i) {
        const QVariantMap entry = entries.at(i).toMap();
        const QStringList fields = after.at(i).split(QLatin1Char(','));
        FUZZ_CHECK(fields.size() == 5);
        FUZZ_CHECK(fields.at(1) == stored(entry.value(QStringLiteral("type"))));
        FUZZ_CHECK(fields.at(2) == stored(entry.value(QStringLiteral("address"))));
        FUZZ_CHECK(fields.at(3) == stored(entry.value(QStringLiteral("name"))));
    }
}

} // namespace

FUZZ_TARGET("session")(const uint8_t *data, size_t size)
{
    Fuzz::ensureApplication();
    Fuzz::InputReader input(data, size);
    const quint8 mode = input.u8();
    const QByteArray contents = input.rest();
    if (mode & 0x01)
        profileImport(contents);
    else
        savedTabsReader(contents);
    return 0;
}
