#include "image/image_check.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "app/bytes.h"
#include "image/block_placement.h"
#include "image/image_check_parts.h"

namespace {

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
void checkRecordLine(ImageCheck* check, const char* chars, CheckedLine* line)
{
    const uint32_t n = line->length;
    line->sound = false;
    if (n == 0) {
        addProblem(check, line->number, "empty line: every line up to the end-of-file record must be a record");
        return;
    }
    if (chars[0] != ':') {
        addProblem(check, line->number, "not a record: a record starts with ':'");
        return;
    }
    bool lowerCase = false;
    for (uint32_t i = 1; i < n; ++i) {
        const char c = chars[i];
        if (c >= 'a' && c <= 'f') {
            lowerCase = true;
        } else if (digitValue(c) < 0) {
            if (c == '\r')
                addProblem(check, line->number, "a CR without its LF: the updater takes one character as a line end");
            else
                addProblem(check, line->number, "character '%c' (0x%02X) is not a hex digit",
                           c >= ' ' && c < 127 ? c : '?', static_cast<unsigned char>(c));
            return;
        }
    }
    if (lowerCase)
        addProblem(check, line->number, "lower-case hex digits: the updater reads upper case only");
    if (n < 11 || n % 2 == 0) {
        addProblem(check, line->number, "too short or an odd number of hex digits for a record");
        return;
    }
    line->dataLength = byteAt(chars + 1);
    line->address = static_cast<uint16_t>(byteAt(chars + 3) << 8 | byteAt(chars + 5));
    line->type = byteAt(chars + 7);
    const uint32_t holds = (n - 11) / 2;
    if (holds != line->dataLength) {
        addProblem(check, line->number, "the length field says %u data bytes, the line holds %u", line->dataLength,
                   holds);
        return;
    }
    unsigned sum = 0;
    for (uint32_t i = 1; i + 2 < n; i += 2)
        sum += byteAt(chars + i);
    const uint8_t need = static_cast<uint8_t>(0x100 - (sum & 0xFF));
    const uint8_t given = byteAt(chars + n - 2);
    bool sound = !lowerCase;
    if (given != need) {
        addProblem(check, line->number, "checksum is 0x%02X, the record's bytes need 0x%02X", given, need);
        sound = false;
    }
    if (line->dataLength > flashBlockSize) {
        addProblem(check, line->number, "%u data bytes: the updater takes at most %d in a record", line->dataLength,
                   flashBlockSize);
        sound = false;
    }
    const uint8_t length = line->dataLength;
    switch (line->type) {
    case recordData:
        break;
    case recordEndOfFile:
        if (length != 0) {
            addProblem(check, line->number, "an end-of-file record carries no data");
            sound = false;
        }
        break;
    case recordExtendedLinearAddress:
        if (length != 2) {
            addProblem(check, line->number, "an extended linear address record carries 2 data bytes");
            sound = false;
        }
        break;
    case recordStartSegmentAddress:
    case recordStartLinearAddress:
        if (length != 4) {
            addProblem(check, line->number, "a start address record carries 4 data bytes");
            sound = false;
        }
        break;
    case recordExtendedSegmentAddress:
        addProblem(check, line->number,
                   "extended segment address record: the updater does not follow it, the data after it would land "
                   "elsewhere");
        sound = false;
        break;
    default:
        addProblem(check, line->number, "record type 0x%02X is none of Intel HEX's", line->type);
        sound = false;
        break;
    }
    line->sound = sound;
}

std::vector<CheckedLine> splitLines(const std::string& text)
{
    std::vector<CheckedLine> lines;
    uint32_t at = 0;
    const uint32_t size = static_cast<uint32_t>(text.size());
    while (at < size) {
        const size_t end = text.find('\n', at);
        const uint32_t stop = end == std::string::npos ? size : static_cast<uint32_t>(end);
        lines.push_back(CheckedLine{static_cast<uint32_t>(lines.size() + 1), at, stop - at, false, 0, 0, 0});
        at = stop + 1;
    }
    return lines;
}

// Where the stream starts, where it ends, and what may stop it. Returns the
// index of the end-of-file record the stream reaches, or -1.
long checkStreamedPart(ImageCheck* check, const std::string& text, const std::vector<CheckedLine>& lines, long* first)
{
    *first = -1;
    if (text.size() < streamOffset) {
        addProblem(check, lastLine(lines), "the image text is %zu bytes long: the updater streams from byte %u on",
                   text.size(), streamOffset);
        return -1;
    }
    const CheckedLine& start = lineAt(lines, streamOffset);
    if (start.at != streamOffset) {
        addProblem(check, start.number,
                   "text byte %u lies inside this record: the updater starts streaming there and needs a record's ':'",
                   streamOffset);
        return -1;
    }
    *first = static_cast<long>(start.number - 1);
    long endOfFile = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        const CheckedLine& line = lines[i];
        if (line.sound && line.type == recordEndOfFile) {
            if (line.at < streamOffset) {
                addProblem(check, line.number, "end-of-file record before text byte %u, where streaming starts",
                           streamOffset);
                continue;
            }
            endOfFile = static_cast<long>(i);
            break;
        }
    }
    if (endOfFile < 0) {
        addProblem(check, lastLine(lines), "no end-of-file record (:00000001FF): the update would fail at its end");
        return -1;
    }
    for (size_t i = static_cast<size_t>(endOfFile) + 1; i < lines.size(); ++i) {
        if (lines[i].length > 0) {
            addProblem(check, lines[i].number, "text after the end-of-file record is never written");
            break;
        }
    }
    for (long i = *first; i < endOfFile; ++i) {
        const CheckedLine& line = lines[static_cast<size_t>(i)];
        if (line.sound && line.type == recordExtendedLinearAddress)
            break;
        if (line.sound && line.type == recordData && line.dataLength > 0) {
            addProblem(check, line.number,
                       "data record before the streamed part's first extended linear address record: the updater would "
                       "place it by the address that the last update left");
            break;
        }
    }
    return endOfFile;
}

}  // namespace

void addProblem(ImageCheck* check, uint32_t line, const char* format, ...)
{
    char reason[256];
    va_list args;
    va_start(args, format);
    vsnprintf(reason, sizeof reason, format, args);
    va_end(args);
    check->problems.push_back({line, reason});
}

const CheckedLine& lineAt(const std::vector<CheckedLine>& lines, uint32_t at)
{
    size_t i = 0;
    while (i + 1 < lines.size() && lines[i + 1].at <= at)
        ++i;
    return lines[i];
}

uint32_t lastLine(const std::vector<CheckedLine>& lines)
{
    return lines.empty() ? 1 : lines.back().number;
}

void checkImage(const uint8_t* file, uint32_t size, ImageCheck* check)
{
    *check = ImageCheck{};
    const std::string text = foldCrLf(std::string_view(reinterpret_cast<const char*>(file), size));
    std::vector<CheckedLine> lines = splitLines(text);
    for (CheckedLine& line : lines) {
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
