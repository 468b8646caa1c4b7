#include "capture/frameheader.h"
#include "capture/rawframefile.h"
#include "testframes.h"

#include <QTemporaryDir>
#include <QtTest>

class TestRawFrameFile : public QObject
{
    Q_OBJECT
private slots:
    void exchangeOuterFields_data();
    void exchangeOuterFields();
    void littleEndianFormatsExchanged_data();
    void littleEndianFormatsExchanged();
    void pitchUnderOneWordAPixel();
    void otherFormatsUnchanged_data();
    void otherFormatsUnchanged();
    void writesWholeFile();
    void truncatesExistingFile();
    void unopenableFileIsReported();
};

void TestRawFrameFile::exchangeOuterFields_data()
{
    QTest::addColumn<quint32>("word");
    QTest::addColumn<quint32>("stored");
    QTest::newRow("low field moves up") << 0x000003FFu << 0x3FF00000u;
    QTest::newRow("high field moves down") << 0x3FF00000u << 0x000003FFu;
    QTest::newRow("middle field stays") << 0x000FFC00u << 0x000FFC00u;
    QTest::newRow("top two bits cleared") << 0xC0000000u << 0x00000000u;
    QTest::newRow("all set") << 0xFFFFFFFFu << 0x3FFFFFFFu;
    // 0x12345678: low 0x278, middle 0x115, high 0x123 -> 0x278 << 20 | 0x115 << 10 | 0x123.
    QTest::newRow("mixed") << 0x12345678u << 0x27845523u;
}

void TestRawFrameFile::exchangeOuterFields()
{
    QFETCH(quint32, word);
    QFETCH(quint32, stored);
    QCOMPARE(RawFrameFile::exchangeOuterFields(word), stored);
}

void TestRawFrameFile::littleEndianFormatsExchanged_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("258") << 258;
    QTest::newRow("259") << 259;
}

void TestRawFrameFile::littleEndianFormatsExchanged()
{
    QFETCH(int, format);
    // Two pixels a line, two lines, 4 bytes of line padding that must be copied untouched.
    const QVector<quint32> words{0x12345678u, 0xC00003FFu, 0x3FF00000u, 0x000FFC00u};
    const QByteArray frame = TestFrames::wordFrame(2, 2, format, words, 12, {1, 2, 3, 4});
    const QByteArray expected = TestFrames::wordFrame(2, 2, format, {0x27845523u, 0x3FF00000u, 0x000003FFu, 0x000FFC00u},
                                                      12, {1, 2, 3, 4});
    const QByteArray written = RawFrameFile::fileBytes(frame, *FrameHeader::parse(frame));
    QCOMPARE(written.toHex(), expected.toHex());
    QCOMPARE(written.mid(12 + 8, 4), QByteArray(4, '\xEE'));
}

void TestRawFrameFile::pitchUnderOneWordAPixel()
{
    // Two pixels a line but lines of 6 bytes: only the one whole word inside each line is
    // exchanged, so no byte is exchanged twice and the 2 bytes after it stay as they came.
    const QByteArray frame = TestFrames::header(2, 2, 6, 258) + QByteArray::fromHex("FF030000 AABB 0000F03F CCDD");
    const QByteArray expected = TestFrames::header(2, 2, 6, 258) + QByteArray::fromHex("0000F03F AABB FF030000 CCDD");
    QCOMPARE(RawFrameFile::fileBytes(frame, *FrameHeader::parse(frame)).toHex(), expected.toHex());
}

void TestRawFrameFile::otherFormatsUnchanged_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("4:4:4 big-endian") << TestFrames::wordFrame(2, 1, 2, {0x12345678u, 0xFFFFFFFFu});
    QTest::newRow("4:2:2") << QByteArray(TestFrames::header(6, 1, 16, 1) + TestFrames::noise(16, 3));
    QTest::newRow("unknown") << TestFrames::wordFrame(2, 1, 7, {0x12345678u, 0xFFFFFFFFu});
}

void TestRawFrameFile::otherFormatsUnchanged()
{
    QFETCH(QByteArray, frame);
    QCOMPARE(RawFrameFile::fileBytes(frame, *FrameHeader::parse(frame)), frame);
}

void TestRawFrameFile::writesWholeFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray frame = TestFrames::wordFrame(1, 1, 259, {0x000003FFu});
    const QString path = dir.filePath(QStringLiteral("frame.raw"));
    QVERIFY(RawFrameFile::write(path, frame, *FrameHeader::parse(frame)));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toHex(), (frame.left(12) + QByteArray::fromHex("0000F03F")).toHex());
}

void TestRawFrameFile::truncatesExistingFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("frame.raw"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(1000, 'x'));
    }
    const QByteArray frame = TestFrames::wordFrame(1, 1, 2, {0x11223344u});
    QVERIFY(RawFrameFile::write(path, frame, *FrameHeader::parse(frame)));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), frame);
}

void TestRawFrameFile::unopenableFileIsReported()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/folder/frame.raw"));
    const QByteArray frame = TestFrames::wordFrame(1, 1, 2, {0u});
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^failed to write .*frame.raw")));
    QVERIFY(!RawFrameFile::write(path, frame, *FrameHeader::parse(frame)));
    QVERIFY(!QFile::exists(path));
}

QTEST_APPLESS_MAIN(TestRawFrameFile)
#include "tst_rawframefile.moc"
