// The source of the system's serial port names: the registry key SERIALCOMM
// on Windows, the serial devices (or a given list) on Linux
// (ports/posix/posix_ports.h).
#pragma once

using PortNameVisitor = void (*)(const char* name, void* context);

// Passes every port name the system lists to visit, in the system's order.
// False, before visiting anything, when the list cannot be read. Otherwise
// *entryCount receives how many entries the list holds, which counts entries
// that were not names (and so were not visited) too.
bool listSystemPorts(PortNameVisitor visit, void* context, int* entryCount);
