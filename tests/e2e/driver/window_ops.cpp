// Finding, reading and working the windows of another process. Everything
// that needs an answer from the program's GUI thread is sent with a
// time-out: that thread is busy for seconds at a time during a search.
#include <cstdio>

#include "tests/e2e/driver/driver.h"

namespace {

constexpr UINT answerTimeoutMs = 3000;

struct Search {
    DWORD processId;
    HWND owner;
    const wchar_t* windowClass;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND window, LPARAM parameter)
{
    Search* search = reinterpret_cast<Search*>(parameter);
    if (search->visibleOnly && !IsWindowVisible(window))
        return TRUE;
    if (search->windowClass != nullptr && classOf(window) != search->windowClass)
        return TRUE;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (search->processId != 0 && processId != search->processId)
        return TRUE;
    if (search->owner != nullptr && GetWindow(window, GW_OWNER) != search->owner)
        return TRUE;
    search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> topLevel(DWORD processId, HWND owner, const wchar_t* windowClass, bool visibleOnly)
{
    Search search{processId, owner, windowClass, visibleOnly, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, int milliseconds)
{
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= end)
            return false;
        Sleep(50);
    }
}

void pause(int milliseconds)
{
    Sleep(static_cast<DWORD>(milliseconds));
}

Program startProgram(const std::wstring& path)
{
    Program program{};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + path + L"\"";
    program.started = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                     &startup, &program.process) != 0;
    return program;
}

Program attachToProgram(DWORD processId)
{
    Program program{};
    program.process.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    program.process.dwProcessId = processId;
    program.started = program.process.hProcess != nullptr;
    return program;
}

bool waitForExit(Program& program, int milliseconds, DWORD* code)
{
    if (!program.started)
        return false;
    if (WaitForSingleObject(program.process.hProcess, static_cast<DWORD>(milliseconds)) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(program.process.hProcess, code);
    CloseHandle(program.process.hProcess);
    if (program.process.hThread != nullptr)
        CloseHandle(program.process.hThread);
    program.started = false;
    return true;
}

void killProgram(Program& program)
{
    if (!program.started)
        return;
    TerminateProcess(program.process.hProcess, 99);
    WaitForSingleObject(program.process.hProcess, 5000);
    CloseHandle(program.process.hProcess);
    if (program.process.hThread != nullptr)
        CloseHandle(program.process.hThread);
    program.started = false;
}

HWND findMainWindow(DWORD processId)
{
    const std::vector<HWND> found = topLevel(processId, nullptr, L"my Window", true);
    return found.empty() ? nullptr : found[0];
}

std::vector<HWND> windowsOfProcess(DWORD processId, const wchar_t* windowClass, bool visibleOnly)
{
    return topLevel(processId, nullptr, windowClass, visibleOnly);
}

HWND findOwnedDialog(HWND owner)
{
    const std::vector<HWND> found = topLevel(0, owner, L"#32770", true);
    return found.empty() ? nullptr : found[0];
}

HWND findProcessDialog(DWORD processId)
{
    const std::vector<HWND> found = topLevel(processId, nullptr, L"#32770", true);
    return found.empty() ? nullptr : found[0];
}

HWND findPopupMenu(DWORD processId)
{
    const std::vector<HWND> found = topLevel(processId, nullptr, L"#32768", true);
    return found.empty() ? nullptr : found[0];
}

LRESULT sendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* answered)
{
    DWORD_PTR result = 0;
    const LRESULT ok = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, answerTimeoutMs, &result);
    if (answered != nullptr)
        *answered = ok != 0;
    return static_cast<LRESULT>(result);
}

std::wstring textOf(HWND window)
{
    bool answered = false;
    const LRESULT length = sendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, &answered);
    if (!answered || length <= 0)
        return L"";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        sendWithTimeout(window, WM_GETTEXT, static_cast<WPARAM>(length) + 1, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring classOf(HWND window)
{
    wchar_t name[64];
    name[0] = L'\0';
    GetClassNameW(window, name, 64);
    return name;
}

HWND child(HWND parent, int id)
{
    return GetDlgItem(parent, id);
}

HWND childByClass(HWND parent, const wchar_t* windowClass, const std::wstring& prefix)
{
    for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        if (_wcsicmp(classOf(c).c_str(), windowClass) != 0)
            continue;
        if (prefix.empty() || textOf(c).rfind(prefix, 0) == 0)
            return c;
    }
    return nullptr;
}

bool isEnabled(HWND window)
{
    return window != nullptr && IsWindowEnabled(window);
}

bool isChecked(HWND button)
{
    return sendWithTimeout(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::wstring comboSelection(HWND combo)
{
    bool answered = false;
    const LRESULT selected = sendWithTimeout(combo, CB_GETCURSEL, 0, 0, &answered);
    if (!answered || selected < 0)
        return L"";
    const LRESULT length = sendWithTimeout(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0);
    if (length <= 0)
        return L"";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    sendWithTimeout(combo, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

void command(HWND mainWindow, int id)
{
    HWND control = GetDlgItem(mainWindow, id);
    PostMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(id, control != nullptr ? BN_CLICKED : 0),
                 reinterpret_cast<LPARAM>(control));
}

void pressCloseBox(HWND window)
{
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void pressDialogButton(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void requestScreenshot(const char* name, HWND window)
{
    if (options.shotDir.empty())
        return;
    RECT r{};
    GetWindowRect(window, &r);
    const std::wstring base = options.shotDir + L"\\" + wide(name);
    const std::wstring picture = base + L".png";
    DeleteFileW(picture.c_str());
    // Let the window finish painting what it was just told.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pause(500);
    FILE* request = _wfopen((base + L".request").c_str(), L"wb");
    if (request == nullptr) {
        expect(false, std::string("screenshot ") + name, "cannot write the request");
        return;
    }
    fprintf(request, "%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    fclose(request);
    const bool taken = waitUntil([&] { return GetFileAttributesW(picture.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000);
    expect(taken, std::string("screenshot ") + name + ".png taken", "no picture within 20 s");
}

void dumpConsole(const std::wstring& text)
{
    if (options.consoleOut.empty())
        return;
    FILE* file = _wfopen(options.consoleOut.c_str(), L"wb");
    if (file == nullptr)
        return;
    const std::string bytes = utf8(text);
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}
