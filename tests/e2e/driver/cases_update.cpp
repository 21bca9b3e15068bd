// A whole update through the window, and the update question.
#include "tests/e2e/driver/cases.h"
#include "tests/e2e/driver/fault_steps.h"
#include "ui/win32/main_window.h"

namespace {

constexpr int jobTimeoutMs = 120000;

// START, then wait for the job: the window is disabled while it runs and
// enabled again with the result in the console.
void runUpdate(Session& s, const std::string& when)
{
    runJob(s, when, jobTimeoutMs);
    expectConsole(s, consoleBeforeDots(s), offeredAfterDots(s) + jobConsole(s, JobEnding::successful, false), when);
    expectStates(s, statesAfterJob, when);
}

}  // namespace

void caseUpdate(bool englishToo)
{
    Session s{};
    if (!launchAndWatchStartUp(s))
        return;
    if (waitForSearchEnd(s)) {
        expectFoundAndOffered(s, "device found");
        requestScreenshot("window-ru-found", s.window);
        runUpdate(s, "update");
        requestScreenshot("window-ru-updated", s.window);
    }
    if (englishToo && failureCount() == 0) {
        command(s.window, commandEnglish);
        s.language = 1;
        waitUntil([&] { return textOf(s.window) == texts(s).title; }, 5000);
        command(s.window, searchButtonId);
        waitUntil([&] { return !IsWindowEnabled(s.window); }, 5000);
        if (waitForSearchEnd(s)) {
            expectFoundAndOffered(s, "English: device found");
            requestScreenshot("window-en-found", s.window);
            runUpdate(s, "English: update");
            requestScreenshot("window-en-updated", s.window);
        }
    }
    dumpConsole(consoleText(s));
    pressCloseBox(s.window);
    expectExit(s, "the close box after the update");
}

void caseQuestion(bool newer, bool answerYes)
{
    Session s{};
    if (!launchAndWatchStartUp(s))
        return;
    const ExpectedTexts& t = texts(s);
    const wchar_t* version = newer ? L"2.00" : L"1.05";
    const wchar_t* logLine = newer ? t.deviceNewer : t.versionsSame;
    const wchar_t* question = newer ? t.askDeviceNewer : t.askVersionsSame;

    HWND box = waitForOwnedDialog(s);
    if (!expect(box != nullptr, "the update question box appears, owned by the main window")) {
        killProgram(s.program);
        return;
    }
    const std::wstring caption = textOf(box);
    expect(caption == t.caption, "question: caption " + shown(t.caption), "it reads " + shown(caption));
    const std::wstring text = textOf(child(box, 0xFFFF));
    expect(text == question, "question: text " + shown(question), "it reads " + shown(text));
    expect(child(box, IDYES) != nullptr && child(box, IDNO) != nullptr && child(box, IDOK) == nullptr,
           "question: Yes and No buttons");
    expectConsole(s, consoleBeforeDots(s), foundAfterDots(s, version) + logLine, "while asking");

    pressDialogButton(box, answerYes ? IDYES : IDNO);
    const bool gone = waitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
    expect(gone, std::string("question: answered ") + (answerYes ? "Yes" : "No"));
    waitForSearchEnd(s);
    expect(waitUntil([&] { return GetForegroundWindow() == s.window; }, 2000),
           "after the question Flintwell is the active window again");
    const std::string when = answerYes ? "after Yes" : "after No";
    expectConsole(s, consoleBeforeDots(s), foundAfterDots(s, version) + logLine + separator, when);
    expectStates(s, answerYes ? statesOffered : statesDeclined, when);

    // The device is left in its bootloader with the port open: leaving must
    // send the leave-bootloader frame (the test script reads the transcript).
    if (answerYes) {
        command(s.window, commandQuit);
        expectExit(s, "File > Quit");
    } else {
        pressCloseBox(s.window);
        expectExit(s, "the close box");
    }
}
