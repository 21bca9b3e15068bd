// The port list read from SERIALCOMM under Wine, where the test fixture has
// registered COM5, COM6 and COM7 (cmake/WineTests.cmake).
#include "ports/port_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "ui/headless/headless_window.h"
#include "ui/window.h"

namespace {

bool contains(const std::vector<std::string>& list, const char* name)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

TEST(WineComPortList, ListsTheRegisteredPortsInOrder)
{
    resetAppState();
    headlessReset();
    portListAppend("stale");
    ASSERT_TRUE(fillPortList());
    const std::vector<std::string> filled = headlessPortList();
    EXPECT_FALSE(contains(filled, "stale"));
    EXPECT_TRUE(contains(filled, "COM5"));
    EXPECT_TRUE(contains(filled, "COM6"));
    EXPECT_TRUE(contains(filled, "COM7"));

    refreshPortList();
    const std::vector<std::string> list = headlessPortList();
    EXPECT_EQ(list.size(), filled.size());
    EXPECT_TRUE(contains(list, "COM5"));
    for (size_t i = 1; i < list.size(); ++i)
        EXPECT_LT(atoi(list[i - 1].c_str() + 3), atoi(list[i].c_str() + 3)) << list[i - 1] << " " << list[i];
    EXPECT_EQ(headlessPortListSelection(), 0);

    selectPortInList("COM6");
    const auto at = std::find(list.begin(), list.end(), "COM6") - list.begin();
    EXPECT_EQ(headlessPortListSelection(), static_cast<int>(at));
}

}  // namespace
