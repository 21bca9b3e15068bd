// The image check on the sample firmware and on broken copies of it, one
// defect each, with the line and the beginning of each problem it must print.
#include "image/image_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/hex_text.h"
#include "tests/support/temp_files.h"

namespace {

using Lines = std::vector<std::string>;  // the sample's lines, without their CR LF

Lines sampleLines()
{
    Lines lines;
    std::istringstream in(withLfLineEnds(readFile(SAMPLE_FIRMWARE_HEX)));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string line(uint16_t address, const std::vector<uint8_t>& data, uint8_t type = 0)
{ const std::string record = hexRecord(address, data, type); return record.substr(0, record.size() - 1); }

// Line n (1 for the first) of the lines; a line put after line n.
std::string& at(Lines& lines, size_t n) { return lines[n - 1]; }
void insertAfter(Lines& lines, size_t n, const std::string& text) { lines.insert(lines.begin() + static_cast<long>(n), text); }

// The problems the check prints for the lines, each cut to the length of
// the beginning expected in its place.
std::vector<std::string> problemsOf(const Lines& lines, const std::vector<std::string>& expected)
{
    std::string file;
    for (const std::string& l : lines)
        file += l + "\r\n";
    ImageCheck check;
    checkImage(reinterpret_cast<const uint8_t*>(file.data()), static_cast<uint32_t>(file.size()), &check);
    std::vector<std::string> texts;
    for (const ImageProblem& problem : check.problems)
        texts.push_back(problemText("image.hex", problem)
                            .substr(0, texts.size() < expected.size() ? expected[texts.size()].size() : std::string::npos));
    return texts;
}

const std::vector<uint8_t> sixteen(16, 0x5A);
// The sample's second identity line (0x4810) with other flash and EEPROM bounds.
std::string rangesLine(uint32_t flashStart, uint32_t flashEnd, uint32_t eepromStart)
{ return line(0x4810, wordsLittleEndian({0x1234ABCD, flashStart, flashEnd, eepromStart})); }

}  // namespace

TEST(ImageCheck, NamesEveryProblemWithItsLine)
{
    const struct {
        const char* defect;
        std::function<void(Lines&)> edit;
        std::vector<std::string> problems;
    } cases[] = {
        {"none: the sample as it is", [](Lines&) {}, {}},
        {"bad checksum", [](Lines& l) { at(l, 10).back() = '9'; },
         {"image.hex:10: checksum is 0xC9, the record's bytes need 0xC8"}},
        {"lower case", [](Lines& l) { for (char& c : at(l, 200)) c = static_cast<char>(tolower(c)); },
         {"image.hex:200: lower-case hex digits: the updater reads upper case only"}},
        {"not a hex digit", [](Lines& l) { at(l, 80)[12] = 'G'; },
         {"image.hex:80: character 'G' (0x47) is not a hex digit"}},
        {"CR without LF", [](Lines& l) { at(l, 60) += "\r"; },
         {"image.hex:60: a CR without its LF: the updater takes one character as a line end"}},
        {"empty line", [](Lines& l) { insertAfter(l, 50, ""); },
         {"image.hex:51: empty line: every line up to the end-of-file record must be a record"}},
        {"length field", [](Lines& l) { at(l, 70).erase(20, 2); },
         {"image.hex:70: the length field says 16 data bytes, the line holds 15"}},
        {"record over 128 bytes", [](Lines& l) { insertAfter(l, 1349, line(0x9400, std::vector<uint8_t>(129))); },
         {"image.hex:1350: 129 data bytes: the updater takes at most 128 in a record"}},
        {"unknown type", [](Lines& l) { insertAfter(l, 90, line(0, {}, 7)); },
         {"image.hex:91: record type 0x07 is none of Intel HEX's"}},
        {"extended segment address", [](Lines& l) { insertAfter(l, 300, line(0, {0x10, 0x00}, 2)); },
         {"image.hex:301: extended segment address record: the updater does not follow it"}},
        {"no end-of-file record", [](Lines& l) { l.pop_back(); },
         {"image.hex:1349: no end-of-file record (:00000001FF): the update would fail at its end"}},
        {"text after the end", [](Lines& l) { l.push_back(line(0x9400, sixteen)); },
         {"image.hex:1351: text after the end-of-file record is never written"}},
        {"byte 124 inside a record", [](Lines& l) { l.erase(l.begin() + 3); },
         {"image.hex:5: text byte 124 lies inside this record"}},
        {"too short", [](Lines& l) { l = {":00000001FF"}; },
         {"image.hex:1: the image text is 12 bytes long", "image.hex:1: no identity record"}},
        {"data before the first extended address", [](Lines& l) { at(l, 5) = line(0x3000, {1, 2}); },
         {"image.hex:5: data record before the streamed part's first extended linear address record"}},
        {"data outside the flash",
         [](Lines& l) { insertAfter(l, 1349, line(0, {0x09, 0x00}, 4)), insertAfter(l, 1350, line(0, sixteen)); },
         {"image.hex:1351: data at 0x09000000-0x0900000F lies outside the flash 0x08000000-0x0803FFFF"}},
        {"data on the bootloader's records", [](Lines& l) { insertAfter(l, 1349, line(0x0010, sixteen)); },
         {"image.hex:1350: data at 0x08000010-0x0800001F falls on the bootloader's own records (line 3)"}},
        {"overlapping records", [](Lines& l) { insertAfter(l, 200, at(l, 200)); },
         {"image.hex:201: data at 0x08004C20 is written again: line 200 writes it first"}},
        {"long configuration line",
         [](Lines& l) { at(l, 136) = line(0x4820, wordsLittleEndian({0x08081000, 1, 2, 3, 4, 5, 6, 7})); },
         {"image.hex:136: configuration line of 75 characters", "image.hex:137: data at 0x08004830 is written again"}},
        {"no identity record",
         [](Lines& l) {
             const std::vector<uint8_t> identity = wordsLittleEndian({12345678, 0x0A000001, 0x0C01, 0x00010203});
             at(l, 134) = line(0x4800, {identity.begin(), identity.begin() + 8});
             insertAfter(l, 134, line(0x4808, {identity.begin() + 8, identity.end()}));
         },
         {"image.hex:1351: no identity record ':10480000'"}},
        {"unknown device",
         [](Lines& l) { at(l, 134) = line(0x4800, wordsLittleEndian({12345678, 0x0A000001, 0x0D00, 0x00010203})); },
         {"image.hex:134: device type 0x00000D00 is none of the Karvo-7 readers (0x0C00 to 0x0C03)"}},
        {"flash start not below its end", [](Lines& l) { at(l, 135) = rangesLine(0x08000000, 0x07000000, 0x08080000); },
         {"image.hex:135: flash start 0x08000000 is not below flash end 0x07000000"}},
        {"EEPROM inside the flash", [](Lines& l) { at(l, 135) = rangesLine(0x08000000, 0x08040000, 0x08030000); },
         {"image.hex:135: the EEPROM 0x08030000-0x08080FFF overlaps the flash 0x08000000-0x0803FFFF"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.defect);
        Lines lines = sampleLines();
        c.edit(lines);
        EXPECT_EQ(problemsOf(lines, c.problems), c.problems);
    }
}
