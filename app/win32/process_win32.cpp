// Child processes and the system's own texts on Windows.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/system.h"
#include "app/win32/utf16.h"

namespace {

// One argument as the C runtime's command-line parser reads it back.
void appendQuoted(std::wstring* line, const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
        *line += arg;
        return;
    }
    *line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        line->append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        *line += c;
    }
    line->append(backslashes * 2, L'\\');
    *line += L'"';
}

HANDLE handleOf(intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

}  // namespace

bool startProcess(const char* program, const std::vector<std::string>& args, ChildRun* child)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return false;
    // Only the write end goes to the child.
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    const std::wstring path = utf8ToUtf16(program);
    std::wstring line;
    appendQuoted(&line, path);
    for (const std::string& arg : args) {
        line += L' ';
        appendQuoted(&line, utf8ToUtf16(arg));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    // A process group of its own, so that askProcessToStop reaches this child
    // alone; it shares the caller's console all the same.
    const BOOL started = CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP,
                                        nullptr, nullptr, &startup, &info);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return false;
    }
    CloseHandle(info.hThread);
    child->process = reinterpret_cast<intptr_t>(info.hProcess);
    child->output = reinterpret_cast<intptr_t>(readEnd);
    return true;
}

int readProcessOutput(ChildRun* child, char* buffer, int size)
{
    if (child->output == 0)
        return -1;
    HANDLE pipe = handleOf(child->output);
    DWORD available = 0;
    if (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
        if (available == 0)
            return 0;
        DWORD read = 0;
        const DWORD wanted = available < static_cast<DWORD>(size) ? available : static_cast<DWORD>(size);
        if (ReadFile(pipe, buffer, wanted, &read, nullptr) && read > 0)
            return static_cast<int>(read);
    }
    // The child's end is closed: it has ended.
    CloseHandle(pipe);
    child->output = 0;
    return -1;
}

// The child shares our console in a process group of its own (startProcess):
// a console event for that group reaches it and no other process. Ctrl+Break
// is the event a process cannot have turned off; Wine generates none (8.0:
// not implemented), so Ctrl+C then, which a child of ours takes the same way
// (catchStopRequests turns Ctrl+C back on in a new group). The console's own
// Ctrl+C, Ctrl+Break and close reach every process attached to it, our
// children too, whatever their group. Without a console of ours nothing can
// be sent; the one stop that can come then, the end of the session, reaches
// each child's own window as well.
void askProcessToStop(const ChildRun& child)
{
    const DWORD group = GetProcessId(handleOf(child.process));
    if (group != 0 && !GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, group))
        GenerateConsoleCtrlEvent(CTRL_C_EVENT, group);
}

int waitProcess(ChildRun* child)
{
    if (child->output != 0) {
        CloseHandle(handleOf(child->output));
        child->output = 0;
    }
    HANDLE process = handleOf(child->process);
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    const bool known = GetExitCodeProcess(process, &code) != 0;
    CloseHandle(process);
    child->process = 0;
    return known ? static_cast<int>(code) : -1;
}

std::string ownProgramPath()
{
    wchar_t path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return n > 0 && n < MAX_PATH * 4 ? utf16ToUtf8(path, static_cast<int>(n)) : std::string();
}

std::string systemErrorText(int error)
{
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0,
                                   nullptr);
    if (n == 0 || !text)
        return "error " + std::to_string(error);
    DWORD length = n;
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' '))
        --length;
    std::string out = utf16ToUtf8(text, static_cast<int>(length));
    LocalFree(text);
    return out;
}

std::string computerName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size))
        return "";
    return utf16ToUtf8(name, static_cast<int>(size));
}

std::string utcTimeText()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    char text[32];
    snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond);
    return text;
}
