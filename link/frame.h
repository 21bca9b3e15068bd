// The bootloader's frames: a plain key byte, then device field, code, count,
// address, data and filler, closed by a CRC-8 of the plain bytes after the
// key byte; everything after the key byte masked with the key. Requests and
// replies share the layout.
#pragma once
#include <cstdint>

#include "app/link_reply.h"
#include "link/packet_keys.h"

constexpr int frameDeviceOffset = 1;
constexpr int frameCodeOffset = 5;
constexpr int frameCountOffset = 6;
constexpr int frameAddressOffset = 7;
constexpr int frameDataOffset = 11;
// Key byte, device field, code, count, address and CRC: a frame without data.
constexpr int frameOverhead = 12;
constexpr int minFrameLength = 13;

// Masking covers whole groups of four, so a frame buffer that is built or
// unmasked in place needs up to three bytes of room past the frame.
constexpr int frameBufferSize = maxFrameLength + 3;

struct FrameFields {
    uint32_t device;
    uint8_t code;
    uint8_t count;
    uint32_t address;
};

// Lays out one frame and masks it: key byte, fields, dataLength bytes of
// data, fillerLength random bytes (randomByte), CRC. Returns its length.
// dataLength need not equal fields.count. frame needs room for the frame and
// three bytes more: frameBufferSize bytes for any frame of up to 141.
int buildFrame(uint8_t* frame, PacketKey key, const FrameFields& fields, const uint8_t* data, int dataLength,
               int fillerLength);

// A reply as the reader sends it: count data bytes and the least filler that
// makes the bytes after the key byte whole groups of four, so its length is
// odd, from 13 to 141 (count at most 128).
int buildReplyFrame(uint8_t* frame, PacketKey key, const FrameFields& fields, const uint8_t* data);

// Checks a received frame and unmasks it in place: more than 12 and at most
// 141 bytes, odd length, a key byte of the table, CRC of the plain bytes
// after the key byte 0. On success the key and fields are filled.
bool openFrame(uint8_t* frame, int length, PacketKey* key, FrameFields* fields);

// How many of the count data bytes a frame of length bytes really holds.
int frameDataCount(uint8_t count, int length);

// Checks a reply (openFrame) and stores it into app.linkReply: the data
// copy is bounded by the bytes received, so data bytes past them keep what
// earlier replies left. An invalid frame leaves app.linkReply as it was.
// frame must have room for 141 bytes.
bool parseReply(uint8_t* frame, int receivedLength);
