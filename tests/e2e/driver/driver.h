// The end-to-end driver: a Win32 program that starts Flintwell.exe in its
// own desktop and works its window as an operator would, by control and
// command id, reading back what the window shows. Every wait is bounded.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// --- Options of one run (main.cpp) -------------------------------------------------
struct DriverOptions {
    std::wstring program;     // Flintwell.exe to start (--exe)
    std::wstring resultFile;  // PASS/FAIL lines and the verdict (--result)
    std::wstring shotDir;     // screenshot requests go here (--shots), empty: none
    std::wstring consoleOut;  // the console text, UTF-8, at the end (--console-out)
    std::wstring workDir;     // the case's work folder, shared with sim_keeper.sh (--work)
    bool attach;              // work a Flintwell.exe that is already running (--attach)
    std::vector<std::wstring> args;  // the case's own arguments
};
extern DriverOptions options;

// --- Reporting (report.cpp) --------------------------------------------------------
// Prints "PASS what" or "FAIL what: detail" and keeps the verdict.
bool expect(bool condition, const std::string& what, const std::string& detail = "");
void note(const std::string& text);
// Writes the result file: every line, then "RESULT PASS" or "RESULT FAIL".
// Returns the exit status of the driver (0 only when everything passed).
int finishReport(const char* caseName);
int failureCount();

std::string utf8(const std::wstring& text);
std::wstring wide(const std::string& utf8Text);
// A text with its CR, LF and TAB shown as \r, \n and \t, for FAIL lines.
std::string shown(const std::wstring& text);
// "Z:\..." for a Linux path, so the driver can be handed Linux paths.
std::wstring windowsPath(const std::wstring& path);

// --- Waiting (window_ops.cpp) --------------------------------------------------
// Polls the condition every 50 ms until it holds or the time is up.
bool waitUntil(const std::function<bool()>& condition, int milliseconds);
void pause(int milliseconds);

// --- The program's process -----------------------------------------------------
struct Program {
    PROCESS_INFORMATION process;
    bool started;
};
Program startProgram(const std::wstring& path);
// The process of a Flintwell window that someone else started.
Program attachToProgram(DWORD processId);
// Waits (bounded) for the process to end; its exit code in *code.
bool waitForExit(Program& program, int milliseconds, DWORD* code);
// Ends a process that is still running after a failed case.
void killProgram(Program& program);

// --- Finding windows -----------------------------------------------------------
// The visible top-level window of class "my Window" of that process.
HWND findMainWindow(DWORD processId);
// Any top-level window of that process (visible or not) of the class.
std::vector<HWND> windowsOfProcess(DWORD processId, const wchar_t* windowClass, bool visibleOnly);
// A visible dialog (#32770) owned by owner.
HWND findOwnedDialog(HWND owner);
// The visible dialog (#32770) of that process, owner whatever it is.
HWND findProcessDialog(DWORD processId);
// The visible popup menu window (#32768) of that process.
HWND findPopupMenu(DWORD processId);

// --- Reading controls ----------------------------------------------------------
// WM_GETTEXT, sent with a time-out: empty when the window does not answer.
std::wstring textOf(HWND window);
std::wstring classOf(HWND window);
HWND child(HWND parent, int id);
// The child with that class whose text begins with prefix (or the first of
// that class when prefix is empty).
HWND childByClass(HWND parent, const wchar_t* windowClass, const std::wstring& prefix = L"");
bool isEnabled(HWND window);
bool isChecked(HWND button);
LRESULT sendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* answered = nullptr);
// The selected entry of a combo box, empty when none.
std::wstring comboSelection(HWND combo);
// Every text of a menu, as "Bar/Popup/Item" paths, with the items' ids (0 for
// a popup) and check marks: the menu bar of mainWindow, or with popup the
// menu of that popup menu window. Menus cannot be read from another process,
// so flintwell-e2e-menu-hook.dll (next to the driver) reads them inside the
// program. Empty when that fails.
struct MenuEntry {
    std::wstring path;
    UINT id;
    bool checked;
};
std::vector<MenuEntry> readMenu(HWND mainWindow, HWND popup = nullptr);

// --- Operating -----------------------------------------------------------------
// A menu command or a button press as the window receives it (WM_COMMAND).
void command(HWND mainWindow, int id);
// The close box of the caption (WM_SYSCOMMAND SC_CLOSE).
void pressCloseBox(HWND window);
// A button of a dialog (IDOK, IDYES, IDNO, IDCANCEL).
void pressDialogButton(HWND dialog, int id);

// --- Screenshots and the console dump ----------------------------------------------
// Asks the script that runs the driver to photograph the window (cropped to
// it) as NAME.png in the shot folder and waits for it. Nothing without --shots.
void requestScreenshot(const char* name, HWND window);
void dumpConsole(const std::wstring& text);
