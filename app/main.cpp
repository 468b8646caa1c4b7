#include "qmlregistry.h"
#include "softwareopengl.h"
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
    SoftwareOpenGL::GlyphCacheChoice glyphCache;
    QQuickStyle::setStyle(QStringLiteral("Material"));

    registerQmlTypes();

    QTranslator translator;
    translator.load(QStringLiteral("TWK_Brevanto-") + QLocale::system().name(), QString(), QString(), QString());
    app.installTranslator(&translator);

    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Brevanto"));
    // Links the running window to its installed desktop entry (and icon) on Wayland too.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.tarnwick.Brevanto"));

    QQmlApplicationEngine engine(QUrl(QStringLiteral("qrc:/main.qml")));
    glyphCache.apply();
    StartupProbe::installIfRequested(engine);
    return app.exec();
}
