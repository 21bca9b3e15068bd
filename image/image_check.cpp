#include "image/image_check.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "image/block_placement.h"
#include "image/config_scan.h"
#include "image/hex_stream.h"

namespace {

enum RecordType : uint8_t {
    recordData = 0,
    recordEndOfFile = 1,
    recordExtendedSegmentAddress = 2,
    recordStartSegmentAddress = 3,
    recordExtendedLinearAddress = 4,
    recordStartLinearAddress = 5,
};

// One line of the image text (LF line ends) and what it holds.
struct Line {
    uint32_t number;
    uint32_t at;      // offset of its first character in the text
    uint32_t length;  // without the LF
    bool sound;       // a record the stream reads as the file means it
    uint8_t dataLength;
    uint16_t address;
    uint8_t type;
};

// A data record's bytes as the stream places them, for blaming a line.
struct Piece {
    uint32_t address;
    uint32_t count;
    uint32_t line;
    uint32_t order;  // when it was written
};

void problem(ImageCheck* check, uint32_t line, const char* format, ...)
{
    char reason[256];
    va_list args;
    va_start(args, format);
    vsnprintf(reason, sizeof reason, format, args);
    va_end(args);
    check->problems.push_back({line, reason});
}

// The text as the packer stores it: every CR LF pair a single LF.
std::string imageText(const uint8_t* file, uint32_t size)
{
    std::string text;
    text.reserve(size);
    for (uint32_t i = 0; i < size; ++i) {
        if (!(file[i] == '\r' && i + 1 < size && file[i + 1] == '\n'))
            text += static_cast<char>(file[i]);
    }
    return text;
}

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The byte written by two digits of either case.
uint8_t byteAt(const char* chars)
{
    return static_cast<uint8_t>(digitValue(chars[0]) << 4 | digitValue(chars[1]));
}

// Reads one line as an Intel HEX record, with a problem for each rule it
// breaks; line->sound when it breaks none.
void checkRecordLine(ImageCheck* check, const char* chars, Line* line)
{
    const uint32_t n = line->length;
    line->sound = false;
    if (n == 0) {
        problem(check, line->number, "empty line: every line up to the end-of-file record must be a record");
        return;
    }
    if (chars[0] != ':') {
        problem(check, line->number, "not a record: a record starts with ':'");
        return;
    }
    bool lowerCase = false;
    for (uint32_t i = 1; i < n; ++i) {
        const char c = chars[i];
        if (c >= 'a' && c <= 'f') {
            lowerCase = true;
        } else if (digitValue(c) < 0) {
            if (c == '\r')
                problem(check, line->number, "a CR without its LF: the updater takes one character as a line end");
            else
                problem(check, line->number, "character '%c' (0x%02X) is not a hex digit", c >= ' ' && c < 127 ? c : '?',
                        static_cast<unsigned char>(c));
            return;
        }
    }
    if (lowerCase)
        problem(check, line->number, "lower-case hex digits: the updater reads upper case only");
    if (n < 11 || n % 2 == 0) {
        problem(check, line->number, "too short or an odd number of hex digits for a record");
        return;
    }
    line->dataLength = byteAt(chars + 1);
    line->address = static_cast<uint16_t>(byteAt(chars + 3) << 8 | byteAt(chars + 5));
    line->type = byteAt(chars + 7);
    const uint32_t holds = (n - 11) / 2;
    if (holds != line->dataLength) {
        problem(check, line->number, "the length field says %u data bytes, the line holds %u", line->dataLength, holds);
        return;
    }
    unsigned sum = 0;
    for (uint32_t i = 1; i + 2 < n; i += 2)
        sum += byteAt(chars + i);
    const uint8_t need = static_cast<uint8_t>(0x100 - (sum & 0xFF));
    const uint8_t given = byteAt(chars + n - 2);
    bool sound = !lowerCase;
    if (given != need) {
        problem(check, line->number, "checksum is 0x%02X, the record's bytes need 0x%02X", given, need);
        sound = false;
    }
    if (line->dataLength > flashBlockSize) {
        problem(check, line->number, "%u data bytes: the updater takes at most %d in a record", line->dataLength,
                flashBlockSize);
        sound = false;
    }
    const uint8_t length = line->dataLength;
    switch (line->type) {
    case recordData:
        break;
    case recordEndOfFile:
        if (length != 0) {
            problem(check, line->number, "an end-of-file record carries no data");
            sound = false;
        }
        break;
    case recordExtendedLinearAddress:
        if (length != 2) {
            problem(check, line->number, "an extended linear address record carries 2 data bytes");
            sound = false;
        }
        break;
    case recordStartSegmentAddress:
    case recordStartLinearAddress:
        if (length != 4) {
            problem(check, line->number, "a start address record carries 4 data bytes");
            sound = false;
        }
        break;
    case recordExtendedSegmentAddress:
        problem(check, line->number,
                "extended segment address record: the updater does not follow it, the data after it would land "
                "elsewhere");
        sound = false;
        break;
    default:
        problem(check, line->number, "record type 0x%02X is none of Intel HEX's", line->type);
        sound = false;
        break;
    }
    line->sound = sound;
}

std::vector<Line> splitLines(const std::string& text)
{
    std::vector<Line> lines;
    uint32_t at = 0;
    const uint32_t size = static_cast<uint32_t>(text.size());
    while (at < size) {
        const size_t end = text.find('\n', at);
        const uint32_t stop = end == std::string::npos ? size : static_cast<uint32_t>(end);
        lines.push_back(Line{static_cast<uint32_t>(lines.size() + 1), at, stop - at, false, 0, 0, 0});
        at = stop + 1;
    }
    return lines;
}

// The line that holds text offset `at` (the last one past the text).
const Line& lineAt(const std::vector<Line>& lines, uint32_t at)
{
    size_t i = 0;
    while (i + 1 < lines.size() && lines[i + 1].at <= at)
        ++i;
    return lines[i];
}

uint32_t lastLine(const std::vector<Line>& lines)
{
    return lines.empty() ? 1 : lines.back().number;
}

// Where the stream starts, where it ends, and what may stop it. Returns the
// index of the end-of-file record the stream reaches, or -1.
long checkStreamedPart(ImageCheck* check, const std::string& text, const std::vector<Line>& lines, long* first)
{
    *first = -1;
    if (text.size() < streamOffset) {
        problem(check, lastLine(lines), "the image text is %zu bytes long: the updater streams from byte %u on",
                text.size(), streamOffset);
        return -1;
    }
    const Line& start = lineAt(lines, streamOffset);
    if (start.at != streamOffset) {
        problem(check, start.number,
                "text byte %u lies inside this record: the updater starts streaming there and needs a record's ':'",
                streamOffset);
        return -1;
    }
    *first = static_cast<long>(start.number - 1);
    long endOfFile = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (line.sound && line.type == recordEndOfFile) {
            if (line.at < streamOffset) {
                problem(check, line.number, "end-of-file record before text byte %u, where streaming starts",
                        streamOffset);
                continue;
            }
            endOfFile = static_cast<long>(i);
            break;
        }
    }
    if (endOfFile < 0) {
        problem(check, lastLine(lines), "no end-of-file record (:00000001FF): the update would fail at its end");
        return -1;
    }
    for (size_t i = static_cast<size_t>(endOfFile) + 1; i < lines.size(); ++i) {
        if (lines[i].length > 0) {
            problem(check, lines[i].number, "text after the end-of-file record is never written");
            break;
        }
    }
    for (long i = *first; i < endOfFile; ++i) {
        const Line& line = lines[static_cast<size_t>(i)];
        if (line.sound && line.type == recordExtendedLinearAddress)
            break;
        if (line.sound && line.type == recordData && line.dataLength > 0) {
            problem(check, line.number,
                    "data record before the streamed part's first extended linear address record: the updater would "
                    "place it by the address that the last update left");
            break;
        }
    }
    return endOfFile;
}

void checkConfiguration(ImageCheck* check, const std::string& text, const std::vector<Line>& lines)
{
    ImageConfig config;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const ConfigScanEnd end = readImageConfig(bytes, static_cast<uint32_t>(text.size()), &config);
    const uint32_t stopLine = lines.empty() ? 1 : lineAt(lines, config.stopAt).number;
    switch (end) {
    case ConfigScanEnd::found:
        break;
    case ConfigScanEnd::noIdentityRecord:
        problem(check, lastLine(lines), "no identity record ':10480000' (16 data bytes at 0x4800, on one line)");
        return;
    case ConfigScanEnd::identityLinesCut:
        problem(check, stopLine, "the identity record needs two whole lines after it");
        return;
    case ConfigScanEnd::noVersionRecord:
        problem(check, lastLine(lines), "no version record ':10540000' after the identity record's lines");
        return;
    case ConfigScanEnd::versionRecordLast:
        problem(check, stopLine, "the version record is the last line: the updater needs a line after it");
        return;
    case ConfigScanEnd::lineTooLong:
        problem(check, stopLine, "configuration line of %u characters: the updater reads at most %d and the line end",
                lineAt(lines, config.stopAt).length, hexLineSize - 2);
        return;
    case ConfigScanEnd::notHex:
        if (std::none_of(check->problems.begin(), check->problems.end(),
                         [&](const ImageProblem& p) { return p.line == stopLine; }))
            problem(check, stopLine, "configuration data that is not upper-case hex");
        return;
    }
    check->configRead = true;
    check->info = config.info;
    const DeviceInfo& info = config.info;
    const uint32_t identityLine = lineAt(lines, config.lineAt[0]).number;
    const uint32_t rangesLine = lineAt(lines, config.lineAt[1]).number;
    const uint32_t eepromEndLine = lineAt(lines, config.lineAt[2]).number;
    if (info.deviceType < deviceTypeKru || info.deviceType > deviceTypeUsbPwr)
        problem(check, identityLine, "device type 0x%08X is none of the Karvo-7 readers (0x0C00 to 0x0C03)",
                info.deviceType);
    if (info.flashStart >= info.flashEnd)
        problem(check, rangesLine, "flash start 0x%08X is not below flash end 0x%08X", info.flashStart, info.flashEnd);
    if (info.eepromStart >= info.eepromEnd)
        problem(check, eepromEndLine, "EEPROM start 0x%08X is not below EEPROM end 0x%08X", info.eepromStart,
                info.eepromEnd);
    else if (info.flashStart < info.flashEnd && info.eepromStart < info.flashEnd && info.flashStart < info.eepromEnd)
        problem(check, rangesLine, "the EEPROM 0x%08X-0x%08X overlaps the flash 0x%08X-0x%08X", info.eepromStart,
                info.eepromEnd - 1, info.flashStart, info.flashEnd - 1);
}

// The image check's block sink: notes each block and which lines' bytes it
// carries.
struct PlacementNotes {
    ImageCheck* check;
    const std::vector<Line>* dataLines;  // the streamed data records, in order
    size_t next;                         // the data record whose bytes come next
    uint32_t used;                       // of its bytes, already placed
    std::vector<Piece> pieces;
};

bool noteBlock(void* context, uint32_t address, uint8_t*, uint8_t n)
{
    auto* notes = static_cast<PlacementNotes*>(context);
    notes->check->blocks.push_back({address, n});
    uint32_t left = n;
    while (left > 0 && notes->next < notes->dataLines->size()) {
        const Line& line = (*notes->dataLines)[notes->next];
        const uint32_t take = std::min(left, line.dataLength - notes->used);
        notes->pieces.push_back({address, take, line.number, static_cast<uint32_t>(notes->pieces.size())});
        address += take;
        left -= take;
        notes->used += take;
        if (notes->used == line.dataLength) {
            ++notes->next;
            notes->used = 0;
        }
    }
    return true;
}

// The blame for each line once: bytes outside the flash, bytes written twice.
void checkPlacedBytes(ImageCheck* check, std::vector<Piece> pieces)
{
    std::vector<uint32_t> blamed;
    auto blame = [&](uint32_t line, auto... args) {
        if (std::find(blamed.begin(), blamed.end(), line) != blamed.end())
            return;
        blamed.push_back(line);
        problem(check, line, args...);
    };
    const DeviceInfo& info = check->info;
    for (const Piece& p : pieces) {
        const uint64_t end = static_cast<uint64_t>(p.address) + p.count;
        if (check->configRead && info.flashStart < info.flashEnd && (p.address < info.flashStart || end > info.flashEnd))
            blame(p.line, "data at 0x%08X-0x%08X lies outside the flash 0x%08X-0x%08X that the image declares",
                  p.address, static_cast<uint32_t>(end - 1), info.flashStart, info.flashEnd - 1);
    }
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const Piece& a, const Piece& b) { return a.address < b.address; });
    const Piece* furthest = nullptr;
    for (const Piece& p : pieces) {
        const uint64_t end = static_cast<uint64_t>(p.address) + p.count;
        if (furthest != nullptr && p.address < static_cast<uint64_t>(furthest->address) + furthest->count) {
            const Piece& later = p.order > furthest->order ? p : *furthest;
            const Piece& earlier = p.order > furthest->order ? *furthest : p;
            blame(later.line, "data at 0x%08X is written again: line %u writes it first", p.address, earlier.line);
        }
        if (furthest == nullptr || end > static_cast<uint64_t>(furthest->address) + furthest->count)
            furthest = &p;
    }
}

// Streams the records as the updater will, into the check's block sink.
void planBlocks(ImageCheck* check, const std::string& text, const std::vector<Line>& lines, long first,
                long endOfFile)
{
    std::vector<Line> dataLines;
    for (long i = first; i < endOfFile; ++i) {
        const Line& line = lines[static_cast<size_t>(i)];
        if (line.type == recordData && line.dataLength > 0)
            dataLines.push_back(line);
    }
    PlacementNotes notes{check, &dataLines, 0, 0, {}};
    const BlockSink sink{&notes, noteBlock, nullptr};
    // At start-up the upper address half is 0x0800 (app_state.cpp).
    PlacementTotals totals{0x0800, 0};
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const PlacementEnd end =
        placeHexRecords(bytes + streamOffset, static_cast<uint32_t>(text.size() - streamOffset), sink, &totals);
    if (end != PlacementEnd::endOfFile) {
        problem(check, lastLine(lines), "the updater's stream stops inside this image");
        return;
    }
    check->dataSum = totals.dataSum;
    checkPlacedBytes(check, notes.pieces);
}

}  // namespace

void checkImage(const uint8_t* file, uint32_t size, ImageCheck* check)
{
    *check = ImageCheck{};
    const std::string text = imageText(file, size);
    std::vector<Line> lines = splitLines(text);
    for (Line& line : lines) {
        checkRecordLine(check, text.data() + line.at, &line);
        if (line.sound && line.type == recordEndOfFile && line.at >= streamOffset)
            break;  // what follows is never read
    }
    long first = -1;
    const long endOfFile = checkStreamedPart(check, text, lines, &first);
    checkConfiguration(check, text, lines);

    bool streamable = endOfFile >= 0;
    for (long i = first; streamable && i <= endOfFile; ++i)
        streamable = lines[static_cast<size_t>(i)].sound;
    if (streamable)
        planBlocks(check, text, lines, first, endOfFile);
    std::stable_sort(check->problems.begin(), check->problems.end(),
                     [](const ImageProblem& a, const ImageProblem& b) { return a.line < b.line; });
}

std::string problemText(const char* file, const ImageProblem& problem)
{
    return std::string(file) + ":" + std::to_string(problem.line) + ": " + problem.reason;
}
