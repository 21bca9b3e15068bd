// The window's geometry and fonts at any scale: one table of the controls'
// places at 96 DPI, scaled by one function to the window's DPI; the window
// centred in the work area of its monitor; the captions in the system's
// message font, which has Cyrillic on every Windows.
#include "frontends/window/main_window.h"

namespace {

constexpr int baseDpi = 96;

// Client pixels at 96 DPI. The progress bar runs to the client area's
// right edge (its 420 pixels would be cut by the window's border).
struct Place {
    Control control;
    int x, y, width, height;
};
constexpr Place places[] = {
    {Control::portList, 10, 10, 235, 100},  // the height includes the drop-down list
    {Control::searchButton, 260, 10, 140, 40},
    {Control::idLabel, 10, 45, 240, 20},
    {Control::logConsole, 0, 70, 413, 440},
    {Control::progressBar, 0, 520, 420, 30},
    {Control::updateOption, 10, 570, 15, 15},
    {Control::updateOptionLabel, 30, 570, 200, 20},
    {Control::resetOption, 10, 595, 15, 15},
    {Control::resetOptionLabel, 30, 595, 230, 40},  // up to START
    {Control::startButton, 260, 570, 140, 40},
};

UINT systemDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : baseDpi;
}

const Place* placeOf(Control control)
{
    for (const Place& place : places)
        if (place.control == control)
            return &place;
    return nullptr;
}

// The system's message font at this DPI.
HFONT createCaptionFont(UINT dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    using ForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    auto forDpi = reinterpret_cast<ForDpi>(user32Function("SystemParametersInfoForDpi"));
    if (forDpi != nullptr && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        return CreateFontIndirectW(&metrics.lfMessageFont);
    }
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    // Given at the system's DPI: bring it to the window's.
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                            static_cast<int>(systemDpi()));
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

HFONT createConsoleFont(UINT dpi)
{
    return CreateFontW(-MulDiv(10, static_cast<int>(dpi), 72), 0, 0, 0, 0, FALSE, FALSE, FALSE, RUSSIAN_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       L"Lucida Console");
}

}  // namespace

AnyFunction user32Function(const char* name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<AnyFunction>(GetProcAddress(user32, name)) : nullptr;
}

int scaled(int pixels, UINT dpi)
{
    return MulDiv(pixels, static_cast<int>(dpi), baseDpi);
}

UINT windowDpi(HWND window)
{
    using ForWindow = UINT(WINAPI*)(HWND);
    auto forWindow = reinterpret_cast<ForWindow>(user32Function("GetDpiForWindow"));
    const UINT dpi = forWindow != nullptr && window != nullptr ? forWindow(window) : 0;
    return dpi != 0 ? dpi : systemDpi();
}

RECT controlRect(Control control, UINT dpi)
{
    const Place* place = placeOf(control);
    if (place == nullptr)
        return RECT{};
    RECT r{scaled(place->x, dpi), scaled(place->y, dpi), scaled(place->x + place->width, dpi),
           scaled(place->y + place->height, dpi)};
    if (control == Control::progressBar) {
        RECT client{};
        GetClientRect(mainWindow(), &client);
        if (client.right > 0 && client.right < r.right)
            r.right = client.right;
    }
    return r;
}

RECT mainWindowRect(HWND window, UINT dpi)
{
    const int width = scaled(mainWindowWidth, dpi);
    const int height = scaled(mainWindowHeight, dpi);
    POINT origin{0, 0};
    HMONITOR monitor = window != nullptr ? MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY)
                                         : MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoW(monitor, &info))
        work = info.rcWork;
    // Centred in the work area; where that is smaller than the window, its
    // top left corner (and so the title bar) stays inside.
    int x = work.left + (work.right - work.left - width) / 2;
    int y = work.top + (work.bottom - work.top - height) / 2;
    if (x < work.left)
        x = work.left;
    if (y < work.top)
        y = work.top;
    return RECT{x, y, x + width, y + height};
}

void layOutControls(UINT dpi)
{
    for (const Place& place : places) {
        const RECT r = controlRect(place.control, dpi);
        SetWindowPos(windowOf(place.control), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void applyFonts(UINT dpi)
{
    HFONT oldCaption = win.captionFont;
    HFONT oldConsole = win.consoleFont;
    win.captionFont = createCaptionFont(dpi);
    win.consoleFont = createConsoleFont(dpi);
    for (const Place& place : places) {
        if (place.control == Control::progressBar)
            continue;
        HFONT font = place.control == Control::logConsole ? win.consoleFont : win.captionFont;
        if (font != nullptr)
            SendMessageW(windowOf(place.control), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (oldCaption != nullptr)
        DeleteObject(oldCaption);
    if (oldConsole != nullptr)
        DeleteObject(oldConsole);
}

void onDpiChanged(UINT dpi, const RECT* suggested)
{
    SetWindowPos(mainWindow(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    layOutControls(dpi);
    applyFonts(dpi);
}
