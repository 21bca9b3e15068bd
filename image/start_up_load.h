// The two loads that start-up runs before the window is shown: the firmware
// image's configuration records into app.expectedInfo, and the reset-settings
// default from the configuration text. Either failing ends the program; the
// caller shows the message box (errorHexLoad, errorAppconfigLoad).
#pragma once
#include <cstdint>

// Room for the first line of the configuration text: 75 characters and a zero.
constexpr int appConfigLineSize = 76;

// Unpacks the embedded image and scans it. False when the image resource is
// missing or empty, memory runs out, the image does not unpack (the unpacker
// has then shown its own message box) or its configuration records are not
// found; app.expectedInfo is then unchanged.
bool loadImageAtStart();

// Reads the first line of the embedded configuration text and sets
// app.resetSettingsDefault when it is exactly "RESET_SETTINGS = TRUE;".
// False only when the resource is missing or empty.
bool loadAppConfig();

// The rule loadAppConfig applies to the configuration text: its first line
// (up to the first CR, zero byte or the end; a LF does not end it; cut to
// 75 characters) is exactly "RESET_SETTINGS = TRUE;".
bool configTextAsksReset(const uint8_t* text, uint32_t size);
