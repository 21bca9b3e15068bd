// The headless window layer: the same controls as the real window, held in
// memory. Tests read back what the program did; console front ends echo the
// log and answer the question box.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "ui/window.h"

struct HeadlessMessage {
    std::string text;     // Windows-1251, as shown
    std::string caption;  // Windows-1251
};

struct HeadlessQuestion {
    std::string text;
    std::string caption;
    uint16_t languageId;
};

struct HeadlessControl {
    bool enabled;
    bool checked;
    std::string text;  // Windows-1251
};

struct HeadlessProgress {
    int maximum;
    int position;
    int step;
};

// Puts every control into the state the real window creates it in, and
// forgets the log, the message boxes, the questions and the timers.
void headlessReset();

// --- What was shown ------------------------------------------------------------
std::string headlessLog();  // Windows-1251, since the last clear
std::vector<HeadlessMessage> headlessMessages();
std::vector<HeadlessQuestion> headlessQuestions();

// --- Control states ------------------------------------------------------------
HeadlessControl headlessControl(Control control);
std::vector<std::string> headlessPortList();
int headlessPortListSelection();  // -1 when nothing is selected
HeadlessProgress headlessProgress();
// Period of a running timer in ms, or 0 when it is stopped.
unsigned headlessTimerPeriod(unsigned timerId);

// The checked item of the Language popup, menu bars built, quit posted.
int headlessMenuLanguage();
int headlessMenuBuilds();
// Network port dialogs opened so far (none is shown: each is cancelled).
int headlessNetworkDialogs();
bool headlessQuitPosted();
// Whether the window was closed (closeMainWindow ran shutdown), and the
// reason currently given against the end of the session ("" for none).
bool headlessWindowClosed();
std::string headlessSessionEndReason();

// --- Front-end hooks -------------------------------------------------------------
// Also print log texts and message boxes to stderr as UTF-8.
void headlessEchoToStderr(bool on);
// Who answers the question box (the default answers No).
void headlessSetQuestionPolicy(std::function<bool(const HeadlessQuestion&)> policy);
// Called after every change of the progress bar (console progress display).
void headlessSetProgressObserver(std::function<void(const HeadlessProgress&)> observer);
