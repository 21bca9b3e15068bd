#include "tests/e2e/driver/operator.h"

#include <commctrl.h>

#include "ui/win32/main_window.h"

namespace {

std::string yesNo(bool value)
{
    return value ? "yes" : "no";
}

void expectState(int expected, bool actual, const std::string& what, const std::string& when)
{
    if (expected < 0)
        return;
    expect(actual == (expected == 1), when + ": " + what + " " + yesNo(expected == 1),
           "it is " + yesNo(actual));
}

std::wstring replaced(std::wstring text, const std::wstring& from, const std::wstring& to)
{
    const size_t at = text.find(from);
    if (at != std::wstring::npos)
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

const ExpectedTexts& texts(const Session& session)
{
    return textsIn(session.language);
}

HWND control(const Session& session, int id)
{
    return child(session.window, id);
}

HWND idLabel(const Session& session)
{
    return childByClass(session.window, L"Static", L"ID:");
}

HWND progressBar(const Session& session)
{
    return childByClass(session.window, PROGRESS_CLASSW);
}

std::wstring consoleText(const Session& session)
{
    return textOf(control(session, logConsoleId));
}

namespace {

// The window is 420 x 680 at 96 DPI, scaled at other DPIs; it opens inside
// the work area, or, where that is smaller, with its title bar inside.
void expectPlacement(const Session& session)
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT r{}, work{};
    GetWindowRect(session.window, &r);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = MulDiv(mainWindowWidth, dpi, 96), height = MulDiv(mainWindowHeight, dpi, 96);
    const bool fits = height <= work.bottom - work.top;
    // Windows keeps a window no taller than the screen (and its frame).
    expect(r.right - r.left == width && (r.bottom - r.top == height || (!fits && r.bottom - r.top < height)),
           "start-up: the window is " + std::to_string(width) + " x " + std::to_string(height) + " at " +
               std::to_string(dpi) + " DPI" + (fits ? "" : ", or as tall as the screen allows"),
           std::to_string(r.right - r.left) + " x " + std::to_string(r.bottom - r.top));
    const bool titleInside = r.left >= work.left && r.top >= work.top && r.right <= work.right &&
                             r.top + GetSystemMetrics(SM_CYCAPTION) <= work.bottom;
    expect(titleInside && (!fits || r.bottom <= work.bottom),
           fits ? "start-up: the window lies inside the work area" : "start-up: the title bar lies inside the work area",
           "window " + std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
               std::to_string(r.bottom) + ", work area " + std::to_string(work.left) + "," + std::to_string(work.top) +
               "-" + std::to_string(work.right) + "," + std::to_string(work.bottom));
}

}  // namespace

bool launchAndWatchStartUp(Session& session)
{
    session.language = 0;
    session.window = nullptr;
    if (options.attach) {
        // Someone else started it: take the first Flintwell window there is.
        const bool appeared = waitUntil([&] { return (session.window = findMainWindow(0)) != nullptr; }, 60000);
        if (!expect(appeared, "a running Flintwell window is found", "none within 60 s"))
            return false;
        DWORD id = 0;
        GetWindowThreadProcessId(session.window, &id);
        session.program = attachToProgram(id);
        if (!expect(session.program.started, "its process can be watched", "OpenProcess failed"))
            return false;
    } else {
        session.program = startProgram(options.program);
        if (!expect(session.program.started, "Flintwell.exe starts", "CreateProcess failed"))
            return false;
        const DWORD id = session.program.process.dwProcessId;
        const bool appeared = waitUntil([&] { return (session.window = findMainWindow(id)) != nullptr; }, 20000);
        if (!expect(appeared, "the main window appears", "no visible \"my Window\" within 20 s"))
            return false;
    }

    // The countdown: the window stays disabled for 100 ticks of 10 ms while
    // the bar fills; catch it moving.
    const ExpectedTexts& t = texts(session);
    int highest = 0;
    bool sawDisabled = false;
    waitUntil(
        [&] {
            if (!IsWindowEnabled(session.window))
                sawDisabled = true;
            bool answered = false;
            const LRESULT position = sendWithTimeout(progressBar(session), PBM_GETPOS, 0, 0, &answered);
            if (answered && position > highest)
                highest = static_cast<int>(position);
            return highest > 0 && sawDisabled;
        },
        5000);
    if (options.attach && !sawDisabled) {
        note("attached after the countdown: its checks are left out");
    } else {
        expect(sawDisabled, "start-up: the window is disabled during the countdown");
        expect(highest > 0, "start-up: the countdown moves the progress bar");
    }
    expect(GetWindowTextLengthW(session.window) > 0 && textOf(session.window) == t.title,
           "start-up: the title is " + utf8(t.title), shown(textOf(session.window)));
    expectPlacement(session);
    const LONG_PTR exStyle = GetWindowLongPtrW(session.window, GWL_EXSTYLE);
    expect((exStyle & WS_EX_TOPMOST) != 0, "start-up: the window is topmost");
    const std::wstring console = consoleText(session);
    expect(console.rfind(std::wstring(session.header ? session.header : t.header) + t.deviceManager, 0) == 0,
           "start-up: the console shows the header and the device manager line", shown(console));
    return true;
}

bool waitForSearchEnd(Session& session, int milliseconds)
{
    const bool ended = waitUntil([&] { return IsWindowEnabled(session.window) != FALSE; }, milliseconds);
    expect(ended, "the search ends (the window is enabled again)",
           "still disabled after " + std::to_string(milliseconds / 1000) + " s");
    return ended;
}

HWND waitForOwnedDialog(Session& session, int milliseconds)
{
    HWND dialog = nullptr;
    waitUntil([&] { return (dialog = findOwnedDialog(session.window)) != nullptr; }, milliseconds);
    return dialog;
}

void expectStates(const Session& session, const ControlStates& s, const std::string& when)
{
    expectState(s.mainWindow, isEnabled(session.window), "main window enabled", when);
    expectState(s.portList, isEnabled(control(session, portListId)), "port list enabled", when);
    expectState(s.searchButton, isEnabled(control(session, searchButtonId)), "SEARCH enabled", when);
    expectState(s.startButton, isEnabled(control(session, startButtonId)), "START enabled", when);
    if (s.options >= 0) {
        const int ids[] = {updateOptionId, updateOptionLabelId, resetOptionId, resetOptionLabelId};
        bool all = true;
        bool none = true;
        for (int id : ids) {
            const bool on = isEnabled(control(session, id));
            all = all && on;
            none = none && !on;
        }
        expect(s.options == 1 ? all : none, when + ": both options and their labels enabled " + yesNo(s.options == 1),
               all ? "all enabled" : none ? "all disabled" : "some enabled, some not");
    }
    expectState(s.updateChecked, isChecked(control(session, updateOptionId)), "update option checked", when);
    expectState(s.resetChecked, isChecked(control(session, resetOptionId)), "reset option checked", when);
}

void expectConsole(const Session& session, const std::wstring& before, const std::wstring& after,
                   const std::string& when)
{
    const std::wstring console = consoleText(session);
    bool matches = console.size() > before.size() + after.size() && console.rfind(before, 0) == 0 &&
                   console.compare(console.size() - after.size(), after.size(), after) == 0;
    if (matches) {
        const std::wstring middle = console.substr(before.size(), console.size() - before.size() - after.size());
        matches = middle.find_first_not_of(L'.') == std::wstring::npos;
    }
    expect(matches, when + ": the console text", "it reads " + shown(console) + "\n     expected " + shown(before) +
                                                     " + dots + " + shown(after));
}

void expectConsoleExactly(const Session& session, const std::wstring& text, const std::string& when)
{
    const std::wstring console = consoleText(session);
    expect(console == text, when + ": the console text",
           "it reads " + shown(console) + "\n     expected " + shown(text));
}

void expectLanguage(const Session& session, const std::string& when)
{
    const ExpectedTexts& t = texts(session);
    const struct {
        HWND window;
        const wchar_t* text;
        const char* what;
    } captions[] = {
        {session.window, t.title, "title"},
        {control(session, searchButtonId), t.search, "SEARCH caption"},
        {control(session, updateOptionLabelId), t.update, "update option label"},
        {control(session, resetOptionLabelId), t.updateReset, "reset option label"},
        {control(session, startButtonId), t.start, "START caption"},
    };
    for (const auto& c : captions) {
        const std::wstring text = textOf(c.window);
        expect(text == c.text, when + ": " + c.what + " " + shown(c.text), "it reads " + shown(text));
    }

    const std::vector<MenuEntry> menu = readMenu(session.window);
    const bool english = session.language == 1;
    const std::wstring tools = std::wstring(t.menuTools) + L"/" + t.menuLanguage;
    const std::vector<MenuEntry> expected = {
        {t.menuFile, 0, false},
        {std::wstring(t.menuFile) + L"/" + t.menuQuit, commandQuit, false},
        {t.menuTools, 0, false},
        {tools, 0, false},
        {tools + L"/Русский", commandRussian, !english},
        {tools + L"/English", commandEnglish, english},
        {t.menuHelp, 0, false},
        {std::wstring(t.menuHelp) + L"/" + t.menuHelpItem, commandHelpItem, false},
        {std::wstring(t.menuHelp) + L"/" + t.menuAbout, commandAbout, false},
    };
    std::wstring got;
    bool same = menu.size() == expected.size();
    for (size_t i = 0; i < menu.size(); ++i) {
        got += menu[i].path + L" (" + std::to_wstring(menu[i].id) + (menu[i].checked ? L", checked); " : L"); ");
        if (i < expected.size()) {
            same = same && menu[i].path == expected[i].path && menu[i].checked == expected[i].checked &&
                   menu[i].id == expected[i].id;
        }
    }
    expect(same, when + ": the menu bar in the language, the language item checked", "it reads " + shown(got));
}

std::wstring consoleBeforeDots(const Session& session)
{
    const ExpectedTexts& t = texts(session);
    return std::wstring(t.header) + t.deviceManager + t.searching;
}

std::wstring foundAfterDots(const Session& session, const wchar_t* version)
{
    const ExpectedTexts& t = texts(session);
    return replaced(t.report, L"1.04", version) + L"\r\n" + separator;
}

void expectExit(Session& session, const std::string& how, int milliseconds)
{
    DWORD code = 12345;
    const bool ended = waitForExit(session.program, milliseconds, &code);
    expect(ended, how + ": the program ends", "still running after " + std::to_string(milliseconds / 1000) + " s");
    if (ended)
        expect(code == 0, how + ": exit code 0", "exit code " + std::to_string(code));
    else
        killProgram(session.program);
}
