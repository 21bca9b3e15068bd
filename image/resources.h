// The program's embedded resources: the packed firmware image and the
// configuration text. On Windows they are resources of the .exe; on Linux
// they are blobs compiled into the program (image/posix/resource_blobs.h).
#pragma once
#include <cstdint>

#include "resources/resource_ids.h"

constexpr unsigned imageResourceType = FLINTWELL_IMAGE_RESOURCE_TYPE;
constexpr unsigned imageResourceId = FLINTWELL_IMAGE_RESOURCE_ID;
constexpr unsigned configResourceType = FLINTWELL_CONFIG_RESOURCE_TYPE;
constexpr unsigned configResourceId = FLINTWELL_CONFIG_RESOURCE_ID;

// The bytes of the resource of numeric type and id in the program's own
// module, read-only and valid for the life of the process, with their number
// in *size. No such resource: null and *size 0. A resource may exist and be
// empty (a pointer that must not be read, *size 0).
const uint8_t* loadResourceBytes(unsigned id, unsigned type, uint32_t* size);

// Substitutes the resource of type and id with the bytes of a file, read once
// and kept for the life of the process (a front end's packed image in place
// of the built-in one). False when the file cannot be read whole.
bool overrideResourceFromFile(unsigned id, unsigned type, const char* path);
