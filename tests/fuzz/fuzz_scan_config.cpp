// An image text (the firmware hex a build or the image tool is given) to
// scanImageConfig. A failed scan leaves expectedInfo; a successful one takes
// its words from the first ":10480000" line and the two after it, and the
// next ":10540000" line, which must not be the last.
#include <string>
#include <vector>

#include "app/app_state.h"
#include "image/config_scan.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The little-endian word of data bytes k .. k + 3 of a line.
bool wordOf(const std::string& line, int k, uint32_t* word)
{
    int byte = 0;
    *word = 0;
    for (int b = 3; b >= 0; --b)
        if (fuzzHexPair(reinterpret_cast<const uint8_t*>(line.data()), line.size(), 9 + 2 * size_t(k + b), &byte))
            *word = *word << 8 | uint32_t(byte);
        else
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    fuzzFreshState();
    app.expectedInfo.barcode = 0x5EED;
    if (!scanImageConfig(data, uint32_t(size)))
        return FUZZ_CHECK(app.expectedInfo.barcode == 0x5EED, "a failed scan leaves expectedInfo"), 0;
    std::vector<std::string> lines;  // whole lines with their LF
    for (size_t start = 0, i = 0; i < size; ++i)
        if (data[i] == '\n') {
            lines.emplace_back(reinterpret_cast<const char*>(data) + start, i + 1 - start);
            start = i + 1;
        }
    size_t id = 0, end = 0;
    while (id < lines.size() && lines[id].compare(0, 9, ":10480000") != 0)
        ++id;
    size_t version = id + 3;
    while (version < lines.size() && lines[version].compare(0, 9, ":10540000") != 0)
        ++version;
    FUZZ_CHECK(version < lines.size(), "a successful scan found the identity and version lines");
    for (size_t i = 0; i <= version; ++i)
        end += lines[i].size();
    FUZZ_CHECK(end < size, "the version line is not the last line");

    // Four words from the identity line and the next, one from the third, one from the version line.
    const DeviceInfo& e = app.expectedInfo;
    const uint32_t got[] = {e.barcode,    e.cipherId, e.deviceType,  e.hardware,  e.vidPid,
                            e.flashStart, e.flashEnd, e.eepromStart, e.eepromEnd, e.softwareVersion};
    for (size_t i = 0; i < 10; ++i) {
        const std::string& line = lines[i < 9 ? id + i / 4 : version];
        uint32_t want = 0;
        FUZZ_CHECK(line.size() <= 63 && wordOf(line, i < 8 ? int(4 * (i % 4)) : 0, &want) && got[i] == want,
                   "each word from the line the rules name, a line that fits the line buffer");
    }
    return 0;
}
