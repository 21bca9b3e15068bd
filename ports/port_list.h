// The drop-down list of COM ports: the system's port names in ascending
// numeric order, at most 50, the first selected. It works on the one
// portList control through the window layer (ui/window.h).
#pragma once
#include <cstdint>

constexpr int portListLimit = 50;

// Empties the list and fills it with the system's port names, in the system's
// order, skipping names that do not fit a port name (portNameSize). False, leaving the list
// as it was, when the names cannot be read; false, with the list empty, when
// the system lists no entry at all. Otherwise selects position 0 and is true,
// even when no entry was a usable name.
bool fillPortList();

// Rebuilds the first 50 entries as "COM" and their numbers, ascending, and
// selects position 0. The first three characters of an entry are taken to be
// "COM": CNCA0 comes back as COM0.
void sortPortList();

// a - b: the sort's comparison.
int32_t comparePortNumbers(int32_t a, int32_t b);

// Selects the first entry that equals name exactly; when none does, the
// selection stays as it was.
void selectPortInList(const char* name);

// After the COM ports: the network ports the user named (ports/network_ports.h).
void appendNetworkPorts();

// Fills and sorts the list, the network ports after the COM ports; when
// there are no ports at all, one empty entry, selected.
void refreshPortList();
