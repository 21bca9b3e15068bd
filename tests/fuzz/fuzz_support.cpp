#include "tests/fuzz/fuzz_support.h"

#include <cstring>

#include "app/app_state.h"
#include "image/posix/resource_blobs.h"
#include "tests/fuzz/fuzz_serial_line.h"
#include "ui/headless/headless_window.h"
#include "ui/text_table.h"

void fuzzFreshState()
{
    resetAppState();
    app.language = languageEnglish;
    applyTexts();
    headlessReset();
    removeResourceOverrides();
    fuzzLineReset();
}

bool fuzzSameInfo(const DeviceInfo& a, const DeviceInfo& b)
{
    return a.interfaceCode == b.interfaceCode && a.interfaceVersion == b.interfaceVersion &&
           a.interfaceParameter == b.interfaceParameter && a.barcode == b.barcode && a.cipherId == b.cipherId &&
           a.deviceType == b.deviceType && a.hardware == b.hardware && a.softwareVersion == b.softwareVersion &&
           a.vidPid == b.vidPid && a.flashStart == b.flashStart && a.flashEnd == b.flashEnd &&
           a.eepromStart == b.eepromStart && a.eepromEnd == b.eepromEnd;
}

bool fuzzSameReply(const LinkReply& a, const LinkReply& b)
{
    return a.key == b.key && a.device == b.device && a.code == b.code && a.count == b.count &&
           a.address == b.address && memcmp(a.data, b.data, sizeof a.data) == 0;
}
