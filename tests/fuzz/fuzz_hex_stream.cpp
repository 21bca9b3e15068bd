// An image text (the firmware hex, LF line ends, from its first streamed
// record) streamed by streamHexToFlash to the in-process reader: what lands in
// the flash must be what a plain reading of the records gives (streamOracle).
#include <map>

#include "app/app_state.h"
#include "workflow/flash_writer.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

struct Pass {
    bool ok = false;
    uint16_t sum = 0, upper = 0;
    std::map<uint32_t, uint8_t> memory;  // each record's bytes at its own address, the last record winning
};

// Records from a colon, one line-end character after the checksum, up to the
// end-of-file record; data at the record's address, its upper half from the
// last extended linear address record.
Pass streamOracle(const uint8_t* text, size_t size, uint16_t upper)
{
    Pass pass;
    pass.upper = upper;
    for (size_t at = 0; at < size && text[at] == ':'; at += 12) {
        int length, high, low, type, data[128] = {};
        if (!fuzzHexPair(text, size, at + 1, &length) || length > 128 || !fuzzHexPair(text, size, at + 3, &high) ||
            !fuzzHexPair(text, size, at + 5, &low) || !fuzzHexPair(text, size, at + 7, &type))
            return pass;
        for (int k = 0; k < length; ++k)
            if (!fuzzHexPair(text, size, at + 9 + 2 * size_t(k), &data[k]))
                return pass;
        if (type == 1)
            return pass.ok = true, pass;
        if (type == 4)
            pass.upper = uint16_t(data[0] << 8 | data[1]);
        for (int k = 0; type == 0 && k < length; ++k) {
            pass.memory[(uint32_t(pass.upper) << 16 | uint32_t(high << 8 | low)) + uint32_t(k)] = uint8_t(data[k]);
            pass.sum = uint16_t(pass.sum + data[k]);
        }
        at += 2 * size_t(length);
    }
    return pass;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    fuzzFreshState();
    const Pass expected = streamOracle(data, size, app.upperAddress);
    const bool streamed = streamHexToFlash(fuzzPort(), data, uint32_t(size));
    std::map<uint32_t, uint8_t> flash;
    for (const FuzzBlock& block : fuzzBlocks())
        for (int k = 0; k < block.count; ++k)
            flash[block.address + uint32_t(k)] = block.data[k];
    FUZZ_CHECK(streamed == expected.ok && app.upperAddress == expected.upper, "the verdict and upperAddress");
    FUZZ_CHECK(!streamed || (flash == expected.memory && app.flashDataSum == expected.sum),
               "every byte lands at its record's own address, flashDataSum is the data's sum");

    return 0;
}
