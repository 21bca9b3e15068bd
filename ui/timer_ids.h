// The two timers of the main window.
#pragma once

// Timer 1: the 100-tick countdown before every search.
constexpr unsigned countdownTimerId = 1;
// Timer 2: armed by the update job's worker as its last act; its first tick
// ends the job on the window thread.
constexpr unsigned jobTimerId = 2;
