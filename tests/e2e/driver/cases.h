// The end-to-end cases, one function each; main.cpp picks one by name.
#pragma once
#include "tests/e2e/driver/fault_scenarios.h"
#include "tests/e2e/driver/operator.h"

// Start-up, device found, START, "SUCCESSFUL!!!", closed by the close box.
// With englishToo the same again in English after a language switch.
void caseUpdate(bool englishToo);
// The update question (the simulator's version equals the image's or is
// newer) answered Yes (then File > Quit) or No (then the close box).
void caseQuestion(bool newer, bool answerYes);
// The language switch both ways, then Quit from the right-button popup.
void caseLanguage();
// No device answers; SEARCH repeats the search; File > Quit.
void caseNotFound();
// A second start brings the first window forward and ends with 0; after the
// first switched to English a third start opens a window of its own.
void caseSecondInstance();
// A build whose image or configuration is unusable: only message boxes,
// no window. kind: hex-load, crc-hex-load or appconfig.
void caseStartFails(const std::wstring& kind);
// The About box in Russian (closed with OK) and English (the close box).
void caseAbout();

// The fault matrix (cases_faults.cpp, the scenarios in fault_scenarios.cpp):
// each named scenario with a reader of its own, in one run of the program;
// afterwards a sound reader is found again and the program quits by File > Quit.
void caseFaults(const std::vector<std::wstring>& scenarios);
// A reader found in its bootloader and updated; mid-job the end of the
// session, the language items and SEARCH are refused, and a close waits for
// the job, after which the program ends by itself.
void caseReachable();
// A USB reader registered for SetupAPI on COM7 is switched and found through
// the real Win32 lookup; its job fails; closing the program sends nothing.
void caseUsbHalfWritten();
// Search and update cycles in one run, with the program's handle count and
// memory after each; fails when they grow after the warm-up.
void caseSoak(int cycles);
