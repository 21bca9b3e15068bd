// The console updater and readers on serial device servers: ser2net's RFC
// 2217 and raw TCP accepters before karvo-sim, a link slowed by delay-proxy,
// a server that goes away mid-job, addresses that are no addresses.
#include <gtest/gtest.h>

#include "tests/support/expected_texts.h"
#include "tests/support/posix/cli_run.h"
#include "tests/support/posix/ser2net_process.h"

// 20 ms each way on top of the server: every wait for an answer adds the
// round trip the link measured, and the update is the local one.
TEST(NetworkCli, ALinkWithTwentyMillisecondsEachWayUpdatesAsALocalLine)
{
    Ser2netProcess server;
    ASSERT_TRUE(server.ready()) << server.problem();
    ChildProcess proxy;
    ASSERT_TRUE(proxy.start(DELAY_PROXY_PATH, {"--to", "127.0.0.1:" + std::to_string(server.rfc2217Port()),
                                               "--delay", "20", "--lifetime", "120"}));
    const std::string proxyPort = proxy.readLine(5000);
    ASSERT_FALSE(proxyPort.empty()) << proxy.errorText();
    const CliRun run = runCli({"--lang", "en", "--yes", "--port", "rfc2217://127.0.0.1:" + proxyPort}, 120000);
    EXPECT_EQ(run.status, 0) << run.console;
    EXPECT_TRUE(has(run.console, "port:\t\trfc2217://127.0.0.1:" + proxyPort)) << run.console;
    server.rfc2217Sim().stop();
    EXPECT_EQ(hexToMemory(server.rfc2217Sim().flashHex()), sampleFlashImage());
}

// The server goes away mid-job: the job fails with the system's reason and
// the reader stays in its bootloader; the same command through the server,
// started again, finds it there and finishes.
TEST(NetworkCli, AServerLostMidJobLeavesTheReaderToTheSameCommandAgain)
{
    Ser2netProcess server;
    ASSERT_TRUE(server.ready()) << server.problem();
    const std::vector<std::string> command = {"--lang", "en", "--yes", "--port", server.rfc2217Address()};
    ChildProcess cli;
    ASSERT_TRUE(cli.start(FLINTWELL_CLI_PATH, command));
    SimProcess& sim = server.rfc2217Sim();
    ASSERT_TRUE(waitForTranscript(sim, "RX write block (0xF1) #27 "));
    server.stop();
    EXPECT_EQ(cli.waitExit(60000), 6);
    const std::string stays = expectedText(false, "staysInBootloader");
    EXPECT_TRUE(has(cli.errorText(), stays.substr(0, stays.find("\r\n", 2)))) << cli.errorText();
    EXPECT_TRUE(has(cli.errorText(), server.rfc2217Address() + ": the connection to the server was lost"))
        << cli.errorText();
    EXPECT_FALSE(has(sim.transcript(), "leave bootloader")) << sim.transcript();

    ASSERT_TRUE(server.restart()) << server.problem();
    const CliRun rerun = runCli(command, 120000);
    EXPECT_EQ(rerun.status, 0) << rerun.console;
    EXPECT_TRUE(has(rerun.console, expectedText(false, "foundInBootloader"))) << rerun.console;
    sim.stop();
    EXPECT_EQ(hexToMemory(sim.flashHex()), sampleFlashImage());
}

// (Which addresses are none, and why, is PortAddress's table.)
TEST(NetworkCli, AnAddressThatIsNoAddressIsAUsageErrorNamingIt)
{
    const CliRun run = runCli({"--port", "rfc2217://reader-7:65536"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(has(run.console, "--port rfc2217://reader-7:65536: port over 65535")) << run.console;
}
