// What the serial facade carried by the network line
// (serial_line_over_network.cpp) sent, for the network tests to look at.
#pragma once
#include <cstdint>
#include <vector>

// Every byte written since the test emptied it, as the link code wrote it
// (before the telnet stream doubles 0xFF).
extern std::vector<uint8_t> bytesWrittenToNetwork;
