// A file that several processes append to at the same time (the service
// record). One implementation per platform (win32/, posix/).
#pragma once
#include <string_view>

// Appends rows at the end of the file, creating it when it is missing. The
// file is locked while it is looked at and written, and the bytes go out in
// one write, so rows of processes that append at once never mix; nothing is
// ever truncated. header goes first when the file is new or empty. False
// when the rows could not be written whole; *error gets the system's error
// number (systemErrorText tells it).
bool appendShared(const char* pathUtf8, std::string_view header, std::string_view rows, int* error);
