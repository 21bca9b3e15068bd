#include "image/config_scan.h"

#include <cstring>

#include "app/app_state.h"

namespace {

const char identityTag[] = ":10480000";  // 16 data bytes at 0x4800
const char versionTag[] = ":10540000";   // 16 data bytes at 0x5400
constexpr int tagLength = 9;
constexpr int firstDataChar = 9;  // data byte k sits at characters 9 + 2k and 10 + 2k
constexpr int configBytes = 40;

bool startsWith(const char* line, const char* tag)
{
    return memcmp(line, tag, tagLength) == 0;
}

// Converts count data bytes of a line. The line buffer is hexLineSize bytes
// and zero after the line, so a short line fails on its LF or its zeros and
// nothing is read outside the buffer.
bool convertData(const char* line, int count, uint8_t* out)
{
    static_assert(firstDataChar + 2 * 16 <= hexLineSize, "16 data bytes must fit the line buffer");
    for (int k = 0; k < count; ++k) {
        if (!hexPairToByte(line + firstDataChar + 2 * k, out + k))
            return false;
    }
    return true;
}

uint32_t bigEndianWord(const uint8_t* bytes)
{
    return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
           (static_cast<uint32_t>(bytes[2]) << 8) | bytes[3];
}

}  // namespace

int readHexLine(char* line, int lineSize, const uint8_t* source, uint32_t sourceLeft)
{
    if (lineSize <= 0)
        return 0;
    memset(line, 0, static_cast<size_t>(lineSize));
    const uint32_t room = static_cast<uint32_t>(lineSize - 1);
    const uint32_t limit = sourceLeft < room ? sourceLeft : room;
    for (uint32_t i = 0; i < limit; ++i) {
        line[i] = static_cast<char>(source[i]);
        if (source[i] == '\n')
            return static_cast<int>(i + 1);
    }
    return 0;
}

bool hexPairToByte(const char* chars, uint8_t* value)
{
    uint8_t nibbles[2];
    for (int i = 0; i < 2; ++i) {
        const char c = chars[i];
        if (c >= '0' && c <= '9')
            nibbles[i] = static_cast<uint8_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            nibbles[i] = static_cast<uint8_t>(c - 'A' + 10);
        else
            return false;
    }
    *value = static_cast<uint8_t>((nibbles[0] << 4) | nibbles[1]);
    return true;
}

void reverseWordBytes(uint8_t* bytes, uint8_t count)
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

bool scanImageConfig(const uint8_t* text, uint32_t length)
{
    if (length == 0)
        return false;

    char identity[hexLineSize];
    char second[hexLineSize];
    char third[hexLineSize];
    char version[hexLineSize];
    uint32_t at = 0;

    // The identity record, then the two lines after it, whatever they say.
    for (;;) {
        const int n = readHexLine(identity, hexLineSize, text + at, length - at);
        if (n == 0)
            return false;
        at += static_cast<uint32_t>(n);
        if (startsWith(identity, identityTag))
            break;
    }
    int n = readHexLine(second, hexLineSize, text + at, length - at);
    if (n == 0)
        return false;
    at += static_cast<uint32_t>(n);
    n = readHexLine(third, hexLineSize, text + at, length - at);
    if (n == 0)
        return false;
    at += static_cast<uint32_t>(n);

    // The version record, searched for after the identity lines only; it
    // must not be the last line of the text.
    for (;;) {
        n = readHexLine(version, hexLineSize, text + at, length - at);
        if (n == 0)
            return false;
        at += static_cast<uint32_t>(n);
        if (startsWith(version, versionTag))
            break;
    }
    if (at >= length)
        return false;

    uint8_t bytes[configBytes];
    if (!convertData(identity, 16, bytes) || !convertData(second, 16, bytes + 16) ||
        !convertData(third, 4, bytes + 32) || !convertData(version, 4, bytes + 36))
        return false;

    // Each word is the little-endian value of its four data bytes.
    reverseWordBytes(bytes, configBytes);
    uint32_t words[configBytes / 4];
    for (int i = 0; i < configBytes / 4; ++i)
        words[i] = bigEndianWord(bytes + 4 * i);

    DeviceInfo info{};
    info.barcode = words[0];
    info.cipherId = words[1];
    info.deviceType = words[2];
    info.hardware = words[3];
    info.vidPid = words[4];
    info.flashStart = words[5];
    info.flashEnd = words[6];
    info.eepromStart = words[7];
    info.eepromEnd = words[8];
    info.softwareVersion = words[9];
    info.interfaceCode = imageInterfaceCode;
    info.interfaceVersion = imageInterfaceVersion;
    info.interfaceParameter = imageInterfaceParameter;
    app.expectedInfo = info;
    return true;
}
