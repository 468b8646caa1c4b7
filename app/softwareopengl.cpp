#include "softwareopengl.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QThread>

namespace SoftwareOpenGL {

namespace {
const char GlyphCacheVariable[] = "QT_ENABLE_GLYPH_CACHE_WORKAROUND";
}

QByteArray rendererName(QOffscreenSurface &surface)
{
    QOpenGLContext context;
    if (!context.create() || !context.makeCurrent(&surface))
        return QByteArray();
    const auto *name = reinterpret_cast<const char *>(context.functions()->glGetString(GL_RENDERER));
    const QByteArray renderer(name ? name : "");
    context.doneCurrent();
    return renderer;
}

bool isSoftwareRenderer(const QByteArray &rendererName)
{
    const QByteArray name = rendererName.toLower();
    for (const char *software : {"llvmpipe", "softpipe", "software rasterizer", "swrast", "swiftshader"}) {
        if (name.contains(software))
            return true;
    }
    return false;
}

GlyphCacheChoice::GlyphCacheChoice()
{
    if (qEnvironmentVariableIsSet(GlyphCacheVariable))
        return;
    // The surface belongs to the GUI thread; only the context lives on the asking thread.
    m_surface = std::make_unique<QOffscreenSurface>();
    m_surface->create();
    m_thread.reset(QThread::create([this] { m_software = isSoftwareRenderer(rendererName(*m_surface)); }));
    m_thread->start();
}

GlyphCacheChoice::~GlyphCacheChoice()
{
    apply();
}

void GlyphCacheChoice::apply()
{
    if (!m_thread)
        return;
    m_thread->wait();
    m_thread.reset();
    m_surface.reset();
    if (m_software)
        qputenv(GlyphCacheVariable, "1");
}

} // namespace SoftwareOpenGL
