// flintwell-e2e-menu-hook.dll: reads the menus of the program under test
// from inside its own process. A menu handle means nothing in another
// process (Wine refuses it), so the driver installs this message hook on the
// program's GUI thread and posts it a request; the hook writes the menu's
// items into a shared section that the driver reads.
//
// The request: the registered message "FlintwellE2eReadMenu" posted to the
// main window; wParam 0 asks for the window's menu bar, otherwise wParam is
// a popup menu window (#32768) whose menu is read. The answer: lines
// "path TAB id TAB checked LF" in the section "FlintwellE2eMenu", then the
// event "FlintwellE2eMenuReady" is set.
#include <windows.h>

#include <string>

namespace {

constexpr UINT menuGetHandle = 0x01E1;  // MN_GETHMENU
constexpr size_t sectionSize = 65536;

void describe(HMENU menu, const std::wstring& prefix, std::wstring& out)
{
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256];
        text[0] = L'\0';
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_FTYPE;
        item.dwTypeData = text;
        item.cch = 256;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item) || (item.fType & MFT_SEPARATOR))
            continue;
        const std::wstring path = prefix.empty() ? std::wstring(text) : prefix + L"/" + text;
        out += path + L"\t" + std::to_wstring(item.hSubMenu != nullptr ? 0u : item.wID) + L"\t" +
               ((item.fState & MFS_CHECKED) ? L"1" : L"0") + L"\n";
        if (item.hSubMenu != nullptr)
            describe(item.hSubMenu, path, out);
    }
}

void answer(const MSG& request)
{
    HWND popup = reinterpret_cast<HWND>(request.wParam);
    HMENU menu = popup == nullptr ? GetMenu(request.hwnd)
                                  : reinterpret_cast<HMENU>(SendMessageW(popup, menuGetHandle, 0, 0));
    std::wstring text;
    if (menu != nullptr)
        describe(menu, L"", text);
    HANDLE section = OpenFileMappingW(FILE_MAP_WRITE, FALSE, L"FlintwellE2eMenu");
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"FlintwellE2eMenuReady");
    if (section != nullptr && ready != nullptr) {
        wchar_t* view = static_cast<wchar_t*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sectionSize));
        if (view != nullptr) {
            const size_t room = sectionSize / sizeof(wchar_t) - 1;
            const size_t length = text.size() < room ? text.size() : room;
            text.copy(view, length);
            view[length] = L'\0';
            UnmapViewOfFile(view);
            SetEvent(ready);
        }
    }
    if (section != nullptr)
        CloseHandle(section);
    if (ready != nullptr)
        CloseHandle(ready);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK flintwellE2eMenuHook(int code, WPARAM wParam, LPARAM lParam)
{
    static const UINT request = RegisterWindowMessageW(L"FlintwellE2eReadMenu");
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* message = reinterpret_cast<const MSG*>(lParam);
        if (message->message == request)
            answer(*message);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
