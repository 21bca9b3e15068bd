// The operator's steps that the cases share: start the program and watch its
// start-up, wait for the search to end, compare the console and the control
// states with what the window must show, and close the program.
#pragma once
#include "tests/e2e/driver/driver.h"
#include "tests/e2e/driver/expected_texts.h"

struct Session {
    Program program;
    HWND window;
    int language;  // 0 Russian, 1 English: what the texts are checked against
    const wchar_t* header;  // the console's header when the build carries another image than the sample's
};

// Control states as Part of the window's state table; -1 means "not checked".
struct ControlStates {
    int mainWindow;
    int portList;
    int searchButton;
    int startButton;
    int options;  // both boxes and both labels
    int updateChecked;
    int resetChecked;
};
constexpr ControlStates statesCountdown = {0, 0, 0, 0, 0, -1, -1};
constexpr ControlStates statesOffered = {1, 0, 0, 1, 1, 1, 0};
constexpr ControlStates statesDeclined = {1, 0, 0, 0, 0, 1, 0};
constexpr ControlStates statesNotFound = {1, 1, 1, 0, 0, 1, 0};
constexpr ControlStates statesAfterJob = {1, 1, 1, 0, 0, 1, 0};
constexpr ControlStates statesAfterSwitch = {1, 1, 1, 0, 0, -1, -1};

const ExpectedTexts& texts(const Session& session);

// Starts the program and waits for its window; checks the start-up: the
// Russian title, the window disabled during the countdown, the header and
// "Device Manager" in the console, the progress bar moving.
bool launchAndWatchStartUp(Session& session);
// Waits until the search has ended (the window is enabled again).
bool waitForSearchEnd(Session& session, int milliseconds = 30000);
// Waits for a dialog owned by the main window.
HWND waitForOwnedDialog(Session& session, int milliseconds = 30000);

std::wstring consoleText(const Session& session);
HWND control(const Session& session, int id);
HWND idLabel(const Session& session);
HWND progressBar(const Session& session);

void expectStates(const Session& session, const ControlStates& states, const std::string& when);
// The console reads before + one or more dots + after.
void expectConsole(const Session& session, const std::wstring& before, const std::wstring& after,
                   const std::string& when);
void expectConsoleExactly(const Session& session, const std::wstring& text, const std::string& when);
// The texts of the title, the captioned controls and the menu bar.
void expectLanguage(const Session& session, const std::string& when);

// What the console shows after a search that found the default simulator
// with the given version, up to the dots, and from the dots on.
std::wstring consoleBeforeDots(const Session& session);
std::wstring foundAfterDots(const Session& session, const wchar_t* version);

// Closes the program (however the case chose) and expects it to end with 0.
void expectExit(Session& session, const std::string& how, int milliseconds = 15000);
