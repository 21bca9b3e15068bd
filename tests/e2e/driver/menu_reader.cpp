// Reading the program's menus through flintwell-e2e-menu-hook.dll: a message
// hook on the program's GUI thread answers a posted request by writing the
// menu into a shared section (menu handles mean nothing in another process).
#include "tests/e2e/driver/driver.h"

namespace {

constexpr DWORD sectionSize = 65536;
constexpr DWORD answerTimeoutMs = 5000;

HMODULE hookModule()
{
    static HMODULE module = [] {
        wchar_t path[MAX_PATH];
        const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring dll(path, length);
        dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"flintwell-e2e-menu-hook.dll";
        return LoadLibraryW(dll.c_str());
    }();
    return module;
}

// Lines "path TAB id TAB checked".
std::vector<MenuEntry> parseMenu(const std::wstring& text)
{
    std::vector<MenuEntry> entries;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(L'\n', at);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring line = text.substr(at, end - at);
        const size_t idAt = line.find(L'\t');
        const size_t checkedAt = idAt == std::wstring::npos ? idAt : line.find(L'\t', idAt + 1);
        if (checkedAt != std::wstring::npos) {
            const std::wstring id = line.substr(idAt + 1, checkedAt - idAt - 1);
            entries.push_back({line.substr(0, idAt), static_cast<UINT>(wcstoul(id.c_str(), nullptr, 10)),
                               line.substr(checkedAt + 1) == L"1"});
        }
        at = end + 1;
    }
    return entries;
}

std::wstring readSection(HANDLE section)
{
    const wchar_t* view = static_cast<const wchar_t*>(MapViewOfFile(section, FILE_MAP_READ, 0, 0, sectionSize));
    if (view == nullptr)
        return L"";
    std::wstring text(view, wcsnlen(view, sectionSize / sizeof(wchar_t)));
    UnmapViewOfFile(view);
    return text;
}

}  // namespace

std::vector<MenuEntry> readMenu(HWND mainWindow, HWND popup)
{
    FARPROC proc = hookModule() != nullptr ? GetProcAddress(hookModule(), "flintwellE2eMenuHook") : nullptr;
    if (proc == nullptr) {
        note("flintwell-e2e-menu-hook.dll is missing next to the driver");
        return {};
    }
    HANDLE section =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sectionSize, L"FlintwellE2eMenu");
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, L"FlintwellE2eMenuReady");
    const DWORD guiThread = GetWindowThreadProcessId(mainWindow, nullptr);
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(proc)),
                                   hookModule(), guiThread);
    std::vector<MenuEntry> entries;
    if (section != nullptr && ready != nullptr && hook != nullptr) {
        ResetEvent(ready);
        PostMessageW(mainWindow, RegisterWindowMessageW(L"FlintwellE2eReadMenu"), reinterpret_cast<WPARAM>(popup), 0);
        if (WaitForSingleObject(ready, answerTimeoutMs) == WAIT_OBJECT_0)
            entries = parseMenu(readSection(section));
        else
            note("the menu hook did not answer");
    }
    if (hook != nullptr)
        UnhookWindowsHookEx(hook);
    if (ready != nullptr)
        CloseHandle(ready);
    if (section != nullptr)
        CloseHandle(section);
    return entries;
}
