// The hex stream on small hand-made images, written to the reader simulator
// over a real pseudo-terminal; the simulator's transcript tells which blocks
// arrived where.
#include "image/hex_stream.h"

#include <gtest/gtest.h>

#include <regex>

#include "app/app_state.h"
#include "image/posix/resource_blobs.h"
#include "image/resources.h"
#include "ports/port_access.h"
#include "ports/posix/posix_ports.h"
#include "tests/support/hex_text.h"
#include "tests/support/hex_memory.h"
#include "tests/support/posix/sim_process.h"
#include "ui/headless/headless_window.h"
#include "ui/text_table.h"

namespace {

struct Block {
    uint32_t address;
    int count;
    bool operator==(const Block& other) const { return address == other.address && count == other.count; }
};

std::ostream& operator<<(std::ostream& out, const Block& b)
{
    return out << std::hex << "0x" << b.address << std::dec << "/" << b.count;
}

std::vector<uint8_t> bytesFrom(int first, int count)
{
    std::vector<uint8_t> data;
    for (int i = 0; i < count; ++i)
        data.push_back(static_cast<uint8_t>(first + i));
    return data;
}

const std::string endOfFile = hexRecord(0, {}, 1);

class HexStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        headlessReset();
        app.language = languageEnglish;
        applyTexts();
        app.expectedInfo.deviceType = 0x0C01;
        startReader();
    }

    // A fresh simulated reader in its bootloader, its line open as COM1.
    void startReader()
    {
        closePort();
        sim_ = std::make_unique<SimProcess>(std::vector<std::string>{"--start-in-bootloader"});
        ASSERT_TRUE(sim_->ready());
        posixUsePortPaths({sim_->link()});
        ASSERT_TRUE(openPort("COM1", 19200));
        app.portOpen = true;
    }

    void TearDown() override
    {
        closePort();
        posixUseSystemPorts();
        removeResourceOverrides();
    }

    bool stream(const std::string& text)
    {
        return streamHexToFlash(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
    }

    // The write-block frames the simulator received, in order.
    std::vector<Block> blocksReceived()
    {
        closePort();
        sim_->stop();
        std::vector<Block> blocks;
        static const std::regex line("RX write block \\(0xF1\\) #\\d+ device=0x[0-9A-F]+ address=0x([0-9A-F]+) count=(\\d+)");
        const std::string transcript = sim_->transcript();
        for (std::sregex_iterator it(transcript.begin(), transcript.end(), line), end; it != end; ++it)
            blocks.push_back({static_cast<uint32_t>(std::stoul((*it)[1], nullptr, 16)), std::stoi((*it)[2])});
        return blocks;
    }

    std::unique_ptr<SimProcess> sim_;
};

}  // namespace

TEST_F(HexStream, EightSixteenByteRecordsMakeOneBlockAndTheNinthRecordAddressesTheNext)
{
    std::string text;
    for (int i = 0; i < 9; ++i)
        text += hexRecord(static_cast<uint16_t>(0x4000 + 16 * i), bytesFrom(16 * i, 16));
    text += endOfFile;
    ASSERT_TRUE(stream(text));
    EXPECT_EQ(blocksReceived(), (std::vector<Block>{{0x08004000, 128}, {0x08004080, 16}}))
        << "before any extended address record the upper half is the last one (0x0800 at start)";
    int sum = 0;
    for (int i = 0; i < 144; ++i)
        sum += i;
    EXPECT_EQ(app.flashDataSum, sum & 0xFFFF);
    EXPECT_EQ(headlessLog(), "");
}

TEST_F(HexStream, AnExtendedAddressMidBlockWritesThePartialBlockAndRebases)
{
    std::string text = hexRecord(0, {0x08, 0x00}, 4);
    for (int i = 0; i < 3; ++i)
        text += hexRecord(static_cast<uint16_t>(0x4000 + 16 * i), bytesFrom(i, 16));
    text += hexRecord(0, {0x08, 0x10}, 4);
    text += hexRecord(0x0200, bytesFrom(0, 16));
    text += hexRecord(0, {0x00, 0x00}, 2);        // extended segment address: ignored
    text += hexRecord(0, {1, 2, 3, 4}, 5);        // start linear address: ignored
    text += hexRecord(0x0210, bytesFrom(0, 4));
    text += endOfFile;
    ASSERT_TRUE(stream(text));
    EXPECT_EQ(blocksReceived(), (std::vector<Block>{{0x08004000, 48}, {0x08100200, 20}}));
    EXPECT_EQ(app.upperAddress, 0x0810);
}

TEST_F(HexStream, EndOfFileRightAfterAFullBlockWritesNothingMore)
{
    std::string text = hexRecord(0, {0x08, 0x00}, 4);
    for (int i = 0; i < 8; ++i)
        text += hexRecord(static_cast<uint16_t>(0x4000 + 16 * i), bytesFrom(i, 16));
    text += endOfFile;
    text += "garbage after the end is never read";
    ASSERT_TRUE(stream(text));
    EXPECT_EQ(blocksReceived(), (std::vector<Block>{{0x08004000, 128}}));
}

// Images whose records leave gaps, go back, cross a block boundary or a
// 64 KB boundary: the reader's flash holds every byte at its record's own
// address, and the data sum carried by the reset covers exactly the bytes
// written.
TEST_F(HexStream, EveryDataByteLandsAtItsRecordsOwnAddress)
{
    const std::string upper0800 = hexRecord(0, {0x08, 0x00}, 4);
    auto run = [](uint16_t address, int count, int first = 0) { return hexRecord(address, bytesFrom(first, count)); };
    std::string records24;  // the sixth crosses a block boundary and carries 16 bytes
    for (int i = 0; i < 6; ++i)
        records24 += run(static_cast<uint16_t>(0x4000 + 24 * i), 24, 24 * i);
    const struct {
        const char* name;
        std::string text;
        std::vector<Block> blocks;
    } cases[] = {
        {"a gap inside a block", upper0800 + run(0x4000, 16) + run(0x4010, 16) + run(0x4100, 16, 50),
         {{0x08004000, 32}, {0x08004100, 16}}},
        {"a record below the block's end (version word last)",
         upper0800 + run(0x4000, 16) + run(0x4010, 16) + run(0x4004, 4, 200),
         {{0x08004000, 32}, {0x08004004, 4}}},
        {"bytes carried over a block boundary, then a gap", upper0800 + records24 + run(0x5000, 8, 99),
         {{0x08004000, 128}, {0x08004080, 16}, {0x08005000, 8}}},
        {"a record across 64 KB, then the next upper half",
         upper0800 + run(0xFFF0, 32) + hexRecord(0, {0x08, 0x01}, 4) + run(0x0010, 16, 77),
         {{0x0800FFF0, 32}, {0x08010010, 16}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startReader();
        ASSERT_TRUE(stream(c.text + endOfFile));
        const uint16_t sent = app.flashDataSum;
        EXPECT_EQ(blocksReceived(), c.blocks);
        EXPECT_EQ(hexToMemory(sim_->flashHex()), hexToMemory(c.text));
        const std::string transcript = sim_->transcript();
        const size_t sum = transcript.rfind("sum=0x");
        ASSERT_NE(sum, std::string::npos);
        EXPECT_EQ(std::stoul(transcript.substr(sum + 6, 4), nullptr, 16), sent);
    }
}

TEST_F(HexStream, AWrongChecksumIsStreamedAsIfItWereRight)
{
    std::string record = hexRecord(0x4000, bytesFrom(1, 16));
    record[record.size() - 3] = record[record.size() - 3] == '0' ? '1' : '0';
    ASSERT_TRUE(stream(record + endOfFile));
    EXPECT_EQ(blocksReceived(), (std::vector<Block>{{0x08004000, 16}}));
}

TEST_F(HexStream, MalformedRecordsFailQuietlyOrWithTheParseLine)
{
    std::string lower = hexRecord(0x4000, {0xAB, 0xCD, 0xEF, 0x01}) + endOfFile;
    lower[9] = 'a';
    EXPECT_FALSE(stream(lower));
    EXPECT_EQ(headlessLog(), "") << "a bad hex pair appends nothing";

    std::string tooLong = ":81400000" + std::string(2 * 129 + 2, '0') + "\n" + endOfFile;
    EXPECT_FALSE(stream(tooLong));
    EXPECT_EQ(headlessLog(), "");

    std::string crLf = hexRecord(0x4000, bytesFrom(0, 16));
    crLf.insert(crLf.size() - 1, "\r");
    EXPECT_FALSE(stream(crLf + ":00000001FF\r\n"));
    EXPECT_EQ(headlessLog(), "\r\n   > exception: parsing hex file") << "CR LF ends break the stream after one record";

    headlessReset();
    EXPECT_FALSE(stream(""));
    EXPECT_FALSE(stream("x" + endOfFile));
    EXPECT_FALSE(stream(hexRecord(0x4000, bytesFrom(0, 16))));  // the text ends without end-of-file
    EXPECT_EQ(headlessLog(), "\r\n   > exception: parsing hex file\r\n   > exception: parsing hex file"
                             "\r\n   > exception: parsing hex file");
    EXPECT_EQ(blocksReceived(), std::vector<Block>{});
}

TEST_F(HexStream, FlashImageRefusesATextShorterThanTheBootloaderPart)
{
    const std::vector<uint8_t> packed = packText(std::string(100, ':'));
    overrideResourceBlob(imageResourceId, imageResourceType, packed.data(), static_cast<uint32_t>(packed.size()));
    EXPECT_FALSE(flashImage());
    EXPECT_EQ(headlessLog(), "\r\n   > exception: parsing hex file");
    EXPECT_EQ(blocksReceived(), std::vector<Block>{});
}

TEST_F(HexStream, FlashImageReportsAMissingImageResource)
{
    overrideResourceBlob(imageResourceId, imageResourceType, nullptr, 0);
    EXPECT_FALSE(flashImage());
    EXPECT_EQ(headlessLog(), "\r\n>> Error: Reading hex file!");
}
