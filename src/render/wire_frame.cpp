#include "render/wire_frame.h"

#include "render/gl.h"

static bool wireFrame = false;

bool isWireFrameAvailable()
{
    return isPolygonModeAvailable();
}

void setWireFrame(bool on)
{
    wireFrame = on && isPolygonModeAvailable();
    setPolygonMode(wireFrame);
}

bool isWireFrame()
{
    return wireFrame;
}
