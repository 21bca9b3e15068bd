#include "frontends/cli/batch_texts.h"

#include <memory>

#include "ui/cp1251.h"
#include "ui/languages.h"

namespace {

BatchTexts inUtf8(const TextTable& t)
{
    BatchTexts b;
    b.searching = cp1251ToUtf8(t.batchSearching);
    b.updating = cp1251ToUtf8(t.batchUpdating);
    for (int i = 0; i < batchOutcomeCount; ++i)
        b.outcomes[i] = cp1251ToUtf8(t.batchOutcomes[i]);
    b.summary = cp1251ToUtf8(t.batchSummary);
    b.failedPorts = cp1251ToUtf8(t.batchFailedPorts);
    b.stayInBootloader = cp1251ToUtf8(t.batchStayInBootloader);
    b.recordFailed = cp1251ToUtf8(t.batchRecordFailed);
    return b;
}

}  // namespace

const BatchTexts& batchTexts(uint8_t language)
{
    static std::unique_ptr<BatchTexts> converted[256];
    std::unique_ptr<BatchTexts>& texts = converted[language];
    if (!texts)
        texts = std::make_unique<BatchTexts>(inUtf8(*languages[language < languageCount ? language : 0].texts));
    return *texts;
}
