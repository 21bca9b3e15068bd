// The configuration scan: which device and version an image is for, read
// from its identity and version records, or refused without them.
#include "image/config_scan.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "tests/support/device_info_listing.h"
#include "tests/support/hex_text.h"

namespace {

// An image text in parts, so that cases can change one part; its records
// declare what the sample firmware declares.
struct ImageText {
    std::string before, identity, second, third, between, version, after;
    std::string text() const { return before + identity + second + third + between + version + after; }
};

ImageText image()
{
    const std::vector<uint8_t> filler(16, 0x5A);
    ImageText t;
    t.before = hexRecord(0, {0x08, 0x00}, 4) + hexRecord(0x4000, filler) + hexRecord(0x4010, filler);
    // Little-endian words: barcode 12345678, cipher 0x0A000001, type 0x0C01, hardware 0x00010203.
    t.identity = hexRecord(0x4800, {0x4E, 0x61, 0xBC, 0, 1, 0, 0, 0x0A, 1, 0x0C, 0, 0, 3, 2, 1, 0});
    t.second = hexRecord(0x4810, wordsLittleEndian({0x1234ABCD, 0x08000000, 0x08040000, 0x08080000}));
    t.third = hexRecord(0x4820, wordsLittleEndian({0x08081000, 0xAAAAAAAA, 0xBBBBBBBB, 0xCCCCCCCC}));
    t.between = hexRecord(0x4830, filler) + hexRecord(0x5000, filler);
    t.version = hexRecord(0x5400, wordsLittleEndian({0x0105, 0xDDDDDDDD, 0xEEEEEEEE, 0xFFFFFFFF}));
    t.after = hexRecord(0x5410, filler) + hexRecord(0, {}, 1);
    return t;
}

std::string edited(const std::function<void(ImageText&)>& edit)
{
    ImageText t = image();
    edit(t);
    return t.text();
}

// What the scan of an exact-size copy (the sanitizers see a read past its
// end) left in app.expectedInfo; "refused" when it failed and left it alone.
std::string scanned(const std::string& text)
{
    resetAppState();
    app.expectedInfo.barcode = 0xDEADBEEF;
    const std::string before = deviceInfoListing(app.expectedInfo);
    std::vector<uint8_t> bytes = bytesOf(text);
    if (scanImageConfig(bytes.data(), static_cast<uint32_t>(bytes.size())))
        return deviceInfoListing(app.expectedInfo);
    return deviceInfoListing(app.expectedInfo) == before ? "refused" : "refused, expectedInfo changed";
}

std::string version(uint32_t word) { return hexRecord(0x5400, wordsLittleEndian({word, 0, 0, 0})); }

}  // namespace

TEST(ConfigScan, ReadsEveryFieldFromTheLinesItNeeds)
{
    const std::string longest = ":" + std::string(61, '7') + "\n";  // with its LF and zero, the line buffer
    const std::string record32 = hexRecord(0x4100, std::vector<uint8_t>(32, 0x5A));
    using D = DeviceInfo;
    const struct {
        const char* what;
        std::string text;
        std::vector<std::pair<uint32_t D::*, uint32_t>> changed;  // from what the sample declares
    } cases[] = {
        {"every field from its word", image().text(), {}},
        {"a 4-byte third line", edited([](ImageText& t) { t.third = hexRecord(0x4820, wordsLittleEndian({0x6000})); }),
         {{&D::eepromEnd, 0x6000}}},
        {"the two lines after the identity by position, whatever their header",
         edited([](ImageText& t) {
             t.second = hexRecord(0x1234, wordsLittleEndian({0x1111AAAA, 0x2000, 0x3000, 0x4000}));
             t.third = ":0C9999FF" + hexRecord(0, wordsLittleEndian({0x5000, 1, 2, 3})).substr(9);
         }),
         {{&D::vidPid, 0x1111AAAA}, {&D::flashStart, 0x2000}, {&D::flashEnd, 0x3000}, {&D::eepromStart, 0x4000},
          {&D::eepromEnd, 0x5000}}},
        {"a third line that looks like a version line",
         edited([](ImageText& t) { t.third = version(0x6000), t.between = ""; }), {{&D::eepromEnd, 0x6000}}},
        {"the first version line after the identity; a later identity ignored",
         edited([](ImageText& t) {
             t.between += version(0x0999);
             t.after = hexRecord(0x4800, wordsLittleEndian({1, 2, 3, 4})) + t.after;
         }),
         {{&D::softwareVersion, 0x0999}}},
        {"a version line of 62 characters, the longest that fits with its LF and zero",
         edited([](ImageText& t) { t.version.insert(t.version.size() - 1, std::string(62 - 43, '0')); }), {}},
        {"long lines stepped over whole, never cut in two",
         edited([&](ImageText& t) {
             t.before += longest + record32 + record32;
             t.between += longest + ":" + std::string(62, '7') + version(0x0999);
         }),
         {}},
    };
    for (const auto& c : cases) {
        DeviceInfo expected = sampleFirmwareInfo();
        for (const auto& [field, value] : c.changed)
            expected.*field = value;
        EXPECT_EQ(scanned(c.text), deviceInfoListing(expected)) << c.what;
    }
}

TEST(ConfigScan, FailsWithoutTheRecordsItNeeds)
{
    const ImageText g = image();
    const std::string upToThird = g.before + g.identity + g.second + g.third;
    std::vector<std::pair<std::string, std::string>> cases = {
        {"empty text", ""},
        {"no identity line", edited([](ImageText& t) { t.identity = hexRecord(0x4840, wordsLittleEndian({1, 2, 3, 4})); })},
        {"no version line", edited([](ImageText& t) { t.version = hexRecord(0x5440, wordsLittleEndian({1, 2, 3, 4})); })},
        {"version line only before the identity", edited([](ImageText& t) { t.before += t.version, t.version = ""; })},
        {"version line the last line", upToThird + g.between + g.version},
        {"text ends inside the second line", g.before + g.identity + g.second.substr(0, 20)},
        {"text ends after the third line", upToThird},
        {"second line too long for the line buffer",
         edited([](ImageText& t) { t.second = hexRecord(0x4810, std::vector<uint8_t>(32, 0x5A)); })},
        {"version line of 63 characters, one more than fits",
         edited([](ImageText& t) { t.version.insert(t.version.size() - 1, std::string(63 - 43, '0')); })},
        {"identity line with too few data bytes",
         edited([](ImageText& t) { t.identity = hexRecord(0x4800, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}); })},
    };
    // A lower-case digit in any converted character: 9 to 40 of the identity
    // and second lines, 9 to 16 of the third and the version line.
    const std::pair<std::string ImageText::*, int> converted[] = {
        {&ImageText::identity, 32}, {&ImageText::second, 32}, {&ImageText::third, 8}, {&ImageText::version, 8}};
    for (auto [line, count] : converted)
        for (int at = 9; at < 9 + count; ++at)
            cases.push_back({"lower case at " + std::to_string(at) + " of a " + std::to_string(count) + "-digit line",
                             edited([line = line, at = at](ImageText& t) { (t.*line)[at] = "abcdef"[at % 6]; })});
    for (const auto& [what, text] : cases)
        EXPECT_EQ(scanned(text), "refused") << what;
}
