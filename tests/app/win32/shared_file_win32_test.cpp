// The service record on Windows: an append waits for another run's lock and
// takes its own; a record that cannot be locked is not written.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "app/shared_file.h"
#include "app/win32/utf16.h"
#include "tests/support/temp_files.h"

namespace {

// What ObjectBasicInformation (class 0) gives back.
struct ObjectBasicInformation {
    ULONG attributes;
    ACCESS_MASK grantedAccess;
    ULONG handleCount, pointerCount, reserved[10];
};

// The access the system granted the handle.
ACCESS_MASK grantedAccess(HANDLE handle)
{
    using QueryObject = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QueryObject>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
    ObjectBasicInformation information{};
    return query && query(handle, 0, &information, sizeof information, nullptr) == 0 ? information.grantedAccess : 0;
}

// Another handle of this process to the file of `known`, or null.
HANDLE otherHandleTo(HANDLE known)
{
    BY_HANDLE_FILE_INFORMATION file{}, other{};
    if (!GetFileInformationByHandle(known, &file))
        return nullptr;
    for (uintptr_t value = 4; value < 0x4000; value += 4) {
        HANDLE handle = reinterpret_cast<HANDLE>(value);
        if (handle != known && GetFileInformationByHandle(handle, &other) &&
            other.dwVolumeSerialNumber == file.dwVolumeSerialNumber && other.nFileIndexHigh == file.nFileIndexHigh &&
            other.nFileIndexLow == file.nFileIndexLow)
            return handle;
    }
    return nullptr;
}

}  // namespace

// LockFileEx takes a lock only on a handle that may read or write data. Wine
// does not ask, so the access the record's handle was granted stands in for
// that rule here.
TEST(Win32ServiceRecord, AnAppendWaitsForAnotherRunsLockOnAHandleThatCanTakeIt)
{
    TempDir dir;
    const std::string record = dir.file("service.csv");
    HANDLE other = CreateFileW(utf8ToUtf16(record).c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    OVERLAPPED whole{};
    ASSERT_TRUE(LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole));

    bool appended = false;
    int error = 0;
    std::thread append([&] { appended = appendShared(record.c_str(), "head\r\n", "row\r\n", &error); });
    HANDLE waiting = nullptr;
    for (int wait = 0; wait < 100 && !waiting; ++wait, Sleep(20))
        waiting = otherHandleTo(other);
    Sleep(300);
    EXPECT_NE(waiting, nullptr) << "the append opened no handle to the record";
    const ACCESS_MASK granted = waiting ? grantedAccess(waiting) : 0;
    EXPECT_NE(granted & (FILE_READ_DATA | FILE_WRITE_DATA), 0u) << "granted 0x" << std::hex << granted;
    LARGE_INTEGER size{};
    EXPECT_TRUE(GetFileSizeEx(other, &size) && size.QuadPart == 0) << "written while another run held the lock";

    UnlockFileEx(other, 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(other);
    append.join();
    EXPECT_TRUE(appended) << error;
    EXPECT_EQ(readFile(record), "head\r\nrow\r\n");
}

// Wine's null device takes no lock: the rows are refused with the system's
// reason, never written unlocked.
TEST(Win32ServiceRecord, ARecordThatCannotBeLockedIsNotWritten)
{
    int error = 0;
    EXPECT_FALSE(appendShared("NUL", "head\r\n", "row\r\n", &error));
    EXPECT_NE(error, 0);
}
