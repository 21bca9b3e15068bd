// The real main window: what the Win32 window layer's files share, and what
// the entry point (frontends/window/winmain.cpp) calls to build the window.
#pragma once
#include <windows.h>

#include "ui/text_table.h"
#include "ui/timer_ids.h"
#include "ui/window.h"

// Command identifiers of the menus and the controls (WM_COMMAND), stable so
// that a driver program can work the window by id.
constexpr int commandQuit = 1;
constexpr int commandHelpItem = 4;
constexpr int commandAbout = 5;
constexpr int portListId = 6;
constexpr int searchButtonId = 7;
constexpr int logConsoleId = 9;
constexpr int updateOptionId = 10;
constexpr int updateOptionLabelId = 11;
constexpr int resetOptionId = 12;
constexpr int resetOptionLabelId = 13;
constexpr int startButtonId = 14;
constexpr int commandNetworkPort = 15;  // File > Network port...
// The Language menu's items: one per row of the language table.
constexpr int commandLanguageFirst = 100;
constexpr int commandRussian = commandLanguageFirst + languageRussian;
constexpr int commandEnglish = commandLanguageFirst + languageEnglish;


// The worker's last act: its ending is to run on the window thread.
constexpr UINT workerDoneMessage = WM_APP + 3;

constexpr wchar_t mainWindowClass[] = L"my Window";
constexpr int mainWindowWidth = 420;
constexpr int mainWindowHeight = 680;

// Handles of the window layer. Written on the GUI thread while the window is
// built; read by both threads afterwards.
struct Win32Window {
    HINSTANCE instance;
    DWORD guiThread;
    HWND windows[controlCount];  // indexed by Control; mainWindow first
    HMENU languagePopup;         // of the current menu bar
    HFONT consoleFont;
    HFONT captionFont;  // the other controls' (the system's message font)
    HBRUSH consoleBrush;
};
extern Win32Window win;

inline HWND windowOf(Control control)
{
    return win.windows[static_cast<int>(control)];
}
inline HWND mainWindow()
{
    return windowOf(Control::mainWindow);
}
inline bool onGuiThread()
{
    return GetCurrentThreadId() == win.guiThread;
}

// --- Texts at the boundary ------------------------------------------------------
// Room for any caption, title or box text of the program.
constexpr int wideTextSize = 1024;
// The first (size - 1) bytes at most of a Windows-1251 text as UTF-16,
// zero-terminated; returns the number of characters. A null text gives "".
int widen(const char* text, wchar_t* wide, int size);
// A UTF-16 text as Windows-1251, cut to fit size bytes with its terminator.
void narrow(const wchar_t* wide, char* text, int size);

// --- Geometry, fonts and newer functions (layout_win32.cpp) ------------------------
// A function of user32 by name (null when this Windows lacks it), as a plain
// function pointer that the caller casts to its real type: what is newer than
// Windows 7 is looked up at run time so that the static .exe still starts there.
using AnyFunction = void (*)();
AnyFunction user32Function(const char* name);
// Pixels at 96 DPI brought to dpi.
int scaled(int pixels, UINT dpi);
// The DPI of the window's monitor (the system's where Windows cannot tell).
UINT windowDpi(HWND window);
// A control's place in the client area at dpi, from the 96-DPI layout table.
RECT controlRect(Control control, UINT dpi);
// The main window's outer rectangle at dpi, centred in the work area of its
// monitor (the primary one before it exists), its title bar always inside.
RECT mainWindowRect(HWND window, UINT dpi);
// Moves every control to its place at dpi; gives the controls their fonts at dpi.
void layOutControls(UINT dpi);
void applyFonts(UINT dpi);
// WM_DPICHANGED: the window takes the suggested rectangle and re-lays itself out.
void onDpiChanged(UINT dpi, const RECT* suggested);

// --- Building the window (GUI thread) -------------------------------------------
// A child control at its place for the window's DPI; a null text gives none.
HWND createChild(Control control, const wchar_t* windowClass, int id, DWORD style, const char* text);
// Registers "my Window" and creates the main window, still hidden. False when
// either fails.
bool createMainWindow(HINSTANCE instance);
// The menu bar, then the ten controls in their initial states.
void createControls();
void buildMenus();
void createLogConsole();
void createProgressBar();

// --- Window procedure and its parts ---------------------------------------------
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// WM_CTLCOLOREDIT of the console: green on black; returns the black brush.
LRESULT consoleColours(HDC dc);
// The right-button popup with the single Quit item, at a client point.
void showQuitPopup(int x, int y);
// The About box of the current language (template 1 or 2).
void showAboutBox();
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
