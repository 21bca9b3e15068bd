// The image check's rules on what reaches the flash: the configuration
// records that tell the updater where the flash is, and every data byte the
// stream will write.
#include <algorithm>

#include "image/block_placement.h"
#include "image/config_scan.h"
#include "image/block_placement.h"
#include "image/image_check_parts.h"
#include "link/reader_models.h"

namespace {

// A data record's bytes as the stream places them, for blaming a line.
struct Piece {
    uint32_t address;
    uint32_t count;
    uint32_t line;
    uint32_t order;  // when it was written
};

// The image check's block sink: notes each block and which lines' bytes it
// carries.
struct PlacementNotes {
    ImageCheck* check;
    const std::vector<CheckedLine>* dataLines;  // the streamed data records, in order
    size_t next;                                // the data record whose bytes come next
    uint32_t used;                              // of its bytes, already placed
    std::vector<Piece> pieces;
};

bool noteBlock(void* context, uint32_t address, uint8_t*, uint8_t n)
{
    auto* notes = static_cast<PlacementNotes*>(context);
    notes->check->blocks.push_back({address, n});
    uint32_t left = n;
    while (left > 0 && notes->next < notes->dataLines->size()) {
        const CheckedLine& line = (*notes->dataLines)[notes->next];
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

// Where the records before the streamed part (the bootloader's own, which
// the update never writes) put their data.
std::vector<Piece> bootloaderPieces(const std::string& text, const std::vector<CheckedLine>& lines, long first)
{
    std::vector<Piece> pieces;
    uint32_t upper = 0;
    for (long i = 0; i < first; ++i) {
        const CheckedLine& line = lines[static_cast<size_t>(i)];
        if (!line.sound)
            continue;
        uint8_t high = 0, low = 0;
        if (line.type == recordExtendedLinearAddress && hexPairToByte(text.data() + line.at + 9, &high) &&
            hexPairToByte(text.data() + line.at + 11, &low))
            upper = static_cast<uint32_t>(high << 8 | low);
        if (line.type == recordData && line.dataLength > 0)
            pieces.push_back({upper << 16 | line.address, line.dataLength, line.number, 0});
    }
    return pieces;
}

// The blame for each line once: bytes outside the flash, bytes on the
// bootloader's records, bytes written twice.
void checkPlacedBytes(ImageCheck* check, std::vector<Piece> pieces, const std::vector<Piece>& bootloader)
{
    std::vector<uint32_t> blamed;
    auto blame = [&](uint32_t line, auto... args) {
        if (std::find(blamed.begin(), blamed.end(), line) != blamed.end())
            return;
        blamed.push_back(line);
        addProblem(check, line, args...);
    };
    const DeviceInfo& info = check->info;
    for (const Piece& p : pieces) {
        const uint64_t end = static_cast<uint64_t>(p.address) + p.count;
        const bool outside = p.address < info.flashStart || end > info.flashEnd;
        if (check->configRead && info.flashStart < info.flashEnd && outside)
            blame(p.line, "data at 0x%08X-0x%08X lies outside the flash 0x%08X-0x%08X that the image declares",
                  p.address, static_cast<uint32_t>(end - 1), info.flashStart, info.flashEnd - 1);
        for (const Piece& b : bootloader) {
            if (p.address < static_cast<uint64_t>(b.address) + b.count && b.address < end)
                blame(p.line,
                      "data at 0x%08X-0x%08X falls on the bootloader's own records (line %u): it would "
                      "overwrite the bootloader",
                      p.address, static_cast<uint32_t>(end - 1), b.line);
        }
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

}  // namespace

void checkConfiguration(ImageCheck* check, const std::string& text, const std::vector<CheckedLine>& lines)
{
    ImageConfig config;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const ConfigScanEnd end = readImageConfig(bytes, static_cast<uint32_t>(text.size()), &config);
    const uint32_t stopLine = lines.empty() ? 1 : lineAt(lines, config.stopAt).number;
    switch (end) {
    case ConfigScanEnd::found:
        break;
    case ConfigScanEnd::noIdentityRecord:
        addProblem(check, lastLine(lines), "no identity record ':10480000' (16 data bytes at 0x4800, on one line)");
        return;
    case ConfigScanEnd::identityLinesCut:
        addProblem(check, stopLine, "the identity record needs two whole lines after it");
        return;
    case ConfigScanEnd::noVersionRecord:
        addProblem(check, lastLine(lines), "no version record ':10540000' after the identity record's lines");
        return;
    case ConfigScanEnd::versionRecordLast:
        addProblem(check, stopLine, "the version record is the last line: the updater needs a line after it");
        return;
    case ConfigScanEnd::lineTooLong:
        addProblem(check, stopLine,
                   "configuration line of %u characters: the updater reads at most %d and the line end",
                   lineAt(lines, config.stopAt).length, hexLineSize - 2);
        return;
    case ConfigScanEnd::notHex:
        if (std::none_of(check->problems.begin(), check->problems.end(),
                         [&](const ImageProblem& p) { return p.line == stopLine; }))
            addProblem(check, stopLine, "configuration data that is not upper-case hex");
        return;
    }
    check->configRead = true;
    check->info = config.info;
    const DeviceInfo& info = config.info;
    const uint32_t identityLine = lineAt(lines, config.lineAt[0]).number;
    const uint32_t rangesLine = lineAt(lines, config.lineAt[1]).number;
    const uint32_t eepromEndLine = lineAt(lines, config.lineAt[2]).number;
    if (!isKnownModel(info.deviceType))
        addProblem(check, identityLine, "device type 0x%08X is none of the Karvo-7 readers (0x0C00 to 0x0C03)",
                   info.deviceType);
    if (info.flashStart >= info.flashEnd)
        addProblem(check, rangesLine, "flash start 0x%08X is not below flash end 0x%08X", info.flashStart,
                   info.flashEnd);
    if (info.eepromStart >= info.eepromEnd)
        addProblem(check, eepromEndLine, "EEPROM start 0x%08X is not below EEPROM end 0x%08X", info.eepromStart,
                   info.eepromEnd);
    else if (info.flashStart < info.flashEnd && info.eepromStart < info.flashEnd && info.flashStart < info.eepromEnd)
        addProblem(check, rangesLine, "the EEPROM 0x%08X-0x%08X overlaps the flash 0x%08X-0x%08X", info.eepromStart,
                   info.eepromEnd - 1, info.flashStart, info.flashEnd - 1);
}

void planBlocks(ImageCheck* check, const std::string& text, const std::vector<CheckedLine>& lines, long first,
                long endOfFile)
{
    std::vector<CheckedLine> dataLines;
    for (long i = first; i < endOfFile; ++i) {
        const CheckedLine& line = lines[static_cast<size_t>(i)];
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
        addProblem(check, lastLine(lines), "the updater's stream stops inside this image");
        return;
    }
    check->dataSum = totals.dataSum;
    checkPlacedBytes(check, notes.pieces, bootloaderPieces(text, lines, first));
}
