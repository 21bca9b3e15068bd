// scanImageConfig on a fuzzed image text.
//
// Input: the unpacked image text (Intel HEX with LF line ends). Checked:
// nothing is read outside the text (the input buffer has exactly its size),
// a failed scan leaves expectedInfo as it was, and a successful one takes its
// words from the lines that the rules name, found here by a plain reading of
// the text (longer lines than the scan's buffer are whole lines too).
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "image/config_scan.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The text's lines, each with its LF; a last piece without LF is left out.
std::vector<std::string> wholeLines(const uint8_t* data, size_t size)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < size; ++i)
        if (data[i] == '\n') {
            lines.emplace_back(reinterpret_cast<const char*>(data) + start, i + 1 - start);
            start = i + 1;
        }
    return lines;
}

int nibble(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The little-endian word of data bytes k .. k + 3 of a line, if they are there
// in upper-case hex.
bool wordOf(const std::string& line, int k, uint32_t* word)
{
    uint32_t value = 0;
    for (int b = 3; b >= 0; --b) {
        const size_t at = 9 + 2 * static_cast<size_t>(k + b);
        if (at + 1 >= line.size())
            return false;
        const int high = nibble(line[at]), low = nibble(line[at + 1]);
        if (high < 0 || low < 0)
            return false;
        value = value << 8 | static_cast<uint32_t>(high << 4 | low);
    }
    *word = value;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    fuzzFreshState();
    DeviceInfo before{};
    before.barcode = 0x5EED;
    before.deviceType = 0xBAD;
    app.expectedInfo = before;

    const bool ok = scanImageConfig(data, static_cast<uint32_t>(size));
    if (!ok) {
        FUZZ_CHECK(fuzzSameInfo(app.expectedInfo, before), "a failed scan leaves expectedInfo");
        return 0;
    }

    // Where the records must be: the first ":10480000" line, the two lines
    // after it, then the first ":10540000" line after those, not the last.
    const std::vector<std::string> lines = wholeLines(data, size);
    size_t id = 0;
    while (id < lines.size() && lines[id].compare(0, 9, ":10480000") != 0)
        ++id;
    FUZZ_CHECK(id + 2 < lines.size(), "a successful scan found the identity lines");
    size_t version = id + 3;
    while (version < lines.size() && lines[version].compare(0, 9, ":10540000") != 0)
        ++version;
    FUZZ_CHECK(version < lines.size(), "a successful scan found the version line");
    size_t endOfVersion = 0;
    for (size_t i = 0; i <= version; ++i)
        endOfVersion += lines[i].size();
    FUZZ_CHECK(endOfVersion < size, "the version line is not the last line");
    for (size_t i : {id, id + 1, id + 2, version})
        FUZZ_CHECK(lines[i].size() <= 63, "every configuration line fits the line buffer");

    uint32_t w[10];
    const struct {
        size_t line;
        int k;
    } from[10] = {{id, 0}, {id, 4}, {id, 8}, {id, 12}, {id + 1, 0}, {id + 1, 4}, {id + 1, 8}, {id + 1, 12},
                  {id + 2, 0}, {version, 0}};
    for (int i = 0; i < 10; ++i)
        FUZZ_CHECK(wordOf(lines[from[i].line], from[i].k, &w[i]), "every converted pair is upper-case hex");
    const DeviceInfo& e = app.expectedInfo;
    FUZZ_CHECK(e.barcode == w[0] && e.cipherId == w[1] && e.deviceType == w[2] && e.hardware == w[3] &&
                   e.vidPid == w[4] && e.flashStart == w[5] && e.flashEnd == w[6] && e.eepromStart == w[7] &&
                   e.eepromEnd == w[8] && e.softwareVersion == w[9],
               "the words come from the lines the rules name");
    FUZZ_CHECK(e.interfaceCode == 0x61 && e.interfaceVersion == 0x0100 && e.interfaceParameter == 128,
               "the interface constants");
    return 0;
}
