// Where Linux has no executable resources, the program carries its two blobs
// compiled in: the build generates a source file (the CMake helper
// flintwell_embed_resources) that registers the packed firmware image and
// the configuration text here before main runs. loadResourceBytes then finds
// them by numeric type and id, as the Windows build finds the .exe's own.
//
// Tests and front ends may substitute a blob, or take one away, without
// rebuilding: an override wins over the built-in blob until it is removed.
#pragma once
#include <cstdint>

// Registers a built-in blob; for the generated source file. The bytes must
// live as long as the process. False when the table is full.
bool registerResourceBlob(unsigned id, unsigned type, const uint8_t* bytes, uint32_t size);

// Substitutes the blob of type and id (bytes must stay valid while the
// override is in place; size 0 gives an empty resource). Null bytes make the
// resource missing. False when the table is full.
bool overrideResourceBlob(unsigned id, unsigned type, const uint8_t* bytes, uint32_t size);

// Back to the built-in blobs.
void removeResourceOverrides();

