// The two loads that start-up runs before the window is shown and before any
// port is opened: the firmware image, proven whole, with its configuration
// records into app.expectedInfo, and the reset-settings default from the
// configuration text. Either failing ends the program; the caller shows the
// message box (imageLoadFailureText, errorAppconfigLoad).
#pragma once
#include <cstdint>
#include <string>

// Room for the first line of the configuration text: 75 characters and a zero.
constexpr int appConfigLineSize = 76;

// Unpacks the embedded image, proves it whole and scans it. The proof is the
// image check (image/image_check.h) on the unpacked text: it streams to an
// end-of-file record and every block lands inside the flash the image
// declares, so an image that cannot be written whole never starts a job.
// False when the image resource is missing or empty, memory runs out, the
// image does not unpack (the unpacker has then shown its own message box) or
// fails the check; app.expectedInfo is then unchanged. *problem, when given,
// is the check's first problem as "line N: reason", or empty.
bool loadImageAtStart(std::string* problem = nullptr);

// The start-up box of an image that did not load: errorHexLoad, then the
// problem on a line of its own when there is one.
std::string imageLoadFailureText(const std::string& problem);

// Reads the first line of the embedded configuration text and sets
// app.resetSettingsDefault when it is exactly "RESET_SETTINGS = TRUE;".
// False only when the resource is missing or empty.
bool loadAppConfig();

// The rule loadAppConfig applies to the configuration text: its first line
// (up to the first CR, zero byte or the end; a LF does not end it; cut to
// 75 characters) is exactly "RESET_SETTINGS = TRUE;".
bool configTextAsksReset(const uint8_t* text, uint32_t size);
