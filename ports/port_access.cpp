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

void logError(const Port& port, const char* format, const char* text)
{
    const int error = serialLastError();
    char line[errorLineSize];
    snprintf(line, sizeof line, format, text, error);
    appendLog(line);
    tellObserver(port.name, error);
}

}  // namespace

bool openPort(Port* port, const char* name, uint32_t baudRate)
{
    if (portIsOpen(*port)) {
        serialClose(port->line);
        port->line = invalidPortHandle;
    }
    snprintf(port->name, sizeof port->name, "%s", name);
    port->kind = PortKind::serial;
    char path[serialPathSize];
    if (!serialDevicePath(name, path, sizeof path))
        return false;
    const PortHandle line = serialOpen(path);
    if (line == invalidPortHandle) {
        tellObserver(name, serialLastError());
        return false;
    }
    if (serialSetTimeouts(line) && serialSetLine(line, baudRate)) {
        port->line = line;
        return true;
    }
    const int error = serialLastError();
    // Opened but not usable: closed again here, nobody else holds it.
    serialClose(line);
    tellObserver(name, error);
    return false;
}

void setPortErrorObserver(PortErrorObserver observer)
{
    errorObserver = observer;
}

bool readBytes(Port& port, uint8_t* buffer, int maximum, int* count)
{
    if (maximum <= 0)
        return false;
    int i = 0;
    for (;;) {
        uint8_t byte = 0;
        const int got = serialReadByte(port.line, &byte);
        if (got < 0) {
            logError(port, "%s [%d] ", texts().logPortReadError);
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

bool writeBytes(Port& port, const uint8_t* buffer, int length)
{
    int written = 0;
    if (!serialWrite(port.line, buffer, length, &written)) {
        logError(port, "%s [%d]", texts().logPortWriteError);
        return false;
    }
    return written == length;
}

void closePort(Port* port)
{
    if (portIsOpen(*port)) {
        serialClose(port->line);
        port->line = invalidPortHandle;
    }
    refreshPortList();
}
