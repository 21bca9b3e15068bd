// The port list as an operator reads it: sorted by port number, at most
// fifty, no name cut into another port's, the first entry selected.
#include "ports/port_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "frontends/headless/headless_window.h"
#include "ui/window.h"

namespace {

using Names = std::vector<std::string>;

void setList(const Names& names)
{
    resetAppState();
    headlessReset();
    for (const std::string& name : names)
        portListAppend(name.c_str());
}

}  // namespace

TEST(PortList, SortsByNumberAndSelectsTheFirst)
{
    Names sixty, firstFifty;  // COM60 down to COM1; COM11 to COM60
    for (int n = 60; n >= 1; --n)
        sixty.push_back("COM" + std::to_string(n));
    for (int n = 11; n <= 60; ++n)
        firstFifty.push_back("COM" + std::to_string(n));
    const struct {
        const char* what;
        Names listed, sorted;
    } cases[] = {
        {"by number, not by text", {"COM10", "COM2", "COM1"}, {"COM1", "COM2", "COM10"}},
        {"only the first fifty, whatever their numbers", sixty, firstFifty},
        {"duplicates kept, another prefix read as COM, no digits as 0",
         {"COM3", "CNCA0", "COM3", "COMX", "XYZ12", "COM007"}, {"COM0", "COM0", "COM3", "COM3", "COM7", "COM12"}},
        // COM1000 cut to six characters would be COM100, another port.
        {"names too long for a port name left out", {"COM1000", "COM100", "COM12345", "COM5"}, {"COM5", "COM100"}},
        {"an empty list", {}, {}},
    };
    for (const auto& c : cases) {
        setList(c.listed);
        portListSelect(static_cast<int>(c.listed.size()) - 1);
        sortPortList();
        EXPECT_EQ(headlessPortList(), c.sorted) << c.what;
        EXPECT_EQ(headlessPortListSelection(), c.sorted.empty() ? -1 : 0) << c.what;
    }
}

TEST(PortList, SelectsTheFirstEntryOfExactlyTheName)
{
    setList({"COM1", "COM7", "COM7", "COM12"});
    const std::pair<const char*, int> steps[] = {{"COM7", 1}, {"COM3", 1}, {"com7", 1}, {"COM1 ", 1},
                                                 {"COM", 1},  {"COM12", 3}, {"COM1", 0}};
    for (const auto& [name, selected] : steps) {
        selectPortInList(name);
        EXPECT_EQ(headlessPortListSelection(), selected) << name;
    }
}
