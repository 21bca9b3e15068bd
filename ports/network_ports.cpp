#include "ports/network_ports.h"

#include <algorithm>
#include <cstring>

namespace {
std::vector<std::string> given;
}

void useNetworkPorts(const std::vector<std::string>& addresses)
{
    given.clear();
    for (const std::string& address : addresses)
        if (std::find(given.begin(), given.end(), address) == given.end())
            given.push_back(address);
}

const std::vector<std::string>& networkPorts()
{
    return given;
}

bool isNetworkPort(const char* text)
{
    return strstr(text, "://") != nullptr;
}
