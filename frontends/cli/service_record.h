// The service record (--record FILE): one CSV row per reader per run, with a
// header row when the file is new, appended so that the rows of readers
// updated at once and of runs at once never mix or get lost.
#pragma once
#include <string>
#include <vector>

#include "frontends/cli/reader_result.h"

// Appends one row per result. False when the rows could not be written;
// *reason then says why (the system's text).
bool appendServiceRecord(const char* path, const std::vector<ReaderResult>& results, std::string* reason);

