#include "image/packed_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "image/image_keys.h"
#include "link/crc8.h"
#include "tests/support/temp_files.h"
#include "ui/headless/headless_window.h"
#include "ui/text_table.h"
#include "tests/support/hex_text.h"

namespace {

const char crcError[] = "Error PackerARecover: crc packet!";
const char keyError[] = "Error PackerARecover: search key!";

class PackedImage : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        headlessReset();
    }

    std::string lastMessage()
    {
        auto messages = headlessMessages();
        return messages.empty() ? std::string() : messages.back().text;
    }

    // Packs text through the file tool (with the given line end) and returns the packed bytes.
    std::string pack(const std::string& text)
    {
        writeFile(dir.file("in.hex"), text);
        EXPECT_TRUE(packImageFile(dir.file("in.hex").c_str(), dir.file("out.bin").c_str()));
        return readFile(dir.file("out.bin"));
    }

    bool unpack(const std::string& packed, std::string* text)
    {
        std::vector<uint8_t> out(packed.size() + 1);
        uint32_t length = 0xFFFFFFFF;
        const bool ok = unpackImage(out.data(), &length,
                                    reinterpret_cast<const uint8_t*>(packed.data()),
                                    static_cast<uint32_t>(packed.size()));
        if (ok)
            text->assign(reinterpret_cast<char*>(out.data()), length);
        else
            EXPECT_EQ(length, 0xFFFFFFFFu) << "outLength written on failure";
        return ok;
    }

    TempDir dir;
};

std::string sampleText(size_t length)
{
    std::string text;
    std::mt19937 gen(static_cast<unsigned>(length));
    while (text.size() < length)
        text += (gen() % 9 == 0) ? '\n' : static_cast<char>('0' + gen() % 43);
    return text;
}

}  // namespace

TEST_F(PackedImage, RoundTripsEveryBoundaryLengthWithThePacketSizesOfTheFormat)
{
    // Text length and packed size: whole 128-byte chunks pack to 133 bytes,
    // a shorter last one to its length, a filler to whole words and the frame.
    const std::pair<size_t, size_t> sizes[] = {{0, 0},     {1, 5},     {2, 9},     {125, 129}, {126, 133}, {127, 133},
                                               {128, 133}, {129, 138}, {256, 266}, {384, 399}, {1000, 1040}};
    for (auto [length, packedSize] : sizes) {
        SCOPED_TRACE(length);
        const std::string text = sampleText(length);
        const std::string packed = pack(text);
        EXPECT_EQ(packed.size(), packedSize);
        std::string back;
        ASSERT_TRUE(unpack(packed, &back));
        EXPECT_EQ(back, text);
    }
    EXPECT_TRUE(headlessMessages().empty());
}

TEST_F(PackedImage, CrLfInputComesBackByteForByteFromTheFileToolAndAsLfInMemory)
{
    const std::string lf = sampleText(700) + "\n";
    const std::string crlf = withCrLf(lf) + "a\rb";  // a lone CR is kept as it is
    const std::string packed = pack(crlf);
    std::string memory;
    ASSERT_TRUE(unpack(packed, &memory));
    EXPECT_EQ(memory, lf + "a\rb");
    ASSERT_TRUE(unpackImageFile(dir.file("out.bin").c_str(), dir.file("back.hex").c_str()));
    EXPECT_EQ(readFile(dir.file("back.hex")), crlf);
}

TEST_F(PackedImage, ARealIntelHexFilePacksAndUnpacksBackByteForByte)
{
    // A bootloader image that Debian's arduino-core-avr ships, with CR LF ends.
    const std::string path =
        "/usr/share/arduino/hardware/arduino/avr/bootloaders/atmega/ATmegaBOOT_168_atmega328.hex";
    const std::string original = readFile(path);
    ASSERT_GT(original.size(), 1000u) << "install arduino-core-avr for " << path;
    ASSERT_NE(original.find("\r\n"), std::string::npos);
    ASSERT_TRUE(packImageFile(path.c_str(), dir.file("real.bin").c_str()));
    ASSERT_TRUE(unpackImageFile(dir.file("real.bin").c_str(), dir.file("real.hex").c_str()));
    EXPECT_EQ(readFile(dir.file("real.hex")), original);
}

TEST_F(PackedImage, TwoPackingsDifferButUnpackToTheSameText)
{
    const std::string text = sampleText(5000);
    std::string first = pack(text);
    std::string second;
    for (int attempt = 0; attempt < 20 && (second.empty() || second == first); ++attempt)
        second = pack(text);
    EXPECT_NE(first, second) << "keys and filler never changed";
    std::string a, b;
    ASSERT_TRUE(unpack(first, &a));
    ASSERT_TRUE(unpack(second, &b));
    EXPECT_EQ(a, b);
}

TEST_F(PackedImage, EverySingleBitFlipInTheMaskedRegionIsRefused)
{
    const std::string packed = pack(sampleText(128 + 37));  // one full packet and one of 37 bytes
    ASSERT_EQ(packed.size(), 133u + 41u);
    for (size_t byte = 0; byte < packed.size(); ++byte) {
        if (byte == 0 || byte == 133)
            continue;  // key bytes are not masked
        for (int bit = 0; bit < 8; ++bit) {
            std::string broken = packed;
            broken[byte] = static_cast<char>(broken[byte] ^ (1 << bit));
            headlessReset();
            std::string text;
            ASSERT_FALSE(unpack(broken, &text)) << "byte " << byte << " bit " << bit;
            ASSERT_EQ(lastMessage(), crcError);
        }
    }
}

TEST_F(PackedImage, AKeyByteOfNoTableEntryIsRefused)
{
    std::string packed = pack(sampleText(300));
    bool used[256] = {};
    for (int i = 0; i < keyTableSize; ++i)
        used[static_cast<uint8_t>(imageKeyTable[i])] = true;
    int refused = 0;
    for (int b = 0; b < 256; ++b) {
        if (used[b])
            continue;
        std::string broken = packed;
        broken[133] = static_cast<char>(b);  // the second packet
        headlessReset();
        std::string text;
        EXPECT_FALSE(unpack(broken, &text));
        EXPECT_EQ(lastMessage(), keyError);
        ++refused;
    }
    EXPECT_EQ(refused, 128);
}

TEST_F(PackedImage, ALengthByteBeyondTheChunkIsRefusedEvenWithASoundCrc)
{
    // A hand-made last packet of 9 bytes whose length byte claims 100 text bytes.
    const PacketKey key = imageKeyTable[3];
    uint8_t packet[9] = {static_cast<uint8_t>(key), 100, 'a', 'b', 'c', 'd', 'e', 'f', 0};
    packet[8] = crc8(packet + 1, 7);
    maskBytes(key, packet + 1, 8);
    std::string text;
    EXPECT_FALSE(unpack(std::string(reinterpret_cast<char*>(packet), sizeof packet), &text));
    EXPECT_EQ(lastMessage(), crcError);
}

TEST_F(PackedImage, AFinalChunkShorterThanAPacketIsRefused)
{
    const std::string packed = pack(sampleText(128));
    for (int extra = 1; extra < 5; ++extra) {
        std::string broken = packed;
        broken += static_cast<char>(imageKeyTable[0]);
        broken.append(static_cast<size_t>(extra - 1), '\0');
        headlessReset();
        std::string text;
        EXPECT_FALSE(unpack(broken, &text)) << extra;
        EXPECT_EQ(lastMessage(), crcError);
    }
}

TEST_F(PackedImage, TruncatedAndRandomInputNeverReadsOutsideTheInput)
{
    const std::string packed = pack(sampleText(2000));
    std::string text;
    for (size_t cut = 0; cut < packed.size(); cut += 7) {
        // An exact copy in a buffer of its own size lets the sanitizer see any overread.
        std::vector<uint8_t> exact(packed.begin(), packed.begin() + static_cast<long>(cut));
        std::vector<uint8_t> out(cut + 1);
        uint32_t length = 0;
        if (unpackImage(out.data(), &length, exact.data(), static_cast<uint32_t>(exact.size()))) {
            EXPECT_LE(length, cut);
        }
    }
    std::mt19937 gen(3);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> junk(gen() % 600);
        for (auto& b : junk)
            b = static_cast<uint8_t>(gen());
        if (!junk.empty() && round % 2)
            junk[0] = static_cast<uint8_t>(imageKeyTable[gen() % 128]);
        std::vector<uint8_t> out(junk.size() + 1);
        uint32_t length = 0;
        if (unpackImage(out.data(), &length, junk.data(), static_cast<uint32_t>(junk.size()))) {
            EXPECT_LE(length, junk.size());
        }
    }
}

TEST_F(PackedImage, FileToolsReportFilesThatCannotBeOpened)
{
    EXPECT_FALSE(packImageFile(dir.file("missing.hex").c_str(), dir.file("x.bin").c_str()));
    EXPECT_EQ(lastMessage(), "Error PackerACopy: Failed to open file!");
    EXPECT_FALSE(unpackImageFile(dir.file("missing.bin").c_str(), dir.file("x.hex").c_str()));
    EXPECT_EQ(lastMessage(), "Error PackerARecover: Failed to open file!");
    writeFile(dir.file("in.hex"), ":00000001FF\r\n");
    EXPECT_FALSE(packImageFile(dir.file("in.hex").c_str(), dir.file("no/such/dir/x.bin").c_str()));
    EXPECT_EQ(lastMessage(), "Error PackerACopy: Failed to open file!");
}

TEST_F(PackedImage, UnpackFileToolStopsAtABrokenPacketKeepingWhatCameBefore)
{
    std::string packed = pack(sampleText(400));
    packed[140] = static_cast<char>(packed[140] ^ 0x10);  // inside the second packet
    writeFile(dir.file("broken.bin"), packed);
    EXPECT_FALSE(unpackImageFile(dir.file("broken.bin").c_str(), dir.file("partial.hex").c_str()));
    EXPECT_EQ(lastMessage(), crcError);
    EXPECT_EQ(readFile(dir.file("partial.hex")), withCrLf(sampleText(400).substr(0, 128)));
}

TEST_F(PackedImage, MessagesUseTheCurrentLanguagesCaption)
{
    app.language = 0;
    applyTexts();
    unpackImageFile(dir.file("missing.bin").c_str(), dir.file("x.hex").c_str());
    app.language = 1;
    applyTexts();
    unpackImageFile(dir.file("missing.bin").c_str(), dir.file("x.hex").c_str());
    auto messages = headlessMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].caption, "\xD1\xEE\xEE\xE1\xF9\xE5\xED\xE8\xE5");  // "Сообщение"
    EXPECT_EQ(messages[1].caption, "Message");
}
