// What the console front end adds for a production line: readers updated
// side by side, each in its own process, and the service record.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/posix/cli_run.h"
#include "tests/support/posix/sim_process.h"

namespace {

// The record's rows after its header, without their line ends.
std::vector<std::string> recordRows(const std::string& path, std::string* header)
{
    std::istringstream text(readFile(path));
    std::vector<std::string> rows;
    std::string row;
    while (std::getline(text, row)) {
        if (!row.empty() && row.back() == '\r')
            row.pop_back();
        rows.push_back(row);
    }
    if (!rows.empty()) {
        *header = rows.front();
        rows.erase(rows.begin());
    }
    return rows;
}

std::string rowOfPort(const std::vector<std::string>& rows, const std::string& port)
{
    for (const std::string& row : rows)
        if (row.find("," + port + ",") != std::string::npos)
            return row;
    return "";
}

}  // namespace

// Three readers to update and a fourth already current: --only-older
// updates the older ones without asking and leaves the current one.
TEST(FlintwellCliBatch, ReadersAtOnceOneRefusingABlockOneCurrent)
{
    SimProcess first, refusing({"--fault", "bad-ack=2"}), second, current({"--version", "0x105"});
    ASSERT_TRUE(first.ready() && refusing.ready() && second.ready() && current.ready());
    TempDir dir;
    const std::string record = dir.file("service.csv");
    const CliRun run = runCli({"--lang", "en", "--only-older", "--record", record, "--port", first.link(), "--port",
                               refusing.link(), "--port", second.link(), "--port", current.link()},
                              120000);
    EXPECT_EQ(run.status, 6) << run.console;
    EXPECT_NE(run.console.find("Updated: 2, declined: 1, no reader: 0, failed: 1\nNot updated: " + refusing.link() +
                               "\n"),
              std::string::npos)
        << run.console;
    first.stop();
    second.stop();
    EXPECT_EQ(hexToMemory(first.flashHex()), sampleFlashImage());
    EXPECT_EQ(hexToMemory(second.flashHex()), sampleFlashImage());

    std::string header;
    const std::vector<std::string> rows = recordRows(record, &header);
    EXPECT_EQ(header, "\xEF\xBB\xBFtime (UTC),computer,port,device,series,change,pcb,barcode,firmware found,"
                      "firmware in the image,settings reset,result,duration (s),program version");
    ASSERT_EQ(rows.size(), 4u) << readFile(record);
    const std::string reader = ",Karvo-7KRM,01,02,03,0012345678,";
    EXPECT_NE(rowOfPort(rows, first.link()).find(reader + "1.04,1.05,no,updated,"), std::string::npos);
    EXPECT_NE(rowOfPort(rows, second.link()).find(reader + "1.04,1.05,no,updated,"), std::string::npos);
    EXPECT_NE(rowOfPort(rows, refusing.link()).find(reader + "1.04,1.05,no,failed at block 2,"), std::string::npos);
    EXPECT_NE(rowOfPort(rows, current.link()).find(reader + "1.05,1.05,no,declined,"), std::string::npos)
        << readFile(record);
}

TEST(FlintwellCliBatch, RunsAtOnceAppendToOneRecordWithoutLosingARow)
{
    // Ports without a device: each run is short, records a row per port and
    // says why the port did not open.
    TempDir dir;
    const std::string record = dir.file("service.csv");
    constexpr int runs = 6, portsPerRun = 3;
    std::vector<std::unique_ptr<ChildProcess>> clis;
    for (int r = 0; r < runs; ++r) {
        std::vector<std::string> args = {"--lang", "en", "--record", record};
        for (int p = 0; p < portsPerRun; ++p)
            args.insert(args.end(), {"--port", dir.file("run" + std::to_string(r) + "-port" + std::to_string(p))});
        clis.push_back(std::make_unique<ChildProcess>());
        ASSERT_TRUE(clis.back()->start(FLINTWELL_CLI_PATH, args));
    }
    for (auto& cli : clis) {
        EXPECT_EQ(cli->waitExit(60000), 4);
        EXPECT_NE(cli->errorText().find("port0: No such file or directory"), std::string::npos) << cli->errorText();
    }

    std::string header;
    const std::vector<std::string> rows = recordRows(record, &header);
    EXPECT_EQ(header.find("time (UTC),"), 3u) << "one header, first";
    EXPECT_EQ(rows.size(), static_cast<size_t>(runs * portsPerRun)) << readFile(record);
    for (int r = 0; r < runs; ++r)
        for (int p = 0; p < portsPerRun; ++p) {
            const std::string row = rowOfPort(rows, dir.file("run" + std::to_string(r) + "-port" + std::to_string(p)));
            EXPECT_NE(row.find(",,,,,,,1.05,no,not found,"), std::string::npos) << readFile(record);
        }

    // A record that cannot be written is the exit status's to say.
    EXPECT_EQ(runCli({"--port", dir.file("none"), "--record", dir.file("no/such/folder.csv")}).status, 7);
}
