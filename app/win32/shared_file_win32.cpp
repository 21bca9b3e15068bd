// Appending on Windows: FILE_APPEND_DATA, LockFileEx over the whole file
// while it is checked and written.
#include <windows.h>

#include <string>

#include "app/shared_file.h"
#include "app/win32/utf16.h"

bool appendShared(const char* pathUtf8, std::string_view header, std::string_view rows, int* error)
{
    // LockFileEx takes a lock only on a handle that may read or write data;
    // FILE_APPEND_DATA alone is neither. With FILE_READ_DATA beside it, and
    // without FILE_WRITE_DATA, every write still goes out at the end of the
    // file, as one piece.
    HANDLE file = CreateFileW(utf8ToUtf16(pathUtf8).c_str(), FILE_READ_DATA | FILE_APPEND_DATA | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = static_cast<int>(GetLastError());
        return false;
    }
    // Rows written without the lock could mix with another run's: none are.
    OVERLAPPED whole{};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        *error = static_cast<int>(GetLastError());
        CloseHandle(file);
        return false;
    }
    LARGE_INTEGER size{};
    std::string bytes;
    if (GetFileSizeEx(file, &size) && size.QuadPart == 0)
        bytes = header;
    bytes += rows;
    DWORD written = 0;
    const bool wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0;
    *error = wrote ? ERROR_DISK_FULL : static_cast<int>(GetLastError());
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(file);
    return wrote && written == bytes.size();
}
