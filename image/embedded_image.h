// The firmware image the program carries, unpacked: what start-up proves and
// scans, and what the update job streams. One unpacking for both.
#pragma once
#include <cstdint>
#include <memory>

struct ImageText {
    std::unique_ptr<uint8_t[]> bytes;  // the Intel HEX text, LF line ends
    uint32_t length = 0;
};

enum class ImageTextEnd : uint8_t {
    unpacked,
    noResource,   // missing or empty
    noMemory,
    notUnpacked,  // a damaged packet (the unpacker has shown why)
};

ImageTextEnd unpackEmbeddedImage(ImageText* text);
