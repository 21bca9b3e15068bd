// Leaving the bootloader when the program closes: a reader that the search
// switched into its bootloader is told to leave it.
#pragma once

// Sends the leave-bootloader request to the USB reader, finding and opening
// its port first when none is open.
void leaveUsbBootloader();

// The main window's destruction: leave the bootloader where a reader may
// still be in it, close the port, end the message loop.
void shutdown();
