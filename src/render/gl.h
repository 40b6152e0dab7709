#pragma once

// Every file that talks to OpenGL includes this one: GLEW must come before any other GL header.
#include <GL/glew.h>
