// A whole update through the window, and the update question.
#include "tests/e2e/driver/cases.h"
#include "ui/win32/main_window.h"

#include <commctrl.h>

namespace {

constexpr int jobTimeoutMs = 120000;

// The console of a search that found the default simulator (1.04) and
// offered the update.
std::wstring offeredAfterDots(const Session& s)
{
    return foundAfterDots(s, L"1.04") + texts(s).updateRequired + separator;
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

// START, then wait for the job: the window is disabled while it runs and
// enabled again with the result in the console.
void runUpdate(Session& s, const std::string& when)
{
    const ExpectedTexts& t = texts(s);
    command(s.window, startButtonId);
    const bool running = waitUntil([&] { return !IsWindowEnabled(s.window); }, 5000);
    expect(running, when + ": START disables the window for the job");
    int highest = 0;
    const bool done = waitUntil(
        [&] {
            bool answered = false;
            const LRESULT position = sendWithTimeout(progressBar(s), PBM_GETPOS, 0, 0, &answered);
            if (answered && position > highest)
                highest = static_cast<int>(position);
            return IsWindowEnabled(s.window) && consoleText(s).find(banner) != std::wstring::npos;
        },
        jobTimeoutMs);
    expect(done, when + ": the job ends and the window is enabled again",
           "not within " + std::to_string(jobTimeoutMs / 1000) + " s");
    expect(highest > 0, when + ": the progress bar moved during the job");
    const std::wstring after = offeredAfterDots(s) + t.writingFlash + L"\r\n>> OK" + t.resetDevice + L"\r\n>> OK" +
                               banner + t.successful;
    expectConsole(s, consoleBeforeDots(s), after, when);
    expectStates(s, statesAfterJob, when);
    expect(sendWithTimeout(progressBar(s), PBM_GETPOS, 0, 0) == 0, when + ": the progress bar is back at 0");
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
