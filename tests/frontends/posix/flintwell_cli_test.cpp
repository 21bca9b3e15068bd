// The console updater as a user or a script runs it, against karvo-sim: exit
// statuses and console texts, the reader's flash afterwards, a stop mid-job,
// readers side by side and the service record.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>

#include "image/sha256.h"
#include "tests/support/expected_texts.h"
#include "tests/support/hex_text.h"
#include "tests/support/posix/cli_run.h"
#include "tests/support/posix/ser2net_process.h"

namespace {

// The service record's lines, without their line ends.
std::vector<std::string> recordRows(const std::string& path)
{
    std::istringstream text(readFile(path));
    std::vector<std::string> rows;
    for (std::string row; std::getline(text, row);)
        rows.push_back(row.substr(0, row.find('\r')));
    return rows;
}

// The batch's reader process that serves port (a child of the batch).
pid_t readerProcessOf(pid_t batch, const std::string& port)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string stat = readFile(entry.path().string() + "/stat");
        const size_t name = stat.rfind(')');
        if (name == std::string::npos || std::atoi(stat.c_str() + name + 4) != batch)
            continue;
        std::string command = readFile(entry.path().string() + "/cmdline");
        std::replace(command.begin(), command.end(), '\0', ' ');
        if (has(command, " " + port))
            return std::atoi(pid.c_str());
    }
    return -1;
}

}  // namespace

TEST(FlintwellCli, ExitStatusesAndWhatTheConsoleSays)
{
    TempDir dir;
    writeFile(dir.file("broken.bin"), std::string(140, 'x'));
    const std::vector<uint8_t> sample = packText(withLfLineEnds(readFile(SAMPLE_FIRMWARE_HEX)));
    writeFile(dir.file("cut.bin"), std::string(sample.begin(), sample.begin() + imagePacketSize * 300));
    const std::vector<std::string> noPort = {"no port"};
    const struct {
        std::vector<std::string> sim;  // the simulator's arguments, or noPort
        std::vector<std::string> cli;
        int status;
        std::string text;
        bool flashIsTheImage;
        bool readerUntouched = false;
    } cases[] = {
        {{}, {"--lang", "en", "--yes"}, 0, expectedText(false, "successful"), true},
        {{"--fault", "silent"}, {}, 4, expectedText(true, "notFound"), false},
        {{"--version", "0x105"}, {"--lang", "en", "--no"}, 5, expectedText(false, "versionsSame"), false},
        {{"--version", "0x200"}, {}, 5, expectedText(true, "deviceNewer"), false},  // no terminal: No
        {{"--fault", "bad-ack=3"}, {"--lang", "en"}, 6, expectedText(false, "updateFailed"), false},
        {{"--version", "0x100"}, {"--lang", "en", "--reset-settings"}, 0,
         expectedText(false, "resetSettings") + expectedText(false, "ok") + expectedText(false, "resetDevice"), true},
        {noPort, {"--lang", "en", "--image", dir.file("broken.bin")}, 2, expectedText(false, "errorHexLoad"), false},
        {{}, {"--lang", "en", "--yes", "--image", dir.file("cut.bin")}, 2,
         expectedText(false, "errorHexLoad") + "\nline 875: too short or an odd number of hex digits for a record",
         false, true},
        {noPort, {"--image", dir.file("missing.bin")}, 2, "", false},
        {noPort, {"--lang", "de"}, 1, "", false},
        {noPort, {"--bogus"}, 1, "", false},
        {noPort, {"--port", dir.file("none"), "--record", dir.file("no/such/folder.csv")}, 7, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.cli));
        std::optional<SimProcess> sim;
        std::vector<std::string> args = c.cli;
        if (c.sim != noPort)
            args.insert(args.end(), {"--port", sim.emplace(c.sim).link()});
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, c.status) << run.console;
        EXPECT_TRUE(has(run.console, c.text)) << run.console;
        EXPECT_TRUE(!c.flashIsTheImage || (sim->stop(), hexToMemory(sim->flashHex()) == sampleFlashImage()));
        EXPECT_TRUE(!c.readerUntouched || (sim->stop(), !has(sim->transcript(), "RX "))) << sim->transcript();
    }
}

// A running reader whose echo is distorted is no reader found in its
// bootloader: it is judged by its version, declined as current, told to
// leave, and nothing is written.
TEST(FlintwellCli, ADistortedEchoIsARunningReaderJudgedByItsVersion)
{
    for (const char* fault : {"echo-cr-lf", "echo-cut"}) {
        SCOPED_TRACE(fault);
        SimProcess sim({"--version", "0x105", "--fault", fault});
        TempDir dir;
        const CliRun run = runCli({"--lang", "en", "--only-older", "--record", dir.file("r.csv"), "--port", sim.link()});
        EXPECT_EQ(run.status, 0) << run.console;
        EXPECT_FALSE(has(run.console, expectedText(false, "foundInBootloader"))) << run.console;
        EXPECT_TRUE(has(readFile(dir.file("r.csv")), ",1.05,1.05,no,declined,")) << readFile(dir.file("r.csv"));
        sim.stop();
        EXPECT_FALSE(has(sim.transcript(), "write block")) << sim.transcript();
        EXPECT_TRUE(has(sim.transcript(), "leave bootloader")) << sim.transcript();
    }
}

// Whatever ends a run, it ends cleanly: a stop before the job writes
// nothing, says so, and lets a reader that its search switched leave its
// bootloader; a stop mid-job, or a reader process killed mid-job, leaves the
// reader in its bootloader and says so, and the record keeps what was learnt.
TEST(FlintwellCli, EachWayOfEndingARunEndsItCleanly)
{
    enum When { duringTheSearch, onceSwitched, midJob };
    const std::string reader = ",Karvo-7KRM,01,02,03,0012345678,1.04,1.05,no,";
    const struct {
        const char* what;
        bool batch;         // two readers side by side, else one
        int signal;
        When when;
        bool toReaderProcess;  // the signal goes to the first reader's process
        std::string console;
        bool staysInBootloader;
        bool leaves, written;  // what the first reader received
        std::string row;       // the first reader's row from the device on
    } cases[] = {
        {"SIGTERM to a batch during its search", true, SIGTERM, duringTheSearch, false,
         "STOPPED during the search: nothing written", false, false, false,
         ",,,,,,,1.05,no,stopped during the search,"},
        {"SIGTERM once the reader was switched", false, SIGTERM, onceSwitched, false,
         expectedText(false, "stoppedNothingWritten"), false, true, false, reader + "stopped during the search,"},
        {"SIGHUP mid-job (the terminal closed)", false, SIGHUP, midJob, false, expectedText(false, "updateFailed"),
         true, false, true, reader + "stopped before block "},
        {"a reader process killed mid-job", true, SIGKILL, midJob, true, "0012345678   1.04 → 1.05", true, false,
         true, reader + "failed (no result from its process),"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimProcess first, second;
        ASSERT_TRUE(first.ready() && second.ready());
        TempDir dir;
        const std::string record = dir.file("service.csv");
        std::vector<std::string> args = {"--lang", "en", "--yes", "--record", record, "--port", first.link()};
        if (c.batch)
            args.insert(args.end(), {"--port", second.link()});
        ChildProcess cli;
        ASSERT_TRUE(cli.start(FLINTWELL_CLI_PATH, args));
        if (c.when == duringTheSearch)
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
        else
            ASSERT_TRUE(waitForTranscript(first, c.when == onceSwitched ? "AT command" : "RX write block (0xF1) #27 "));
        const pid_t target = c.toReaderProcess ? readerProcessOf(cli.pid(), first.link()) : cli.pid();
        ASSERT_GT(target, 0);
        ASSERT_EQ(::kill(target, c.signal), 0);
        EXPECT_EQ(cli.waitExit(60000), 6);
        const std::string console = cli.errorText();
        EXPECT_TRUE(has(console, c.console)) << console;
        EXPECT_EQ(has(console, "stays in its bootloader") || has(console, "stay in their bootloaders"),
                  c.staysInBootloader)
            << console;
        first.stop();
        const std::string transcript = first.transcript();
        EXPECT_EQ(has(transcript, "leave bootloader"), c.leaves) << transcript;
        EXPECT_EQ(has(transcript, "write block"), c.written) << transcript;
        EXPECT_FALSE(has(transcript, "reset")) << transcript;
        EXPECT_TRUE(c.when != duringTheSearch || !has(transcript, "AT command")) << transcript;
        const std::string rows = readFile(record);
        EXPECT_TRUE(has(rows, "," + first.link() + c.row)) << rows;
        EXPECT_FALSE(has(rows, "process),0.0,")) << "the time it ran is kept";
    }
}

// Readers side by side, two of them on the network (RFC 2217 and raw TCP
// through ser2net), one refusing a block and one already current:
// --only-older updates the older ones without asking; each gets its row in
// the service record, under its port as given.
TEST(FlintwellCli, ReadersAtOnceOneRefusingABlockOneCurrentEachWithItsRecordRow)
{
    Ser2netProcess server;
    ASSERT_TRUE(server.ready()) << server.problem();
    SimProcess first, refusing({"--fault", "bad-ack=2"}), current({"--version", "0x105"});
    ASSERT_TRUE(first.ready() && refusing.ready() && current.ready());
    TempDir dir;
    const std::string record = dir.file("service.csv");
    const CliRun run = runCli({"--lang", "en", "--only-older", "--record", record, "--port", first.link(), "--port",
                               server.rfc2217Address(), "--port", server.rawAddress(), "--port", refusing.link(),
                               "--port", current.link()},
                              120000);
    EXPECT_EQ(run.status, 6) << run.console;
    EXPECT_TRUE(has(run.console, expectedText(false, "batchSummary", {{"updated", "3"}, {"declined", "1"},
                                    {"none", "0"}, {"failed", "1"}, {"ports", refusing.link()}}))) << run.console;
    for (SimProcess* sim : {&first, &server.rfc2217Sim(), &server.rawSim()}) {
        sim->stop();
        EXPECT_EQ(hexToMemory(sim->flashHex()), sampleFlashImage());
    }

    const std::vector<std::string> rows = recordRows(record);
    ASSERT_EQ(rows.size(), 6u) << readFile(record);
    EXPECT_EQ(rows[0], "\xEF\xBB\xBFtime (UTC),computer,port,device,series,change,pcb,barcode,firmware found,"
                       "firmware in the image,settings reset,result,duration (s),program version,image SHA-256");
    const std::string reader = ",Karvo-7KRM,01,02,03,0012345678,";
    const std::string image = readFile(EMBEDDED_RESOURCE_DIR "/flintwell_image.bin");
    const std::string imageColumn = "," + sha256Hex(reinterpret_cast<const uint8_t*>(image.data()), image.size());
    const std::pair<std::string, std::string> expected[] = {{first.link(), "1.04,1.05,no,updated,"},
                                                            {server.rfc2217Address(), "1.04,1.05,no,updated,"},
                                                            {server.rawAddress(), "1.04,1.05,no,updated,"},
                                                            {refusing.link(), "1.04,1.05,no,failed at block 2,"},
                                                            {current.link(), "1.05,1.05,no,declined,"}};
    for (const auto& [port, result] : expected) {
        int found = 0;
        for (const std::string& row : rows)
            found += has(row, "," + port + reader + result) && row.ends_with(imageColumn);
        EXPECT_EQ(found, 1) << port << "\n" << readFile(record);
    }
}

// Runs at once append to one record: one header, and no row lost.
TEST(FlintwellCli, RunsAtOnceAppendToOneRecordWithoutLosingARow)
{
    TempDir dir;
    const std::string record = dir.file("service.csv");
    std::vector<std::unique_ptr<ChildProcess>> clis;
    for (int run = 0; run < 6; ++run) {
        clis.push_back(std::make_unique<ChildProcess>());
        ASSERT_TRUE(clis.back()->start(FLINTWELL_CLI_PATH, {"--lang", "en", "--record", record, "--port",
                                                            dir.file("a"), "--port", dir.file("b"), "--port",
                                                            dir.file("c")}));
    }
    for (auto& cli : clis)
        EXPECT_EQ(cli->waitExit(60000), 4);
    const std::vector<std::string> rows = recordRows(record);
    ASSERT_EQ(rows.size(), 19u) << readFile(record);
    EXPECT_TRUE(has(rows[0], "time (UTC),"));
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_TRUE(has(rows[i], ",,,,,,,1.05,no,not found,")) << rows[i];
}
