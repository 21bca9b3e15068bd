// The serial line as the operating system offers it: one implementation per
// platform (ports/win32/, ports/posix/). openPort and its siblings build the
// program's port behaviour on top of these few calls.
#pragma once
#include <cstdint>

#include "app/app_state.h"

constexpr int serialPathSize = 256;

// The device path of a listed port name: "\\.\COM12" on Windows; on Linux the
// device that the name stands for (ports/posix/posix_ports.h), or the name
// itself when it is already an absolute path. False when the name stands for
// no device or the path does not fit size bytes.
bool serialDevicePath(const char* portName, char* path, int size);

// Opens an existing device for reading and writing, exclusively: while it is
// open, a second open of the same device fails. invalidPortHandle on failure.
PortHandle serialOpen(const char* devicePath);

// Installs the fixed time-outs: 50 ms between bytes, reads 10 ms per byte +
// 50 ms, writes 10 ms per byte + 50 ms. A one-byte read gives up after 60 ms.
bool serialSetTimeouts(PortHandle handle);

// Sets the baud rate, 8 data bits, no parity and 1 stop bit, keeping every
// other setting the port reports.
bool serialSetLine(PortHandle handle, uint32_t baudRate);

// Reads at most one byte: 1 when a byte came, 0 when the read time-out passed
// without one, -1 when the read failed (serialLastError tells why).
int serialReadByte(PortHandle handle, uint8_t* byte);

// Writes the buffer in one operation within the write time-out. False when the
// write failed; otherwise *written receives how many bytes went out.
bool serialWrite(PortHandle handle, const uint8_t* buffer, int length, int* written);

void serialClose(PortHandle handle);

// The system error number of the calling thread's last failed serial call.
int serialLastError();
