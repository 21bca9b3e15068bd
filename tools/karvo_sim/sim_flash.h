// The flash the simulated reader has received, and its Intel HEX form.
#pragma once
#include <cstdint>
#include <map>
#include <string>

using SimFlash = std::map<uint32_t, uint8_t>;

// Intel HEX, CR LF line ends: an extended linear address record wherever the
// upper address half changes, data records of up to 16 bytes that never
// cross a 16-byte boundary, the end-of-file record.
std::string flashToHex(const SimFlash& flash);

// Writes the text through a temporary file and a rename, so a reader of the
// file never sees half of it. False (and a line on stderr) on failure.
bool writeFileAtomically(const std::string& path, const std::string& text);
