#include "image/config_scan.h"

#include <cstring>

#include "app/app_state.h"
#include "app/bytes.h"

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

enum class LineRead : uint8_t { whole, tooLong, none };

// The line of the text at `at` into line (what fits of it), its length with
// the LF in *taken. none: the text ends before an LF.
LineRead nextLine(char* line, const uint8_t* text, uint32_t length, uint32_t at, uint32_t* taken)
{
    const int n = readHexLine(line, hexLineSize, text + at, length - at);
    if (n > 0) {
        *taken = static_cast<uint32_t>(n);
        return LineRead::whole;
    }
    const void* lineEnd = at < length ? memchr(text + at, '\n', length - at) : nullptr;
    if (lineEnd == nullptr)
        return LineRead::none;
    *taken = static_cast<uint32_t>(static_cast<const uint8_t*>(lineEnd) - (text + at)) + 1;
    return LineRead::tooLong;
}

ConfigScanEnd stopAt(ImageConfig* config, ConfigScanEnd why, uint32_t at)
{
    config->stop = why;
    config->stopAt = at;
    return why;
}

// Reads lines from *at until one starts with tag; *at is then past it and
// lineAt[slot] its offset. A line too long for the buffer is stepped over
// whole unless it starts with the tag: then it is a configuration line that
// does not fit.
bool findTagged(char* line, const char* tag, const uint8_t* text, uint32_t length, uint32_t* at, ImageConfig* config,
                int slot)
{
    for (;;) {
        uint32_t taken = 0;
        const LineRead read = nextLine(line, text, length, *at, &taken);
        if (read == LineRead::none) {
            stopAt(config, slot == 0 ? ConfigScanEnd::noIdentityRecord : ConfigScanEnd::noVersionRecord, *at);
            return false;
        }
        if (startsWith(line, tag)) {
            config->lineAt[slot] = *at;
            if (read == LineRead::tooLong) {
                stopAt(config, ConfigScanEnd::lineTooLong, *at);
                return false;
            }
            *at += taken;
            return true;
        }
        *at += taken;
    }
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

ConfigScanEnd readImageConfig(const uint8_t* text, uint32_t length, ImageConfig* config)
{
    *config = ImageConfig{};
    if (length == 0)
        return ConfigScanEnd::noIdentityRecord;

    char lines[4][hexLineSize];
    char* const identity = lines[0];
    char* const version = lines[3];
    uint32_t at = 0;
    uint32_t taken = 0;

    // The identity record, then the two lines after it, whatever they say.
    if (!findTagged(identity, identityTag, text, length, &at, config, 0))
        return config->stop;
    for (int i = 1; i <= 2; ++i) {
        config->lineAt[i] = at;
        const LineRead read = nextLine(lines[i], text, length, at, &taken);
        if (read == LineRead::none)
            return stopAt(config, ConfigScanEnd::identityLinesCut, at);
        if (read == LineRead::tooLong)
            return stopAt(config, ConfigScanEnd::lineTooLong, at);
        at += taken;
    }

    // The version record, searched for after the identity lines only; it
    // must not be the last line of the text.
    if (!findTagged(version, versionTag, text, length, &at, config, 3))
        return config->stop;
    if (at >= length)
        return stopAt(config, ConfigScanEnd::versionRecordLast, config->lineAt[3]);

    uint8_t bytes[configBytes];
    const int counts[4] = {16, 16, 4, 4};
    uint8_t* out = bytes;
    for (int i = 0; i < 4; ++i) {
        if (!convertData(lines[i], counts[i], out))
            return stopAt(config, ConfigScanEnd::notHex, config->lineAt[i]);
        out += counts[i];
    }

    // Each word is the little-endian value of its four data bytes.
    reverseWordBytes(bytes, configBytes);
    uint32_t words[configBytes / 4];
    for (int i = 0; i < configBytes / 4; ++i)
        words[i] = bigEndian32(bytes + 4 * i);

    DeviceInfo& info = config->info;
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
    config->stop = ConfigScanEnd::found;
    return ConfigScanEnd::found;
}

bool scanImageConfig(const uint8_t* text, uint32_t length)
{
    ImageConfig config;
    if (readImageConfig(text, length, &config) != ConfigScanEnd::found)
        return false;
    app.expectedInfo = config.info;
    return true;
}
