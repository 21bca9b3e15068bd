#include "link/crc8.h"

uint8_t crc8(const uint8_t* bytes, uint8_t length)
{
    uint8_t crc = 0;
    for (unsigned i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint8_t>((crc >> 1) ^ 0x8C) : static_cast<uint8_t>(crc >> 1);
    }
    return crc;
}
