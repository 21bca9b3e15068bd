// CRC-8/MAXIM (Dallas 1-Wire): reflected polynomial 0x8C, initial value 0,
// no final XOR. Checks the link frames and the packets of the packed image.
#pragma once
#include <cstdint>

uint8_t crc8(const uint8_t* bytes, uint8_t length);
