// The end-to-end driver's plumbing: it starts Flintwell.exe in the Wine
// desktop it runs in and works its window as an operator would, by control
// and command id, reading back what the window shows. Every wait is bounded.
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

std::wstring wide(const std::string& utf8Text);
// An expected text (tests/data/console_*.txt) as the window shows it, UTF-16.
std::wstring expected(bool russian, const std::string& key,
                      std::initializer_list<std::pair<std::string, std::string>> fill = {});

// Polls the condition every 50 ms until it holds or the time is up.
bool waitUntil(const std::function<bool()>& condition, int milliseconds);

struct Program {
    PROCESS_INFORMATION process{};
    bool started = false;
};
// path: a Linux path, run through drive Z:; output: a Linux file that takes
// the program's standard output and error (none: they are not redirected);
// flags: CreateProcess's creation flags.
Program startProgram(const std::string& path, const std::wstring& arguments = L"", const std::string& output = "",
                     DWORD flags = 0);
// Waits (bounded) for the process to end; false when it did not.
bool waitForExit(Program& program, int milliseconds, DWORD* code);
void killProgram(Program& program);

// Visible top-level windows of the class, of that process (0: any) and owner (null: any).
std::vector<HWND> topLevel(DWORD processId, HWND owner, const wchar_t* windowClass);
// Sent with a time-out: the program's GUI thread may be busy.
LRESULT sendWithTimeout(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, bool* answered = nullptr);
std::wstring textOf(HWND window);
std::wstring classOf(HWND window);
bool hasIcon(HWND dialog);
// A menu command or a button press as the window receives it (WM_COMMAND).
void command(HWND window, int id);

// The menu bar, or a popup menu window's menu, as "Bar/Popup/Item" paths:
// read inside the program by flintwell-e2e-menu-hook.dll.
struct MenuEntry {
    std::wstring path;
    UINT id;  // 0 for a popup
    bool checked;
    bool operator==(const MenuEntry&) const = default;
};
std::vector<MenuEntry> readMenu(HWND mainWindow, HWND popup = nullptr);

// The reader side (sim_keeper.sh, files in E2E_WORK): the transcript of
// reader n (1: the first), and a new reader; returns its number, 0 on failure.
std::string transcript(int reader);
std::string workFile(const std::string& name);
std::string readWhole(const std::string& path);
void writeWhole(const std::string& path, const std::string& text);
std::string narrow(const std::wstring& text);
// For the pictures of tests/../scripts/take-screenshots.sh: the window as the
// screen shows it, as E2E_SHOTS/NAME.bmp; nothing without E2E_SHOTS.
void photograph(HWND window, const char* name);
int restartReader(const std::string& arguments);
