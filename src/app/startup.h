#pragma once

struct GLFWwindow;

// Set once by init and never changed: the window size is also the size of every off-screen
// texture and viewport.
extern int windowWidth;
extern int windowHeight;
extern bool fullScreen;
extern GLFWwindow* window;

// Reads config.txt, opens the "Velmora" window with an OpenGL 4.4 core context, sets the global GL
// state and creates the post-processing resources. Returns 0, or -1 after printing why it failed.
int init();
