// A packed image (a file given to the console updater) to unpackImage, as it
// is and sealed (each 133-byte chunk given a right CRC), when the text must be
// exactly the chunks' own text.
#include <algorithm>
#include <vector>

#include "image/image_keys.h"
#include "image/packed_image.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The text of sealed chunks, or false when a chunk must be refused: no key,
// fewer than 5 bytes, a length byte past the chunk's room.
bool chunksText(const std::vector<uint8_t>& packed, std::vector<uint8_t>* text)
{
    for (size_t at = 0; at < packed.size(); at += imagePacketSize) {
        const size_t count = std::min(packed.size() - at, size_t{imagePacketSize});
        PacketKey key = 0;
        if (!fuzzKey(imageKeyTable, packed[at], &key) || count < 5)
            return false;
        std::vector<uint8_t> plain(packed.begin() + long(at), packed.begin() + long(at + count));
        fuzzMask(key, plain.data() + 1, int(count) - 1);
        if (plain[1] > count - 4)
            return false;
        text->insert(text->end(), plain.begin() + 2, plain.begin() + 2 + plain[1]);
    }
    return true;
}

void unpackOnce(const std::vector<uint8_t>& packed, bool sealed)
{
    std::vector<uint8_t> out(packed.size());  // just the room asked for: ASan sees a write past it
    uint32_t outLength = 0xDEADBEEF;
    const bool ok = unpackImage(out.data(), &outLength, packed.data(), uint32_t(packed.size()));
    FUZZ_CHECK(ok ? outLength <= packed.size() : outLength == 0xDEADBEEF, "outLength is set only on success");
    std::vector<uint8_t> text;
    if (sealed)
        FUZZ_CHECK(ok == chunksText(packed, &text), "unpacks exactly when every chunk is sound");
    if (sealed && ok)
        FUZZ_CHECK(outLength == text.size() && std::equal(text.begin(), text.end(), out.begin()),
                   "the text of a sealed image is its chunks' text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    std::vector<uint8_t> packed(data, data + size);
    fuzzFreshState();
    unpackOnce(packed, false);

    fuzzFreshState();
    for (size_t at = 0; at < packed.size(); at += imagePacketSize)
        fuzzSeal(imageKeyTable, packed.data() + at, int(std::min(packed.size() - at, size_t{imagePacketSize})));
    unpackOnce(packed, true);
    return 0;
}
