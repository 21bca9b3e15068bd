// The real Win32 window layer, run under Wine with a display (code page
// 1252: no text may depend on it): the controls as the window builds them,
// texts arriving as UTF-16, the worker's calls served on the window thread,
// the menus, and the question box answered by a helper thread.
#include <gtest/gtest.h>

#include "frontends/window/main_window.h"
// windows.h (through main_window.h) first: the common controls header builds on it.
#include <commctrl.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "tests/support/expected_texts.h"
#include "ui/cp1251.h"
#include "ui/text_table.h"
#include "workflow/worker.h"

namespace {

// The window of the whole test program, built once as the entry point does.
HWND theWindow()
{
    static HWND window = [] {
        resetAppState();
        if (!createMainWindow(GetModuleHandleW(nullptr)))
            return static_cast<HWND>(nullptr);
        createControls();
        return mainWindow();
    }();
    return window;
}

class RealWindow : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(theWindow(), nullptr) << "no window: is there a display?"; }
    void TearDown() override { setLanguage(languageRussian); }
    static void setLanguage(uint8_t language)
    {
        app.language = language;
        applyTexts();
        rebuildMenus();
    }
};

std::wstring wide(const std::string& text)
{
    std::wstring out(text.size(), L'\0');
    out.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                       out.data(), static_cast<int>(out.size()))));
    return out;
}

std::wstring expected(bool russian, const char* key)
{
    return wide(expectedText(russian, key));
}

std::wstring textOf(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Runs the GUI thread's messages until done() holds or about 5 s pass.
bool pumpUntil(const std::function<bool()>& done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(1);
    }
    return true;
}

// Every control and whether it starts enabled. (Their ids are the ones the
// end-to-end driver works them by.)
const struct {
    Control control;
    bool enabled;
} controls[] = {
    {Control::portList, false},         {Control::searchButton, false}, {Control::logConsole, true},
    {Control::updateOption, false},     {Control::updateOptionLabel, false}, {Control::resetOption, false},
    {Control::resetOptionLabel, false}, {Control::startButton, false},  {Control::idLabel, true},
    {Control::progressBar, true},
};

// The scale that Windows (or Wine, from the prefix's LogPixels) gives every
// program: the measure that the window's own is checked against. The test's
// case names the DPI it set up.
UINT screenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}
UINT caseDpi()
{
    const char* dpi = std::getenv("WINDOW_TEST_DPI");
    return dpi != nullptr ? static_cast<UINT>(std::atoi(dpi)) : 96;
}

int width(const RECT& r)
{
    return r.right - r.left;
}
int height(const RECT& r)
{
    return r.bottom - r.top;
}

// Where the user sees the controls: each one's rectangle in the client area.
struct Seen {
    RECT client;
    RECT places[std::size(controls)];
};
Seen seen()
{
    Seen s{};
    GetClientRect(theWindow(), &s.client);
    for (size_t i = 0; i < std::size(controls); ++i) {
        GetWindowRect(windowOf(controls[i].control), &s.places[i]);
        MapWindowPoints(nullptr, theWindow(), reinterpret_cast<POINT*>(&s.places[i]), 2);
    }
    return s;
}

// As Windows does when the window moves to a monitor of another scale: the
// new DPI with the window's rectangle scaled by the ratio, at its place.
RECT changeDpi(UINT from, UINT to)
{
    RECT r{};
    GetWindowRect(theWindow(), &r);
    RECT suggested{r.left, r.top, r.left + MulDiv(width(r), static_cast<int>(to), static_cast<int>(from)),
                   r.top + MulDiv(height(r), static_cast<int>(to), static_cast<int>(from))};
    SendMessageW(theWindow(), WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
    return suggested;
}

}  // namespace

TEST_F(RealWindow, ControlsAreVisibleChildrenInTheirStartingStates)
{
    EXPECT_EQ(FindWindowW(mainWindowClass, expected(true, "title").c_str()), theWindow());
    for (const auto& c : controls) {
        SCOPED_TRACE(static_cast<int>(c.control));
        HWND child = windowOf(c.control);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetParent(child), theWindow());
        EXPECT_EQ(IsWindowEnabled(child) != FALSE, c.enabled);
        EXPECT_NE(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE, 0);
    }
    EXPECT_TRUE(isChecked(Control::updateOption));
    EXPECT_FALSE(isChecked(Control::resetOption));
}

// The window as built, and the places it would take at other scales: centred
// in the work area (the screen less Wine's taskbar) where it fits, otherwise
// its title bar inside, at its size at that scale.
TEST_F(RealWindow, WindowIsCentredInTheWorkAreaOrKeepsItsTitleBarInside)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(theWindow(), MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT work = monitor.rcWork;
    ASSERT_LT(height(work), height(monitor.rcMonitor)) << "no taskbar: the work area is the whole screen";
    const auto expectPlaced = [&](const RECT& r) {
        const std::pair<LONG, LONG> axes[] = {{r.left - work.left, work.right - r.right},
                                              {r.top - work.top, work.bottom - r.bottom}};
        for (const auto& [before, after] : axes) {
            if (before >= 0 && after >= 0) {
                EXPECT_LE(std::abs(before - after), 1) << "not centred in the work area";
            } else {  // larger than the work area: it starts there
                EXPECT_TRUE(before == 0 && after < 0) << "the title bar leaves the work area";
            }
        }
    };
    RECT built{};
    GetWindowRect(theWindow(), &built);
    expectPlaced(built);
    EXPECT_EQ(width(built), MulDiv(mainWindowWidth, static_cast<int>(screenDpi()), 96));
    EXPECT_EQ(height(built), MulDiv(mainWindowHeight, static_cast<int>(screenDpi()), 96));
    const RECT at96 = mainWindowRect(theWindow(), 96);
    for (const int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(dpi);
        const RECT r = mainWindowRect(theWindow(), static_cast<UINT>(dpi));
        expectPlaced(r);
        EXPECT_NEAR(width(r), width(at96) * dpi / 96.0, 1);
        EXPECT_NEAR(height(r), height(at96) * dpi / 96.0, 1);
    }
}

// Started at the case's DPI, then moved to a monitor of the other scale and
// back: at each the controls keep apart, and at the other every control's
// edges are at the ratio of the two DPIs, within a pixel of rounding. (The
// port list's closed height follows its font; the progress bar ends at the
// client area's edge.)
TEST_F(RealWindow, LayoutFollowsTheDpiAndKeepsTheControlsApart)
{
    const UINT dpi = screenDpi(), other = dpi == 96 ? 144 : 96;
    ASSERT_EQ(dpi, caseDpi()) << "the case's DPI did not reach the program";
    const auto expectApart = [](const Seen& s) {
        for (size_t i = 0; i < std::size(controls); ++i) {
            SCOPED_TRACE(static_cast<int>(controls[i].control));
            RECT both{};
            for (size_t j = i + 1; j < std::size(controls); ++j)
                EXPECT_FALSE(IntersectRect(&both, &s.places[i], &s.places[j]))
                    << "overlaps " << static_cast<int>(controls[j].control);
            if (controls[i].control == Control::progressBar) {
                EXPECT_EQ(s.places[i].right, s.client.right) << "the bar ends at the client area's edge";
            }
        }
    };
    const Seen start = seen();
    expectApart(start);
    // Wine keeps the frame and menu bar of the DPI the program started at:
    // the client area fits the controls there.
    for (const RECT& r : start.places) {
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= start.client.right && r.bottom <= start.client.bottom)
            << "out of sight: " << r.left << "," << r.top << "-" << r.right << "," << r.bottom;
    }
    const RECT suggested = changeDpi(dpi, other);
    const Seen there = seen();
    RECT now{};
    GetWindowRect(theWindow(), &now);
    EXPECT_TRUE(EqualRect(&now, &suggested)) << "the window takes the suggested rectangle";
    expectApart(there);
    for (size_t i = 0; i < std::size(controls); ++i) {
        SCOPED_TRACE(static_cast<int>(controls[i].control));
        const RECT &a = start.places[i], &b = there.places[i];
        const LONG from[] = {a.left, a.top, a.right, a.bottom}, to[] = {b.left, b.top, b.right, b.bottom};
        for (int edge = 0; edge < 4; ++edge) {
            if ((edge == 2 && controls[i].control == Control::progressBar) ||
                (edge == 3 && controls[i].control == Control::portList))
                continue;
            EXPECT_NEAR(to[edge], from[edge] * static_cast<double>(other) / dpi, 1) << "edge " << edge;
        }
    }
    changeDpi(other, dpi);
    const Seen back = seen();
    for (size_t i = 0; i < std::size(controls); ++i)
        EXPECT_TRUE(EqualRect(&back.places[i], &start.places[i])) << static_cast<int>(controls[i].control);
}

// Every control with text gets a font of its own (the stock system font has
// no Cyrillic on a Western Windows) that has the letters of the Russian
// captions and console.
TEST_F(RealWindow, EveryControlsFontHasTheRussianLetters)
{
    const std::wstring letters = L"ПОИСКСТАРТОбновить прошивку и сбросить настройкиЁёЩщЪъЫыЭэЮюЯя";
    HDC dc = GetDC(theWindow());
    for (const auto& c : controls) {
        SCOPED_TRACE(static_cast<int>(c.control));
        if (c.control == Control::progressBar)
            continue;  // no text
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(windowOf(c.control), WM_GETFONT, 0, 0));
        EXPECT_NE(font, nullptr) << "the system font has no Cyrillic on a Western Windows";
        if (font == nullptr)
            continue;
        HGDIOBJ old = SelectObject(dc, font);
        std::vector<WORD> glyphs(letters.size(), 0xFFFF);
        GetGlyphIndicesW(dc, letters.c_str(), static_cast<int>(letters.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS);
        SelectObject(dc, old);
        for (size_t i = 0; i < letters.size(); ++i) {
            EXPECT_NE(glyphs[i], 0xFFFF) << "no glyph for U+" << std::hex << static_cast<int>(letters[i]);
        }
    }
    ReleaseDC(theWindow(), dc);
}

// A rebuilt menu bar replaces the old one with its popups (what it holds in
// each language, ids and check marks: e2e.Window, after the program's commands).
TEST_F(RealWindow, ARebuiltMenuBarDestroysTheOldOne)
{
    HMENU before = GetMenu(theWindow());
    setLanguage(languageEnglish);
    EXPECT_FALSE(IsMenu(before));
    EXPECT_EQ(GetMenuItemCount(GetMenu(theWindow())), 3);
}

TEST_F(RealWindow, AppendLogGoesToTheEndConvertsCyrillicAndKeepsALongLog)
{
    HWND console = windowOf(Control::logConsole);
    clearLog();
    appendLog(cp1251<"\r\n<< Поиск устройства для обновления ">.data());
    appendLog(".");
    // Wherever the operator left the caret or a selection, texts go to the end.
    SendMessageW(console, EM_SETSEL, 2, 5);
    appendLog(cp1251<"\r\n>> Устройство найдено:">.data());
    appendLog(nullptr);
    EXPECT_EQ(textOf(console), expected(true, "searching") + L"." + expected(true, "found"));

    // A text longer than the conversion buffer arrives whole.
    std::string longText;
    std::wstring longWide;
    while (longText.size() < 3 * wideTextSize) {
        longText += cp1251<"\r\n   > строка журнала №">.data() + std::to_string(longText.size());
        longWide += L"\r\n   > строка журнала №" + std::to_wstring(longWide.size());
    }
    clearLog();
    appendLog(longText.c_str());
    EXPECT_EQ(textOf(console), longWide);

    // Up to 500 read-error lines of a dropped line (about 22,000 characters)
    // come before a job's result: the edit control's default limit must not cut it.
    clearLog();
    std::string lines;
    for (int i = 0; i < 100; ++i)
        lines += "\r\n>> Error: Reading from COM port! [5] ";
    for (int i = 0; i < 15; ++i)
        appendLog(lines.c_str());
    appendLog("\r\n\t\tUPDATE FAILED!!!");
    const std::wstring text = textOf(console);
    EXPECT_EQ(text.size(), 15 * lines.size() + 20);
    EXPECT_EQ(text.substr(text.size() - 20), L"\r\n\t\tUPDATE FAILED!!!");
    clearLog();
}

TEST_F(RealWindow, PortListTextStaysWithinItsBuffer)
{
    portListClear();
    for (const char* port : {"COM3", "COM10", "COM2"})
        portListAppend(port);
    EXPECT_EQ(portListCount(), 3);
    portListSelect(1);
    portListSelect(3);  // out of range: the selection stays
    EXPECT_EQ(SendMessageW(windowOf(Control::portList), CB_GETCURSEL, 0, 0), 1);
    char text[8];
    memset(text, 'x', sizeof text);
    EXPECT_TRUE(portListText(1, text, 4));  // cut to fit, terminated
    EXPECT_STREQ(text, "COM");
    EXPECT_EQ(text[4], 'x');
    EXPECT_FALSE(portListText(3, text, sizeof text));
    EXPECT_STREQ(text, "");
    portListClear();
    EXPECT_EQ(portListCount(), 0);
}

// The worker (search and update job) reports through the same calls: they
// must reach the controls, and its ending must run on the window's own thread.
DWORD endingThread = 0;
bool checkedFromWorker = false;

TEST_F(RealWindow, WorkerCallsReachTheWindowAndItsEndingRunsOnTheWindowThread)
{
    clearLog();
    ASSERT_TRUE(startWorker(
        [] {
            enableControl(Control::mainWindow, false);
            appendLog(cp1251<"\r\n<< Запись во Flash память">.data());
            setControlText(Control::idLabel, "ID: 7; 9;");
            setChecked(Control::resetOption, true);
            checkedFromWorker = isChecked(Control::resetOption);
            stepProgress();
            enableControl(Control::mainWindow, true);
        },
        [] { endingThread = GetCurrentThreadId(); }));
    EXPECT_FALSE(startWorker([] {}, [] {})) << "a second worker while one runs";

    EXPECT_TRUE(pumpUntil([] { return endingThread != 0; }));
    EXPECT_EQ(endingThread, GetCurrentThreadId());
    EXPECT_FALSE(workerBusy());
    EXPECT_TRUE(checkedFromWorker);
    EXPECT_EQ(textOf(windowOf(Control::logConsole)), expected(true, "writingFlash"));
    EXPECT_EQ(textOf(windowOf(Control::idLabel)), L"ID: 7; 9;");
    EXPECT_TRUE(IsWindowEnabled(theWindow()));
    setChecked(Control::resetOption, false);
    resetProgress();
    clearLog();
}

// Only Yes answers the question true; the box shows the question's text.
TEST_F(RealWindow, QuestionBoxIsTrueOnlyForYes)
{
    for (const WPARAM answer : {IDYES, IDNO}) {
        std::wstring shown;
        std::thread helper([&] {
            for (int i = 0; i < 500; ++i, Sleep(10)) {
                HWND box = FindWindowW(L"#32770", expected(true, "caption").c_str());
                // The box is shown once its controls are all there.
                if (box != nullptr && IsWindowVisible(box)) {
                    shown = textOf(GetDlgItem(box, 0xFFFF));
                    PostMessageW(box, WM_COMMAND, answer, 0);
                    return;
                }
            }
        });
        EXPECT_EQ(askYesNo(texts().askVersionsSame, texts().messageCaption, 0x0400), answer == IDYES);
        helper.join();
        EXPECT_EQ(shown, expected(true, "askVersionsSame"));
    }
}

TEST(Win32Text, WidenAndNarrowStayWithinTheirBuffers)
{
    wchar_t wideText[6];
    wmemset(wideText, L'#', 6);
    EXPECT_EQ(widen(cp1251<"ПОИСК-поиск">.data(), wideText, 6), 5);
    EXPECT_STREQ(wideText, L"ПОИСК");
    EXPECT_EQ(widen(nullptr, wideText, 6), 0);
    EXPECT_STREQ(wideText, L"");
    char narrowText[5];
    memset(narrowText, '#', sizeof narrowText);
    narrow(L"Выход", narrowText, 4);
    EXPECT_STREQ(narrowText, cp1251<"Вых">.data());
    EXPECT_EQ(narrowText[4], '#');
}
