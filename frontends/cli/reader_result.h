// How one reader's run ended, read from the program's outcomes
// (app.lastSearch, app.lastJob, app.jobBlock, the found reader), as a
// batch's reader process reports it to the batch and as the service record
// keeps it.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

enum class ReaderOutcome : uint8_t {
    updated,
    declined,               // found, the update not offered or not confirmed
    notFound,
    failedAtBlock,          // block: the block that failed
    failedAtSettingsReset,
    failedAtDeviceReset,
    stopped,                // block: the next block (0: before the resets)
    notStarted,             // the job never started: nothing written
    stoppedDuringSearch,    // a stop request came before the job: nothing written
    noResult,               // the reader's process ended without a result
};

struct ReaderResult {
    std::string port;            // as given (--port), or as the system lists it
    ReaderOutcome outcome = ReaderOutcome::noResult;
    uint16_t block = 0;
    bool found = false;          // the fields below hold the reader's information
    uint32_t deviceType = 0, hardware = 0, barcode = 0, firmwareFound = 0;
    uint32_t firmwareImage = 0;  // the firmware this program carries
    bool resetSettings = false;  // the job was to reset the reader's settings
    double seconds = 0;
};

// The result of the run that just ended in this process.
ReaderResult resultOfThisRun(const std::string& port, bool resetSettings, double seconds);

// An update that the batch counts as done: updated, or declined (current).
bool resultIsFine(const ReaderResult& result);
bool resultIsFailure(const ReaderResult& result);
// A job wrote to the reader and did not finish: it stays in its bootloader.
// jobStarted: the reader's process had reported the job's progress (for a
// process that ended without a result).
bool resultLeavesReaderInBootloader(const ReaderResult& result, bool jobStarted);

// The result as one line a batch's reader process prints ("result\t...",
// without the port, which the batch knows), and back.
std::string resultLine(const ReaderResult& result);
bool parseResultLine(std::string_view line, ReaderResult* result);

// What the result says in the record: "updated", "failed at block 7", ...
std::string resultText(const ReaderResult& result);

// "1.05", as the reports show a firmware version.
std::string versionText(uint32_t version);
