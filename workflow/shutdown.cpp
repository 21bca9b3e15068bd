#include "workflow/shutdown.h"

#include "app/app_state.h"
#include "app/system.h"
#include "link/bootloader_commands.h"
#include "ports/port_access.h"
#include "ui/window.h"
#include "workflow/device_search.h"

namespace {

// The leave request goes only to a reader whose firmware is whole: one that
// echoed the AT command in this run and was not written to since, or one
// this run updated. A reader that a job left half-written, or that was found
// in its bootloader with firmware of unknown state, stays in its bootloader,
// where the next search finds it.
bool readerMayLeave()
{
    return app.readerWhole && !app.sessionEnding;
}

}  // namespace

void leaveUsbBootloader()
{
    if (!app.portOpen) {
        if (!findImageUsbPort())
            return;
        if (!openPort(app.portName, 19200))
            return;
        app.portOpen = true;
    }
    sendLeaveBootloader();
    sleepMs(60);
    closePort();
}

void shutdown()
{
    const uint32_t type = app.expectedInfo.deviceType;
    if ((type == deviceTypeUsbMain || type == deviceTypeUsbPwr) && readerMayLeave())
        leaveUsbBootloader();
    if ((type == deviceTypeKru || type == deviceTypeKrm) && app.portOpen && readerMayLeave()) {
        sendLeaveBootloader();
        sleepMs(60);
        closePort();
    }
    closePort();
    quitProgram();
}
