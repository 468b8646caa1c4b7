#pragma once

#include <QByteArray>
#include <atomic>
#include <memory>

class QOffscreenSurface;
class QThread;

// Which OpenGL renderer draws the windows, and whether it runs on the processor (Mesa's
// llvmpipe, softpipe or swrast, or SwiftShader): without a graphics card, or under a virtual
// display.
namespace SoftwareOpenGL {

// The renderer's name as the driver gives it, from a context made only for the question;
// empty when none can be made. Any thread; the surface must have been created.
QByteArray rendererName(QOffscreenSurface &surface);
bool isSoftwareRenderer(const QByteArray &rendererName);

// Text keeps its glyphs in a texture that grows as glyphs are added; each growth copies it on
// the GPU with a shader built on first use, which on a software renderer took a sixth of the
// window's start. Qt's workaround (QT_ENABLE_GLYPH_CACHE_WORKAROUND) grows a copy held in
// memory and uploads it instead: worth it there, and left off for a real GPU. A value the user
// has set is kept.
//
// Asking the driver costs a context of its own, which on a software renderer is slow to make:
// the question is asked on a thread of its own while the window loads. Construct after the
// application object and before loading the window; call apply() before the event loop runs,
// that is before the window's own context is first made current (when Qt reads the variable).
class GlyphCacheChoice
{
public:
    GlyphCacheChoice();
    ~GlyphCacheChoice();
    void apply();

private:
    std::unique_ptr<QOffscreenSurface> m_surface;
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_software{false};
};

} // namespace SoftwareOpenGL
