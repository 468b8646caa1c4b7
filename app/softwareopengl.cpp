#include "softwareopengl.h"

#include <QtGlobal>

namespace SoftwareOpenGL {

namespace {
// Mesa's reading of a boolean variable.
bool mesaTrue(const QByteArray &value)
{
    const QByteArray lower = value.trimmed().toLower();
    return lower == "1" || lower == "true" || lower == "yes" || lower == "y";
}
} // namespace

bool softwareRequested(const QByteArray &alwaysSoftware, const QByteArray &galliumDriver, const QByteArray &qtForceSoftware)
{
    const QByteArray driver = galliumDriver.trimmed().toLower();
    return mesaTrue(alwaysSoftware) || !qtForceSoftware.isEmpty() || driver == "llvmpipe" || driver == "softpipe"
           || driver == "swr";
}

void chooseGlyphCacheWorkaround()
{
    static const char Variable[] = "QT_ENABLE_GLYPH_CACHE_WORKAROUND";
    if (!qEnvironmentVariableIsSet(Variable)
        && softwareRequested(qgetenv("LIBGL_ALWAYS_SOFTWARE"), qgetenv("GALLIUM_DRIVER"), qgetenv("QT_XCB_FORCE_SOFTWARE_OPENGL")))
        qputenv(Variable, "1");
}

} // namespace SoftwareOpenGL
