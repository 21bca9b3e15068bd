// Linux stand-in for the .exe's resources: blobs compiled into the program
// (image/posix/resource_blobs.h).
#include <cstdio>
#include <deque>
#include <vector>

#include "image/posix/resource_blobs.h"
#include "image/resources.h"

namespace {

struct Blob {
    bool used;
    bool present;
    unsigned id;
    unsigned type;
    const uint8_t* bytes;
    uint32_t size;
};

constexpr int blobSlots = 8;

// Plain zero-initialised tables: ready before any registration that a
// static initialiser of the generated source makes.
Blob builtIn[blobSlots];
Blob overrides[blobSlots];

// A valid address for an empty resource.
const uint8_t emptyBlob[1] = {0};

Blob* slotFor(Blob* table, unsigned id, unsigned type)
{
    Blob* freeSlot = nullptr;
    for (int i = 0; i < blobSlots; ++i) {
        if (table[i].used && table[i].id == id && table[i].type == type)
            return &table[i];
        if (!table[i].used && freeSlot == nullptr)
            freeSlot = &table[i];
    }
    return freeSlot;
}

bool store(Blob* table, unsigned id, unsigned type, const uint8_t* bytes, uint32_t size)
{
    Blob* slot = slotFor(table, id, type);
    if (slot == nullptr)
        return false;
    *slot = Blob{true, bytes != nullptr, id, type, bytes, bytes != nullptr ? size : 0};
    return true;
}

const Blob* find(const Blob* table, unsigned id, unsigned type)
{
    for (int i = 0; i < blobSlots; ++i) {
        if (table[i].used && table[i].id == id && table[i].type == type)
            return &table[i];
    }
    return nullptr;
}

}  // namespace

bool registerResourceBlob(unsigned id, unsigned type, const uint8_t* bytes, uint32_t size)
{
    return store(builtIn, id, type, bytes, size);
}

bool overrideResourceBlob(unsigned id, unsigned type, const uint8_t* bytes, uint32_t size)
{
    return store(overrides, id, type, bytes, size);
}

bool overrideResourceFromFile(unsigned id, unsigned type, const char* path)
{
    // Kept until the process ends: the override may be read until then.
    static std::deque<std::vector<uint8_t>> files;
    FILE* file = fopen(path, "rb");
    if (file == nullptr)
        return false;
    std::vector<uint8_t>& bytes = files.emplace_back();
    uint8_t chunk[4096];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + count);
    const bool read = !ferror(file);
    fclose(file);
    return read && overrideResourceBlob(id, type, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

void removeResourceOverrides()
{
    for (Blob& blob : overrides)
        blob = Blob{};
}

const uint8_t* loadResourceBytes(unsigned id, unsigned type, uint32_t* size)
{
    *size = 0;
    const Blob* blob = find(overrides, id, type);
    if (blob == nullptr)
        blob = find(builtIn, id, type);
    if (blob == nullptr || !blob->present)
        return nullptr;
    *size = blob->size;
    return blob->size != 0 ? blob->bytes : emptyBlob;
}
