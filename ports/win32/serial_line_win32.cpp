// The serial line on Windows: the communications functions on a COM device,
// synchronous, with the driver's read and write time-outs.
#include "ports/serial_line.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

HANDLE handleOf(PortHandle handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

bool serialDevicePath(const char* portName, char* path, int size)
{
    if (!portName || size <= 0)
        return false;
    const int n = snprintf(path, static_cast<size_t>(size), "\\\\.\\%s", portName);
    return n > 0 && n < size;
}

PortHandle serialOpen(const char* devicePath)
{
    HANDLE handle = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return reinterpret_cast<PortHandle>(handle);
}

bool serialSetTimeouts(PortHandle handle)
{
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 50;
    timeouts.ReadTotalTimeoutMultiplier = 10;
    timeouts.ReadTotalTimeoutConstant = 50;
    timeouts.WriteTotalTimeoutMultiplier = 10;
    timeouts.WriteTotalTimeoutConstant = 50;
    return SetCommTimeouts(handleOf(handle), &timeouts) != 0;
}

bool serialSetLine(PortHandle handle, uint32_t baudRate)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handleOf(handle), &dcb))
        return false;
    dcb.BaudRate = baudRate;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    return SetCommState(handleOf(handle), &dcb) != 0;
}

int serialReadByte(PortHandle handle, uint8_t* byte)
{
    DWORD read = 0;
    if (!ReadFile(handleOf(handle), byte, 1, &read, nullptr))
        return -1;
    return read == 1 ? 1 : 0;
}

bool serialWrite(PortHandle handle, const uint8_t* buffer, int length, int* written)
{
    if (length < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    DWORD sent = 0;
    if (!WriteFile(handleOf(handle), buffer, static_cast<DWORD>(length), &sent, nullptr))
        return false;
    *written = static_cast<int>(sent);
    return true;
}

void serialClose(PortHandle handle)
{
    CloseHandle(handleOf(handle));
}

int serialLastError()
{
    return static_cast<int>(GetLastError());
}
