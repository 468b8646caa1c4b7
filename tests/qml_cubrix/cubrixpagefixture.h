#pragma once

// The real main window with its first tab (a Cubrix tab) connected to a fake box, for driving
// the Cubrix pages through their QML objects and checking what reaches the box.

#include "cubrix/cubrix.h"
#include "fakedevice.h"
#include "qmltestsupport.h"

#include <QList>
#include <QMutex>
#include <QPair>
#include <QQuickItem>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// Records the debug lines the program logs (the order of device operations shows in them),
// passing every message on to the handler that was installed before.
class LogRecorder
{
public:
    LogRecorder();
    ~LogRecorder();
    QStringList lines() const;
    void clear();
    // Index of the first line containing `text` at or after `from`, or -1.
    int indexOf(const QString &text, int from = 0) const;

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);
};

class CubrixPageFixture
{
public:
    CubrixPageFixture();
    ~CubrixPageFixture();

    // Loads the window and connects its first tab to the fake box; the box answers every
    // command with an empty reply, so the properties stay as the test sets them.
    bool open();
    void close();

    QmlTest::MainWindow &main() { return m_main; }
    FakeDevice &fake() { return m_fake; }
    Cubrix *device() const { return m_device; }
    QObject *tab() const { return m_main.tab(0); }
    QObject *generalPage() const;
    QObject *infoPage() const;

    // Model, mode and channel as the box would report them.
    void setBox(const QString &model, int mode, int channel = 0);

    // Page objects by objectName (the first one found; search from `root`, by default the
    // General page).
    QObject *object(const QString &name, QObject *root = nullptr) const;
    QQuickItem *item(const QString &name, QObject *root = nullptr) const;
    // Exists and is visible on screen (itself and all its parents).
    bool shown(const QString &name, QObject *root = nullptr) const;
    bool enabled(const QString &name, QObject *root = nullptr) const;
    bool highlighted(const QString &name, QObject *root = nullptr) const;

    // A child of a named row or box, e.g. box("lutRowMode1", "cubeLut").
    QObject *box(const QString &row, const QString &name) const;

    // Emits a control's clicked() signal, as a click does.
    bool press(QObject *control);
    bool press(const QString &name, QObject *root = nullptr) { return press(object(name, root)); }

    // The page's shared dialogs, and answering the file chooser with a file.
    QObject *dialogs(QObject *page = nullptr) const;
    QObject *fileDialog(QObject *page = nullptr) const;
    bool chooseFile(const QString &path, QObject *page = nullptr);

    // Commands the box received since the last clearReceived(), waiting (bounded) for `count`.
    QList<QPair<int, int>> commands() const;
    bool waitForCommands(int count, int timeoutMs = 3000) { return m_fake.waitForCommands(count, timeoutMs); }
    // True when nothing arrives within `ms`.
    bool quietFor(int ms);

    QString writeFile(const QString &name, const QByteArray &bytes);
    QString filePath(const QString &name) const { return m_files.filePath(name); }

private:
    QmlTest::MainWindow m_main;
    FakeDevice m_fake;
    Cubrix *m_device = nullptr;
    QTemporaryDir m_files;
};
