#include "image/config_scan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "tests/support/device_info_listing.h"
#include "tests/support/hex_text.h"
#include "tests/support/temp_files.h"

namespace {

// An image text in parts, so that cases can change one part.
struct ImageText {
    std::string before, identity, second, third, between, version, after;
    std::string text() const { return before + identity + second + third + between + version + after; }
};

std::vector<uint8_t> filler(uint8_t first)
{
    std::vector<uint8_t> bytes(16);
    for (int i = 0; i < 16; ++i)
        bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

ImageText usbImage()
{
    ImageText t;
    t.before = hexRecord(0, {0x08, 0x00}, 4) + hexRecord(0x4000, filler(0x40)) + hexRecord(0x4010, filler(0x50));
    t.identity = hexRecord(0x4800, wordsLittleEndian({0x11223344, 0xC0A80101, 0x0C02, 0x00070809}));
    t.second = hexRecord(0x4810, wordsLittleEndian({0x04835740, 0x08000000, 0x08020000, 0x08080000}));
    t.third = hexRecord(0x4820, wordsLittleEndian({0x08080800, 0xAAAAAAAA, 0xBBBBBBBB, 0xCCCCCCCC}));
    t.between = hexRecord(0x4830, filler(0x60)) + hexRecord(0x5000, filler(0x70));
    t.version = hexRecord(0x5400, wordsLittleEndian({0x1A07, 0xDDDDDDDD, 0xEEEEEEEE, 0xFFFFFFFF}));
    t.after = hexRecord(0x5410, filler(0x80)) + hexRecord(0, {}, 1);
    return t;
}

DeviceInfo usbImageInfo()
{
    DeviceInfo info{};
    info.interfaceCode = 0x61;
    info.interfaceVersion = 0x0100;
    info.interfaceParameter = 128;
    info.barcode = 0x11223344;
    info.cipherId = 0xC0A80101;
    info.deviceType = 0x0C02;
    info.hardware = 0x00070809;
    info.softwareVersion = 0x1A07;
    info.vidPid = 0x04835740;
    info.flashStart = 0x08000000;
    info.flashEnd = 0x08020000;
    info.eepromStart = 0x08080000;
    info.eepromEnd = 0x08080800;
    return info;
}

// A record the scan must never write: whatever it finds is different.
DeviceInfo marker()
{
    DeviceInfo info{};
    info.barcode = 0xDEADBEEF;
    info.deviceType = 0x7777;
    return info;
}

class ConfigScan : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        app.expectedInfo = marker();
    }

    // Scans a copy of exactly the text's size, so that a read past its end
    // is caught by the sanitizers.
    bool scan(const std::string& text)
    {
        std::vector<uint8_t> bytes = bytesOf(text);
        return scanImageConfig(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }

    void expectUntouched()
    {
        EXPECT_EQ(deviceInfoListing(app.expectedInfo), deviceInfoListing(marker()))
            << "a failing scan must leave expectedInfo as it was";
    }
};

TEST_F(ConfigScan, ReadsTheSampleFirmware)
{
    const std::string text = withLfLineEnds(readFile(SAMPLE_FIRMWARE_HEX));
    ASSERT_FALSE(text.empty());
    ASSERT_TRUE(scan(text));
    EXPECT_EQ(deviceInfoListing(app.expectedInfo), deviceInfoListing(sampleFirmwareInfo()));
}

TEST_F(ConfigScan, FillsEveryFieldFromItsWordAndSetsTheInterfaceConstants)
{
    ASSERT_TRUE(scan(usbImage().text()));
    EXPECT_EQ(deviceInfoListing(app.expectedInfo), deviceInfoListing(usbImageInfo()));
}

TEST_F(ConfigScan, WordsAreLittleEndianDataBytes)
{
    // Data bytes 39 30 00 00 are barcode 12345; 00 0C 00 00 device type 0x0C00.
    ImageText t = usbImage();
    t.identity = hexRecord(0x4800, {0x39, 0x30, 0, 0, 1, 2, 3, 4, 0x00, 0x0C, 0x00, 0x00, 5, 6, 7, 8});
    ASSERT_TRUE(scan(t.text()));
    EXPECT_EQ(app.expectedInfo.barcode, 12345u);
    EXPECT_EQ(app.expectedInfo.cipherId, 0x04030201u);
    EXPECT_EQ(app.expectedInfo.deviceType, 0x0C00u);
    EXPECT_EQ(app.expectedInfo.hardware, 0x08070605u);
}

TEST_F(ConfigScan, SecondAndThirdIdentityLinesAreTakenByPosition)
{
    // A 16-byte record at 0x4810 and a 4-byte one at 0x4820 ...
    ImageText t = usbImage();
    t.third = hexRecord(0x4820, wordsLittleEndian({0x08080800}));
    ASSERT_TRUE(scan(t.text()));
    EXPECT_EQ(deviceInfoListing(app.expectedInfo), deviceInfoListing(usbImageInfo()));

    // ... and records at other addresses, whatever their header says.
    t.second = hexRecord(0x1234, wordsLittleEndian({0x1111AAAA, 0x2000, 0x3000, 0x4000}));
    t.third = ":0C9999FF" + hexRecord(0, wordsLittleEndian({0x5000, 1, 2, 3})).substr(9);
    ASSERT_TRUE(scan(t.text()));
    EXPECT_EQ(app.expectedInfo.vidPid, 0x1111AAAAu);
    EXPECT_EQ(app.expectedInfo.flashStart, 0x2000u);
    EXPECT_EQ(app.expectedInfo.flashEnd, 0x3000u);
    EXPECT_EQ(app.expectedInfo.eepromStart, 0x4000u);
    EXPECT_EQ(app.expectedInfo.eepromEnd, 0x5000u);

    // Even a line that looks like a version record is the third identity line.
    t.third = hexRecord(0x5400, wordsLittleEndian({0x6000, 0, 0, 0}));
    t.between = "";
    ASSERT_TRUE(scan(t.text()));
    EXPECT_EQ(app.expectedInfo.eepromEnd, 0x6000u);
    EXPECT_EQ(app.expectedInfo.softwareVersion, 0x1A07u) << "the version comes from the line after it";
}

TEST_F(ConfigScan, TakesTheFirstIdentityAndTheFirstVersionLineAfterIt)
{
    ImageText t = usbImage();
    t.between += hexRecord(0x5400, wordsLittleEndian({0x0999, 0, 0, 0}));  // first version line wins
    t.after = hexRecord(0x4800, wordsLittleEndian({1, 2, 3, 4})) + t.after;  // a later identity is ignored
    ASSERT_TRUE(scan(t.text()));
    EXPECT_EQ(app.expectedInfo.softwareVersion, 0x0999u);
    EXPECT_EQ(app.expectedInfo.barcode, 0x11223344u);
}

TEST_F(ConfigScan, FailsWithoutTheRecordsItNeeds)
{
    const ImageText good = usbImage();
    struct Case {
        const char* what;
        std::string text;
    };
    std::vector<Case> cases;
    cases.push_back({"empty text", ""});
    {
        ImageText t = good;
        t.identity = hexRecord(0x4840, wordsLittleEndian({1, 2, 3, 4}));
        cases.push_back({"no identity line", t.text()});
    }
    {
        ImageText t = good;
        t.version = hexRecord(0x5440, wordsLittleEndian({1, 2, 3, 4}));
        cases.push_back({"no version line after the identity lines", t.text()});
    }
    {
        ImageText t = good;
        t.after = "";
        cases.push_back({"version line is the last line", t.text()});
    }
    {
        ImageText t = good;
        t.before += t.version;
        t.version = hexRecord(0x5440, wordsLittleEndian({1, 2, 3, 4}));
        cases.push_back({"version line only before the identity line", t.text()});
    }
    cases.push_back({"text ends after the identity line", good.before + good.identity});
    cases.push_back({"text ends after the second identity line", good.before + good.identity + good.second});
    cases.push_back({"text ends right after the third identity line",
                     good.before + good.identity + good.second + good.third});
    cases.push_back({"text ends inside the second identity line (no LF)",
                     good.before + good.identity + good.second.substr(0, 20)});
    {
        std::string versionWithoutLf = good.version.substr(0, good.version.size() - 1);
        cases.push_back({"version line without its LF at the end of the text",
                         good.before + good.identity + good.second + good.third + good.between + versionWithoutLf});
    }
    {
        // A 32-byte record is 75 characters with its LF: more than a line holds.
        ImageText t = good;
        t.second = hexRecord(0x4810, std::vector<uint8_t>(32, 0x5A));
        cases.push_back({"second identity line too long for the line buffer", t.text()});
    }
    {
        ImageText t = good;
        t.identity.insert(t.identity.size() - 1, std::string(30, '0'));
        cases.push_back({"identity line too long for the line buffer", t.text()});
    }
    {
        ImageText t = good;
        t.version.insert(t.version.size() - 1, std::string(30, '0'));
        cases.push_back({"version line too long for the line buffer", t.text()});
    }
    {
        ImageText t = good;
        t.identity = hexRecord(0x4800, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
        cases.push_back({"identity line with too few data bytes", t.text()});
    }
    {
        ImageText t = good;
        t.third = "\n";
        cases.push_back({"empty third identity line", t.text()});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(scan(c.text));
        expectUntouched();
    }
}

TEST_F(ConfigScan, LowerCaseDigitsInAnyConvertedByteFail)
{
    // Characters 9 to 40 of the identity lines, 9 to 16 of the third and the version line.
    const ImageText good = usbImage();
    std::string ImageText::*lines[] = {&ImageText::identity, &ImageText::second, &ImageText::third,
                                       &ImageText::version};
    const int convertedChars[] = {32, 32, 8, 8};
    for (int l = 0; l < 4; ++l) {
        for (int at = 9; at < 9 + convertedChars[l]; ++at) {
            ImageText t = good;
            std::string& line = t.*lines[l];
            line[at] = "abcdef"[at % 6];
            SCOPED_TRACE("line " + std::to_string(l) + " character " + std::to_string(at));
            EXPECT_FALSE(scan(t.text()));
        }
    }
    expectUntouched();

    // Characters past the converted ones are not looked at.
    ImageText t = good;
    t.third[20] = 'x';
    t.version[30] = 'x';
    EXPECT_TRUE(scan(t.text()));
}

TEST_F(ConfigScan, StepsOverLongLinesThatAreNoConfigurationLines)
{
    // 62 characters and the LF fill the 64-byte buffer with its zero; longer
    // lines (32-byte records) are stepped over whole, never cut in two: the
    // tail of the long line below must not be taken for a version record.
    ImageText t = usbImage();
    const std::string longest = ":" + std::string(61, '7') + "\n";
    ASSERT_EQ(longest.size(), static_cast<size_t>(hexLineSize - 1));
    const std::string record32 = hexRecord(0x4100, std::vector<uint8_t>(32, 0x5A));
    t.before += longest + record32 + record32;
    t.between += longest + ":" + std::string(62, '7') + hexRecord(0x5400, wordsLittleEndian({0x0999, 0, 0, 0}));
    ASSERT_TRUE(scan(t.text()));
    EXPECT_EQ(deviceInfoListing(app.expectedInfo), deviceInfoListing(usbImageInfo()));
}

TEST_F(ConfigScan, TextAfterTheVersionLineIsNotRead)
{
    // The scan needs text after the version line, not a whole line of it.
    ImageText t = usbImage();
    t.after = ":00000001";
    EXPECT_TRUE(scan(t.text()));
    EXPECT_EQ(deviceInfoListing(app.expectedInfo), deviceInfoListing(usbImageInfo()));
}

TEST(ReadHexLine, CopiesOneLineWithItsLfAndClearsTheRest)
{
    const std::string text = ":0400\nnext\n";
    char line[hexLineSize];
    memset(line, 'x', sizeof line);
    const std::vector<uint8_t> bytes = bytesOf(text);
    EXPECT_EQ(readHexLine(line, hexLineSize, bytes.data(), static_cast<uint32_t>(bytes.size())), 6);
    EXPECT_STREQ(line, ":0400\n");
    for (int i = 6; i < hexLineSize; ++i)
        ASSERT_EQ(line[i], '\0') << "byte " << i;

    EXPECT_EQ(readHexLine(line, hexLineSize, bytes.data() + 6, static_cast<uint32_t>(bytes.size() - 6)), 5);
    EXPECT_STREQ(line, "next\n");
    EXPECT_EQ(readHexLine(line, hexLineSize, bytes.data() + 11, 0), 0);
    EXPECT_STREQ(line, "");
}

TEST(ReadHexLine, StaysInsideTheTextAndTheBuffer)
{
    // A guard after the line buffer must stay as it is.
    char buffer[hexLineSize + 16];
    memset(buffer, 'G', sizeof buffer);

    // No LF before the text ends: nothing read past it (exact-size copy).
    std::vector<uint8_t> unterminated = bytesOf(":10480000ABC");
    EXPECT_EQ(readHexLine(buffer, hexLineSize, unterminated.data(), static_cast<uint32_t>(unterminated.size())), 0);
    EXPECT_STREQ(buffer, ":10480000ABC");

    // A line longer than the buffer: no whole line, the copy cut with its zero.
    std::vector<uint8_t> longLine = bytesOf(std::string(200, 'A') + "\n");
    EXPECT_EQ(readHexLine(buffer, hexLineSize, longLine.data(), static_cast<uint32_t>(longLine.size())), 0);
    EXPECT_EQ(strlen(buffer), static_cast<size_t>(hexLineSize - 1));
    for (size_t i = hexLineSize; i < sizeof buffer; ++i)
        ASSERT_EQ(buffer[i], 'G') << "written past the line buffer at " << i;

    // The LF as the last character that fits is still a line.
    std::vector<uint8_t> fits = bytesOf(std::string(hexLineSize - 2, 'B') + "\nC");
    EXPECT_EQ(readHexLine(buffer, hexLineSize, fits.data(), static_cast<uint32_t>(fits.size())), hexLineSize - 1);
}

TEST(HexPairToByte, UpperCaseDigitsOnly)
{
    const char digits[] = "0123456789ABCDEF";
    for (int value = 0; value < 256; ++value) {
        const char pair[2] = {digits[value >> 4], digits[value & 15]};
        uint8_t byte = 0;
        ASSERT_TRUE(hexPairToByte(pair, &byte)) << value;
        ASSERT_EQ(byte, value);
    }
    for (const char* bad : {"a0", "0a", "fF", "G0", "0G", ":0", "0 ", "\n0", "0\0", "/0", "@0", "0["}) {
        uint8_t byte = 0;
        EXPECT_FALSE(hexPairToByte(bad, &byte)) << bad;
    }
}

TEST(ReverseWordBytes, ReversesEachWholeGroupOfFour)
{
    uint8_t bytes[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    reverseWordBytes(bytes, 8);
    const uint8_t expected[12] = {4, 3, 2, 1, 8, 7, 6, 5, 9, 10, 11, 12};
    EXPECT_EQ(memcmp(bytes, expected, sizeof bytes), 0);

    // A group cut short by the count is left alone, and nothing at or past it changes.
    uint8_t partial[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    reverseWordBytes(partial, 6);
    const uint8_t expectedPartial[8] = {4, 3, 2, 1, 5, 6, 7, 8};
    EXPECT_EQ(memcmp(partial, expectedPartial, sizeof partial), 0);
}

}  // namespace
