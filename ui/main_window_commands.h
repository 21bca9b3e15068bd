// What the main window's commands and timers do, apart from the window
// itself: the countdown before every search, SEARCH, START, the language
// switch. The Win32 window procedure and the console front end both call
// these.
#pragma once
#include <cstdint>

// Starts the 100-tick countdown of timer 1 (start-up and SEARCH).
void startCountdown();
// One tick of timer 1; the last one runs the search and enables the window.
void countdownTick();

// SEARCH: disables the window, resets it and starts the countdown.
void searchCommand();

// Puts the current language's texts on the window title and the captions.
void relabelControls();
// The Language menu: relabels, rebuilds the menus, resets the window for a
// new search and re-arms the update question.
void switchLanguage(uint8_t newLanguage);
