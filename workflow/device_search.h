// Finds the reader the embedded image is for, puts it into its bootloader
// and leaves its port open for the update job. The port side runs on the
// worker thread at the end of the countdown; its ending (the report, the
// update question, the controls) on the window thread.
#pragma once
#include <cstdint>

#include "app/found_reader.h"

// The port side: fills the port list, then the serial or the USB path; sets
// app.lastSearch to noPorts, notFound, foundOffered or stopped (a stop
// request came before a reader was found) and app.reader to the reader found
// (nothing known when none was).
void searchPorts();
// The ending on the window thread: the found ending (report, decision,
// controls), the not-found or the no-ports ending.
void searchEnding();
// Both in turn.
void searchDevice();

// Puts the window back into its state before a search: closes the port,
// resets the ID label, empties the console, prints the header, disables the
// update options (keeping the choice) and START.
void prepareSearch();

// The serial search over the listed ports; true when a fitting reader
// answered, app.reader then describes it. A port whose reader does not echo
// the AT command is asked to identify all the same: a reader already in its
// bootloader is found that way. before: what the last search knew, to
// recognise the same reader found again in its bootloader.
bool searchAllPorts(const FoundReader& before);
// The search on the USB reader's port; true when a fitting reader answered.
bool searchUsbPort(const FoundReader& before);
// Moves a running USB reader into its bootloader and gives it time to return;
// true when the reader answered with an echo, exact or distorted.
bool switchUsbReader();

// The image's USB identifiers in the four spellings the lookup compares.
struct UsbIdStrings {
    char vidUpper[5], pidUpper[5], vidLower[5], pidLower[5];
};
UsbIdStrings formatUsbIds(uint32_t vidPid);
// findUsbPort for the image's reader, revision 0200, into name.
bool findImageUsbPort(char name[portNameSize]);
