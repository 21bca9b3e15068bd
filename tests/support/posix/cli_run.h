// flintwell-cli run as a user or a script runs it, for tests: its exit status and
// console text, what a reader was sent, the image's records in a reader's flash.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/hex_memory.h"
#include "tests/support/posix/child_process.h"
#include "tests/support/posix/sim_process.h"
#include "tests/support/temp_files.h"

#ifndef FLINTWELL_CLI_PATH
#error "FLINTWELL_CLI_PATH must name the flintwell-cli program"
#endif

struct CliRun {
    int status;
    std::string console;  // stderr
};

inline CliRun runCli(const std::vector<std::string>& args, int timeoutMs = 60000)
{
    ChildProcess cli;
    EXPECT_TRUE(cli.start(FLINTWELL_CLI_PATH, args));
    const int status = cli.waitExit(timeoutMs);
    return {status, cli.errorText()};
}

inline bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Waits up to 30 s for the reader's transcript to hold part.
inline bool waitForTranscript(const SimProcess& sim, const std::string& part)
{
    for (int wait = 0; wait < 3000 && !has(sim.transcript(), part); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return has(sim.transcript(), part);
}

// What the sample firmware puts into a reader's flash.
inline std::map<uint32_t, uint8_t> sampleFlashImage()
{
    return imageFlash(readFile(SAMPLE_FIRMWARE_HEX));
}
