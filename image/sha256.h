// SHA-256 (FIPS 180-4) of a byte string: how a release, the image tool and
// the service record name a packed image.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The digest as 64 lower-case hex digits, as sha256sum prints it.
std::string sha256Hex(const uint8_t* bytes, size_t size);
