// The masking keys shared with the reader's bootloader, and the random
// choices (key, filler byte) that every request frame makes.
#pragma once
#include <cstdint>

using PacketKey = uint32_t;
constexpr int keyTableSize = 128;

// Generated at build time from resources/keys/packet_keys.txt.
extern const PacketKey packetKeyTable[keyTableSize];

// XORs bytes in groups of four with the key's bytes, most significant first.
// The last group is always masked whole: for a length that is not a multiple
// of four up to three bytes past it change, so the buffer must have room.
void maskBytes(PacketKey key, uint8_t* bytes, uint8_t length);

// The first table entry whose low byte equals lowByte.
bool findKeyInTable(const PacketKey* table, uint8_t lowByte, PacketKey* key);
bool findPacketKey(uint8_t lowByte, PacketKey* key);

// A table entry chosen by the runtime's generator, seeded from the local
// time (second * 1000 + millisecond) on every call.
PacketKey pickKeyFromTable(const PacketKey* table);
PacketKey pickPacketKey();

// A filler value from the generator seeded with the time seed, or with its
// complement on every second call. Each caller keeps its own toggle.
int randomByteWithToggle(bool* toggle);
int randomByte();
