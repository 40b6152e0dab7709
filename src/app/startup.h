#pragma once

struct GLFWwindow;

// The size of the window's framebuffer in pixels, which is also the size of every off-screen
// texture and viewport. config.txt gives the size the window asks for at start; the frame loop
// follows the framebuffer when the window is resized or the screen gives full screen another size.
extern int windowWidth;
extern int windowHeight;
extern bool fullScreen;
extern GLFWwindow* window;

// Reads config.txt, opens the "Velmora" window with an OpenGL 4.4 core context, sets the global GL
// state and creates the post-processing resources. Returns 0, or -1 after printing why it failed.
int init();
