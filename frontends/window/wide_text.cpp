// The texts are bytes of their language's code page (Windows-1251); every
// window function is called in its wide form, so Russian reads right
// whatever the system's ANSI code page.
#include <cstring>

#include "frontends/window/main_window.h"
#include "ui/languages.h"

int widen(const char* text, wchar_t* wide, int size)
{
    if (size <= 0)
        return 0;
    wide[0] = L'\0';
    if (text == nullptr || size == 1)
        return 0;
    const int length = static_cast<int>(strnlen(text, static_cast<size_t>(size - 1)));
    if (length == 0)
        return 0;
    // 1251 is a single-byte code page: one byte gives one UTF-16 unit, so a
    // piece of a longer text never splits a character.
    const int made = MultiByteToWideChar(currentLanguage().codePage, 0, text, length, wide, size - 1);
    if (made <= 0)
        return 0;
    wide[made] = L'\0';
    return length;
}

void narrow(const wchar_t* wide, char* text, int size)
{
    if (size <= 0)
        return;
    text[0] = '\0';
    if (wide == nullptr || size == 1)
        return;
    const int length = static_cast<int>(wcsnlen(wide, static_cast<size_t>(size - 1)));
    if (length == 0)
        return;
    const int made = WideCharToMultiByte(currentLanguage().codePage, 0, wide, length, text, size - 1, nullptr, nullptr);
    text[made > 0 ? made : 0] = '\0';
}
