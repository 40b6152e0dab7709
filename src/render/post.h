#pragma once

#include "render/gl.h"

#include <glm/glm.hpp>

// Off-screen scene, two-pass bloom blur and the composite into the window. Everything is made once
// by createPostProcessing and lives until the process ends.
extern GLuint pingpongFramebuffers[2];
extern GLuint pingpongTextures[2];
extern GLuint sceneFramebuffer;
extern GLuint sceneColorTexture;  // colour output 0, texture unit 1 in the composite
extern GLuint sceneDepthTexture;  // depth, unit 2
extern GLuint sceneColorTexture2; // colour output 1, unit 3
// Colour output 2, the bloom source. It is pingpongTextures[0] itself: the vertical blur pass writes
// its result over the boxes it blurs, and everywhere else the source already is its own blur.
extern GLuint brightTexture;
extern GLuint quadVAO;
extern GLuint quadVBO;
extern GLuint postProgram; // the composite, reprojecting last frame's camera for the motion blur
// Lighter builds of the same composite, with the same picture: for a camera that has not moved (no
// reprojection) and for one that only turned about its eye (no depth).
extern GLuint stillPostProgram;
extern GLuint turningPostProgram;
extern GLint fboTextureLocation; // the kept locations are postProgram's
extern GLint fboTexture2Location;
extern GLint fboDepthTextureLocation;
extern GLint inverseVPLocation;
extern GLint previousVPLocation;
extern GLint bloomBlurLocation;

// The framebuffer the composite draws into: 0, the window's own, single-sampled and without depth.
// The frame benchmark puts a multisampled stand-in with a depth buffer here to measure such a window.
extern GLuint windowFramebuffer;

// Each saving of the post-processing can be switched off, to measure what it saves (the frame
// benchmark does) or to look for a fault in it. The game leaves them all on.
struct PostSavings
{
    bool blurBoxes = true; // blur only the boxes runBlurPasses is given; off: the whole window
    // A camera that did not move takes stillPostProgram, one that only turned turningPostProgram.
    bool lighterComposites = true;
    // The window is cleared only when something can show through the composite, and the composite is
    // not depth-tested. Off: colour and depth are cleared every frame and the depth test stays on.
    bool bareWindow = true;
};
extern PostSavings postSavings;

// A rectangle of window pixels, x1 and y1 exclusive, with the origin at the bottom left as in GL.
struct ScreenBox
{
    int x0, y0, x1, y1;
};

// The radius (world units) around the world origin within which the scene shader lets the Sun's
// fragments glow (FragmentShader.glsl): nothing outside it writes the bloom source.
const float sunGlowRadius = 12.0f;

// The box of every pixel whose centre a sphere (world centre and radius) may cover when seen with
// viewProjection, clipped to a width x height window. False when none of it can be on screen, e.g.
// when it is behind the camera or beside the view.
bool sphereScreenBox(const glm::mat4& viewProjection, glm::vec3 centre, float radius, int width, int height,
                     ScreenBox& box);

// Creates the ping-pong and scene framebuffers (width x height), the full-screen quad and the
// composite programs. Leaves sceneFramebuffer bound and texture unit 4 active.
void createPostProcessing(int width, int height);

// Makes every off-screen texture width x height again (the window's framebuffer changed size). The
// framebuffers keep their attachments; what the textures held is gone.
void resizePostProcessing(int width, int height);

// Binds the scene framebuffer, sets the viewport, turns the depth test on and clears colour and depth.
void beginScenePass(int width, int height);

// Blurs the bloom source horizontally into pingpongTextures[1], then vertically back into
// pingpongTextures[0], with the depth test off, over the given boxes only: the boxes of whatever
// wrote more than the plain background into the bloom source this frame, each grown by the blur's
// reach and clipped to the window. No box, no blur work. In wire frame (or with the boxes switched off
// in postSavings) the whole window is blurred. Returns the texture the composite reads.
GLuint runBlurPasses(GLuint blurProgram, const ScreenBox* boxes, int boxCount);

// Blurs the whole window.
GLuint runBlurPasses(GLuint blurProgram);

// The ping-pong texture the last blur pass wrote (pingpongTextures[0] after the two passes).
GLuint getBloomTexture();

// Binds windowFramebuffer and sets the viewport; clears its colour to the clear colour when asked
// (wire frame and transparency let it show through the composite).
void beginWindowPass(int width, int height, bool clear);

// Sets the viewport, selects postProgram, binds the four inputs of the composite on units 1 to 4 for
// every composite program, and turns the depth test off: the composite covers the whole window.
void setUpComposite(int width, int height, GLuint bloomTexture);

// Draws the composite into windowFramebuffer with the camera's current and previous view-projection,
// then remembers this frame's for the next. A camera that has not moved since (the same matrix) takes
// stillPostProgram, one whose eye stayed where it was turningPostProgram.
void drawComposite(const glm::mat4& projection, const glm::mat4& view, glm::mat4& previousViewProjection);

// Scales every colour the composite writes from now on (1 at start): a paused game is shown dimmed
// for no extra pass and no blending.
void setCompositeBrightness(float brightness);
