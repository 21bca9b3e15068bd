// The packed image: what is packed comes back byte for byte, and a damaged
// packet is refused with a message box rather than unpacked into wrong text.
#include "image/packed_image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "image/image_keys.h"
#include "link/crc8.h"
#include "tests/support/hex_text.h"
#include "tests/support/temp_files.h"
#include "frontends/headless/headless_window.h"

namespace {

class PackedImage : public ::testing::Test {
protected:
    void SetUp() override { resetAppState(), headlessReset(); }

    // Packs text through the file tool.
    std::string pack(const std::string& text)
    {
        writeFile(dir.file("in.hex"), text);
        EXPECT_TRUE(packImageFile(dir.file("in.hex").c_str(), dir.file("out.bin").c_str()));
        return readFile(dir.file("out.bin"));
    }

    // The text of an exact-size copy (the sanitizers see any read past it),
    // or "(refused)" when unpacking failed and left outLength alone.
    static std::string unpacked(const std::string& packed)
    {
        const std::vector<uint8_t> in = bytesOf(packed);
        std::vector<uint8_t> out(packed.size() + 1);
        uint32_t length = 0xFFFFFFFF;
        if (unpackImage(out.data(), &length, in.data(), static_cast<uint32_t>(in.size())))
            return std::string(reinterpret_cast<char*>(out.data()), length);
        return length == 0xFFFFFFFF ? "(refused)" : "(refused, outLength written)";
    }

    TempDir dir;
    const std::string sample = withLfLineEnds(readFile(SAMPLE_FIRMWARE_HEX));
};

}  // namespace

// Every length around the packet boundaries; CR LF comes back as LF in
// memory and byte for byte from the file tool; a lone CR stays.
TEST_F(PackedImage, RoundTripsEveryLengthAndTheLineEnds)
{
    for (size_t length : {0, 1, 2, 125, 126, 127, 128, 129, 256, 384, 1000})
        EXPECT_EQ(unpacked(pack(sample.substr(0, length))), sample.substr(0, length)) << length;
    const std::string crLf = readFile(SAMPLE_FIRMWARE_HEX) + "a\rb";
    EXPECT_EQ(unpacked(pack(crLf)), sample + "a\rb");
    ASSERT_TRUE(unpackImageFile(dir.file("out.bin").c_str(), dir.file("back.hex").c_str()));
    EXPECT_EQ(readFile(dir.file("back.hex")), crLf);
    EXPECT_TRUE(headlessMessages().empty());
}

TEST_F(PackedImage, ADamagedPacketIsRefused)
{
    const std::string good = pack(sample.substr(0, 128 + 37));  // a full packet of 133 bytes, a last one of 41
    ASSERT_EQ(good.size(), 133u + 41u);
    std::vector<std::pair<std::string, std::string>> cases;
    for (size_t byte = 0; byte < good.size(); ++byte)
        for (int bit = 0; bit < 8 && byte != 0 && byte != 133; ++bit) {  // key bytes are not masked
            std::string broken = good;
            broken[byte] = static_cast<char>(broken[byte] ^ (1 << bit));
            cases.push_back({"bit " + std::to_string(bit) + " of byte " + std::to_string(byte), broken});
        }
    bool used[256] = {};
    for (int i = 0; i < keyTableSize; ++i)
        used[static_cast<uint8_t>(imageKeyTable[i])] = true;
    for (int b = 0; b < 256; ++b)
        if (!used[b])
            cases.push_back({"key byte " + std::to_string(b), good.substr(0, 133) + char(b) + good.substr(134)});
    // After a full packet (appended to the partial last one they would only
    // be a CRC check away from passing, by chance).
    for (int extra = 1; extra < 5; ++extra)
        cases.push_back({"a final packet of " + std::to_string(extra) + " bytes",
                         good.substr(0, 133) + char(imageKeyTable[0]) + std::string(static_cast<size_t>(extra - 1), '\0')});
    // A packet whose length byte claims 100 text bytes with a CRC sound over its 9 bytes.
    uint8_t claim[9] = {static_cast<uint8_t>(imageKeyTable[3]), 100, 'a', 'b', 'c', 'd', 'e', 'f', 0};
    claim[8] = crc8(claim + 1, 7);
    maskBytes(imageKeyTable[3], claim + 1, 8);
    cases.push_back({"a length byte beyond the packet", std::string(reinterpret_cast<char*>(claim), sizeof claim)});

    for (const auto& [name, packed] : cases) {
        headlessReset();
        ASSERT_EQ(unpacked(packed), "(refused)") << name;
        ASSERT_EQ(headlessMessages().size(), 1u) << name;
    }
}

// A pack or unpack that fails, or whose output is its own input, leaves the
// output it was given as it was, and nothing beside it.
TEST_F(PackedImage, AFailedPackOrUnpackLeavesTheOutputAsItWas)
{
    const std::string packed = pack(sample);
    std::string damaged = packed;
    damaged[140] = static_cast<char>(damaged[140] ^ 1);  // in the second packet
    std::filesystem::create_directory(dir.file("folder"));
    const struct {
        const char* what;
        bool (*run)(const char*, const char*);
        std::string input;  // empty: the output itself is the input
        const char* inputName;
    } cases[] = {
        {"unpack with the arguments swapped", unpackImageFile, sample, "fw.hex"},
        {"unpack of a damaged image", unpackImageFile, damaged, "damaged.bin"},
        {"unpack onto its input", unpackImageFile, "", "out"},
        {"pack of a missing file", packImageFile, "", "missing.hex"},
        {"pack of an unreadable file", packImageFile, "", "folder"},
        {"pack onto its input", packImageFile, "", "out"},
    };
    for (const auto& c : cases) {
        headlessReset();
        writeFile(dir.file("out"), packed);
        if (!c.input.empty())
            writeFile(dir.file(c.inputName), c.input);
        EXPECT_FALSE(c.run(dir.file(c.inputName).c_str(), dir.file("out").c_str())) << c.what;
        EXPECT_EQ(readFile(dir.file("out")), packed) << c.what;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.part"))) << c.what;
        EXPECT_EQ(headlessMessages().size(), 1u) << c.what;
    }
}
