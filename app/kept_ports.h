// The network ports the operator added in the window's dialog, kept for the
// next start: on Windows in the user's registry (HKCU\Software\Flintwell,
// value "NetworkPorts", a REG_MULTI_SZ of the addresses as given); on Linux
// only for the run. One implementation per platform (win32/, posix/).
#pragma once
#include <string>
#include <vector>

// The addresses kept, in their order; none when nothing is kept or the
// value cannot be read.
std::vector<std::string> keptNetworkPorts();
// Keeps exactly these addresses (none removes the value). False when they
// could not be written.
bool keepNetworkPorts(const std::vector<std::string>& addresses);
