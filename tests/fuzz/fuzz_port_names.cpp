// The fuzz targets' source of port names, linked in place of the platform's
// own (ports/posix/port_names_posix.cpp): whatever names the target sets.
#include "tests/fuzz/fuzz_port_names.h"

#include "ports/port_names.h"

namespace {

std::vector<std::string> systemNames;
int otherSystemEntries = 0;
bool systemReadable = true;

}  // namespace

void fuzzSetPortNames(const std::vector<std::string>& names, int otherEntries, bool readable)
{
    systemNames = names;
    otherSystemEntries = otherEntries;
    systemReadable = readable;
}

bool listSystemPorts(PortNameVisitor visit, void* context, int* entryCount)
{
    if (!systemReadable)
        return false;
    *entryCount = static_cast<int>(systemNames.size()) + otherSystemEntries;
    for (const std::string& name : systemNames)
        visit(name.c_str(), context);
    return true;
}
