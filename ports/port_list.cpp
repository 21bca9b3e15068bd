#include "ports/port_list.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "ports/network_ports.h"
#include "ports/port_names.h"
#include "ui/window.h"

namespace {

struct Fill {
    bool emptied;
};

void takeName(const char* name, void* context)
{
    auto* fill = static_cast<Fill*>(context);
    // The list is emptied only once the system's names could be read.
    if (!fill->emptied) {
        portListClear();
        fill->emptied = true;
    }
    // A longer name would be cut when copied into portName and could then
    // name another port (COM1000 as COM100).
    if (strlen(name) < static_cast<size_t>(portNameSize))
        portListAppend(name);
}

// The number after the first three characters: its leading digits, 0 when
// there are none.
int32_t entryNumber(const char* text)
{
    if (strlen(text) < 3)
        return 0;
    int32_t number = 0;
    for (const char* p = text + 3; isdigit(static_cast<unsigned char>(*p)); ++p)
        number = number * 10 + (*p - '0');
    return number;
}

}  // namespace

bool fillPortList()
{
    Fill fill{false};
    int entries = 0;
    if (!listSystemPorts(takeName, &fill, &entries))
        return false;
    if (!fill.emptied)
        portListClear();
    if (entries <= 0)
        return false;
    portListSelect(0);
    return true;
}

int32_t comparePortNumbers(int32_t a, int32_t b)
{
    const int64_t difference = static_cast<int64_t>(a) - b;
    if (difference > INT32_MAX)
        return INT32_MAX;
    if (difference < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(difference);
}

void sortPortList()
{
    int32_t numbers[portListLimit];
    int count = 0;
    const int n = portListCount();
    for (int i = 0; i < n && i < portListLimit; ++i) {
        // One character more than a port name holds shows an entry that is
        // too long; such an entry is left out rather than renumbered.
        char text[portNameSize + 1];
        portListText(i, text, sizeof text);
        if (strlen(text) >= static_cast<size_t>(portNameSize))
            continue;
        numbers[count++] = entryNumber(text);
    }
    std::sort(numbers, numbers + count, [](int32_t a, int32_t b) { return comparePortNumbers(a, b) < 0; });
    portListClear();
    for (int i = 0; i < count; ++i) {
        char name[portNameSize];
        snprintf(name, sizeof name, "COM%d", static_cast<int>(numbers[i]));
        portListAppend(name);
    }
    portListSelect(0);
}

void selectPortInList(const char* name)
{
    if (!name)
        return;
    const size_t length = strlen(name);
    const int n = portListCount();
    for (int i = 0; i < n; ++i) {
        char text[portTextSize];
        portListText(i, text, sizeof text);
        if (length < sizeof text - 1 && strcmp(text, name) == 0) {
            portListSelect(i);
            return;
        }
    }
}

void appendNetworkPorts()
{
    for (const std::string& address : networkPorts())
        portListAppend(address.c_str());
}

void refreshPortList()
{
    if (fillPortList()) {
        sortPortList();
        appendNetworkPorts();
        return;
    }
    portListClear();
    if (networkPorts().empty())
        portListAppend("");
    appendNetworkPorts();
    portListSelect(0);
}
