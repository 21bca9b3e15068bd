// The resources of the .exe itself.
#include <windows.h>

#include "image/resources.h"

const uint8_t* loadResourceBytes(unsigned id, unsigned type, uint32_t* size)
{
    *size = 0;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
    if (found == nullptr)
        return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    if (loaded == nullptr)
        return nullptr;
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr)
        return nullptr;
    *size = static_cast<uint32_t>(SizeofResource(module, found));
    return static_cast<const uint8_t*>(bytes);
}
