#include "tools/karvo_sim/sim_flash.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void appendRecord(std::string& out, uint8_t type, uint16_t address, const uint8_t* data, int length)
{
    char text[16];
    unsigned sum = static_cast<unsigned>(length) + (address >> 8) + (address & 0xFF) + type;
    snprintf(text, sizeof text, ":%02X%04X%02X", length, address, type);
    out += text;
    for (int i = 0; i < length; ++i) {
        snprintf(text, sizeof text, "%02X", data[i]);
        out += text;
        sum += data[i];
    }
    snprintf(text, sizeof text, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
    out += text;
}

}  // namespace

std::string flashToHex(const SimFlash& flash)
{
    std::string out;
    bool haveUpper = false;
    uint32_t upper = 0;
    auto it = flash.begin();
    while (it != flash.end()) {
        const uint32_t start = it->first;
        if (!haveUpper || (start >> 16) != upper) {
            upper = start >> 16;
            haveUpper = true;
            const uint8_t data[2] = {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)};
            appendRecord(out, 4, 0, data, 2);
        }
        uint8_t data[16];
        int length = 0;
        uint32_t address = start;
        do {
            data[length++] = it->second;
            ++it;
            ++address;
        } while (it != flash.end() && it->first == address && address % 16 != 0);
        appendRecord(out, 0, static_cast<uint16_t>(start), data, length);
    }
    appendRecord(out, 1, 0, nullptr, 0);
    return out;
}

bool writeFileAtomically(const std::string& path, const std::string& text)
{
    const std::string temporary = path + ".tmp";
    FILE* file = fopen(temporary.c_str(), "wb");
    if (!file) {
        fprintf(stderr, "karvo-sim: cannot write %s\n", temporary.c_str());
        return false;
    }
    const bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
    if (fclose(file) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
        fprintf(stderr, "karvo-sim: cannot write %s\n", path.c_str());
        remove(temporary.c_str());
        return false;
    }
    return true;
}
