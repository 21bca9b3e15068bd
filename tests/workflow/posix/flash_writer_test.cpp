// The hex stream on small hand-made images, written to the reader simulator
// over a pseudo-terminal; its flash and transcript tell what arrived where.
#include "workflow/flash_writer.h"

#include <gtest/gtest.h>

#include <regex>
#include <utility>

#include "app/app_state.h"
#include "ports/port_access.h"
#include "ports/posix/posix_ports.h"
#include "tests/support/expected_texts.h"
#include "tests/support/hex_memory.h"
#include "tests/support/hex_text.h"
#include "tests/support/posix/sim_process.h"
#include "frontends/headless/headless_window.h"
#include "ui/text_table.h"

namespace {

using Block = std::pair<uint32_t, int>;  // a written block's address and byte count

// A data record of count bytes counting up from first.
std::string run(uint16_t address, int count, int first = 0)
{
    std::vector<uint8_t> data;
    for (int i = 0; i < count; ++i)
        data.push_back(static_cast<uint8_t>(first + i));
    return hexRecord(address, data);
}

std::string upper(uint8_t high, uint8_t low) { return hexRecord(0, {high, low}, 4); }

const std::string endOfFile = hexRecord(0, {}, 1);

// The write-block frames a simulator's transcript shows, in order.
std::vector<Block> blocksIn(const std::string& transcript)
{
    std::vector<Block> blocks;
    static const std::regex line("RX write block \\(0xF1\\) #\\d+ device=0x[0-9A-F]+ address=0x([0-9A-F]+) count=(\\d+)");
    for (std::sregex_iterator it(transcript.begin(), transcript.end(), line), end; it != end; ++it)
        blocks.push_back({static_cast<uint32_t>(std::stoul((*it)[1], nullptr, 16)), std::stoi((*it)[2])});
    return blocks;
}

}  // namespace

// Full blocks, gaps, records that go back or cross a block or 64 KB boundary:
// every byte at its record's own address, the data sum sent covering exactly
// those. A text the stream cannot follow fails quietly or with the parse line.
TEST(HexStream, EveryDataByteLandsAtItsRecordsOwnAddress)
{
    resetAppState();
    app.language = languageEnglish;
    applyTexts();
    app.expectedInfo.deviceType = 0x0C01;
    const std::string u0800 = upper(0x08, 0x00), end = endOfFile + "never read", parse = expectedText(false, "hexParse");
    std::string sixteens, twentyFours;  // 9 records of 16 bytes; 6 of 24, the sixth across a block boundary
    for (int i = 0; i < 9; ++i)
        sixteens += run(static_cast<uint16_t>(0x4000 + 16 * i), 16, 16 * i);
    for (int i = 0; i < 6; ++i)
        twentyFours += run(static_cast<uint16_t>(0x4000 + 24 * i), 24, 24 * i);
    std::string badChecksum = run(0x4000, 16, 1), lowerCase = run(0x4000, 4, 0xAB), crLf = run(0x4000, 16);
    badChecksum[badChecksum.size() - 3] = badChecksum[badChecksum.size() - 3] == '0' ? '1' : '0';
    lowerCase[9] = 'a';
    crLf.insert(crLf.size() - 1, "\r");
    const struct {
        const char* name;
        std::string text;
        std::vector<Block> blocks;  // none: the stream fails
        std::string log;
    } cases[] = {
        {"eight records fill a block, the ninth begins the next", u0800 + sixteens + end,
         {{0x08004000, 128}, {0x08004080, 16}}},
        {"a full block right before the end of file", u0800 + sixteens.substr(0, 8 * 44) + end, {{0x08004000, 128}}},
        {"an extended address mid-block; segment and start address records ignored",
         u0800 + sixteens.substr(0, 3 * 44) + upper(0x08, 0x10) + run(0x0200, 16) + hexRecord(0, {0, 0}, 2) +
             hexRecord(0, {1, 2, 3, 4}, 5) + run(0x0210, 4) + end,
         {{0x08004000, 48}, {0x08100200, 20}}},
        {"a gap inside a block", u0800 + run(0x4000, 16) + run(0x4010, 16) + run(0x4100, 16, 50) + end,
         {{0x08004000, 32}, {0x08004100, 16}}},
        {"a record below the block's end", u0800 + run(0x4000, 16) + run(0x4010, 16) + run(0x4004, 4, 200) + end,
         {{0x08004000, 32}, {0x08004004, 4}}},
        {"bytes carried over a block boundary, then a gap", u0800 + twentyFours + run(0x5000, 8, 99) + end,
         {{0x08004000, 128}, {0x08004080, 16}, {0x08005000, 8}}},
        {"a record across 64 KB, then the next upper half",
         u0800 + run(0xFFF0, 32) + upper(0x08, 0x01) + run(0x0010, 16, 77) + end, {{0x0800FFF0, 32}, {0x08010010, 16}}},
        {"a wrong checksum is streamed as if it were right", u0800 + badChecksum + end, {{0x08004000, 16}}},
        {"a lower-case hex digit", lowerCase + endOfFile, {}},
        {"a record of 129 data bytes", ":81400000" + std::string(2 * 129 + 2, '0') + "\n" + endOfFile, {}},
        {"CR LF line ends", crLf + ":00000001FF\r\n", {}, parse},
        {"an empty text", "", {}, parse},
        {"a text that does not begin with a colon", "x" + endOfFile, {}, parse},
        {"no end-of-file record", run(0x4000, 16), {}, parse},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimProcess sim({"--start-in-bootloader"});  // a fresh reader in its bootloader, its line open as COM1
        ASSERT_TRUE(sim.ready());
        posixUsePortPaths({sim.link()});
        Port port;
        ASSERT_TRUE(openPort(&port, "COM1", 19200));
        headlessReset();
        const auto* text = reinterpret_cast<const uint8_t*>(c.text.data());
        EXPECT_EQ(streamHexToFlash(port, text, static_cast<uint32_t>(c.text.size())), !c.blocks.empty());
        const uint16_t sent = app.flashDataSum;
        closePort(&port);
        sim.stop();
        const std::string transcript = sim.transcript();
        EXPECT_EQ(blocksIn(transcript), c.blocks);
        EXPECT_EQ(headlessLog(), c.log);
        if (c.blocks.empty())
            continue;
        EXPECT_EQ(hexToMemory(sim.flashHex()), hexToMemory(c.text));
        const size_t sum = transcript.rfind("sum=0x");
        ASSERT_NE(sum, std::string::npos);
        EXPECT_EQ(std::stoul(transcript.substr(sum + 6, 4), nullptr, 16), sent);
    }
    posixUseSystemPorts();
}
