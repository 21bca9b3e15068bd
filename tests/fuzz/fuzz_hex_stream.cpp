// streamHexToFlash on a fuzzed image text, every block written through the
// link code to the in-process reader (fuzz_serial_line.cpp), which opens each
// frame and acknowledges it.
//
// Input: the image text from its first streamed record on (Intel HEX, LF line
// ends). Each input runs twice: streamed as it is, and as the whole text of an
// image resource that flashImage unpacks and streams from byte 124.
// Checked: every frame sent opens; the verdict, the blocks the reader
// received (address, count, bytes), flashDataSum and upperAddress are those
// of a plain reading of the streaming rules (streamOracle below); every data
// byte lands at its record's own address; and an image that the image check
// passes streams whole, as the check planned, inside its declared flash.
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "app/app_state.h"
#include "image/hex_stream.h"
#include "image/image_check.h"
#include "image/packed_image.h"
#include "image/posix/resource_blobs.h"
#include "image/resources.h"
#include "tests/fuzz/fuzz_serial_line.h"
#include "tests/fuzz/fuzz_support.h"
#include "ui/headless/headless_window.h"

namespace {

struct Pass {
    bool ok = false;
    std::vector<FuzzBlock> blocks;
    uint16_t sum = 0;
    uint16_t upper = 0;
    std::map<uint32_t, uint8_t> memory;  // each data record's bytes at its own address, the last record winning
};

int nibble(uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The pair of upper-case hex digits at pos, if both lie inside the text.
bool pair(const uint8_t* text, size_t size, size_t pos, int* value)
{
    if (pos + 1 >= size)
        return false;
    const int high = nibble(text[pos]), low = nibble(text[pos + 1]);
    if (high < 0 || low < 0)
        return false;
    *value = high << 4 | low;
    return true;
}

// The streaming rules, read plainly, for a reader that acknowledges every
// block: records from a colon, one line-end character after the checksum;
// data placed one after another into blocks of up to 128 bytes, each at its
// record's own address (upper half from the last extended linear address
// record); a block ended by the first data record after an extended linear
// address record and by one that does not go on where the block ends; the
// rest of a record that fills a block continuing 128 bytes further on; the
// end-of-file record writing what is left. A record of no data changes
// nothing.
Pass streamOracle(const uint8_t* text, size_t size, uint16_t upper)
{
    Pass pass;
    pass.upper = upper;
    FuzzBlock block{};
    bool rebase = false;
    auto write = [&]() {
        pass.blocks.push_back(block);
        block.count = 0;
    };
    if (size == 0 || text[0] != ':')
        return pass;
    size_t at = 0;
    for (;;) {
        int length, high, low, type;
        if (!pair(text, size, at + 1, &length) || length > 128 || !pair(text, size, at + 3, &high) ||
            !pair(text, size, at + 5, &low) || !pair(text, size, at + 7, &type))
            return pass;
        int data[128] = {};
        for (int k = 0; k < length; ++k)
            if (!pair(text, size, at + 9 + 2 * static_cast<size_t>(k), &data[k]))
                return pass;
        if (type == 1) {
            if (block.count > 0)
                write();
            pass.ok = true;
            return pass;
        }
        if (type == 4) {
            pass.upper = static_cast<uint16_t>(data[0] << 8 | data[1]);
            rebase = true;
        }
        if (type == 0 && length > 0) {
            const uint32_t address = static_cast<uint32_t>(pass.upper) << 16 | static_cast<uint32_t>(high << 8 | low);
            if (block.count > 0 && (rebase || address != block.address + static_cast<uint32_t>(block.count)))
                write();
            if (block.count == 0)
                block.address = address;
            rebase = false;
            for (int k = 0; k < length; ++k) {
                pass.memory[address + static_cast<uint32_t>(k)] = static_cast<uint8_t>(data[k]);
                block.data[block.count++] = static_cast<uint8_t>(data[k]);
                pass.sum = static_cast<uint16_t>(pass.sum + data[k]);
                if (block.count == 128) {
                    const uint32_t written = block.address;
                    write();
                    block.address = written + 128;
                }
            }
        }
        at += 12 + 2 * static_cast<size_t>(length);
        if (at >= size || text[at] != ':')
            return pass;
    }
}

void checkPass(bool ok, const Pass& expected)
{
    FUZZ_CHECK(fuzzLineFramesWritten() == static_cast<int>(fuzzLineBlocks().size()),
               "the stream sends nothing but write-block requests");
    FUZZ_CHECK(ok == expected.ok, "the stream's verdict follows the rules");
    const std::vector<FuzzBlock>& blocks = fuzzLineBlocks();
    FUZZ_CHECK(blocks.size() == expected.blocks.size(), "as many blocks as the rules make");
    for (size_t i = 0; i < blocks.size(); ++i) {
        const FuzzBlock& got = blocks[i];
        const FuzzBlock& want = expected.blocks[i];
        FUZZ_CHECK(got.address == want.address, "each block at the address the rules give");
        FUZZ_CHECK(got.count == want.count && memcmp(got.data, want.data, static_cast<size_t>(got.count)) == 0,
                   "each block carries its data bytes in their places");
    }
    if (ok) {
        FUZZ_CHECK(app.flashDataSum == expected.sum, "flashDataSum is the sum of the streamed data bytes");
        std::map<uint32_t, uint8_t> flash;
        for (const FuzzBlock& b : blocks)
            for (int i = 0; i < b.count; ++i)
                flash[b.address + static_cast<uint32_t>(i)] = b.data[i];
        FUZZ_CHECK(flash == expected.memory, "every data byte lands at its record's own address");
    }
    FUZZ_CHECK(app.upperAddress == expected.upper, "upperAddress is the last extended linear address");
}

// The text packed as flashImage finds it in the resources.
std::vector<uint8_t> packed(const uint8_t* text, size_t size)
{
    std::vector<uint8_t> image;
    uint8_t packet[imagePacketSize];
    for (size_t at = 0; at < size; at += imagePacketText) {
        const int n = static_cast<int>(size - at < imagePacketText ? size - at : imagePacketText);
        const int length = buildImagePacket(packet, text + at, n);
        image.insert(image.end(), packet, packet + length);
    }
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    fuzzFreshState();
    app.portOpen = true;
    app.portHandle = 1;
    Pass expected = streamOracle(data, size, app.upperAddress);
    checkPass(streamHexToFlash(data, static_cast<uint32_t>(size)), expected);

    fuzzFreshState();
    app.portOpen = true;
    app.portHandle = 1;
    const std::vector<uint8_t> image = packed(data, size);
    overrideResourceBlob(imageResourceId, imageResourceType, image.data(), static_cast<uint32_t>(image.size()));
    expected = size < streamOffset ? Pass{false, {}, 0, app.upperAddress}
                                   : streamOracle(data + streamOffset, size - streamOffset, app.upperAddress);
    checkPass(flashImage(), expected);
    FUZZ_CHECK(headlessProgress().position == 0, "flashImage puts the progress bar back to 0");
    removeResourceOverrides();

    // The image check on the same text (LF line ends, as the packer leaves
    // them): an image that passes streams to its end, in the blocks the check
    // planned, every one inside the flash the image declares.
    ImageCheck check;
    checkImage(data, static_cast<uint32_t>(size), &check);
    if (check.problems.empty() && memchr(data, '\r', size) == nullptr) {
        FUZZ_CHECK(expected.ok, "an image that passes the check streams to its end");
        const std::vector<FuzzBlock>& blocks = fuzzLineBlocks();
        FUZZ_CHECK(blocks.size() == check.blocks.size(), "the check plans as many blocks as the stream sends");
        for (size_t i = 0; i < blocks.size() && i < check.blocks.size(); ++i) {
            FUZZ_CHECK(blocks[i].address == check.blocks[i].address && blocks[i].count == check.blocks[i].count,
                       "the check plans each block the stream sends");
            FUZZ_CHECK(blocks[i].address >= check.info.flashStart &&
                           uint64_t{blocks[i].address} + static_cast<uint64_t>(blocks[i].count) <= check.info.flashEnd,
                       "an image that passes the check writes inside its own flash");
        }
    }
    return 0;
}
