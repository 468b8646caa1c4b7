#include "qmlregistry.h"
#include "startupprobe.h"

#include <QGuiApplication>
#include <QLocale>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache, true);
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle(QStringLiteral("Material"));

    registerQmlTypes();

    QTranslator translator;
    translator.load(QStringLiteral("TWK_Brevanto-") + QLocale::system().name(), QString(), QString(), QString());
    app.installTranslator(&translator);

    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Brevanto"));

    QQmlApplicationEngine engine(QUrl(QStringLiteral("qrc:/main.qml")));
    StartupProbe::installIfRequested(engine);
    return app.exec();
}
