// The one COM port: open by name at 19200 8N1 with fixed time-outs, read a
// reply byte by byte until the line goes quiet, write a request whole, close.
// State lives in app.portHandle / app.portOpen / app.portName.
#pragma once
#include <cstdint>

// Opens the port named as listed ("COM3"). Does not set app.portOpen: the
// caller does after a success. A handle that opened but could not be
// configured is closed again. Logs nothing.
bool openPort(const char* name, uint32_t baudRate);

// Reads up to maximum bytes, one at a time, until maximum arrived or the line
// stayed quiet for one read time-out (about 60 ms). False, quietly and with
// *count untouched, when not even one byte came; false with a log line when
// the read itself failed.
bool readBytes(uint8_t* buffer, int maximum, int* count);

// Writes all bytes in one write; true only when all went out. A failed write
// logs a line, a short one does not.
bool writeBytes(const uint8_t* buffer, int length);

// Closes the port if app.portOpen, then rebuilds the port list.
void closePort();

// Told of every port that could not be opened, read or written, with the
// port's name and the system's error number: the console front end adds the
// system's reason after the program's own line. The window sets none.
using PortErrorObserver = void (*)(const char* portName, int systemError);
void setPortErrorObserver(PortErrorObserver observer);
