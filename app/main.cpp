#include "applicationsetup.h"
#include "softwareopengl.h"
#include "startupprobe.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QTranslator>

int main(int argc, char *argv[])
{
    ApplicationSetup::beforeApplication();
    SoftwareOpenGL::chooseGlyphCacheWorkaround();
    QGuiApplication app(argc, argv);
    QTranslator translator;
    ApplicationSetup::application(app, translator);

    QQmlApplicationEngine engine(QUrl(QStringLiteral("qrc:/main.qml")));
    StartupProbe::installIfRequested(engine);
    return app.exec();
}
