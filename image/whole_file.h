// An output file written whole or not at all: the bytes go to a new file
// beside it (NAME.part), which takes its name only when every byte was
// written and the file closed. A write that fails, or is abandoned, leaves
// what was there before; a file is never written over its own input.
#pragma once
#include <cstdio>
#include <string>

struct WholeFile {
    std::string target;
    std::string part;
    FILE* file = nullptr;
};

enum class WholeFileStart : unsigned char { opened, isInput, cannotOpen };

// Opens target's part file for writing, unless target is the input file
// itself (the same file under any name).
WholeFileStart startWholeFile(const char* input, const char* target, WholeFile* out);

// Closes the part file; with `keep` it takes the target's name, otherwise it
// is removed. True when the target now holds the bytes written.
bool finishWholeFile(WholeFile* out, bool keep);
