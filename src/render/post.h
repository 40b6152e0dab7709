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
extern GLuint brightTexture;      // colour output 2, the bloom source (unit 4)
extern GLuint quadVAO;
extern GLuint quadVBO;
extern GLuint postProgram;
extern GLint fboTextureLocation;
extern GLint fboTexture2Location;
extern GLint fboDepthTextureLocation;
extern GLint inverseVPLocation;
extern GLint previousVPLocation;
extern GLint bloomBlurLocation;

// Creates the ping-pong and scene framebuffers (width x height), the full-screen quad and
// postProgram. Leaves sceneFramebuffer bound and texture unit 4 active.
void createPostProcessing(int width, int height);

// Makes every off-screen texture width x height again (the window's framebuffer changed size). The
// framebuffers keep their attachments; what the textures held is gone.
void resizePostProcessing(int width, int height);

// Binds the scene framebuffer, sets the viewport and clears colour and depth.
void beginScenePass(int width, int height);

// Blurs brightTexture horizontally into pingpongTextures[1], then vertically into
// pingpongTextures[0], with the depth test off. Returns the texture the last pass wrote.
GLuint runBlurPasses(GLuint blurProgram);

// The ping-pong texture the last blur pass wrote (pingpongTextures[0] after the two passes).
GLuint getBloomTexture();

// Selects postProgram and binds the four inputs of the composite on units 1 to 4.
void setUpComposite(int width, int height, GLuint bloomTexture);

// Draws the composite into the default framebuffer with the camera's current and previous
// view-projection, then remembers this frame's for the next.
void drawComposite(const glm::mat4& projection, const glm::mat4& view, glm::mat4& previousViewProjection);
