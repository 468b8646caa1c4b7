#include "applicationsetup.h"

#include "qmlregistry.h"

#include <QGuiApplication>
#include <QLocale>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTranslator>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace ApplicationSetup {

void beforeApplication()
{
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache, true);
#ifdef __GLIBC__
    // Blocks of 256 KiB and more are mapped on their own and returned when freed. By default
    // glibc raises that threshold each time such a block is freed, and the frames, vertex
    // arrays and label images that scope windows make and drop many times a second then stay
    // in the heaps of the threads that freed them: about 40 MB with four scopes playing.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    mallopt(M_ARENA_MAX, 2);
#endif
}

void application(QGuiApplication &app, QTranslator &translator)
{
    QQuickStyle::setStyle(QStringLiteral("Material"));
    // Every text hinted and drawn by the platform's rasteriser, as the desktop controls draw
    // theirs: one glyph cache instead of two, and no distance fields to compute for each new
    // glyph (a tenth of the start under software OpenGL).
    QQuickWindow::setTextRenderType(QQuickWindow::NativeTextRendering);
    registerQmlTypes();
    translator.load(QStringLiteral("TWK_Brevanto-") + QLocale::system().name(), QString(), QString(), QString());
    app.installTranslator(&translator);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Brevanto"));
    // Links the running window to its installed desktop entry (and icon) on Wayland too.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.tarnwick.Brevanto"));
}

} // namespace ApplicationSetup
