// A packed image named in words: the device it is for (with the board of a
// Karvo-7-USB), its firmware version and the SHA-256 of its bytes. The image
// tool's info, the console updater's --version and its service record, and
// through info the release and the version block of the .exe, all name an
// image this way.
#pragma once
#include <cstdint>
#include <string>

#include "link/device_info.h"

// "Karvo-7KRM", "Karvo-7-USB MAIN", ...; an unknown type as "0x0C04".
std::string deviceName(uint32_t type);

// Two lines:
//   firmware:       Karvo-7-USB MAIN 1.05
//   image SHA-256:  <64 hex digits>
std::string imageIdentityText(const DeviceInfo& info, const uint8_t* packed, uint32_t size);

// The SHA-256 of the packed image this program carries (the built-in one or
// the one given in its place); empty when it has none.
std::string carriedImageSha256();
