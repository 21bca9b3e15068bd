#include "tests/e2e/driver/e2e.h"

#include <cstdio>
#include <cstdlib>
#include <tuple>

#include "tests/support/expected_texts.h"

namespace {

std::wstring windowsPath(const std::string& path)
{
    std::wstring out = L"Z:" + wide(path);
    for (wchar_t& c : out)
        if (c == L'/')
            c = L'\\';
    return out;
}

}  // namespace

std::string readWhole(const std::string& path)
{
    std::string text;
    if (FILE* file = _wfopen(windowsPath(path).c_str(), L"rb")) {
        char buffer[4096];
        for (size_t got; (got = fread(buffer, 1, sizeof buffer, file)) > 0;)
            text.append(buffer, got);
        fclose(file);
    }
    return text;
}

void writeWhole(const std::string& path, const std::string& text)
{
    if (FILE* file = _wfopen(windowsPath(path).c_str(), L"wb")) {
        fwrite(text.data(), 1, text.size(), file);
        fclose(file);
    }
}

std::string workFile(const std::string& name)
{
    const char* work = getenv("E2E_WORK");
    return std::string(work != nullptr ? work : ".") + "/" + name;
}

namespace {

BOOL CALLBACK collect(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<std::pair<std::vector<HWND>, std::tuple<DWORD, HWND, const wchar_t*>>*>(parameter);
    const auto [processId, owner, windowClass] = search->second;
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    if (IsWindowVisible(window) && classOf(window) == windowClass && (processId == 0 || id == processId) &&
        (owner == nullptr || GetWindow(window, GW_OWNER) == owner))
        search->first.push_back(window);
    return TRUE;
}

}  // namespace

std::wstring wide(const std::string& text)
{
    std::wstring out(text.size(), L'\0');
    out.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), static_cast<int>(out.size()))));
    return out;
}

std::wstring expected(bool russian, const std::string& key,
                      std::initializer_list<std::pair<std::string, std::string>> fill)
{
    return wide(expectedText(russian, key, fill));
}

bool waitUntil(const std::function<bool()>& condition, int milliseconds)
{
    for (const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);; Sleep(50)) {
        if (condition())
            return true;
        if (GetTickCount64() >= end)
            return false;
    }
}

std::string narrow(const std::wstring& text)
{
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                                       static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

Program startProgram(const std::string& path, const std::wstring& arguments, const std::string& output, DWORD flags)
{
    Program program;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!output.empty()) {
        file = CreateFileW(windowsPath(output).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = INVALID_HANDLE_VALUE;
        startup.hStdOutput = startup.hStdError = file;
    }
    std::wstring line = L"\"" + windowsPath(path) + L"\" " + arguments;
    program.started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, file != INVALID_HANDLE_VALUE, flags,
                                     nullptr, nullptr, &startup, &program.process) != 0;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return program;
}

void photograph(HWND window, const char* name)
{
    const char* folder = getenv("E2E_SHOTS");
    if (folder == nullptr)
        return;
    Sleep(500);  // the last paint
    RECT r{};
    GetWindowRect(window, &r);
    const LONG width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info{sizeof info, width, height, 1, 32, BI_RGB};
    std::string pixels(static_cast<size_t>(width * height * 4), '\0');
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    for (size_t alpha = 3; alpha < pixels.size(); alpha += 4)
        pixels[alpha] = '\xff';  // GDI leaves the fourth byte 0, which viewers take for transparent
    BITMAPFILEHEADER header{0x4D42, static_cast<DWORD>(sizeof header + sizeof info + pixels.size()), 0, 0,
                            sizeof header + sizeof info};
    writeWhole(std::string(folder) + "/" + name + ".bmp",
               std::string(reinterpret_cast<const char*>(&header), sizeof header) +
                   std::string(reinterpret_cast<const char*>(&info), sizeof info) + pixels);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

bool waitForExit(Program& program, int milliseconds, DWORD* code)
{
    if (!program.started || WaitForSingleObject(program.process.hProcess, static_cast<DWORD>(milliseconds)) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(program.process.hProcess, code);
    CloseHandle(program.process.hProcess);
    CloseHandle(program.process.hThread);
    program.started = false;
    return true;
}

void killProgram(Program& program)
{
    DWORD code = 0;
    if (program.started && TerminateProcess(program.process.hProcess, 99))
        waitForExit(program, 5000, &code);
}

std::vector<HWND> topLevel(DWORD processId, HWND owner, const wchar_t* windowClass)
{
    std::pair<std::vector<HWND>, std::tuple<DWORD, HWND, const wchar_t*>> search{{}, {processId, owner, windowClass}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    return search.first;
}

LRESULT sendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* answered)
{
    DWORD_PTR result = 0;
    const LRESULT ok = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 3000, &result);
    if (answered != nullptr)
        *answered = ok != 0;
    return static_cast<LRESULT>(result);
}

std::wstring textOf(HWND window)
{
    const LRESULT length = sendWithTimeout(window, WM_GETTEXTLENGTH);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const LRESULT copied = sendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring classOf(HWND window)
{
    wchar_t name[64] = {};
    return {name, static_cast<size_t>(GetClassNameW(window, name, 64))};
}

bool hasIcon(HWND dialog)
{
    for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
        if (classOf(c) == L"Static" && (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            sendWithTimeout(c, STM_GETICON) != 0)
            return true;
    return false;
}

void command(HWND window, int id)
{
    HWND control = GetDlgItem(window, id);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, control != nullptr ? BN_CLICKED : 0),
                 reinterpret_cast<LPARAM>(control));
}

std::vector<MenuEntry> readMenu(HWND mainWindow, HWND popup)
{
    constexpr DWORD sectionSize = 65536;
    static HMODULE hook = [] {
        wchar_t path[MAX_PATH];
        std::wstring dll(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
        return LoadLibraryW((dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"flintwell-e2e-menu-hook.dll").c_str());
    }();
    FARPROC proc = hook != nullptr ? GetProcAddress(hook, "flintwellE2eMenuHook") : nullptr;
    if (proc == nullptr)
        return {};
    HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sectionSize, L"FlintwellE2eMenu");
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, L"FlintwellE2eMenuReady");
    HHOOK installed = SetWindowsHookExW(WH_GETMESSAGE, reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(proc)), hook,
                                        GetWindowThreadProcessId(mainWindow, nullptr));
    std::vector<MenuEntry> entries;
    PostMessageW(mainWindow, RegisterWindowMessageW(L"FlintwellE2eReadMenu"), reinterpret_cast<WPARAM>(popup), 0);
    if (WaitForSingleObject(ready, 5000) == WAIT_OBJECT_0) {
        // Lines "path TAB id TAB checked".
        const auto* view = static_cast<const wchar_t*>(MapViewOfFile(section, FILE_MAP_READ, 0, 0, sectionSize));
        std::wstring text(view, wcsnlen(view, sectionSize / sizeof(wchar_t)));
        UnmapViewOfFile(view);
        for (size_t at = 0, end; (end = text.find(L'\n', at)) != std::wstring::npos; at = end + 1) {
            const std::wstring line = text.substr(at, end - at);
            const size_t tab = line.find(L'\t');
            entries.push_back({line.substr(0, tab), static_cast<UINT>(wcstoul(line.c_str() + tab + 1, nullptr, 10)),
                               line.back() == L'1'});
        }
    }
    UnhookWindowsHookEx(installed);
    CloseHandle(ready);
    CloseHandle(section);
    return entries;
}

std::string transcript(int reader)
{
    return readWhole(workFile(reader > 1 ? "transcript-" + std::to_string(reader) + ".txt" : "transcript.txt"));
}

int restartReader(const std::string& arguments)
{
    const std::wstring answer = windowsPath(workFile("sim.answer"));
    DeleteFileW(answer.c_str());
    const std::wstring staging = windowsPath(workFile("sim.request-tmp"));
    if (FILE* file = _wfopen(staging.c_str(), L"wb")) {
        fprintf(file, "%s\n", arguments.c_str());
        fclose(file);
    }
    MoveFileExW(staging.c_str(), windowsPath(workFile("sim.request")).c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!waitUntil([&] { return GetFileAttributesW(answer.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000))
        return 0;
    return atoi(readWhole(workFile("sim.answer")).c_str());
}
