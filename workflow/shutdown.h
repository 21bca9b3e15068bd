// Leaving the bootloader when the program closes: the reader that the last
// search found, when its firmware is known whole, is told to leave it.
#pragma once

// Sends the leave-bootloader request to the found USB reader: on its open
// port, or, when none is open, on the port its identifiers lead to once the
// reader there has identified itself as the found one (type, hardware,
// barcode and cipher id). Anything else: nothing is sent.
void leaveUsbBootloader();

// The main window's destruction: the leave request to the found reader when
// it is known whole, close the port, end the message loop.
void shutdown();
