// flintwell-cli run as a user or a script runs it, for tests: its exit status
// and console text; and the image's records that reach a reader's flash.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/hex_memory.h"
#include "tests/support/posix/child_process.h"
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

// What the sample firmware puts into a reader's flash: its records after the
// bootloader records of its first four lines, which are never streamed.
inline std::map<uint32_t, uint8_t> sampleFlashImage()
{
    const std::string image = readFile(SAMPLE_FIRMWARE_HEX);
    size_t start = 0;
    for (int line = 0; line < 4; ++line)
        start = image.find('\n', start) + 1;
    return hexToMemory(image, start);
}
