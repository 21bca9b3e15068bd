// The serial line facade carried by the network line, for the network tests
// alone: the link code's openPort, readBytes and writeBytes then talk to a
// reader behind a network server, as the program will once its ports have
// kinds. The port's name is its network address.
#include <cstdio>

#include "tests/network/serial_line_over_network.h"

#include "ports/network_line.h"
#include "ports/serial_line.h"

std::vector<uint8_t> bytesWrittenToNetwork;

bool serialDevicePath(const char* portName, char* path, int size)
{
    const int n = snprintf(path, static_cast<size_t>(size), "%s", portName);
    return n > 0 && n < size;
}

PortHandle serialOpen(const char* devicePath)
{
    PortAddress address{};
    const char* reason = nullptr;
    if (!parsePortAddress(devicePath, &address, &reason))
        return invalidPortHandle;
    return networkOpen(address);
}

// The network line sets its line up when it opens.
bool serialSetTimeouts(PortHandle) { return true; }
bool serialSetLine(PortHandle, uint32_t) { return true; }

int serialReadByte(PortHandle handle, uint8_t* byte) { return networkReadByte(handle, byte); }

bool serialWrite(PortHandle handle, const uint8_t* buffer, int length, int* written)
{
    bytesWrittenToNetwork.insert(bytesWrittenToNetwork.end(), buffer, buffer + length);
    return networkWrite(handle, buffer, length, written);
}

void serialClose(PortHandle handle) { networkClose(handle); }

int serialLastError() { return networkLastError(); }
