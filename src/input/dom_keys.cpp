#include "input/dom_keys.h"

#include "input/glfw_names.h"

#include <cstdio>
#include <cstring>

namespace
{
struct NamedKey
{
    const char* code;
    int key;
};

// Keys that are not a letter, a digit or a function key.
const NamedKey namedKeys[] = {
    {"Space", GLFW_KEY_SPACE},
    {"Escape", GLFW_KEY_ESCAPE},
    {"Enter", GLFW_KEY_ENTER},
    {"Tab", GLFW_KEY_TAB},
    {"Backspace", GLFW_KEY_BACKSPACE},
    {"ArrowRight", GLFW_KEY_RIGHT},
    {"ArrowLeft", GLFW_KEY_LEFT},
    {"ArrowDown", GLFW_KEY_DOWN},
    {"ArrowUp", GLFW_KEY_UP},
    {"ShiftLeft", GLFW_KEY_LEFT_SHIFT},
    {"ShiftRight", GLFW_KEY_RIGHT_SHIFT},
    {"ControlLeft", GLFW_KEY_LEFT_CONTROL},
    {"ControlRight", GLFW_KEY_RIGHT_CONTROL},
    {"AltLeft", GLFW_KEY_LEFT_ALT},
    {"AltRight", GLFW_KEY_RIGHT_ALT},
};
} // namespace

int keyFromDomCode(const char* code)
{
    if (code == nullptr)
    {
        return GLFW_KEY_UNKNOWN;
    }
    // "KeyA" to "KeyZ", "Digit0" to "Digit9": GLFW numbers them as their ASCII characters.
    if (strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z' && code[4] == '\0')
    {
        return GLFW_KEY_A + (code[3] - 'A');
    }
    if (strncmp(code, "Digit", 5) == 0 && code[5] >= '0' && code[5] <= '9' && code[6] == '\0')
    {
        return GLFW_KEY_0 + (code[5] - '0');
    }
    // "F1" to "F12"; GLFW's function keys are numbered in a row.
    for (int function = 1; function <= 12; ++function)
    {
        char name[4];
        snprintf(name, sizeof(name), "F%d", function);
        if (strcmp(code, name) == 0)
        {
            return GLFW_KEY_F1 + function - 1;
        }
    }
    for (const NamedKey& named : namedKeys)
    {
        if (strcmp(code, named.code) == 0)
        {
            return named.key;
        }
    }
    return GLFW_KEY_UNKNOWN;
}
