// flintwell-e2e-menu-hook.dll: reads the program's menus from inside its
// process (a menu handle means nothing in another one). The driver hooks the
// program's GUI thread with it and posts the main window the registered
// message "FlintwellE2eReadMenu" (wParam: a popup menu window, or 0 for the
// menu bar); the hook writes lines "path TAB id TAB checked" into the section
// "FlintwellE2eMenu" and sets the event "FlintwellE2eMenuReady".
#include <windows.h>

#include <algorithm>
#include <string>

namespace {

void describe(HMENU menu, const std::wstring& prefix, std::wstring& out)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_FTYPE;
        item.dwTypeData = text;
        item.cch = 256;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item) || (item.fType & MFT_SEPARATOR))
            continue;
        const std::wstring path = prefix.empty() ? std::wstring(text) : prefix + L"/" + text;
        out += path + L"\t" + std::to_wstring(item.hSubMenu != nullptr ? 0u : item.wID) + L"\t" +
               ((item.fState & MFS_CHECKED) ? L"1\n" : L"0\n");
        if (item.hSubMenu != nullptr)
            describe(item.hSubMenu, path, out);
    }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK flintwellE2eMenuHook(int code, WPARAM wParam, LPARAM lParam)
{
    static const UINT request = RegisterWindowMessageW(L"FlintwellE2eReadMenu");
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == request) {
        HWND popup = reinterpret_cast<HWND>(message->wParam);
        HMENU menu = popup == nullptr ? GetMenu(message->hwnd)
                                      : reinterpret_cast<HMENU>(SendMessageW(popup, 0x01E1 /* MN_GETHMENU */, 0, 0));
        std::wstring text;
        if (menu != nullptr)
            describe(menu, L"", text);
        HANDLE section = OpenFileMappingW(FILE_MAP_WRITE, FALSE, L"FlintwellE2eMenu");
        HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"FlintwellE2eMenuReady");
        if (auto* view = static_cast<wchar_t*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0))) {
            text.resize(std::min<size_t>(text.size(), 32767));
            wcscpy(view, text.c_str());
            UnmapViewOfFile(view);
            SetEvent(ready);
        }
        CloseHandle(section);
        CloseHandle(ready);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
