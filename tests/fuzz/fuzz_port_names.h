// The system's port names as the fuzz targets give them
// (tests/fuzz/fuzz_port_names.cpp implements ports/port_names.h).
#pragma once
#include <string>
#include <vector>

// listSystemPorts visits these names, in order, and reports
// names.size() + otherEntries entries (the others stand for registry values
// that are not strings). With readable false the list cannot be read.
void fuzzSetPortNames(const std::vector<std::string>& names, int otherEntries, bool readable);
