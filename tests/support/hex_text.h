// Builders of image texts for the tests: Intel HEX records with LF line
// ends, as unpackImage yields them, and packed images made in memory.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/packed_image.h"

// One record: ":LLAAAATT<data>CC\n", upper-case digits, checksum right.
inline std::string hexRecord(uint16_t address, const std::vector<uint8_t>& data, uint8_t type = 0)
{
    char text[16];
    std::string line = ":";
    unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFF) + type;
    snprintf(text, sizeof text, "%02X%04X%02X", static_cast<unsigned>(data.size()), address, type);
    line += text;
    for (uint8_t byte : data) {
        snprintf(text, sizeof text, "%02X", byte);
        line += text;
        sum += byte;
    }
    snprintf(text, sizeof text, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    line += text;
    return line + "\n";
}

// The little-endian bytes of words, in order.
inline std::vector<uint8_t> wordsLittleEndian(std::initializer_list<uint32_t> words)
{
    std::vector<uint8_t> bytes;
    for (uint32_t w : words) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(w >> (8 * i)));
    }
    return bytes;
}

// The text with every CR LF written as LF, as the packer and the updater take it.
inline std::string withLfLineEnds(std::string text)
{
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

inline std::vector<uint8_t> bytesOf(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

// Packs a text in memory the way packImageFile does.
inline std::vector<uint8_t> packText(const std::string& text)
{
    std::vector<uint8_t> packed;
    uint8_t packet[imagePacketSize];
    for (size_t at = 0; at < text.size(); at += imagePacketText) {
        const size_t n = text.size() - at < imagePacketText ? text.size() - at : imagePacketText;
        const int length = buildImagePacket(packet, reinterpret_cast<const uint8_t*>(text.data() + at),
                                            static_cast<int>(n));
        packed.insert(packed.end(), packet, packet + length);
    }
    return packed;
}
