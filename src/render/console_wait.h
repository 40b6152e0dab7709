#pragma once

// When a loader cannot use one of the game's files (a shader it cannot open, a model it cannot read),
// it names the file on the console and waits for one typed character, so the player sees the line
// before the window covers the console. A platform that cannot wait (a web page must never block)
// shows the message its own way instead.

// The loader's message was printed; wait for the player (or show it, where waiting is not possible).
void waitForReader(const char* message);

// How this platform shows such a message instead of waiting; null waits for a typed character again.
void setReaderWait(void (*show)(const char* message));
