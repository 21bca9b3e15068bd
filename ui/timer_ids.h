// The timer of the main window.
#pragma once

// Timer 1: the 100-tick countdown before every search.
constexpr unsigned countdownTimerId = 1;