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
    // Text drawn natively keeps its glyphs in a texture that grows as glyphs are added; by
    // default each growth copies it on the GPU with a shader built on first use, which on a
    // software OpenGL driver took a sixth of the start-up. Growing a copy held in memory and
    // uploading it draws the same glyphs. A value set by the user is left as it is.
    if (!qEnvironmentVariableIsSet("QT_ENABLE_GLYPH_CACHE_WORKAROUND"))
        qputenv("QT_ENABLE_GLYPH_CACHE_WORKAROUND", "1");
    QGuiApplication app(argc, argv);
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
    StartupProbe::installIfRequested(engine);
    return app.exec();
}
