#include "ports/port_access.h"

#include <cstdio>

#include "app/app_state.h"
#include "ports/port_list.h"
#include "ports/serial_line.h"
#include "ui/text_table.h"
#include "ui/window.h"

namespace {

// The error texts are short; the number adds at most 12 characters.
constexpr int errorLineSize = 256;

PortErrorObserver errorObserver = nullptr;

void tellObserver(const char* name, int error)
{
    if (errorObserver)
        errorObserver(name, error);
}

void logError(const char* format, const char* text)
{
    const int error = serialLastError();
    char line[errorLineSize];
    snprintf(line, sizeof line, format, text, error);
    appendLog(line);
    tellObserver(app.portName, error);
}

}  // namespace

bool openPort(const char* name, uint32_t baudRate)
{
    char path[serialPathSize];
    app.portHandle = invalidPortHandle;
    if (!serialDevicePath(name, path, sizeof path))
        return false;
    app.portHandle = serialOpen(path);
    if (app.portHandle == invalidPortHandle) {
        tellObserver(name, serialLastError());
        return false;
    }
    if (serialSetTimeouts(app.portHandle) && serialSetLine(app.portHandle, baudRate))
        return true;
    const int error = serialLastError();
    // Nobody else will close it: the caller sets portOpen only after a success.
    serialClose(app.portHandle);
    app.portHandle = invalidPortHandle;
    tellObserver(name, error);
    return false;
}

void setPortErrorObserver(PortErrorObserver observer)
{
    errorObserver = observer;
}

bool readBytes(uint8_t* buffer, int maximum, int* count)
{
    if (maximum <= 0)
        return false;
    int i = 0;
    for (;;) {
        uint8_t byte = 0;
        const int got = serialReadByte(app.portHandle, &byte);
        if (got < 0) {
            logError("%s [%d] ", texts().logPortReadError);
            return false;
        }
        if (got == 0) {
            if (i == 0)
                return false;
            *count = i;
            return true;
        }
        buffer[i++] = byte;
        if (i == maximum) {
            *count = maximum;
            return true;
        }
    }
}

bool writeBytes(const uint8_t* buffer, int length)
{
    int written = 0;
    if (!serialWrite(app.portHandle, buffer, length, &written)) {
        logError("%s [%d]", texts().logPortWriteError);
        return false;
    }
    return written == length;
}

void closePort()
{
    if (app.portOpen) {
        app.portOpen = false;
        serialClose(app.portHandle);
        app.portHandle = invalidPortHandle;
    }
    refreshPortList();
}
