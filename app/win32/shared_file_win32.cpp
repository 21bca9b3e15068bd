// Appending on Windows: FILE_APPEND_DATA, LockFileEx over the whole file
// while it is checked and written.
#include <windows.h>

#include <string>

#include "app/shared_file.h"
#include "app/win32/utf16.h"

bool appendShared(const char* pathUtf8, std::string_view header, std::string_view rows, int* error)
{
    HANDLE file = CreateFileW(utf8ToUtf16(pathUtf8).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = static_cast<int>(GetLastError());
        return false;
    }
    OVERLAPPED whole{};
    const bool locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) != 0;
    LARGE_INTEGER size{};
    std::string bytes;
    if (locked && GetFileSizeEx(file, &size) && size.QuadPart == 0)
        bytes = header;
    bytes += rows;
    DWORD written = 0;
    const bool wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0;
    *error = wrote ? ERROR_DISK_FULL : static_cast<int>(GetLastError());
    if (locked)
        UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(file);
    return wrote && written == bytes.size();
}
