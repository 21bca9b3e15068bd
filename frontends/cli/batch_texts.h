// The batch's console texts in UTF-8, taken from the language's text table.
#pragma once
#include <cstdint>
#include <string>

#include "frontends/cli/reader_result.h"
#include "ui/text_table.h"

static_assert(static_cast<int>(ReaderOutcome::noResult) + 1 == batchOutcomeCount,
              "one text for every way a reader of a batch can end");

struct BatchTexts {
    std::string searching;
    std::string updating;
    std::string outcomes[batchOutcomeCount];  // %u: the block
    std::string summary;                      // %d updated, %d declined, %d without a reader, %d failed
    std::string failedPorts;                  // followed by the ports
    std::string stayInBootloader;
    std::string recordFailed;                 // %s the file, %s the reason
};

const BatchTexts& batchTexts(uint8_t language);
