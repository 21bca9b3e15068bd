#include "workflow/shutdown.h"

#include <cstring>

#include "app/app_state.h"
#include "app/system.h"
#include "link/bootloader_commands.h"
#include "link/reader_models.h"
#include "ports/port_access.h"
#include "ui/window.h"
#include "workflow/device_search.h"
#include "workflow/reader_port.h"

namespace {

constexpr int identifyWaitMs = 60;  // as the USB search waits for the reply

// The leave request goes only to the reader that the last search found and
// knows whole: one that answered the AT command in this run and was not
// written to since, or one this run updated. A reader that a job left
// half-written, or that was found in its bootloader with firmware of unknown
// state, stays in its bootloader, where the next search finds it.
bool foundReaderIsWhole()
{
    return app.reader.firmware == FirmwareKnown::whole && !app.sessionEnding;
}

// The open port is the one the found reader was found on.
bool foundReadersPortIsOpen()
{
    return portIsOpen(readerPort()) && strcmp(readerPort().name, app.reader.port) == 0;
}

// On USB the port is looked up again at close, and another reader may sit
// there now: it must identify as the found reader, all of its identity.
bool usbPortHoldsTheFoundReader()
{
    Port& port = readerPort();
    char name[portNameSize];
    if (!app.reader.identified || !findImageUsbPort(name) || !openPort(&port, name, 19200))
        return false;
    if (!sendIdentify(port))
        return false;
    sleepMs(identifyWaitMs + portRoundTripMs(port));
    return readReply(port) == replyDeviceFits && sameReader(app.reportedInfo, app.reader.info);
}

void sendLeaveAndClose()
{
    sendLeaveBootloader(readerPort());
    sleepMs(60);
    closePort(&readerPort());
}

}  // namespace

void leaveUsbBootloader()
{
    if (!foundReadersPortIsOpen()) {
        closePort(&readerPort());
        if (!usbPortHoldsTheFoundReader()) {
            closePort(&readerPort());
            return;
        }
    }
    sendLeaveAndClose();
}

void shutdown()
{
    const ReaderModel& model = readerModel(app.expectedInfo.deviceType);
    if (model.toldToLeave && foundReaderIsWhole()) {
        if (model.search == SearchPath::serial) {
            if (foundReadersPortIsOpen())
                sendLeaveAndClose();
        } else {
            leaveUsbBootloader();
        }
    }
    closePort(&readerPort());
    quitProgram();
}
