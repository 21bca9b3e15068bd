// The port list: fuzzed port names appended to the headless portList and
// sorted (sortPortList), the same names given as the system's ports to
// refreshPortList, and selectPortInList with each name.
//
// Input: names separated by LF; a first byte 0x01 makes the system's list
// unreadable for the refresh; a name "#c" stands, for the refresh, for as
// many entries that are no names as the low four bits of c say.
// Checked: the sorted list holds at most 50 entries, each "COM" and its
// number, ascending, with position 0 selected; the refresh lists no name
// that would not fit portName; a selection only ever lands on an equal entry.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "ports/port_list.h"
#include "tests/fuzz/fuzz_port_names.h"
#include "tests/fuzz/fuzz_support.h"
#include "ui/headless/headless_window.h"
#include "ui/window.h"

namespace {

std::vector<std::string> namesOf(const uint8_t* data, size_t size)
{
    std::vector<std::string> names;
    std::string name;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            names.push_back(name);
            name.clear();
        } else {
            name += static_cast<char>(data[i]);
        }
    }
    names.push_back(name);
    return names;
}

void checkSorted()
{
    const std::vector<std::string> list = headlessPortList();
    FUZZ_CHECK(list.size() <= static_cast<size_t>(portListLimit), "at most 50 entries");
    long previous = -1;
    for (const std::string& entry : list) {
        FUZZ_CHECK(entry.size() < static_cast<size_t>(portNameSize), "every entry fits portName");
        FUZZ_CHECK(entry.compare(0, 3, "COM") == 0, "every entry is COM and a number");
        char* end = nullptr;
        const long number = strtol(entry.c_str() + 3, &end, 10);
        FUZZ_CHECK(end != entry.c_str() + 3 && *end == '\0' && number >= 0, "every entry is COM and a number");
        FUZZ_CHECK(std::to_string(number) == entry.substr(3), "the number is written plainly");
        FUZZ_CHECK(number >= previous, "ascending order");
        previous = number;
    }
    FUZZ_CHECK(headlessPortListSelection() == (list.empty() ? -1 : 0), "position 0 is selected");
}

void checkSelections(const std::vector<std::string>& names)
{
    const std::vector<std::string> list = headlessPortList();  // selecting changes no entry
    for (const std::string& name : names) {
        const int before = headlessPortListSelection();
        selectPortInList(name.c_str());
        const int after = headlessPortListSelection();
        const std::string wanted(name.c_str());  // as the C string the call sees
        int first = -1;
        for (size_t i = 0; i < list.size() && first < 0; ++i)
            if (list[i] == wanted)
                first = static_cast<int>(i);
        FUZZ_CHECK(after == (first >= 0 ? first : before), "the first equal entry is selected, or nothing changes");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 65536)
        return 0;
    const bool unreadable = size > 0 && data[0] == 0x01;
    std::vector<std::string> names = namesOf(data + (unreadable ? 1 : 0), size - (unreadable ? 1 : 0));

    // Names as the list control holds them, sorted.
    fuzzFreshState();
    portListClear();
    for (const std::string& name : names)
        portListAppend(name.c_str());
    sortPortList();
    checkSorted();
    checkSelections(names);

    // The same names as the system's ports.
    fuzzFreshState();
    std::vector<std::string> system;
    int others = 0;
    for (const std::string& name : names) {
        if (name.size() > 1 && name[0] == '#')
            others += (name[1] & 0x0F);
        else
            system.push_back(name);
    }
    fuzzSetPortNames(system, others, !unreadable);
    refreshPortList();
    const std::vector<std::string> list = headlessPortList();
    int fitting = 0;
    for (const std::string& name : system)
        if (strlen(name.c_str()) < static_cast<size_t>(portNameSize))
            ++fitting;
    if (unreadable || system.size() + static_cast<size_t>(others) == 0) {
        FUZZ_CHECK(list.size() == 1 && list[0].empty() && headlessPortListSelection() == 0,
                   "no ports: one empty entry, selected");
    } else {
        checkSorted();
        FUZZ_CHECK(list.size() == static_cast<size_t>(fitting < portListLimit ? fitting : portListLimit),
                   "the names that fit portName are listed, at most 50");
    }
    checkSelections(names);
    fuzzSetPortNames({}, 0, true);
    return 0;
}
