#include "image/hex_stream.h"

#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "image/config_scan.h"
#include "image/packed_image.h"
#include "image/resources.h"
#include "link/bootloader_commands.h"
#include "ui/text_table.h"
#include "ui/window.h"

namespace {

constexpr uint32_t firstBlockAddress = 0x08000000;
constexpr int maxRecordData = 128;

enum RecordType : uint8_t { recordData = 0, recordEndOfFile = 1, recordExtendedLinearAddress = 4 };

struct HexRecord {
    uint8_t length;
    uint16_t address;
    uint8_t type;
    uint8_t data[maxRecordData];
};

// One pass over the text: the block being filled and where it goes.
struct BlockState {
    uint8_t block[flashBlockSize];
    int fill;
    uint32_t address;
    bool rebasePending;
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

bool writeBlock(BlockState* state)
{
    const bool ok = writeFlashBlock(state->address, state->block, static_cast<uint8_t>(state->fill));
    state->fill = 0;
    return ok;
}

bool placeDataRecord(BlockState* state, const HexRecord& record)
{
    if (state->rebasePending) {
        if (state->fill > 0 && !writeBlock(state))
            return false;
        state->address = static_cast<uint32_t>(app.upperAddress) << 16 | record.address;
        state->fill = 0;
    }
    state->rebasePending = false;
    for (int k = 0; k < record.length; ++k) {
        state->block[state->fill++] = record.data[k];
        app.flashDataSum = static_cast<uint16_t>(app.flashDataSum + record.data[k]);
        if (state->fill == flashBlockSize) {
            const uint32_t written = state->address;
            if (!writeBlock(state))
                return false;
            if (k + 1 < record.length) {
                // The rest of this record continues the flash right after the
                // block just written; a later record's address must not move it.
                state->address = written + flashBlockSize;
            } else {
                state->rebasePending = true;
            }
        }
    }
    return true;
}

}  // namespace

bool streamHexToFlash(const uint8_t* text, uint32_t length)
{
    app.flashDataSum = 0;
    BlockState state;
    state.fill = 0;
    state.address = firstBlockAddress;
    state.rebasePending = false;

    if (length == 0 || text[0] != ':') {
        appendLog(texts().logHexParseException);
        return false;
    }
    HexRecord record;
    uint32_t at = 0;
    for (;;) {
        stepProgress();
        if (!parseRecord(text, length, at, &record))
            return false;
        switch (record.type) {
        case recordEndOfFile:
            return state.fill > 0 ? writeBlock(&state) : true;
        case recordData:
            if (!placeDataRecord(&state, record))
                return false;
            break;
        case recordExtendedLinearAddress:
            app.upperAddress = static_cast<uint16_t>(record.data[0] << 8 | record.data[1]);
            state.rebasePending = true;
            break;
        default:
            break;
        }
        // After the data: two checksum characters and exactly one line end.
        at += 12 + 2 * static_cast<uint32_t>(record.length);
        if (at >= length || text[at] != ':') {
            appendLog(texts().logHexParseException);
            return false;
        }
    }
}

bool flashImage()
{
    uint32_t size = 0;
    const uint8_t* resource = loadResourceBytes(imageResourceId, imageResourceType, &size);
    if (!resource || size == 0) {
        appendLog(texts().logHexReadError);
        return false;
    }
    auto* packed = static_cast<uint8_t*>(malloc(size));
    auto* text = static_cast<uint8_t*>(malloc(size));
    if (!packed || !text) {
        free(packed);
        free(text);
        appendLog(texts().logMemoryError);
        return false;
    }
    memcpy(packed, resource, size);
    uint32_t textLength = 0;
    bool ok = false;
    if (unpackImage(text, &textLength, packed, size)) {
        if (textLength < streamOffset) {
            // Too short to hold anything past the bootloader's records.
            appendLog(texts().logHexParseException);
        } else {
            const uint32_t n = textLength - streamOffset;
            setProgressRange(n / 45);
            ok = streamHexToFlash(text + streamOffset, n);
            resetProgress();
        }
    }
    free(packed);
    free(text);
    return ok;
}
