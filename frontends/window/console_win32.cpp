// The log console (green on black) and the progress bar.
#include "frontends/window/main_window.h"

#include <commctrl.h>
#include <cstring>
#include <uxtheme.h>

namespace {

constexpr COLORREF consoleText = RGB(0, 255, 0);
constexpr COLORREF consoleBackground = RGB(0, 0, 0);
constexpr COLORREF barColour = RGB(0, 255, 0);

HWND bar()
{
    return windowOf(Control::progressBar);
}

}  // namespace

void createLogConsole()
{
    // Lucida Console at 10 points comes with the other fonts (applyFonts).
    win.consoleBrush = CreateSolidBrush(consoleBackground);
    const DWORD style = WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                        ES_AUTOHSCROLL;  // with WS_CHILD and WS_VISIBLE 0x50B000C4
    HWND console = createChild(Control::logConsole, L"Edit", logConsoleId, style, nullptr);
    // The edit control keeps at most 32,767 characters unless told otherwise,
    // and a long session (a failing line logs an error for each of 500
    // attempts) would then lose its last lines, the result among them.
    SendMessageW(console, EM_SETLIMITTEXT, 0, 0);
}

LRESULT consoleColours(HDC dc)
{
    SetTextColor(dc, consoleText);
    SetBkColor(dc, consoleBackground);
    return reinterpret_cast<LRESULT>(win.consoleBrush);
}

void appendLog(const char* text)
{
    HWND console = windowOf(Control::logConsole);
    if (console == nullptr || text == nullptr)
        return;
    // Longer texts than the buffer go in pieces, each appended the same way.
    const size_t length = strlen(text);
    size_t done = 0;
    do {
        wchar_t wide[wideTextSize];
        const int taken = widen(text + done, wide, wideTextSize);
        if (taken == 0)
            break;
        // Select all, drop the selection (the caret stays at the end),
        // replace the empty selection: the text lands at the end.
        SendMessageW(console, EM_SETSEL, 0, -1);
        SendMessageW(console, EM_SETSEL, static_cast<WPARAM>(-1), 0);
        SendMessageW(console, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide));
        done += static_cast<size_t>(taken);
    } while (done < length);
    SendMessageW(console, EM_LINESCROLL, 0, 1);
}

void clearLog()
{
    HWND console = windowOf(Control::logConsole);
    if (console != nullptr)
        SetWindowTextW(console, L"");
}

void createProgressBar()
{
    // The progress class lives in comctl32 and must be registered first.
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    HWND progress = createChild(Control::progressBar, PROGRESS_CLASSW, 0, 0, nullptr);
    // A themed bar ignores its colour; without a theme it is drawn green
    // as on a Windows without visual styles.
    SetWindowTheme(progress, L" ", L" ");
    SendMessageW(progress, PBM_SETBARCOLOR, 0, barColour);
    SendMessageW(progress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageW(progress, PBM_SETPOS, 0, 0);
}

void setProgressRange(unsigned n)
{
    SendMessageW(bar(), PBM_SETRANGE, 0, MAKELPARAM(0, n & 0xFFFF));
    SendMessageW(bar(), PBM_SETSTEP, 1, 0);
    SendMessageW(bar(), PBM_SETPOS, 0, 0);
}

void stepProgress()
{
    SendMessageW(bar(), PBM_STEPIT, 0, 0);
}

void setProgressPosition(int position)
{
    SendMessageW(bar(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void resetProgress()
{
    setProgressPosition(0);
}
