#include "mncp/socketread_error.h"
#include "mncp/socketwrite_error.h"

#include <QtTest>

class TestSocketErrors : public QObject
{
    Q_OBJECT
private slots:
    void readTexts_data();
    void readTexts();
    void writeTexts_data();
    void writeTexts();
    void runtimeErrorBaseText();
    void messageIsStable();
};

void TestSocketErrors::readTexts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");
    QTest::addColumn<qint64>("expected");
    QTest::addColumn<qint64>("actual");
    QTest::addColumn<QString>("text");
    QTest::newRow("header unknown, -1 as unsigned")
        << 0 << 78 << qint64(12) << qint64(-1)
        << "Occured at: \nsocketDataLoop, (78),   Expected Data: 12  Received Data: 18446744073709551615"
           "Failed to read 'Header' info. Unknown data transfer error. ";
    QTest::newRow("header short") << 2 << 80 << qint64(12) << qint64(5)
                                  << "Occured at: \nsocketDataLoop, (80),   Expected Data: 12  Received Data: 5"
                                     "Failed to read 'Header' info. Not enough data received. ";
    QTest::newRow("data more") << 4 << 97 << qint64(100) << qint64(101)
                               << "Occured at: \nsocketDataLoop, (97),   Expected Data: 100  Received Data: 101"
                                  "Failed to read 'Data' info. Received more data than expected. ";
    QTest::newRow("kind out of range") << 9 << 1 << qint64(1) << qint64(2)
                                       << "Occured at: \nsocketDataLoop, (1),   Expected Data: 1  Received Data: 2";
}

void TestSocketErrors::readTexts()
{
    QFETCH(int, kind);
    QFETCH(int, line);
    QFETCH(qint64, expected);
    QFETCH(qint64, actual);
    QFETCH(QString, text);
    const SocketRead_Error error(kind, line, "socketDataLoop", expected, actual);
    QCOMPARE(QString::fromUtf8(error.what()), text);
}

void TestSocketErrors::writeTexts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");
    QTest::addColumn<qint64>("expected");
    QTest::addColumn<qint64>("actual");
    QTest::addColumn<QString>("text");
    QTest::newRow("header more") << 1 << 188 << qint64(12) << qint64(13)
                                 << "Occured at: \nprocessCmd, (188),   Expected Data Length: 12  Sent Data Length: 13"
                                    "Failed to write 'Header' info. Sent more data than expected. ";
    QTest::newRow("data unknown") << 3 << 197 << qint64(4) << qint64(-1)
                                  << "Occured at: \nprocessCmd, (197),   Expected Data Length: 4  Sent Data Length: "
                                     "18446744073709551615Failed to write 'Data' info. Unknown data transfer error. ";
    QTest::newRow("data short") << 5 << 199 << qint64(4) << qint64(2)
                                << "Occured at: \nprocessCmd, (199),   Expected Data Length: 4  Sent Data Length: 2"
                                   "Failed to write 'Data' info. Not enough data sent. ";
}

void TestSocketErrors::writeTexts()
{
    QFETCH(int, kind);
    QFETCH(int, line);
    QFETCH(qint64, expected);
    QFETCH(qint64, actual);
    QFETCH(QString, text);
    const SocketWrite_Error error(kind, line, "processCmd", expected, actual);
    QCOMPARE(QString::fromUtf8(error.what()), text);
}

void TestSocketErrors::runtimeErrorBaseText()
{
    const SocketRead_Error read(0, 78, "socketDataLoop", 12, -1);
    const SocketWrite_Error write(0, 187, "processCmd", 12, -1);
    QCOMPARE(QString::fromLatin1(read.std::runtime_error::what()),
             QStringLiteral("qtTcpSocketError: Failed to read 'Header or Data Info'."));
    QCOMPARE(QString::fromLatin1(write.std::runtime_error::what()),
             QStringLiteral("qtTcpSocketError: Failed to write 'Header or Data Info'."));
    QCOMPARE(read.kind(), 0);
    QCOMPARE(write.line(), 187);
}

void TestSocketErrors::messageIsStable()
{
    const SocketRead_Error error(5, 98, "socketDataLoop", 10, 3);
    const char *first = error.what();
    QCOMPARE(error.what(), first);
}

QTEST_APPLESS_MAIN(TestSocketErrors)
#include "tst_socketerrors.moc"
