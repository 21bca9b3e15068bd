// What the fuzz targets share: a fresh state before each input, a check that
// aborts (libFuzzer saves the input), sealing that lets mutated bytes pass a
// CRC-8, and the in-process reader behind the serial line (fuzz_platform.cpp).
#pragma once
#include "ports/port.h"
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/crc8.h"
#include "link/packet_keys.h"

#define FUZZ_CHECK(condition, why) \
    ((condition) ? void() : (fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, why), abort()))

// AppState, the headless window, the resources and the line as at start,
// the port open.
void fuzzFreshState();

// The port the targets hand the link code: "open" on the in-process reader.
Port& fuzzPort();

// Every frame the program writes must open; a write-block request is kept
// (its data with the word reversal undone) and acknowledged at once.
struct FuzzBlock {
    uint32_t address;
    int count;
    uint8_t data[128];
};
const std::vector<FuzzBlock>& fuzzBlocks();
// Bytes for the program to read; a pause makes that read time out.
void fuzzQueue(const uint8_t* bytes, int count, bool pauseAfter);
bool fuzzDrained();
// The bytes the reads handed out since the last call.
std::vector<uint8_t> fuzzTakeRead();

// The pair of upper-case hex digits at pos, if both lie inside the text.
inline bool fuzzHexPair(const uint8_t* text, size_t size, size_t pos, int* value)
{
    *value = 0;
    for (size_t i = pos; i < pos + 2; ++i) {
        const uint8_t c = i < size ? text[i] : 0;
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
        *value = *value << 4 | (c <= '9' ? c - '0' : c - 'A' + 10);
    }
    return true;
}

inline bool fuzzKey(const PacketKey* table, uint8_t lowByte, PacketKey* key)
{
    for (int i = 0; i < keyTableSize; ++i)
        if (uint8_t(table[i]) == lowByte)
            return *key = table[i], true;
    return false;
}

// XOR with the key's bytes, most significant first, stopping at length.
inline void fuzzMask(PacketKey key, uint8_t* bytes, int length)
{
    for (int i = 0; i < length; ++i)
        bytes[i] ^= uint8_t(key >> (8 * (3 - i % 4)));
}

// Gives a packet or frame a right CRC-8 (of the plain bytes after the key
// byte, in its last byte); a sound one comes out unchanged.
inline void fuzzSeal(const PacketKey* table, uint8_t* bytes, int length)
{
    PacketKey key = 0;
    if (length < 3 || !fuzzKey(table, bytes[0], &key))
        return;
    fuzzMask(key, bytes + 1, length - 1);
    bytes[length - 1] = crc8(bytes + 1, uint8_t(length - 2));
    fuzzMask(key, bytes + 1, length - 1);
}
