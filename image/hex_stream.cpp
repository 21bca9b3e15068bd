#include "image/hex_stream.h"

#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "image/block_placement.h"
#include "image/packed_image.h"
#include "image/resources.h"
#include "link/bootloader_commands.h"
#include "ui/text_table.h"
#include "ui/window.h"

namespace {

// The flash writer's sink: each block to the reader, acknowledged; the
// progress bar a step for every record.
bool writeToReader(void*, uint32_t address, uint8_t* bytes, uint8_t n)
{
    return writeFlashBlock(address, bytes, n);
}

void stepForRecord(void*)
{
    stepProgress();
}

}  // namespace

bool streamHexToFlash(const uint8_t* text, uint32_t length)
{
    const BlockSink reader{nullptr, writeToReader, stepForRecord};
    PlacementTotals totals{app.upperAddress, 0};
    const PlacementEnd end = placeHexRecords(text, length, reader, &totals);
    app.upperAddress = totals.upperAddress;
    app.flashDataSum = totals.dataSum;
    if (end == PlacementEnd::noNextRecord)
        appendLog(texts().logHexParseException);
    return end == PlacementEnd::endOfFile;
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
