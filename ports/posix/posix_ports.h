// Linux has no COM names. The port list still shows "COMn" names, and this
// table says which device each stands for: COM1 is the first path, COM2 the
// second, and so on. The paths are either the system's serial devices
// (the default) or a list that a front end or a test gives.
#pragma once
#include <string>
#include <vector>

// COM1, COM2, ... name the given paths, in the given order.
void posixUsePortPaths(const std::vector<std::string>& paths);
// COM1, COM2, ... name the system's serial devices that exist now
// (ttyS* with a UART behind it, ttyUSB*, ttyACM*, ttyAMA*, rfcomm*), in
// natural order of their paths (ttyUSB2 before ttyUSB10). The default.
void posixUseSystemPorts();

// The device paths as they stand now, COM1 first.
std::vector<std::string> posixPortPaths();
// The device of "COMn" (the prefix in any case), or "" when there is none.
std::string posixPortPath(const char* comName);
// The "COMn" name of a device path (the same path, or one that resolves to
// the same file), or "" when the path is not listed.
std::string posixComNameOf(const std::string& path);

// Roots of the system folders, replaceable so that tests can give fake trees:
// where the device nodes are ("/dev") and where sysfs is ("/sys").
void posixSetDeviceRoot(const std::string& path);
void posixSetSysfsRoot(const std::string& path);
std::string posixDeviceRoot();
std::string posixSysfsRoot();

// Orders texts so that runs of digits compare by their value.
bool naturalLess(const std::string& a, const std::string& b);
