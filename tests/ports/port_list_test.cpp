// Sorting, limits and selection of the port list, on entries put into the
// headless list directly (the system's names are the platform tests' part).
#include "ports/port_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "ui/headless/headless_window.h"
#include "ui/window.h"

namespace {

using Names = std::vector<std::string>;

class PortListSort : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        headlessReset();
    }

    static void setList(const Names& names)
    {
        portListClear();
        for (const std::string& name : names)
            portListAppend(name.c_str());
    }
};

TEST_F(PortListSort, OrdersByNumberAndSelectsTheFirst)
{
    setList({"COM10", "COM2", "COM1"});
    portListSelect(2);
    sortPortList();
    EXPECT_EQ(headlessPortList(), (Names{"COM1", "COM2", "COM10"}));
    EXPECT_EQ(headlessPortListSelection(), 0);
}

TEST_F(PortListSort, KeepsOnlyTheFirstFiftyInTheirOriginalOrder)
{
    // 60 entries from COM60 down to COM1: the first 50 are COM60..COM11.
    Names names;
    for (int n = 60; n >= 1; --n)
        names.push_back("COM" + std::to_string(n));
    setList(names);
    sortPortList();
    Names expected;
    for (int n = 11; n <= 60; ++n)
        expected.push_back("COM" + std::to_string(n));
    EXPECT_EQ(headlessPortList(), expected);
    EXPECT_EQ(headlessPortListSelection(), 0);
}

TEST_F(PortListSort, RenumbersWhateverTheFirstThreeCharactersAre)
{
    // Duplicates stay; another prefix is read as "COM"; no digits read as 0.
    setList({"COM3", "CNCA0", "COM3", "COMX", "XYZ12", "COM007"});
    sortPortList();
    EXPECT_EQ(headlessPortList(), (Names{"COM0", "COM0", "COM3", "COM3", "COM7", "COM12"}));
}

TEST_F(PortListSort, LeavesOutEntriesTooLongForAPortName)
{
    // COM1000 would come back as a name that does not fit portName, and cut
    // to six characters it would be COM100, another port.
    setList({"COM1000", "COM100", "COM12345", "COM5"});
    sortPortList();
    EXPECT_EQ(headlessPortList(), (Names{"COM5", "COM100"}));
}

TEST_F(PortListSort, EmptyListStaysEmpty)
{
    portListClear();
    sortPortList();
    EXPECT_TRUE(headlessPortList().empty());
    EXPECT_EQ(headlessPortListSelection(), -1);
}

TEST(PortListCompare, IsTheDifference)
{
    EXPECT_EQ(comparePortNumbers(10, 2), 8);
    EXPECT_EQ(comparePortNumbers(2, 10), -8);
    EXPECT_EQ(comparePortNumbers(7, 7), 0);
    // Saturated rather than wrapped, so the sign stays right.
    EXPECT_GT(comparePortNumbers(INT32_MAX, -5), 0);
    EXPECT_LT(comparePortNumbers(INT32_MIN, 5), 0);
}

class PortListSelect : public PortListSort {};

TEST_F(PortListSelect, SelectsTheFirstEqualEntry)
{
    setList({"COM1", "COM7", "COM7", "COM12"});
    selectPortInList("COM7");
    EXPECT_EQ(headlessPortListSelection(), 1);
    selectPortInList("COM12");
    EXPECT_EQ(headlessPortListSelection(), 3);
}

TEST_F(PortListSelect, LeavesTheSelectionForNamesNotListed)
{
    setList({"COM1", "COM7", "COM12"});
    portListSelect(2);
    selectPortInList("COM3");
    EXPECT_EQ(headlessPortListSelection(), 2);
    selectPortInList("com7");  // exact comparison
    EXPECT_EQ(headlessPortListSelection(), 2);
    selectPortInList("COM1 ");
    EXPECT_EQ(headlessPortListSelection(), 2);
    selectPortInList("COM");
    EXPECT_EQ(headlessPortListSelection(), 2);
}

}  // namespace
