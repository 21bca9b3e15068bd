#include "image/block_placement.h"

#include <cstring>

#include "image/config_scan.h"

namespace {

constexpr int maxRecordData = 128;

struct HexRecord {
    uint8_t length;
    uint16_t address;
    uint8_t type;
    uint8_t data[maxRecordData];
};

// The block being filled and where it goes.
struct Placement {
    const BlockSink* sink;
    uint8_t block[flashBlockSize];
    int fill;
    uint32_t address;
    bool rebasePending;  // the next data record begins a block of its own
};

// The pair of hex digits at pos, if it lies inside the text.
bool pairAt(const uint8_t* text, uint32_t length, uint32_t pos, uint8_t* value)
{
    if (pos >= length || length - pos < 2)
        return false;
    return hexPairToByte(reinterpret_cast<const char*>(text + pos), value);
}

bool parseRecord(const uint8_t* text, uint32_t length, uint32_t at, HexRecord* record)
{
    uint8_t high, low;
    if (!pairAt(text, length, at + 1, &record->length) || record->length > maxRecordData)
        return false;
    if (!pairAt(text, length, at + 3, &high) || !pairAt(text, length, at + 5, &low) ||
        !pairAt(text, length, at + 7, &record->type))
        return false;
    record->address = static_cast<uint16_t>(high << 8 | low);
    memset(record->data, 0, sizeof record->data);
    for (int k = 0; k < record->length; ++k)
        if (!pairAt(text, length, at + 9 + 2 * static_cast<uint32_t>(k), &record->data[k]))
            return false;
    return true;
}

bool writeBlock(Placement* p)
{
    const bool ok = p->sink->writeBlock(p->sink->context, p->address, p->block, static_cast<uint8_t>(p->fill));
    p->fill = 0;
    return ok;
}

bool placeDataRecord(Placement* p, const HexRecord& record, PlacementTotals* totals)
{
    if (record.length == 0)
        return true;  // places nothing, so it neither continues nor ends a block
    const uint32_t address = static_cast<uint32_t>(totals->upperAddress) << 16 | record.address;
    // A record that does not go on where the block ends begins a block of its
    // own; an empty block begins where its first record says.
    if (p->fill > 0 && (p->rebasePending || address != p->address + static_cast<uint32_t>(p->fill)) && !writeBlock(p))
        return false;
    if (p->fill == 0)
        p->address = address;
    p->rebasePending = false;
    for (int k = 0; k < record.length; ++k) {
        p->block[p->fill++] = record.data[k];
        totals->dataSum = static_cast<uint16_t>(totals->dataSum + record.data[k]);
        if (p->fill == flashBlockSize) {
            const uint32_t written = p->address;
            if (!writeBlock(p))
                return false;
            // The rest of this record continues the flash right after the
            // block just written.
            p->address = written + flashBlockSize;
        }
    }
    return true;
}

}  // namespace

PlacementEnd placeHexRecords(const uint8_t* text, uint32_t length, const BlockSink& sink, PlacementTotals* totals)
{
    totals->dataSum = 0;
    Placement p;
    p.sink = &sink;
    p.fill = 0;
    p.address = 0;
    p.rebasePending = false;

    if (length == 0 || text[0] != ':')
        return PlacementEnd::noNextRecord;
    HexRecord record;
    uint32_t at = 0;
    for (;;) {
        if (sink.recordRead)
            sink.recordRead(sink.context);
        if (!parseRecord(text, length, at, &record))
            return PlacementEnd::badRecord;
        switch (record.type) {
        case recordEndOfFile:
            return p.fill > 0 && !writeBlock(&p) ? PlacementEnd::blockRefused : PlacementEnd::endOfFile;
        case recordData:
            if (!placeDataRecord(&p, record, totals))
                return PlacementEnd::blockRefused;
            break;
        case recordExtendedLinearAddress:
            totals->upperAddress = static_cast<uint16_t>(record.data[0] << 8 | record.data[1]);
            p.rebasePending = true;
            break;
        default:
            break;
        }
        // After the data: two checksum characters and exactly one line end.
        at += 12 + 2 * static_cast<uint32_t>(record.length);
        if (at >= length || text[at] != ':')
            return PlacementEnd::noNextRecord;
    }
}
