#include "tests/e2e/driver/process_figures.h"

#include <psapi.h>

#include <cstdio>
#include <vector>

namespace {

// SystemExtendedHandleInformation: every handle of every process, which
// Wine's server lists, with the owning process.
constexpr ULONG systemExtendedHandleInformation = 64;
constexpr LONG statusInfoLengthMismatch = static_cast<LONG>(0xC0000004L);

struct HandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};
struct HandleList {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

long handleCount(DWORD processId)
{
    const auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr)
        return -1;
    std::vector<unsigned char> buffer(1 << 20);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        const LONG status =
            query(systemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == statusInfoLengthMismatch) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != 0)
            return -1;
        const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
        const size_t room = (buffer.size() - offsetof(HandleList, entries)) / sizeof(HandleEntry);
        long count = 0;
        for (ULONG_PTR i = 0; i < list->count && i < room; ++i)
            if (list->entries[i].processId == processId)
                ++count;
        return count;
    }
    return -1;
}

struct WindowCount {
    DWORD processId;
    long count;
};

BOOL CALLBACK countChild(HWND, LPARAM parameter)
{
    ++reinterpret_cast<WindowCount*>(parameter)->count;
    return TRUE;
}

BOOL CALLBACK countTopLevel(HWND window, LPARAM parameter)
{
    auto* windows = reinterpret_cast<WindowCount*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == windows->processId) {
        ++windows->count;
        EnumChildWindows(window, countChild, parameter);
    }
    return TRUE;
}

}  // namespace

ProcessFigures measureProcess(const Program& program, const std::wstring& programFile)
{
    ProcessFigures figures{};
    figures.handles = handleCount(program.process.dwProcessId);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(program.process.hProcess, &memory, sizeof memory)) {
        figures.workingSetKb = static_cast<long>(memory.WorkingSetSize / 1024);
        figures.privateKb = static_cast<long>(memory.PagefileUsage / 1024);
    } else {
        figures.workingSetKb = figures.privateKb = -1;
    }
    WindowCount windows{program.process.dwProcessId, 0};
    EnumWindows(countTopLevel, reinterpret_cast<LPARAM>(&windows));
    figures.windows = windows.count;
    figures.onLinux = linuxFigures(programFile);
    return figures;
}

std::string describe(const ProcessFigures& f)
{
    char text[256];
    snprintf(text, sizeof text, "handles %ld, working set %ld KB, private %ld KB, windows %ld", f.handles,
             f.workingSetKb, f.privateKb, f.windows);
    std::string out = text;
    if (f.onLinux.known) {
        snprintf(text, sizeof text, "; Linux: VmRSS %ld KB, VmSize %ld KB, descriptors %ld, threads %ld",
                 f.onLinux.rssKb, f.onLinux.sizeKb, f.onLinux.fds, f.onLinux.threads);
        out += text;
    } else {
        out += "; Linux: not found";
    }
    return out;
}
