// The source of the system's serial port names: the registry key SERIALCOMM
// on Windows, the serial devices (or a given list) on Linux
// (ports/posix/posix_ports.h).
#pragma once
#include <string>
#include <vector>

using PortNameVisitor = void (*)(const char* name, void* context);

// Passes every port name the system lists to visit, in the system's order.
// False, before visiting anything, when the list cannot be read. Otherwise
// *entryCount receives how many entries the list holds, which counts entries
// that were not names (and so were not visited) too.
bool listSystemPorts(PortNameVisitor visit, void* context, int* entryCount);

// The ports a front end was given by name (--port): from now on the system's
// list holds only these. On Windows they are COM names (COM7); on Linux
// device paths, listed as COM1, COM2, ... in the order given.
void useGivenPorts(const std::vector<std::string>& ports);
// What a front end is given for a listed port: the name itself on Windows,
// the device path it stands for on Linux ("" when there is none).
std::string givenPortOf(const char* listedName);
