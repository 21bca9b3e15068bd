// The console front end as a user or a script runs it: exit statuses, the
// console text on stderr, the reader's flash afterwards.
#include <gtest/gtest.h>

#include "image/hex_stream.h"
#include "tests/support/hex_text.h"
#include "tests/support/hex_memory.h"
#include "tests/support/posix/cli_run.h"
#include "tests/support/posix/sim_process.h"

TEST(FlintwellCli, UpdatesTheReaderAndExitsZero)
{
    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    const CliRun run = runCli({"--lang", "en", "--yes", "--port", sim.link()});
    EXPECT_EQ(run.status, 0) << run.console;
    EXPECT_NE(run.console.find("COM1 = " + sim.link()), std::string::npos);
    EXPECT_NE(run.console.find(">> Device found:"), std::string::npos);
    EXPECT_NE(run.console.find("SUCCESSFUL!!!"), std::string::npos);
    sim.stop();
    EXPECT_EQ(hexToMemory(sim.flashHex()), sampleFlashImage());
}

TEST(FlintwellCli, UpdatesWithAPackedImageFromAFileAfterTheSameStartUpChecks)
{
    // The sample firmware as version 1.07, packed into a file.
    std::string text = withLfLineEnds(readFile(SAMPLE_FIRMWARE_HEX));
    const size_t version = text.find(":10540000");
    const std::string record = hexRecord(0x5400, wordsLittleEndian({0x0107, 1, 2, 3}));
    text.replace(version, record.size() - 1, record.substr(0, record.size() - 1));
    TempDir dir;
    const std::vector<uint8_t> packed = packText(text);
    writeFile(dir.file("image.bin"), std::string(packed.begin(), packed.end()));

    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    const CliRun run = runCli({"--lang", "en", "--image", dir.file("image.bin"), "--port", sim.link()});
    EXPECT_EQ(run.status, 0) << run.console;
    EXPECT_NE(run.console.find("Karvo-7KRM ver.1.07"), std::string::npos) << run.console;
    sim.stop();
    EXPECT_EQ(hexToMemory(sim.flashHex()), hexToMemory(text, streamOffset));

    // A file that is no packed image fails start-up as a broken built-in one would.
    writeFile(dir.file("broken.bin"), std::string(packed.begin(), packed.begin() + 140));
    const CliRun broken = runCli({"--lang", "en", "--image", dir.file("broken.bin")});
    EXPECT_EQ(broken.status, 2);
    EXPECT_NE(broken.console.find("Error: loading data from hex file!"), std::string::npos) << broken.console;
    EXPECT_EQ(runCli({"--image", dir.file("missing.bin")}).status, 2);
}

TEST(FlintwellCli, RussianIsTheDefaultAndPrintedAsUtf8)
{
    SimProcess sim({"--fault", "silent"});
    ASSERT_TRUE(sim.ready());
    const CliRun run = runCli({"--port", sim.link()});
    EXPECT_EQ(run.status, 4) << run.console;
    EXPECT_NE(run.console.find("Karvo-7KRM вер.1.05 [сер.01 изм.02  пп.03]"), std::string::npos) << run.console;
    EXPECT_NE(run.console.find(">> Устройство не найдено!"), std::string::npos);
}

TEST(FlintwellCli, ExitStatusesTellWhyNothingWasUpdated)
{
    {
        SimProcess sameVersion({"--version", "0x105"});
        ASSERT_TRUE(sameVersion.ready());
        const CliRun declined = runCli({"--lang", "en", "--no", "--port", sameVersion.link()});
        EXPECT_EQ(declined.status, 5) << declined.console;
        EXPECT_NE(declined.console.find("Firmware versions are the same"), std::string::npos);
        sameVersion.stop();
        EXPECT_NE(sameVersion.transcript().find("RX leave bootloader"), std::string::npos)
            << "the reader was left in its bootloader";
    }
    {
        SimProcess failing({"--fault", "bad-ack=3"});
        ASSERT_TRUE(failing.ready());
        const CliRun failed = runCli({"--lang", "en", "--port", failing.link()});
        EXPECT_EQ(failed.status, 6) << failed.console;
        EXPECT_NE(failed.console.find("UPDATE FAILED!!!"), std::string::npos);
    }
    // No terminal and no answer: the question is answered No.
    SimProcess newer({"--version", "0x200"});
    ASSERT_TRUE(newer.ready());
    EXPECT_EQ(runCli({"--port", newer.link()}).status, 5);
}

TEST(FlintwellCli, CtrlCMidJobLeavesTheReaderInItsBootloaderAndARerunFinishes)
{
    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    ChildProcess cli;
    ASSERT_TRUE(cli.start(FLINTWELL_CLI_PATH, {"--lang", "en", "--yes", "--port", sim.link()}));
    for (int wait = 0; wait < 3000 && sim.transcript().find("RX write block (0xF1) #3 ") == std::string::npos; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(cli.signal(SIGINT));
    EXPECT_EQ(cli.waitExit(60000), 6);
    const std::string console = cli.errorText();
    EXPECT_NE(console.find("UPDATE FAILED!!!\r\n>> The reader stays in its bootloader. Do not disconnect it!"
                           "\r\n   Run this command again to finish the update."),
              std::string::npos)
        << console;
    const std::string interrupted = sim.transcript();
    EXPECT_EQ(interrupted.find("reset"), std::string::npos) << interrupted;
    EXPECT_EQ(interrupted.find("leave bootloader"), std::string::npos) << interrupted;
    EXPECT_EQ(interrupted.find("RX write block (0xF1) #160 "), std::string::npos) << "the job went on writing";

    const CliRun rerun = runCli({"--lang", "en", "--port", sim.link()});
    EXPECT_EQ(rerun.status, 0) << rerun.console;
    EXPECT_NE(rerun.console.find("found in its bootloader"), std::string::npos) << rerun.console;
    sim.stop();
    EXPECT_EQ(hexToMemory(sim.flashHex()), sampleFlashImage());
    const std::string transcript = sim.transcript();
    EXPECT_NE(transcript.find("sum matches"), std::string::npos) << transcript;
}

TEST(FlintwellCli, ResetSettingsOnRequestAndUsageErrors)
{
    SimProcess sim({"--version", "0x100"});
    ASSERT_TRUE(sim.ready());
    const CliRun run = runCli({"--lang", "en", "--reset-settings", "--port", sim.link()});
    EXPECT_EQ(run.status, 0) << run.console;
    EXPECT_NE(run.console.find("<< Reset to default settings\r\n>> OK\r\n<< Reset device"), std::string::npos)
        << run.console;

    EXPECT_EQ(runCli({"--lang", "de"}).status, 1);
    EXPECT_EQ(runCli({"--bogus"}).status, 1);
    EXPECT_EQ(runCli({"--help"}).status, 0);
}
