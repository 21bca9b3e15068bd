// Writes the firmware into the reader: the image text's records from byte
// 124 on, assembled into acknowledged blocks of 128 bytes with their flash
// addresses. Runs on the update job's worker thread.
#pragma once
#include <cstdint>

#include "image/block_placement.h"
#include "ports/port.h"

// Unpacks the image the program carries and streams it from streamOffset on.
// True when the whole image was written and every block acknowledged.
bool flashImage(Port& port);

// Streams the records of text (which starts at a record's colon) to flash,
// every data byte at its record's own address (image/block_placement.h),
// summing every data byte into app.flashDataSum. True when the end-of-file
// record was reached and every block was acknowledged.
bool streamHexToFlash(Port& port, const uint8_t* text, uint32_t length);
