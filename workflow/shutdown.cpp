#include "workflow/shutdown.h"

#include "app/app_state.h"
#include "app/system.h"
#include "link/bootloader_commands.h"
#include "ports/port_access.h"
#include "ui/window.h"
#include "workflow/device_search.h"

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
    if (type == deviceTypeUsbMain || type == deviceTypeUsbPwr)
        leaveUsbBootloader();
    if ((type == deviceTypeKru || type == deviceTypeKrm) && app.portOpen) {
        sendLeaveBootloader();
        sleepMs(60);
        closePort();
    }
    closePort();
    quitProgram();
}
