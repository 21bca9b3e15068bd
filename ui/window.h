// The window layer: the only way the rest of the program reports to the
// operator or touches a control. Two implementations: the real Win32 window
// (frontends/window/) and a headless model of the same controls (frontends/headless/) for
// tests and console front ends. Texts are Windows-1251 byte strings.
#pragma once
#include <cstdint>

// The main window and its ten controls.
enum class Control : uint8_t {
    mainWindow,
    portList,
    searchButton,
    idLabel,
    logConsole,
    progressBar,
    updateOption,
    updateOptionLabel,
    resetOption,
    resetOptionLabel,
    startButton,
};
constexpr int controlCount = 11;

// --- Log console -------------------------------------------------------------
// Appends a text at the end of the log console, unchanged.
void appendLog(const char* text);
// Empties the log console.
void clearLog();

// --- Message and question boxes ---------------------------------------------
// The program's message box: one OK button, icon 5, owned by the main window.
void showMessage(const char* text, const char* caption);
// The Yes/No question box with the exclamation icon; true only for Yes.
// languageId is the box's language (0x0400 or 0x0409).
bool askYesNo(const char* text, const char* caption, uint16_t languageId);

// --- Controls ----------------------------------------------------------------
void enableControl(Control control, bool enabled);
void setControlText(Control control, const char* text);
void setChecked(Control control, bool checked);
bool isChecked(Control control);

// --- The port list (the drop-down `portList`) --------------------------------
void portListClear();
void portListAppend(const char* text);
void portListSelect(int position);
int portListCount();
// Copies the text of an entry, cut to fit size bytes with its terminator;
// false (and an empty text) for a position that does not exist.
bool portListText(int position, char* text, int size);

// --- The network port dialog ------------------------------------------------------
// File > Network port...: the modal dialog that adds a serial port on the
// network and removes ports added before (ports/network_ports.h; the ones it
// adds are kept for the next start, app/kept_ports.h). True when it was
// closed with OK.
bool editNetworkPorts();

// --- Progress bar --------------------------------------------------------------
// Range 0 to n (low 16 bits of n), step 1, position 0.
void setProgressRange(unsigned n);
void stepProgress();
void setProgressPosition(int position);
void resetProgress();

// --- Timers on the main window ---------------------------------------------------
// Range 0 to steps, step 1, position 0; starts timer timerId with the period
// (at least 10 ms); for timer 1 also announces the countdown in the log.
void startProgressTimer(unsigned timerId, unsigned periodMs, unsigned steps);
// Window thread only: the worker never touches a timer.
void startTimer(unsigned timerId, unsigned periodMs);
void stopTimer(unsigned timerId);

// --- Menus and the program's end --------------------------------------------------
// Moves the check mark of the current menu bar's Language popup to the item
// of the given language.
void checkLanguageMenu(uint8_t language);
// Destroys the menu bar and builds it again in the current language.
void rebuildMenus();
// Ends the message loop (the program's last act after shutdown).
void quitProgram();
// Called on the worker thread as its last act: the window thread is to run
// onWorkerDone (the Win32 window posts itself a message; the headless layer
// does nothing, its front ends call joinWorker).
void postWorkerDone();

// Closes the main window now: its destruction runs shutdown. Only the
// command layer calls it, once nothing is running (requestClose).
void closeMainWindow();

// While a text is set, the program asks Windows not to end the session and
// gives it this reason; null removes it.
void setSessionEndReason(const char* reason);
