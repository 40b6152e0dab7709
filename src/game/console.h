#pragma once

#include <cstdio>

// One line on the console, shown at once: the console is the game's status display, also when it
// goes to a file or a pipe.
inline void announce(const char* message)
{
    printf("%s\n", message);
    fflush(stdout);
}
