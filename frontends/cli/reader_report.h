// What a batch's reader process tells the batch, one line at a time on its
// standard output: the reader it found, the job's progress, the system's
// reason where its port failed, and at the end its result.
#pragma once
#include <cstdint>
#include <string>

#include "link/device_info.h"
#include "frontends/cli/reader_result.h"

// The option that makes the program a batch's reader process.
inline constexpr char readerProcessOption[] = "--batch-reader";

enum class ReportKind : uint8_t { found, progress, error, result };

struct ReaderReport {
    ReportKind kind;
    uint32_t deviceType = 0, hardware = 0, barcode = 0, firmware = 0;  // found
    int percent = 0;                     // progress
    std::string text;                    // error
    ReaderResult result;                 // result
};

bool parseReaderReport(const std::string& line, ReaderReport* report);

// The reader process's side: each writes one line and flushes it.
// The found reader's identity and firmware, kept by the batch even when the
// process later ends without a result.
void reportFound(const DeviceInfo& info);
void reportProgress(int percent);
void reportError(const std::string& text);
void reportResult(const ReaderResult& result);
