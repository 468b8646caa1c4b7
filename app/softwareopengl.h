#pragma once

#include <QByteArray>

// Whether OpenGL has been told to draw on the processor, and what the program does about it.
namespace SoftwareOpenGL {

// Mesa draws in software when LIBGL_ALWAYS_SOFTWARE holds a true value or GALLIUM_DRIVER names
// a software driver; Qt's own QT_XCB_FORCE_SOFTWARE_OPENGL sets the first. Arguments are the
// variables' values (empty when unset).
bool softwareRequested(const QByteArray &alwaysSoftware, const QByteArray &galliumDriver,
                       const QByteArray &qtForceSoftware);

// Text keeps its glyphs in a texture that grows as glyphs are added; each growth copies it on
// the GPU with a shader built on first use, slow on a software renderer. Qt's workaround
// (QT_ENABLE_GLYPH_CACHE_WORKAROUND) grows a copy held in memory and uploads it instead. It is
// set only where software drawing was asked for: asking the driver itself costs a context of
// its own, which took longer than the workaround saves. A value the user has set is kept.
// Call before the first window.
void chooseGlyphCacheWorkaround();

} // namespace SoftwareOpenGL
