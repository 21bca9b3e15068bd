#include "tests/e2e/driver/fault_steps.h"

#include <commctrl.h>

#include <cstdio>

#include "tests/e2e/driver/sim_control.h"
#include "ui/win32/main_window.h"

namespace {

double secondsSince(ULONGLONG start)
{
    return static_cast<double>(GetTickCount64() - start) / 1000.0;
}

std::string fixed(double value)
{
    char text[32];
    snprintf(text, sizeof text, "%.2f", value);
    return text;
}

}  // namespace

Outcome searchAgain(Session& s, int waitMs)
{
    expect(isEnabled(control(s, searchButtonId)) && IsWindowEnabled(s.window), "SEARCH can be pressed");
    const ULONGLONG start = GetTickCount64();
    command(s.window, searchButtonId);
    const bool counting = waitUntil([&] { return !IsWindowEnabled(s.window); }, 5000);
    expect(counting, "SEARCH disables the window for the countdown");
    const bool ended = counting && waitUntil([&] { return IsWindowEnabled(s.window) != FALSE; }, waitMs);
    expect(ended, "the search ends (the window is enabled again)",
           "still disabled after " + std::to_string(waitMs / 1000) + " s");
    return {ended, secondsSince(start)};
}

Outcome runJob(Session& s, const std::string& when, int waitMs)
{
    expect(isEnabled(control(s, startButtonId)) && IsWindowEnabled(s.window), when + ": START can be pressed");
    const ULONGLONG start = GetTickCount64();
    command(s.window, startButtonId);
    const bool running = waitUntil([&] { return !IsWindowEnabled(s.window); }, 5000);
    expect(running, when + ": START disables the window for the job");
    int highest = 0;
    const bool done = running && waitUntil(
                                     [&] {
                                         bool answered = false;
                                         const LRESULT position =
                                             sendWithTimeout(progressBar(s), PBM_GETPOS, 0, 0, &answered);
                                         if (answered && position > highest)
                                             highest = static_cast<int>(position);
                                         return IsWindowEnabled(s.window) &&
                                                consoleText(s).find(banner) != std::wstring::npos;
                                     },
                                     waitMs);
    const double seconds = secondsSince(start);
    expect(done, when + ": the job ends and the window is enabled again",
           "not within " + std::to_string(waitMs / 1000) + " s");
    expect(highest > 0, when + ": the progress bar moved during the job");
    expect(sendWithTimeout(progressBar(s), PBM_GETPOS, 0, 0) == 0, when + ": the progress bar is back at 0");
    return {done, seconds};
}

std::wstring offeredAfterDots(const Session& s)
{
    return foundAfterDots(s, L"1.04") + texts(s).updateRequired + separator;
}

std::wstring jobConsole(const Session& s, JobEnding ending, bool resetSettings, const std::wstring& writeError)
{
    const ExpectedTexts& t = texts(s);
    const std::wstring ok = L"\r\n>> OK";
    std::wstring text = t.writingFlash;
    if (ending == JobEnding::interrupted)
        return text + writeError + t.recordingInterrupted + t.failed + banner + t.updateFailed + t.staysInBootloader;
    text += ok;
    if (resetSettings) {
        text += t.resetSettings;
        if (ending == JobEnding::settingsUnconfirmed)
            return text + t.noSettingsResetAck + banner + t.updateFailed + t.staysInBootloader;
        text += ok;
    }
    text += t.resetDevice;
    if (ending == JobEnding::resetUnconfirmed)
        return text + t.noDeviceResetAck + banner + t.updateFailed + t.staysInBootloader;
    return text + ok + banner + t.successful;
}

void expectFoundAndOffered(Session& s, const std::string& when)
{
    expectConsole(s, consoleBeforeDots(s), offeredAfterDots(s), when);
    expectStates(s, statesOffered, when);
    const std::wstring id = textOf(idLabel(s));
    expect(id == idLabelOfSimulator, when + ": the ID label " + shown(idLabelOfSimulator), "it reads " + shown(id));
    const std::wstring port = comboSelection(control(s, portListId));
    expect(port == L"COM7", when + ": the port list shows COM7", "it shows " + shown(port));
}

void expectNotFound(Session& s, const std::string& when)
{
    expectConsole(s, consoleBeforeDots(s), std::wstring(texts(s).notFound) + L"\r\n\r\n" + separator, when);
    expectStates(s, statesNotFound, when);
    const std::wstring id = textOf(idLabel(s));
    expect(id == idLabelAtRest, when + ": the ID label " + shown(idLabelAtRest), "it reads " + shown(id));
}

void expectComPort(const std::string& state, const std::string& when)
{
    const std::string seen = comPortState();
    expect(seen.rfind(state, 0) == 0, when + ": COM7 is " + state, seen.empty() ? "no answer" : "it is " + seen);
}

void expectTime(const std::string& what, double seconds, double minSeconds, double maxSeconds)
{
    note("time: " + what + " took " + fixed(seconds) + " s");
    expect(seconds >= minSeconds && seconds <= maxSeconds,
           what + " within " + fixed(minSeconds) + " to " + fixed(maxSeconds) + " s", fixed(seconds) + " s");
}
