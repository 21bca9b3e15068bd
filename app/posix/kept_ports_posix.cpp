// Linux has no window to add network ports with: they are kept in memory,
// for the run only.
#include "app/kept_ports.h"

namespace {
std::vector<std::string> kept;
}

std::vector<std::string> keptNetworkPorts()
{
    return kept;
}

bool keepNetworkPorts(const std::vector<std::string>& addresses)
{
    kept = addresses;
    return true;
}
