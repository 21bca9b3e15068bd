// A port's life: open by name at 19200 8N1 with fixed time-outs (on the
// network through its server), read a reply byte by byte until the line goes
// quiet, write a request whole, close. The one place where a port of any kind
// is opened and closed.
#pragma once
#include <cstdint>

#include "ports/port.h"

// Opens the port named as listed or given into port (a line it still held is
// let go first): "COM3" or a device path as a serial line at baudRate 8N1, an
// rfc2217:// or socket:// address as a network line (ports/network_line.h).
// A line that opened but could not be configured is closed again. Logs
// nothing.
bool openPort(Port* port, const char* name, uint32_t baudRate);

// Reads up to maximum bytes, one at a time, until maximum arrived or the line
// stayed quiet for one read time-out (about 60 ms). False, quietly and with
// *count untouched, when not even one byte came; false with a log line when
// the read itself failed.
bool readBytes(Port& port, uint8_t* buffer, int maximum, int* count);

// Writes all bytes in one write; true only when all went out. A failed write
// logs a line, a short one does not.
bool writeBytes(Port& port, const uint8_t* buffer, int length);

// Closes the port if it is open, then rebuilds the port list.
void closePort(Port* port);

// Told of every port that could not be opened, read or written, with the
// port's name, the system's error number (0 where the system had no reason)
// and, for a network port, what went wrong in words (else nullptr): the
// console front end adds them after the program's own line. The window sets
// none.
using PortErrorObserver = void (*)(const char* portName, int systemError, const char* reason);
void setPortErrorObserver(PortErrorObserver observer);
