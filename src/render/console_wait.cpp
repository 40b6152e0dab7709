#include "render/console_wait.h"

#include <cstdio>

static void (*showInstead)(const char* message) = nullptr;

void waitForReader(const char* message)
{
    if (showInstead != nullptr)
    {
        showInstead(message);
        return;
    }
    getchar();
}

void setReaderWait(void (*show)(const char* message))
{
    showInstead = show;
}
