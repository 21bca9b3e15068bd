// Several readers at once (--all, or several --port): one process of this
// program per reader, each running the single-reader workflow on its port
// and reporting to the batch through its standard output (reader_report.h);
// the batch shows a line per reader, a summary, and keeps the record.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct BatchSetup {
    std::vector<std::string> ports;      // as a reader process takes them with --port
    bool portsNamed = false;             // given with --port: a port without a reader is recorded too
    std::vector<std::string> readerArgs; // passed on to every reader process
    const char* record = nullptr;        // the service record file, or none
    uint8_t language = 0;
};

// Runs the batch; the program's exit status.
int runBatch(const BatchSetup& setup);
