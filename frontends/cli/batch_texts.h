// The batch's own console texts (UTF-8), in the two languages of the program.
#pragma once
#include <cstdint>

#include "frontends/cli/reader_result.h"

struct BatchTexts {
    const char* searching;
    const char* updating;
    const char* outcomes[static_cast<int>(ReaderOutcome::noResult) + 1];  // %u: the block
    const char* summary;       // %d updated, %d declined, %d without a reader, %d failed
    const char* failedPorts;   // followed by the ports
    const char* stayInBootloader;
    const char* recordFailed;  // %s the file, %s the reason
    const char* noReaderFound;
};

const BatchTexts& batchTexts(uint8_t language);
