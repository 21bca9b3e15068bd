// The packed image: the firmware's Intel HEX text (LF line ends) cut into
// packets of at most 128 text bytes, each CRC-8-checked and masked with a key
// of imageKeyTable. A packet: key byte, length n, n text bytes, filler, CRC.
#pragma once
#include <cstdint>

constexpr int imagePacketText = 128;                 // text bytes of a full packet
constexpr int imagePacketSize = imagePacketText + 5;  // 133

// Unpacks an image held in memory. `out` needs room for packedSize bytes.
// On success sets *outLength; on failure shows the reason and leaves it.
bool unpackImage(uint8_t* out, uint32_t* outLength, const uint8_t* packed, uint32_t packedSize);

// The image tools: hex file (CR LF or LF line ends) to packed image file and
// back (the hex file is written with CR LF line ends).
bool packImageFile(const char* hexPath, const char* packedPath);
bool unpackImageFile(const char* packedPath, const char* hexPath);

// Builds one packet of n (1 to 128) text bytes into packet (room for 133
// bytes) and returns its length. Exposed for the tools and the tests.
int buildImagePacket(uint8_t* packet, const uint8_t* text, int n);
