#pragma once

// A browser names each key of a keyboard event by where it sits (KeyboardEvent.code: "KeyW",
// "Digit1", "F2", "Space"), whatever the keyboard's layout, as GLFW's key numbers do on the desktop:
// W, A, S and D are the same four keys on every layout. The GLFW key for such a name, or -1
// (GLFW_KEY_UNKNOWN) for one the game has no use for.
int keyFromDomCode(const char* code);
