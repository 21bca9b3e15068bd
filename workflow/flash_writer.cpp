#include "workflow/flash_writer.h"

#include "app/app_state.h"
#include "image/block_placement.h"
#include "image/embedded_image.h"
#include "link/bootloader_commands.h"
#include "ui/text_table.h"
#include "ui/window.h"

namespace {

// The flash writer's sink: each block to the reader, acknowledged; the
// progress bar a step for every record.
bool writeToReader(void* port, uint32_t address, uint8_t* bytes, uint8_t n)
{
    return writeFlashBlock(*static_cast<Port*>(port), address, bytes, n);
}

void stepForRecord(void*)
{
    stepProgress();
}

}  // namespace

bool streamHexToFlash(Port& port, const uint8_t* text, uint32_t length)
{
    const BlockSink reader{&port, writeToReader, stepForRecord};
    PlacementTotals totals{app.upperAddress, 0};
    const PlacementEnd end = placeHexRecords(text, length, reader, &totals);
    app.upperAddress = totals.upperAddress;
    app.flashDataSum = totals.dataSum;
    if (end == PlacementEnd::noNextRecord)
        appendLog(texts().logHexParseException);
    return end == PlacementEnd::endOfFile;
}

bool flashImage(Port& port)
{
    ImageText text;
    switch (unpackEmbeddedImage(&text)) {
    case ImageTextEnd::unpacked:
        break;
    case ImageTextEnd::noResource:
        appendLog(texts().logHexReadError);
        return false;
    case ImageTextEnd::noMemory:
        appendLog(texts().logMemoryError);
        return false;
    case ImageTextEnd::notUnpacked:
        return false;
    }
    if (text.length < streamOffset) {
        // Too short to hold anything past the bootloader's records.
        appendLog(texts().logHexParseException);
        return false;
    }
    const uint32_t n = text.length - streamOffset;
    setProgressRange(n / 45);
    const bool ok = streamHexToFlash(port, text.bytes.get() + streamOffset, n);
    resetProgress();
    return ok;
}
