// The window's own behaviour: language switch, search without a device, the
// single-instance rule, the start-up failures and the About box.
#include "tests/e2e/driver/cases.h"
// windows.h (through cases.h) first: the common controls header builds on it.
#include <commctrl.h>

#include <algorithm>

#include "ui/win32/main_window.h"

namespace {

void switchTo(Session& s, int language)
{
    command(s.window, language == 0 ? commandRussian : commandEnglish);
    s.language = language;
    const bool switched = waitUntil([&] { return textOf(s.window) == texts(s).title; }, 5000);
    expect(switched, std::string("switched to ") + (language == 0 ? "Russian" : "English"));
}

void expectSwitched(const Session& s, bool resetChecked, const std::string& when)
{
    expectLanguage(s, when);
    expectConsoleExactly(s, texts(s).header, when);
    ControlStates states = statesAfterSwitch;
    states.updateChecked = resetChecked ? 0 : 1;
    states.resetChecked = resetChecked ? 1 : 0;
    expectStates(s, states, when);
    const std::wstring id = textOf(idLabel(s));
    expect(id == idLabelAtRest, when + ": the ID label " + shown(idLabelAtRest), "it reads " + shown(id));
}

bool hasIcon(HWND dialog)
{
    for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
        if (classOf(c) == L"Static" && (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            sendWithTimeout(c, STM_GETICON, 0, 0) != 0)
            return true;
    return false;
}

}  // namespace

void caseLanguage()
{
    Session s{};
    if (!launchAndWatchStartUp(s))
        return;
    if (!waitForSearchEnd(s)) {
        killProgram(s.program);
        return;
    }
    expectLanguage(s, "Russian at start");
    expectStates(s, statesOffered, "device found");

    // The operator picks the other option; the switch keeps the choice.
    command(s.window, resetOptionId);
    waitUntil([&] { return isChecked(control(s, resetOptionId)); }, 3000);
    expect(isChecked(control(s, resetOptionId)) && !isChecked(control(s, updateOptionId)),
           "the reset option chosen: exactly that box checked");

    switchTo(s, 1);
    expectSwitched(s, true, "English");
    switchTo(s, 0);
    expectSwitched(s, true, "back to Russian");

    // Quit from the right-button popup, in the current language.
    PostMessageW(s.window, WM_RBUTTONUP, 0, MAKELPARAM(250, 556));
    HWND popup = nullptr;
    waitUntil([&] { return (popup = findPopupMenu(s.program.process.dwProcessId)) != nullptr; }, 5000);
    if (!expect(popup != nullptr, "the right button shows the popup")) {
        killProgram(s.program);
        return;
    }
    const std::vector<MenuEntry> items = readMenu(s.window, popup);
    expect(items.size() == 1 && items[0].path == texts(s).menuQuit && items[0].id == commandQuit,
           "the popup holds the one item " + shown(texts(s).menuQuit) + " (id 1)",
           items.empty() ? "no items read" : "first item " + shown(items[0].path));
    // The menu loop takes the keys: the first item, then Enter.
    PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
    expectExit(s, "Quit from the right-button popup");
}

namespace {

// The search probes its ports off the window thread: while it runs, the
// window answers every message at once and paints the dots and the bar.
bool watchSearchAnswering(Session& s)
{
    constexpr UINT answerWithinMs = 250;
    int unanswered = 0, probes = 0;
    size_t fewestDots = std::wstring::npos, mostDots = 0;
    LRESULT lowest = 1 << 30, highest = -1;
    const bool ended = waitUntil(
        [&] {
            DWORD_PTR result = 0;
            ++probes;
            if (!SendMessageTimeoutW(s.window, WM_NULL, 0, 0, SMTO_NORMAL, answerWithinMs, &result))
                ++unanswered;
            const std::wstring console = consoleText(s);
            const size_t at = console.find(texts(s).searching);
            if (at != std::wstring::npos && !IsWindowEnabled(s.window)) {
                const size_t from = at + wcslen(texts(s).searching);
                const size_t to = std::min(console.find_first_not_of(L'.', from), console.size());
                const size_t dots = to - from;
                fewestDots = std::min(fewestDots, dots);
                mostDots = std::max(mostDots, dots);
                const LRESULT position = sendWithTimeout(progressBar(s), PBM_GETPOS, 0, 0);
                lowest = std::min(lowest, position);
                highest = std::max(highest, position);
            }
            return IsWindowEnabled(s.window) != FALSE;
        },
        30000);
    expect(ended, "the search ends (the window is enabled again)");
    expect(unanswered == 0, "during the search the window answers every message within 250 ms",
           std::to_string(unanswered) + " of " + std::to_string(probes) + " went unanswered");
    expect(mostDots > fewestDots && fewestDots != std::wstring::npos,
           "during the search the console shows the dots growing",
           "dots seen from " + std::to_string(fewestDots) + " to " + std::to_string(mostDots));
    expect(highest > lowest, "during the search the progress bar rises",
           "positions seen from " + std::to_string(lowest) + " to " + std::to_string(highest));
    return ended;
}

}  // namespace

void caseNotFound()
{
    Session s{};
    if (!launchAndWatchStartUp(s))
        return;
    const ExpectedTexts& t = texts(s);
    const std::wstring notFound = std::wstring(t.notFound) + L"\r\n\r\n" + separator;
    if (waitForSearchEnd(s)) {
        expectConsole(s, consoleBeforeDots(s), notFound, "no device");
        expectStates(s, statesNotFound, "no device");
        expect(textOf(idLabel(s)) == idLabelAtRest, "no device: the ID label reads \"ID: 0; 0;\"");
    }

    // SEARCH: the console starts over with the header and the countdown.
    command(s.window, searchButtonId);
    const bool restarted = waitUntil([&] { return !IsWindowEnabled(s.window); }, 5000);
    expect(restarted, "SEARCH disables the window for the countdown");
    const std::wstring console = consoleText(s);
    expect(console.rfind(std::wstring(t.header) + t.deviceManager, 0) == 0 &&
               console.find(t.searching) == std::wstring::npos,
           "SEARCH: the console shows the header and the device manager line again", shown(console));
    expectStates(s, statesCountdown, "SEARCH countdown");
    if (watchSearchAnswering(s)) {
        expectConsole(s, consoleBeforeDots(s), notFound, "no device again");
        expectStates(s, statesNotFound, "no device again");
    }
    command(s.window, commandQuit);
    expectExit(s, "File > Quit");
}

void caseSecondInstance()
{
    Session first{};
    if (!launchAndWatchStartUp(first))
        return;
    waitForSearchEnd(first);

    // The operator minimises the window and starts the program again.
    PostMessageW(first.window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    expect(waitUntil([&] { return IsIconic(first.window) != FALSE; }, 5000), "the first window is minimised");
    Program second = startProgram(options.program);
    expect(second.started, "a second Flintwell.exe starts");
    const DWORD secondId = second.process.dwProcessId;
    bool secondWindow = false;
    DWORD code = 12345;
    const bool ended = waitUntil(
        [&] {
            if (!windowsOfProcess(secondId, L"my Window", false).empty())
                secondWindow = true;
            return WaitForSingleObject(second.process.hProcess, 0) == WAIT_OBJECT_0;
        },
        15000);
    expect(ended, "the second process ends by itself");
    if (ended) {
        waitForExit(second, 1000, &code);
        expect(code == 0, "the second process ends with 0", "exit code " + std::to_string(code));
    } else {
        killProgram(second);
    }
    expect(!secondWindow, "the second process creates no window");
    expect(waitUntil([&] { return !IsIconic(first.window); }, 5000), "the first window is restored");
    expect(waitUntil([&] { return GetForegroundWindow() == first.window; }, 5000),
           "the first window is brought to the foreground");

    // With the first in English, its title no longer names the program in
    // Russian: a third start opens its own window.
    switchTo(first, 1);
    Session third{};
    third.program = startProgram(options.program);
    const DWORD thirdId = third.program.process.dwProcessId;
    const bool opened = waitUntil([&] { return (third.window = findMainWindow(thirdId)) != nullptr; }, 20000);
    expect(opened, "after the first switched to English, a third start opens its own window");
    if (opened) {
        third.language = 0;
        expect(textOf(third.window) == texts(third).title, "the third window has the Russian title");
        waitForSearchEnd(third);
        pressCloseBox(third.window);
        expectExit(third, "the third window's close box");
    } else {
        killProgram(third.program);
    }
    pressCloseBox(first.window);
    expectExit(first, "the first window's close box");
}

void caseStartFails(const std::wstring& kind)
{
    const ExpectedTexts& t = russianTexts;  // the program always starts in Russian
    std::vector<std::wstring> boxes;
    if (kind == L"hex-load") {
        boxes = {t.errorHexLoad};
    } else if (kind == L"crc-hex-load") {
        boxes = {L"Error PackerARecover: crc packet!", t.errorHexLoad};
    } else if (kind == L"appconfig") {
        boxes = {t.errorAppconfigLoad};
    } else {
        expect(false, "start-fails: known kind", utf8(kind));
        return;
    }

    Session s{};
    s.program = startProgram(options.program);
    if (!expect(s.program.started, "Flintwell.exe starts"))
        return;
    const DWORD id = s.program.process.dwProcessId;
    bool windowSeen = false;
    auto watch = [&] {
        if (findMainWindow(id) != nullptr)
            windowSeen = true;
    };
    for (size_t i = 0; i < boxes.size(); ++i) {
        const std::string which = "box " + std::to_string(i + 1) + " " + shown(boxes[i]);
        HWND box = nullptr;
        waitUntil(
            [&] {
                watch();
                return (box = findProcessDialog(id)) != nullptr;
            },
            20000);
        if (!expect(box != nullptr, which + " appears")) {
            killProgram(s.program);
            return;
        }
        const std::wstring caption = textOf(box);
        const std::wstring text = textOf(child(box, 0xFFFF));
        expect(caption == t.caption && text == boxes[i], which + ", caption " + shown(t.caption),
               "caption " + shown(caption) + ", text " + shown(text));
        HWND owner = GetWindow(box, GW_OWNER);
        expect(owner != nullptr && classOf(owner) == L"my Window" && !IsWindowVisible(owner),
               which + ": owned by the hidden main window", owner == nullptr ? "no owner" : utf8(classOf(owner)));
        expect(child(box, IDOK) != nullptr && child(box, IDYES) == nullptr, which + ": one OK button");
        expect(hasIcon(box), which + ": shows an icon");
        pressDialogButton(box, IDOK);
        expect(waitUntil([&] { return !IsWindow(box); }, 5000), which + ": OK closes it");
    }
    waitUntil(
        [&] {
            watch();
            return WaitForSingleObject(s.program.process.hProcess, 0) == WAIT_OBJECT_0;
        },
        10000);
    expect(findProcessDialog(id) == nullptr, "no further box");
    expect(!windowSeen, "the main window is never shown");
    expectExit(s, "after the last box");
}

void caseAbout()
{
    Session s{};
    if (!launchAndWatchStartUp(s))
        return;
    if (!waitForSearchEnd(s)) {
        killProgram(s.program);
        return;
    }
    for (int language = 0; language < 2; ++language) {
        if (language == 1)
            switchTo(s, 1);
        const std::string when = language == 0 ? "About (Russian)" : "About (English)";
        command(s.window, commandAbout);
        HWND box = waitForOwnedDialog(s, 10000);
        if (!expect(box != nullptr, when + ": the box appears, owned by the main window")) {
            killProgram(s.program);
            return;
        }
        expect(textOf(box) == aboutCaption, when + ": caption " + shown(aboutCaption), shown(textOf(box)));
        HWND text = childByClass(box, L"Static", texts(s).aboutFirstLines);
        expect(text != nullptr, when + ": the text begins " + shown(texts(s).aboutFirstLines));
        expect(hasIcon(box), when + ": shows the program's icon");
        expect(textOf(child(box, IDOK)) == L"OK", when + ": the OK button");
        expect(!IsWindowEnabled(s.window), when + ": the main window is disabled while the box is open");
        if (language == 0)
            pressDialogButton(box, IDOK);
        else
            pressCloseBox(box);
        const bool closed = waitUntil([&] { return !IsWindow(box) && IsWindowEnabled(s.window); }, 5000);
        expect(closed, when + (language == 0 ? ": OK closes it" : ": the close box closes it"));
    }

    // Help > Help has no command: nothing opens, the console stays as it is.
    const std::wstring before = consoleText(s);
    command(s.window, commandHelpItem);
    pause(700);
    expect(findOwnedDialog(s.window) == nullptr && consoleText(s) == before, "Help > Help does nothing");
    command(s.window, commandQuit);
    expectExit(s, "File > Quit");
}
