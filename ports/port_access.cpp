#include "ports/port_access.h"

#include <cstdio>

#include "app/app_state.h"
#include "ports/network_line.h"
#include "ports/port_list.h"
#include "ports/serial_line.h"
#include "ui/text_table.h"
#include "ui/window.h"

namespace {

// The error texts are short; the number adds at most 12 characters.
constexpr int errorLineSize = 256;

PortErrorObserver errorObserver = nullptr;

bool onNetwork(const Port& port)
{
    return port.kind != PortKind::serial;
}

// The system's number, and for a network line what went wrong in words.
void tellObserver(const char* name, PortKind kind)
{
    if (!errorObserver)
        return;
    if (kind == PortKind::serial)
        errorObserver(name, serialLastError(), nullptr);
    else
        errorObserver(name, networkLastError(), networkLastReason());
}

void logError(const Port& port, const char* format, const char* text)
{
    const int error = onNetwork(port) ? networkLastError() : serialLastError();
    char line[errorLineSize];
    snprintf(line, sizeof line, format, text, error);
    appendLog(line);
    tellObserver(port.name, port.kind);
}

void closeLine(Port* port)
{
    if (onNetwork(*port))
        networkClose(port->line);
    else
        serialClose(port->line);
    port->line = invalidPortHandle;
}

bool openNetworkLine(Port* port, const PortAddress& address)
{
    port->line = networkOpen(address);
    if (portIsOpen(*port))
        return true;
    tellObserver(port->name, port->kind);
    return false;
}

bool openSerialLine(Port* port, uint32_t baudRate)
{
    char path[serialPathSize];
    if (!serialDevicePath(port->name, path, sizeof path))
        return false;
    const PortHandle line = serialOpen(path);
    if (line == invalidPortHandle) {
        tellObserver(port->name, PortKind::serial);
        return false;
    }
    if (serialSetTimeouts(line) && serialSetLine(line, baudRate)) {
        port->line = line;
        return true;
    }
    const int error = serialLastError();
    // Opened but not usable: closed again here, nobody else holds it.
    serialClose(line);
    if (errorObserver)
        errorObserver(port->name, error, nullptr);
    return false;
}

}  // namespace

bool openPort(Port* port, const char* name, uint32_t baudRate)
{
    if (portIsOpen(*port))
        closeLine(port);
    port->failed = false;
    const int length = snprintf(port->name, sizeof port->name, "%s", name);
    if (length < 0 || length >= static_cast<int>(sizeof port->name))
        return false;
    // A network address names its server; anything else a local port.
    PortAddress address;
    const char* reason = nullptr;
    if (parsePortAddress(name, &address, &reason) && address.kind != PortKind::serial) {
        port->kind = address.kind;
        return openNetworkLine(port, address);
    }
    port->kind = PortKind::serial;
    return openSerialLine(port, baudRate);
}

int portRoundTripMs(const Port& port)
{
    return portIsOpen(port) && onNetwork(port) ? networkRoundTripMs(port.line) : 0;
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
        const int got = onNetwork(port) ? networkReadByte(port.line, &byte) : serialReadByte(port.line, &byte);
        if (got < 0) {
            port.failed = true;
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
    const bool wrote = onNetwork(port) ? networkWrite(port.line, buffer, length, &written)
                                       : serialWrite(port.line, buffer, length, &written);
    if (!wrote) {
        port.failed = true;
        logError(port, "%s [%d]", texts().logPortWriteError);
        return false;
    }
    return written == length;
}

void closePort(Port* port)
{
    if (portIsOpen(*port))
        closeLine(port);
    refreshPortList();
}
