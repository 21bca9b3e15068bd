// The real main window: what the Win32 window layer's files share, and what
// the entry point (app/win32/winmain.cpp) calls to build the window.
#pragma once
#include <windows.h>

#include "ui/timer_ids.h"
#include "ui/window.h"

// Command identifiers of the menus and the controls (WM_COMMAND), stable so
// that a driver program can work the window by id.
constexpr int commandQuit = 1;
constexpr int commandRussian = 2;
constexpr int commandEnglish = 3;
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


// Timers belong to the thread that owns the window, so the worker asks the
// GUI thread to start or stop one: wParam timer id, lParam period in ms.
constexpr UINT startTimerMessage = WM_APP + 1;
constexpr UINT stopTimerMessage = WM_APP + 2;

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

// --- Building the window (GUI thread) -------------------------------------------
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
