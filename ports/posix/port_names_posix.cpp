// On Linux the port names are the COM names of ports/posix/posix_ports.h.
#include <string>
#include <vector>

#include "ports/port_names.h"
#include "ports/posix/posix_ports.h"

bool listSystemPorts(PortNameVisitor visit, void* context, int* entryCount)
{
    const std::vector<std::string> paths = posixPortPaths();
    *entryCount = static_cast<int>(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::string name = "COM" + std::to_string(i + 1);
        visit(name.c_str(), context);
    }
    return true;
}

void useGivenPorts(const std::vector<std::string>& ports)
{
    posixUsePortPaths(ports);
}

std::string givenPortOf(const char* listedName)
{
    return posixPortPath(listedName);
}
