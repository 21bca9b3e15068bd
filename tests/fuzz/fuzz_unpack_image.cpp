// unpackImage on fuzzed packed bytes, then the start-up load (unpack and
// configuration scan) with the same bytes as the image resource.
//
// Input: a packed image. Each input runs twice: as it is, and sealed (every
// 133-byte chunk given a right CRC and masked with its key byte's key), when
// the text that comes out is checked against the chunks' own length bytes.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/app_state.h"
#include "image/image_keys.h"
#include "image/packed_image.h"
#include "image/posix/resource_blobs.h"
#include "image/resources.h"
#include "image/start_up_load.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/seal.h"

namespace {

// The text a sound reader yields from sealed chunks, or false when a chunk
// must be refused (no key, too short, a length byte past the chunk's room).
bool expectedText(const std::vector<uint8_t>& packed, std::vector<uint8_t>* text)
{
    for (size_t at = 0; at < packed.size(); at += imagePacketSize) {
        const size_t count = packed.size() - at < imagePacketSize ? packed.size() - at : imagePacketSize;
        PacketKey key = 0;
        if (!fuzzTableKey(imageKeyTable, packed[at], &key) || count < 5)
            return false;
        std::vector<uint8_t> plain(packed.begin() + static_cast<long>(at), packed.begin() + static_cast<long>(at + count));
        fuzzMask(key, plain.data() + 1, static_cast<int>(count) - 1);
        const size_t n = plain[1];
        if (n > count - 4)
            return false;
        text->insert(text->end(), plain.begin() + 2, plain.begin() + 2 + static_cast<long>(n));
    }
    return true;
}

void unpackOnce(const std::vector<uint8_t>& packed, bool sealed)
{
    // Exactly the room the interface asks for, so that any write past it is seen.
    std::vector<uint8_t> out(packed.size());
    const uint32_t sentinel = 0xDEADBEEF;
    uint32_t outLength = sentinel;
    const bool ok = unpackImage(out.data(), &outLength, packed.data(), static_cast<uint32_t>(packed.size()));
    if (!ok) {
        FUZZ_CHECK(outLength == sentinel, "a failed unpack leaves outLength");
    } else {
        FUZZ_CHECK(outLength <= packed.size(), "the text is never longer than the packed image");
    }
    if (sealed) {
        std::vector<uint8_t> text;
        const bool sound = expectedText(packed, &text);
        FUZZ_CHECK(ok == sound, "a sealed image unpacks exactly when every chunk is sound");
        if (ok)
            FUZZ_CHECK(outLength == text.size() && std::equal(text.begin(), text.end(), out.begin()),
                       "the text of a sealed image is the chunks' text");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    fuzzFreshState();
    std::vector<uint8_t> packed(data, data + size);
    unpackOnce(packed, false);

    // The start-up load over the same bytes: unpack, then scan. A failure
    // leaves expectedInfo as it was.
    fuzzFreshState();
    app.expectedInfo.barcode = 0x5EED;
    overrideResourceBlob(imageResourceId, imageResourceType, packed.data(), static_cast<uint32_t>(packed.size()));
    if (!loadImageAtStart())
        FUZZ_CHECK(app.expectedInfo.barcode == 0x5EED && app.expectedInfo.interfaceCode == 0,
                   "a failed start-up load leaves expectedInfo");
    else
        FUZZ_CHECK(app.expectedInfo.interfaceCode == 0x61, "a loaded image sets the interface constants");
    removeResourceOverrides();

    fuzzFreshState();
    for (size_t at = 0; at < packed.size(); at += imagePacketSize) {
        const size_t count = packed.size() - at < imagePacketSize ? packed.size() - at : imagePacketSize;
        fuzzSeal(imageKeyTable, packed.data() + at, static_cast<int>(count));
    }
    unpackOnce(packed, true);
    return 0;
}
