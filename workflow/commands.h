// What the main window's commands and timers do in each activity, apart
// from the window itself: the countdown before every search, SEARCH, the
// close, the language switch, the end of the session. The front ends (the
// Win32 window procedure, the console updater) call these; START is
// startUpdateJob (workflow/update_job.h).
#pragma once
#include <cstdint>

// Starts the 100-tick countdown of timer 1 (start-up and SEARCH).
void startCountdown();
// One tick of timer 1; the last one starts the search on the worker, whose
// ending enables the window.
void countdownTick();

// SEARCH: disables the window, resets it and starts the countdown. Refused
// while a search or a job runs.
void searchCommand();

// File > Network port...: the network port dialog; after OK the port list
// shows the network ports at once. Refused while a search or a job runs.
void networkPortCommand();

// Closing the window (the close box, File > Quit, the popup's Quit, a close
// sent by another program): closes it now when no search or job runs, else
// remembers the close and carries it out when they end. True when closed now.
bool requestClose();
// The one ending of a search or a job, on the window thread: the program is
// idle again, the window comes back, and a close asked for meanwhile is
// carried out.
void endActivity();
// The close that waited for a search or a job (endActivity calls it).
void carryOutPendingClose();

// Whether Windows may end the session now: not while the firmware is being
// written.
bool sessionMayEnd();
// Windows ends the session: the job sends nothing more, nor does shutdown.
void endSession();

// Puts the current language's texts on the window title and the captions.
void relabelControls();
// The Language menu: relabels, rebuilds the menus, resets the window for a
// new search and re-arms the update question. Refused while a search or a
// job runs.
void switchLanguage(uint8_t newLanguage);
