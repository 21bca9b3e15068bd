// The resources of the .exe itself, or a file that a front end put in the
// place of one.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "image/resources.h"

namespace {

struct FileResource {
    unsigned id, type;
    std::vector<uint8_t> bytes;
};
// Kept until the process ends: the bytes may be read until then.
std::vector<FileResource>& fileResources()
{
    static std::vector<FileResource> files;
    return files;
}

}  // namespace

bool overrideResourceFromFile(unsigned id, unsigned type, const char* path)
{
    FILE* file = fopen(path, "rb");
    if (file == nullptr)
        return false;
    FileResource resource{id, type, {}};
    uint8_t chunk[4096];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0)
        resource.bytes.insert(resource.bytes.end(), chunk, chunk + count);
    const bool read = !ferror(file);
    fclose(file);
    if (read)
        fileResources().push_back(std::move(resource));
    return read;
}

const uint8_t* loadResourceBytes(unsigned id, unsigned type, uint32_t* size)
{
    *size = 0;
    for (auto it = fileResources().rbegin(); it != fileResources().rend(); ++it)
        if (it->id == id && it->type == type) {
            *size = static_cast<uint32_t>(it->bytes.size());
            return it->bytes.data();
        }
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
