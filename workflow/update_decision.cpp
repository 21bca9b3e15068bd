#include "workflow/update_decision.h"

#include "app/app_state.h"
#include "ui/text_table.h"
#include "ui/window.h"

namespace {
const char separator[] = "\r\n------------------------------------------------";
}

bool decideUpdate()
{
    const uint32_t image = app.expectedInfo.softwareVersion;
    const uint32_t device = app.reportedInfo.softwareVersion;
    appendLog("\r\n");
    appendLog(separator);
    // A reader whose firmware is not known whole may hold half of it,
    // whatever version it reports: it is offered the update at once.
    if (image > device || app.reader.firmware != FirmwareKnown::whole) {
        appendLog(texts().logUpdateRequired);
        appendLog(separator);
        return true;
    }
    const bool same = image == device;
    appendLog(same ? texts().logVersionsSame : texts().logDeviceNewer);
    if (app.updateDone) {
        appendLog(separator);
        return false;
    }
    const bool yes = askYesNo(same ? texts().askVersionsSame : texts().askDeviceNewer, texts().messageCaption,
                              static_cast<uint16_t>(texts().messageBoxLanguage | 0x0400));
    appendLog(separator);
    return yes;
}
