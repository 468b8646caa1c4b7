#pragma once

#include "clitest.h"

#include <QtTest>
#include <map>
#include <memory>

// brevanto-cli run as a user would run it: the offline LUT and frame commands, the device
// commands against simulators on loopback, and the pieces that read files others may change.
//
// Most cases are rows: a command line, its exit status and checks of the run, written as
//   out:TEXT, err:TEXT     the output holds TEXT ("…" between pieces that follow in order);
//                          -out:, -err: it does not; out=, err= it is exactly TEXT
//   file:PATH=X            PATH holds what {dir}/X holds; X may be - (no file, and PATH may be a
//                          pattern), fifo, link, WxH (a picture that size), %PNG or %PDF (such a
//                          file), or "mode of Y" (the permissions of {dir}/Y)
//   px:PATH=RRGGBB ...     the first pixels of the picture, ~N: within N a channel
//   json:PATH=VALUE        a value of the JSON printed (index or key per dot; absent: empty)
//   ms<N, ms>N             how long the run took
//   sim:NAME PPPP/RRRR=N   simulator NAME received the command N times (or "connections")
//   dump:NAME PIECE=X      the next upload NAME dumped has PIECE in its name and holds {dir}/X;
//                          no simulator dumps more than the row says
// {dir} is the test's folder, {NAME} a simulator's address:port, {NAME_} its file tag; a first
// word /... is another copy of the tool, an argument <<X a FIFO fed with {dir}/X (or endless).
class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void offline_data();
    void offline() { runRow(); }
    void device_data();
    void device() { runRow(); }
    void killedCaptureLeavesTheOutput();
    void readBackPiecesArriveInOrder_data();
    void readBackPiecesArriveInOrder();
    void mappedFileShortenedWhileRead();

private:
    static void columns();
    static void row(const QString &name, const QString &arguments, int exitCode, const QStringList &checks = {});
    void runRow();
    QString expand(QString text) const;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    void file(const QString &name, const QByteArray &contents) { QVERIFY2(writeFile(path(name), contents), qPrintable(name)); }
    QString failure(const QString &check, const CliTest::Result &result, QHash<QString, QStringList> &dumps, const QHash<QString, QString> &logs);
    QStringList dumps(const QString &sim) const { return QDir(path("dump-" + sim)).entryList(QDir::Files, QDir::Name); } // upload order

    QTemporaryDir m_dir;
    std::map<QString, std::unique_ptr<SimProcess>> m_sims; // their uploads in {dir}/dump-NAME, their logs in {dir}/NAME.log
    QHash<QString, QString> m_names; // placeholder -> text
};
