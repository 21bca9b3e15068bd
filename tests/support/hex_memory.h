// What an Intel HEX text puts into memory: address → byte, with extended
// linear address records, for comparing a reader's flash with an image.
#pragma once
#include <cstdint>
#include <map>
#include <string>

// Reads records from `from` on (CR LF or LF ends) until the end-of-file record.
inline std::map<uint32_t, uint8_t> hexToMemory(const std::string& text, size_t from = 0)
{
    std::map<uint32_t, uint8_t> memory;
    uint32_t upper = 0;
    size_t at = text.find(':', from);
    while (at != std::string::npos && at + 11 <= text.size()) {
        auto byteAt = [&](size_t pos) { return static_cast<uint8_t>(std::stoul(text.substr(pos, 2), nullptr, 16)); };
        const int length = byteAt(at + 1);
        const uint32_t address = static_cast<uint32_t>(byteAt(at + 3) << 8 | byteAt(at + 5));
        const int type = byteAt(at + 7);
        if (type == 1)
            break;
        if (type == 4)
            upper = static_cast<uint32_t>(byteAt(at + 9) << 8 | byteAt(at + 11)) << 16;
        if (type == 0)
            for (int k = 0; k < length; ++k)
                memory[upper + address + static_cast<uint32_t>(k)] = byteAt(at + 9 + 2 * static_cast<size_t>(k));
        at = text.find(':', at + 1);
    }
    return memory;
}

// What an image file puts into a reader's flash: its records after the
// bootloader records of its first four lines, which are never streamed.
inline std::map<uint32_t, uint8_t> imageFlash(const std::string& image)
{
    size_t start = 0;
    for (int line = 0; line < 4; ++line)
        start = image.find('\n', start) + 1;
    return hexToMemory(image, start);
}
