#include "render/gl.h"

#include <emscripten/emscripten.h>

// JavaScript, as Emscripten pastes it into the page:
// clang-format off

// The extension object, looked up once in the page's WebGL context (GLctx, Emscripten's current one);
// null without it.
EM_JS(int, findPolygonModeExtension, (), {
    if (Module.polygonModeExtension === undefined) {
        Module.polygonModeExtension = GLctx ? GLctx.getExtension('WEBGL_polygon_mode') : null;
    }
    return Module.polygonModeExtension ? 1 : 0;
});

EM_JS(void, webglPolygonMode, (int face, int mode), {
    Module.polygonModeExtension.polygonModeWEBGL(face, mode);
});
// clang-format on

bool isPolygonModeAvailable()
{
    return findPolygonModeExtension() != 0;
}

void setPolygonMode(bool lines)
{
    if (isPolygonModeAvailable())
    {
        // FRONT_AND_BACK; LINE_WEBGL and FILL_WEBGL carry the desktop's GL_LINE and GL_FILL numbers.
        webglPolygonMode(0x0408, lines ? 0x1B01 : 0x1B02);
    }
}
