// The serial ports on the network that the user named (rfc2217://HOST:PORT,
// socket://HOST:PORT): the search walks them after the COM ports, and the
// port list shows them after the COM ports.
#pragma once
#include <string>
#include <vector>

// The addresses in their order, each once: a later copy of one is left out.
void useNetworkPorts(const std::vector<std::string>& addresses);
const std::vector<std::string>& networkPorts();

// True when text names a port on the network (a scheme before "://").
bool isNetworkPort(const char* text);
