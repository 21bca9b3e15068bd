// The fields of the last valid reply frame received from the bootloader.
#pragma once
#include <cstdint>

constexpr int maxFrameLength = 141;
constexpr int maxReplyData = maxFrameLength - 12;  // 129

struct LinkReply {
    uint32_t key;
    uint32_t device;
    uint8_t code;
    uint8_t count;
    uint32_t address;
    uint8_t data[maxReplyData];
};
