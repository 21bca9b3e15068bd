// Checks the committed sample firmware (resources/firmware/karvo7_krm_1_05.hex) for the
// layout the updater relies on: the configuration scan finds its identity and version
// records, and the flash stream starts at text byte 124 on an address record.
// The file is parsed here on its own terms, independently of its generator.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string sampleFirmwarePath() {
#ifdef SAMPLE_FIRMWARE_HEX
    return SAMPLE_FIRMWARE_HEX;
#else
    // Repository root = this file's path without "tests/tools/<name>".
    std::string self = __FILE__;
    const std::string tail = "tests/tools/sample_firmware_test.cpp";
    std::string root = self.size() >= tail.size() ? self.substr(0, self.size() - tail.size()) : "";
    return root + "resources/firmware/karvo7_krm_1_05.hex";
#endif
}

std::string readFile(const std::string& path) {
    std::string content;
    FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) return content;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) content.append(buffer, got);
    std::fclose(in);
    return content;
}

struct Record {
    std::string text;  // the line without its line end
    size_t lfOffset;   // offset of its colon in the text with LF line ends
    unsigned length;
    unsigned address;
    unsigned type;
    std::vector<uint8_t> data;
    bool checksumOk;
};

int upperHexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses one line (without line end); false on anything that is not a well-formed
// record in upper-case hex.
bool parseRecord(const std::string& line, Record& record) {
    if (line.size() < 11 || line[0] != ':' || (line.size() - 1) % 2 != 0) return false;
    std::vector<uint8_t> bytes;
    for (size_t i = 1; i < line.size(); i += 2) {
        int high = upperHexDigit(line[i]);
        int low = upperHexDigit(line[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    if (bytes.size() != 5u + bytes[0]) return false;
    record.text = line;
    record.length = bytes[0];
    record.address = bytes[1] * 256u + bytes[2];
    record.type = bytes[3];
    record.data.assign(bytes.begin() + 4, bytes.end() - 1);
    uint8_t sum = 0;
    for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum + b);
    record.checksumOk = sum == 0;
    return true;
}

uint32_t littleEndianWord(const std::vector<uint8_t>& data, size_t at) {
    return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
}

class SampleFirmware : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        raw = new std::string(readFile(sampleFirmwarePath()));
        records = new std::vector<Record>;
        lfText = new std::string;
        lineEndsOk = !raw->empty();
        parsedOk = true;
        size_t pos = 0;
        while (pos < raw->size()) {
            size_t lf = raw->find('\n', pos);
            if (lf == std::string::npos || lf == pos || (*raw)[lf - 1] != '\r') {
                lineEndsOk = false;
                break;
            }
            std::string line = raw->substr(pos, lf - 1 - pos);
            if (line.find('\r') != std::string::npos) lineEndsOk = false;
            Record record;
            if (!parseRecord(line, record)) {
                parsedOk = false;
                break;
            }
            record.lfOffset = lfText->size();
            records->push_back(record);
            *lfText += line + "\n";
            pos = lf + 1;
        }
    }
    static void TearDownTestSuite() {
        delete raw;
        delete records;
        delete lfText;
    }

    // Finds the first line whose first nine characters are `prefix`, from record `from`.
    static size_t findLine(const char* prefix, size_t from = 0) {
        for (size_t i = from; i < records->size(); ++i)
            if ((*records)[i].text.compare(0, 9, prefix) == 0) return i;
        return records->size();
    }

    static std::string* raw;
    static std::vector<Record>* records;
    static std::string* lfText;
    static bool lineEndsOk;
    static bool parsedOk;
};

std::string* SampleFirmware::raw;
std::vector<Record>* SampleFirmware::records;
std::string* SampleFirmware::lfText;
bool SampleFirmware::lineEndsOk;
bool SampleFirmware::parsedOk;

TEST_F(SampleFirmware, EveryLineIsACrLfTerminatedRecordWithARightChecksum) {
    ASSERT_FALSE(raw->empty()) << "cannot read " << sampleFirmwarePath();
    EXPECT_TRUE(lineEndsOk);
    ASSERT_TRUE(parsedOk) << "malformed or lower-case record after line " << records->size();
    for (const Record& record : *records) EXPECT_TRUE(record.checksumOk) << record.text;
    EXPECT_EQ(lfText->size() + records->size(), raw->size()) << "bytes outside the records";
}

TEST_F(SampleFirmware, BootloaderRecordsFillExactlyTheFirst124Bytes) {
    ASSERT_GE(records->size(), 6u);
    const Record* r = records->data();
    EXPECT_EQ(r[0].text, ":020000040800F2");
    EXPECT_EQ(r[1].type, 0u);
    EXPECT_EQ(r[1].address, 0x0000u);
    EXPECT_EQ(r[1].length, 16u);
    EXPECT_EQ(r[2].address, 0x0010u);
    EXPECT_EQ(r[2].length, 16u);
    EXPECT_EQ(r[3].address, 0x0020u);
    EXPECT_EQ(r[3].length, 4u);
    EXPECT_EQ(r[4].lfOffset, 124u);
    EXPECT_EQ(lfText->substr(124, 16), ":020000040800F2\n");
}

TEST_F(SampleFirmware, ApplicationIsContiguous16ByteRecordsFromThe0x4000Offset) {
    ASSERT_GE(records->size(), 7u);
    size_t last = records->size() - 1;
    uint32_t expected = 0x4000;
    for (size_t i = 5; i < last; ++i) {
        const Record& record = (*records)[i];
        ASSERT_EQ(record.type, 0u) << record.text;
        ASSERT_EQ(record.length, 16u) << record.text;
        ASSERT_EQ(record.address, expected) << record.text;
        expected += 16;
    }
    EXPECT_EQ(expected - 0x4000, 21504u);
    EXPECT_EQ((*records)[last].text, ":00000001FF");
    EXPECT_EQ(raw->substr(raw->size() - 13), ":00000001FF\r\n");
}

TEST_F(SampleFirmware, ApplicationStartsWithAPlausibleVectorTable) {
    ASSERT_GE(records->size(), 6u);
    const std::vector<uint8_t>& first = (*records)[5].data;
    ASSERT_EQ(first.size(), 16u);
    uint32_t stack = littleEndianWord(first, 0);
    uint32_t reset = littleEndianWord(first, 4);
    EXPECT_GE(stack, 0x20000000u);
    EXPECT_LT(stack, 0x20100000u);
    EXPECT_EQ(stack % 8, 0u);
    EXPECT_EQ(reset & 1u, 1u) << "reset vector must be a Thumb address";
    EXPECT_GT(reset, 0x08004000u);
    EXPECT_LT(reset, 0x08004000u + 21504u);
}

TEST_F(SampleFirmware, ConfigurationRecordsDeclareTheKarvo7KrmRelease) {
    size_t identity = findLine(":10480000");
    ASSERT_LT(identity + 2, records->size()) << "no identity record";
    EXPECT_EQ(findLine(":10480000", identity + 1), records->size()) << "second identity record";
    const Record& first = (*records)[identity];
    const Record& second = (*records)[identity + 1];
    const Record& third = (*records)[identity + 2];
    ASSERT_EQ(first.data.size(), 16u);
    ASSERT_EQ(second.data.size(), 16u);
    ASSERT_GE(third.data.size(), 4u);
    EXPECT_EQ(second.address, 0x4810u);
    EXPECT_EQ(third.address, 0x4820u);

    EXPECT_EQ(littleEndianWord(first.data, 0), 12345678u);  // barcode
    EXPECT_EQ(littleEndianWord(first.data, 4), 0x0A000001u);  // cipher id
    EXPECT_EQ(littleEndianWord(first.data, 8), 0x00000C01u);  // Karvo-7KRM
    EXPECT_EQ(littleEndianWord(first.data, 12), 0x00010203u);  // series 1, change 2, pcb 3
    EXPECT_EQ(littleEndianWord(second.data, 0), 0x1234ABCDu);  // VID 0x1234, PID 0xABCD
    EXPECT_EQ(littleEndianWord(second.data, 4), 0x08000000u);
    EXPECT_EQ(littleEndianWord(second.data, 8), 0x08040000u);
    EXPECT_EQ(littleEndianWord(second.data, 12), 0x08080000u);
    EXPECT_EQ(littleEndianWord(third.data, 0), 0x08081000u);
    EXPECT_EQ(first.text.substr(9, 8), "4E61BC00");  // the word as the scan meets its bytes

    // The version line is searched for after the identity lines and must not be the last.
    EXPECT_EQ(findLine(":10540000"), findLine(":10540000", identity + 3)) << "version line too early";
    size_t version = findLine(":10540000", identity + 3);
    ASSERT_LT(version + 1, records->size()) << "no version record before the end";
    EXPECT_EQ(findLine(":10540000", version + 1), records->size()) << "second version record";
    EXPECT_EQ(littleEndianWord((*records)[version].data, 0), 0x00000105u);  // 1.05
}

}  // namespace
