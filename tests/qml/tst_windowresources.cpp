// Every picture the resource sets list is there under its path and decodes.
#include "qmltestsupport.h"

#include <QImageReader>
#include <QtTest>

class TestWindowResources : public QObject
{
    Q_OBJECT
private slots:
    void pictureDecodes_data();
    void pictureDecodes();
    void documentsArePresent_data();
    void documentsArePresent();
};

void TestWindowResources::pictureDecodes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    const QStringList shared{QStringLiteral("images/VectorScopeBackground-S05x256.png"),
                             QStringLiteral("images/VectorScopeBackground-S05x256b.png"),
                             QStringLiteral("images/VectorScopeBackground-S05x128.png"),
                             QStringLiteral("images/VectorScopeBackground-S05x128b.png"),
                             QStringLiteral("images/lock-image-1.png"),
                             QStringLiteral("images/lock-image-2.png"),
                             QStringLiteral("images/lock-image-3.png"),
                             QStringLiteral("images/lock-image-4.png"),
                             QStringLiteral("images/Cubrix.ico"),
                             QStringLiteral("images/cubrix.png")};
    const QList<QSize> sizes{QSize(256, 256), QSize(256, 256), QSize(128, 128), QSize(128, 128), QSize(64, 64),
                             QSize(64, 64),   QSize(64, 64),   QSize(64, 64),   QSize(16, 16),   QSize(256, 256)};
    // Set 0 at the root, set 1's copy under /cubrix.
    for (const QString &prefix : {QStringLiteral(":/"), QStringLiteral(":/cubrix/")}) {
        for (int i = 0; i < shared.size(); ++i)
            QTest::newRow(qPrintable(prefix + shared[i])) << prefix + shared[i] << sizes[i];
    }
    QTest::newRow(":/monitor/kt-series.jpg") << ":/monitor/kt-series.jpg" << QSize(480, 300);
    QTest::newRow(":/monitor/tl-series.png") << ":/monitor/tl-series.png" << QSize(480, 300);
    QTest::newRow(":/monitor/sn-pr-series.png") << ":/monitor/sn-pr-series.png" << QSize(480, 300);
    QTest::newRow(":/monitor/images/VectorScopeBackground-S05x256b.png")
        << ":/monitor/images/VectorScopeBackground-S05x256b.png" << QSize(256, 256);
    QTest::newRow(":/monitor/images/VectorScopeBackground-S05x128b.png")
        << ":/monitor/images/VectorScopeBackground-S05x128b.png" << QSize(128, 128);
}

void TestWindowResources::pictureDecodes()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QImageReader reader(path);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(path + QStringLiteral(": ") + reader.errorString()));
    QCOMPARE(image.size(), size);
}

void TestWindowResources::documentsArePresent_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("start");
    for (const char *name : {":/main.qml", ":/LeftTabBar.qml", ":/maintab_monitor.qml", ":/maintab_cubrix.qml",
                             ":/DevicesProfile.qml"})
        QTest::newRow(name) << QString::fromLatin1(name) << QByteArray("import QtQuick");
    QTest::newRow(":/ChannelCreation.js") << ":/ChannelCreation.js" << QByteArray(".pragma library");
    QTest::newRow(":/common/CheckDeviceType.js") << ":/common/CheckDeviceType.js" << QByteArray(".pragma library");
    // The icon containers carry their magic numbers.
    QTest::newRow(":/images/Cubrix.icns") << ":/images/Cubrix.icns" << QByteArray("icns");
    QTest::newRow(":/cubrix/images/Cubrix.icns") << ":/cubrix/images/Cubrix.icns" << QByteArray("icns");
    QTest::newRow(":/monitor/monitor.icns") << ":/monitor/monitor.icns" << QByteArray("icns");
}

void TestWindowResources::documentsArePresent()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, start);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    QVERIFY(file.readAll().startsWith(start));
}

BREVANTO_QML_TEST_MAIN(TestWindowResources)
#include "tst_windowresources.moc"
