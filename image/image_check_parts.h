// The parts of the image check that share its view of the hex file: the
// lines of the image text, what each holds, and the problems found on them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "image/image_check.h"

// One line of the image text (LF line ends) and what it holds.
struct CheckedLine {
    uint32_t number;
    uint32_t at;      // offset of its first character in the text
    uint32_t length;  // without the LF
    bool sound;       // a record the stream reads as the file means it
    uint8_t dataLength;
    uint16_t address;
    uint8_t type;
};

// Adds a problem at a line, its reason printf-formatted.
void addProblem(ImageCheck* check, uint32_t line, const char* format, ...);

// The line that holds text offset `at` (the last one past the text).
const CheckedLine& lineAt(const std::vector<CheckedLine>& lines, uint32_t at);

// The number of the file's last line (1 for an empty file).
uint32_t lastLine(const std::vector<CheckedLine>& lines);

// The configuration records: readable by the start-up scan, with a known
// device and flash and EEPROM bounds in order and apart; fills check->info.
void checkConfiguration(ImageCheck* check, const std::string& text, const std::vector<CheckedLine>& lines);

// Streams the records from lines[first] to the end-of-file record at
// lines[endOfFile] as the updater will, into the check's block sink: the
// planned blocks and data sum, every data byte inside the declared flash and
// written once.
void planBlocks(ImageCheck* check, const std::string& text, const std::vector<CheckedLine>& lines, long first,
                long endOfFile);
