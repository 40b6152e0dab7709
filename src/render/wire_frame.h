#pragma once

// Wire frame (F3): every triangle drawn as its outline. The frame loop sets it once a frame; a pass
// that must fill its triangles whatever the player chose (the display) turns it off and back on. The
// state is kept here, never asked of GL: WebGL cannot be asked for it.

// Whether this GL can draw outlines at all; a browser without WEBGL_polygon_mode cannot.
bool isWireFrameAvailable();
// Outlines from now on (true), or filled triangles; stays off where it is not available.
void setWireFrame(bool on);
bool isWireFrame();
