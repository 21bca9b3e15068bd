// Byte helpers that the link and the image formats share: the big-endian
// words of the link and the configuration records, the reversed words of
// flash blocks, and hex text with its CR LF pairs folded.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

inline uint32_t bigEndian32(const uint8_t* bytes)
{
    return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
           (static_cast<uint32_t>(bytes[2]) << 8) | bytes[3];
}

inline void putBigEndian32(uint8_t* bytes, uint32_t value)
{
    bytes[0] = static_cast<uint8_t>(value >> 24);
    bytes[1] = static_cast<uint8_t>(value >> 16);
    bytes[2] = static_cast<uint8_t>(value >> 8);
    bytes[3] = static_cast<uint8_t>(value);
}

// Reverses the four bytes of each whole group at offsets 0, 4, 8, ... below
// count: b0 b1 b2 b3 becomes b3 b2 b1 b0. Bytes of a last group cut short by
// count are left as they are.
inline void reverseWordBytes(uint8_t* bytes, int count)
{
    for (int at = 0; at + 4 <= count; at += 4) {
        uint8_t* w = bytes + at;
        uint8_t t = w[0];
        w[0] = w[3];
        w[3] = t;
        t = w[1];
        w[1] = w[2];
        w[2] = t;
    }
}

// The text with every CR LF pair made a single LF; a lone CR stays.
inline std::string foldCrLf(std::string_view text)
{
    std::string folded;
    folded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            folded += text[i];
    return folded;
}
