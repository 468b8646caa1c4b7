#include "applicationsetup.h"
#include "softwareopengl.h"
#include "startupprobe.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QTranslator>

int main(int argc, char *argv[])
{
    ApplicationSetup::beforeApplication();
    QGuiApplication app(argc, argv);
    SoftwareOpenGL::GlyphCacheChoice glyphCache;
    QTranslator translator;
    ApplicationSetup::application(app, translator);

    QQmlApplicationEngine engine(QUrl(QStringLiteral("qrc:/main.qml")));
    glyphCache.apply();
    StartupProbe::installIfRequested(engine);
    return app.exec();
}
