// The real Win32 window layer, run under Wine with a display: the controls
// as the window builds them, texts arriving as UTF-16 whatever the ANSI code
// page, the console append, the port list, calls from a worker thread, the
// menus, and the modal boxes answered by a helper thread.
#include <gtest/gtest.h>

#include <iterator>

#include "ui/win32/main_window.h"

#include <chrono>
#include <commctrl.h>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "app/app_state.h"
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
    void SetUp() override
    {
        ASSERT_NE(theWindow(), nullptr) << "no window: is there a display?";
    }
    void TearDown() override
    {
        if (app.language != languageRussian) {
            app.language = languageRussian;
            applyTexts();
            rebuildMenus();
        }
    }
};

std::wstring textOf(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring classOf(HWND window)
{
    wchar_t name[64];
    name[0] = L'\0';
    GetClassNameW(window, name, 64);
    return name;
}

RECT clientRect(HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, theWindow(), reinterpret_cast<POINT*>(&r), 2);
    return r;
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

// A helper thread that waits for a top-level dialog with the given title,
// hands it to inspect and then sends it the command.
std::thread answerBox(const wchar_t* title, WPARAM command, std::wstring* text)
{
    return std::thread([title, command, text] {
        for (int i = 0; i < 500; ++i) {
            HWND box = FindWindowW(L"#32770", title);
            // A box is found as soon as it exists, before its controls do:
            // it is shown once they are all there.
            if (box != nullptr && IsWindowVisible(box)) {
                // The text is the box's largest static control.
                HWND child = nullptr;
                while ((child = FindWindowExW(box, child, L"Static", nullptr)) != nullptr) {
                    std::wstring t = textOf(child);
                    if (t.size() > text->size())
                        *text = t;
                }
                PostMessageW(box, WM_COMMAND, command, 0);
                return;
            }
            Sleep(10);
        }
    });
}

std::wstring menuText(HMENU menu, int position)
{
    wchar_t text[128];
    text[0] = L'\0';
    GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

bool menuChecked(HMENU menu, UINT id)
{
    return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

}  // namespace

TEST_F(RealWindow, MainWindowHasItsClassRussianTitleSizeAndFixedFrame)
{
    HWND window = theWindow();
    EXPECT_EQ(classOf(window), L"my Window");
    EXPECT_EQ(textOf(window), L"Flintwell вер.1.0");
    EXPECT_EQ(FindWindowW(nullptr, L"Flintwell вер.1.0"), window);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.right - r.left, 420);
    EXPECT_EQ(r.bottom - r.top, 680);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
}

TEST_F(RealWindow, EveryControlIsAChildInsideTheClientArea)
{
    RECT client{};
    GetClientRect(theWindow(), &client);
    for (Control control : {Control::portList, Control::searchButton, Control::idLabel, Control::logConsole,
                            Control::progressBar, Control::updateOption, Control::updateOptionLabel,
                            Control::resetOption, Control::resetOptionLabel, Control::startButton}) {
        SCOPED_TRACE(static_cast<int>(control));
        HWND child = windowOf(control);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetParent(child), theWindow());
        EXPECT_NE(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE, 0);
        const RECT r = clientRect(child);
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.right, client.right);
        EXPECT_LT(r.top, client.bottom) << "the control is out of sight";
        EXPECT_GT(r.right - r.left, 0);
    }
    // The console scrolls down with the log.
    const LONG wanted = WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL;
    EXPECT_EQ(GetWindowLongW(windowOf(Control::logConsole), GWL_STYLE) & wanted, wanted);
}

// The option commands (ids 10 and 12) as a click sends them: one option checked at a time.
TEST_F(RealWindow, OptionCommandsCheckOneOptionAtATime)
{
    auto checked = [](Control control) {
        return SendMessageW(windowOf(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    for (int id : {12, 10, 12, 10}) {
        SendMessageW(theWindow(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(theWindow(), id)));
        EXPECT_EQ(checked(Control::updateOption), id == 10) << id;
        EXPECT_EQ(checked(Control::resetOption), id == 12) << id;
    }
}

TEST_F(RealWindow, ControlsStartInRussianAndInTheirInitialStates)
{
    EXPECT_FALSE(IsWindowEnabled(windowOf(Control::portList)));
    EXPECT_FALSE(IsWindowEnabled(windowOf(Control::searchButton)));
    EXPECT_FALSE(IsWindowEnabled(windowOf(Control::startButton)));
    for (Control c : {Control::updateOption, Control::updateOptionLabel, Control::resetOption, Control::resetOptionLabel})
        EXPECT_FALSE(IsWindowEnabled(windowOf(c)));
    EXPECT_TRUE(IsWindowEnabled(windowOf(Control::idLabel)));
    EXPECT_TRUE(isChecked(Control::updateOption));
    EXPECT_FALSE(isChecked(Control::resetOption));

    EXPECT_EQ(textOf(windowOf(Control::searchButton)), L"ПОИСК");
    EXPECT_EQ(textOf(windowOf(Control::idLabel)), L"ID: 0; 0;");
    EXPECT_EQ(textOf(windowOf(Control::updateOptionLabel)), L"Обновить прошивку");
    EXPECT_EQ(textOf(windowOf(Control::resetOptionLabel)), L"Обновить прошивку и сбро-\r\nсить настройки по умолчанию");
    EXPECT_EQ(textOf(windowOf(Control::startButton)), L"СТАРТ");

    HWND bar = windowOf(Control::progressBar);
    PBRANGE range{};
    SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 100);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 0);
}

TEST_F(RealWindow, CaptionsAreInTheSystemsMessageFontWithItsCyrillicLetters)
{
    // The test runs under both code pages: the letters must not depend on it.
    wchar_t codepage[16] = {};
    if (GetEnvironmentVariableW(L"FLINTWELL_CODEPAGE", codepage, 16) > 0) {
        EXPECT_EQ(GetACP(), static_cast<UINT>(_wtoi(codepage)));
    }
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
    for (Control c : {Control::portList, Control::searchButton, Control::idLabel, Control::updateOptionLabel,
                      Control::resetOptionLabel, Control::startButton}) {
        SCOPED_TRACE(static_cast<int>(c));
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(windowOf(c), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTW face{};
        ASSERT_NE(GetObjectW(font, sizeof face, &face), 0);
        EXPECT_STREQ(face.lfFaceName, metrics.lfMessageFont.lfFaceName);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        const wchar_t russian[] = L"ПОИСКСТАРТОбновитьпрошивку";
        WORD glyphs[std::size(russian)] = {};
        ASSERT_EQ(GetGlyphIndicesW(dc, russian, static_cast<int>(wcslen(russian)), glyphs, GGI_MARK_NONEXISTING_GLYPHS),
                  wcslen(russian));
        for (size_t i = 0; i < wcslen(russian); ++i)
            EXPECT_NE(glyphs[i], 0xFFFF) << "no glyph for letter " << i;
        SelectObject(dc, old);
        DeleteDC(dc);
    }
}

TEST_F(RealWindow, ConsoleIsLucidaConsoleInCyrillicGreenOnBlack)
{
    HWND console = windowOf(Control::logConsole);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(console, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW face{};
    ASSERT_NE(GetObjectW(font, sizeof(face), &face), 0);
    EXPECT_STREQ(face.lfFaceName, L"Lucida Console");
    EXPECT_EQ(face.lfCharSet, RUSSIAN_CHARSET);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(face.lfHeight, -MulDiv(10, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);

    // The colour request of the console answers with the black brush and
    // green text; the same request for any other edit is left to the default.
    HDC dc = GetDC(console);
    SetTextColor(dc, RGB(1, 2, 3));
    HBRUSH brush = reinterpret_cast<HBRUSH>(
        SendMessageW(theWindow(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(console)));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 255, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(0, 0, 0));
    LOGBRUSH colour{};
    ASSERT_NE(GetObjectW(brush, sizeof(colour), &colour), 0);
    EXPECT_EQ(colour.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(colour.lbColor, RGB(0, 0, 0));
    ReleaseDC(console, dc);

    HWND other = CreateWindowExW(0, L"Edit", nullptr, WS_CHILD, 0, 0, 10, 10, theWindow(), nullptr, nullptr, nullptr);
    HDC otherDc = GetDC(other);
    SetTextColor(otherDc, RGB(1, 2, 3));
    LRESULT otherBrush = SendMessageW(theWindow(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(otherDc),
                                      reinterpret_cast<LPARAM>(other));
    EXPECT_NE(reinterpret_cast<HBRUSH>(otherBrush), brush);
    EXPECT_NE(GetTextColor(otherDc), RGB(0, 255, 0));
    ReleaseDC(other, otherDc);
    DestroyWindow(other);
}

TEST_F(RealWindow, AppendLogContinuesOrStartsLinesAndConvertsCyrillic)
{
    HWND console = windowOf(Control::logConsole);
    clearLog();
    clearLog();
    EXPECT_EQ(textOf(console), L"");
    appendLog(cp1251<"\r\n<< Поиск устройства для обновления ">.data());
    appendLog(".");
    appendLog(".");
    // Wherever the operator left the caret or a selection, texts go to the end.
    SendMessageW(console, EM_SETSEL, 2, 5);
    appendLog(cp1251<"\r\n>> Устройство найдено:">.data());
    appendLog("");
    EXPECT_EQ(textOf(console), L"\r\n<< Поиск устройства для обновления ..\r\n>> Устройство найдено:");
    appendLog(nullptr);
    EXPECT_EQ(textOf(console), L"\r\n<< Поиск устройства для обновления ..\r\n>> Устройство найдено:");

    // A text longer than the conversion buffer arrives whole.
    std::string longText;
    std::wstring longWide;
    while (longText.size() < 3 * wideTextSize) {
        longText += cp1251<"\r\n   > строка журнала №">.data();
        longText += std::to_string(longText.size());
        longWide += L"\r\n   > строка журнала №";
        longWide += std::to_wstring(longWide.size());
    }
    clearLog();
    appendLog(longText.c_str());
    EXPECT_EQ(textOf(console), longWide);
    clearLog();
}

TEST_F(RealWindow, ALongSessionsLogIsNotCutAtTheEditControlsDefaultLimit)
{
    // A dropped line during a block's acknowledgement wait logs up to 500
    // read-error lines (about 22,000 characters) before the job's result;
    // the result must still reach the console.
    HWND console = windowOf(Control::logConsole);
    clearLog();
    const char line[] = "\r\n>> Error: Reading from COM port! [5] ";
    for (int i = 0; i < 1500; ++i)
        appendLog(line);
    appendLog("\r\n\t\tUPDATE FAILED!!!");
    const std::wstring text = textOf(console);
    EXPECT_EQ(text.size(), 1500 * (sizeof line - 1) + 20);
    EXPECT_EQ(text.substr(text.size() - 20), L"\r\n\t\tUPDATE FAILED!!!");
    clearLog();
}

TEST_F(RealWindow, PortListAppendsSelectsAndReadsBackWithinBounds)
{
    portListClear();
    EXPECT_EQ(portListCount(), 0);
    portListAppend("COM3");
    portListAppend("COM10");
    portListAppend("COM2");
    EXPECT_EQ(portListCount(), 3);
    HWND list = windowOf(Control::portList);
    portListSelect(1);
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1);
    portListSelect(3);
    portListSelect(-1);
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1);

    char text[8];
    memset(text, 'x', sizeof(text));
    EXPECT_TRUE(portListText(1, text, sizeof(text)));
    EXPECT_STREQ(text, "COM10");
    memset(text, 'x', sizeof(text));
    EXPECT_TRUE(portListText(1, text, 4));  // cut to fit, terminated
    EXPECT_STREQ(text, "COM");
    EXPECT_EQ(text[4], 'x');                // nothing written past size
    EXPECT_FALSE(portListText(3, text, sizeof(text)));
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(portListText(-1, text, sizeof(text)));

    portListClear();
    EXPECT_EQ(portListCount(), 0);
    EXPECT_FALSE(portListText(0, text, sizeof(text)));
}

TEST_F(RealWindow, ProgressOperationsSetRangeStepAndPosition)
{
    HWND bar = windowOf(Control::progressBar);
    setProgressRange(0x10005);  // the low 16 bits count
    PBRANGE range{};
    SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iHigh, 5);
    stepProgress();
    stepProgress();
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 2);
    setProgressPosition(4);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 4);
    resetProgress();
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 0);
    setProgressRange(100);
}

// The worker (search and update job) reports through the same calls: they
// must reach the controls, and its ending must run on the window's own thread.
DWORD endingThread = 0;
bool checkedFromWorker = false;

TEST_F(RealWindow, WorkerCallsReachTheWindowAndItsEndingRunsOnTheWindowThread)
{
    clearLog();
    endingThread = 0;
    ASSERT_TRUE(startWorker(
        [] {
            enableControl(Control::mainWindow, false);
            appendLog(cp1251<"\r\n<< Запись во Flash память">.data());
            setControlText(Control::idLabel, cp1251<"ID: 7; 9;">.data());
            setChecked(Control::resetOption, true);
            checkedFromWorker = isChecked(Control::resetOption);
            stepProgress();
            enableControl(Control::mainWindow, true);
        },
        [] { endingThread = GetCurrentThreadId(); }));
    EXPECT_FALSE(startWorker([] {}, [] {})) << "a second worker while one runs";

    // The window thread serves the worker's messages, then its done message.
    EXPECT_TRUE(pumpUntil([] { return endingThread != 0; }));
    EXPECT_EQ(endingThread, GetCurrentThreadId());
    EXPECT_FALSE(workerBusy());
    EXPECT_TRUE(checkedFromWorker);
    EXPECT_EQ(textOf(windowOf(Control::logConsole)), L"\r\n<< Запись во Flash память");
    EXPECT_EQ(textOf(windowOf(Control::idLabel)), L"ID: 7; 9;");
    EXPECT_TRUE(IsWindowEnabled(theWindow()));

    setChecked(Control::resetOption, false);
    setControlText(Control::idLabel, "ID: 0; 0;");
    resetProgress();
    clearLog();
}

TEST_F(RealWindow, MenuBarInTheCurrentLanguageWithTheLanguageChecked)
{
    HMENU bar = GetMenu(theWindow());
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    EXPECT_EQ(menuText(bar, 0), L"Файл");
    EXPECT_EQ(menuText(bar, 1), L"Инструменты");
    EXPECT_EQ(menuText(bar, 2), L"Помощь");

    HMENU file = GetSubMenu(bar, 0);
    EXPECT_EQ(GetMenuItemID(file, 0), 1u);
    EXPECT_EQ(menuText(file, 0), L"Выход");
    HMENU tools = GetSubMenu(bar, 1);
    EXPECT_EQ(menuText(tools, 0), L"Язык");
    HMENU languages = GetSubMenu(tools, 0);
    EXPECT_EQ(GetMenuItemID(languages, 0), 2u);
    EXPECT_EQ(GetMenuItemID(languages, 1), 3u);
    EXPECT_EQ(menuText(languages, 0), L"Русский");
    EXPECT_EQ(menuText(languages, 1), L"English");
    EXPECT_TRUE(menuChecked(languages, 2));
    EXPECT_FALSE(menuChecked(languages, 3));
    HMENU help = GetSubMenu(bar, 2);
    ASSERT_EQ(GetMenuItemCount(help), 3);
    EXPECT_EQ(GetMenuItemID(help, 0), 4u);
    EXPECT_EQ(menuText(help, 0), L"Справка");
    EXPECT_TRUE(GetMenuState(help, 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(help, 2), 5u);
    EXPECT_EQ(menuText(help, 2), L"О программе...");

    checkLanguageMenu(languageEnglish);
    EXPECT_FALSE(menuChecked(languages, 2));
    EXPECT_TRUE(menuChecked(languages, 3));
    checkLanguageMenu(languageRussian);
    EXPECT_TRUE(menuChecked(languages, 2));
    EXPECT_FALSE(menuChecked(languages, 3));
}

TEST_F(RealWindow, RebuiltMenuBarFollowsTheLanguage)
{
    HMENU before = GetMenu(theWindow());
    app.language = languageEnglish;
    applyTexts();
    rebuildMenus();
    HMENU bar = GetMenu(theWindow());
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(IsMenu(before));  // the old bar is gone with its popups
    EXPECT_EQ(menuText(bar, 0), L"File");
    EXPECT_EQ(menuText(bar, 1), L"Tools");
    EXPECT_EQ(menuText(bar, 2), L"Help");
    EXPECT_EQ(menuText(GetSubMenu(bar, 2), 2), L"About...");
    HMENU languages = GetSubMenu(GetSubMenu(bar, 1), 0);
    EXPECT_FALSE(menuChecked(languages, 2));
    EXPECT_TRUE(menuChecked(languages, 3));
}

TEST_F(RealWindow, QuestionBoxIsTrueOnlyForYes)
{
    std::wstring shown;
    std::thread yes = answerBox(L"Сообщение", IDYES, &shown);
    EXPECT_TRUE(askYesNo(texts().askVersionsSame, texts().messageCaption, 0x0400));
    yes.join();
    EXPECT_EQ(shown, L"Не требуется обновления прошивки!\n(Версии прошивок одинаковые...)\n\nВ любом случае обновить прошивку?");

    std::wstring shownNo;
    std::thread no = answerBox(L"Message", IDNO, &shownNo);
    EXPECT_FALSE(askYesNo(textTables[languageEnglish].askDeviceNewer, textTables[languageEnglish].messageCaption,
                          0x0409));
    no.join();
    EXPECT_EQ(shownNo.substr(0, 28), L"No firmware update required!");
}

TEST_F(RealWindow, MessageBoxShowsTheTextUnderTheCaption)
{
    std::wstring shown;
    std::thread ok = answerBox(L"Сообщение", IDOK, &shown);
    showMessage(texts().errorHexLoad, texts().messageCaption);
    ok.join();
    EXPECT_EQ(shown, L"Ошибка: загрузка данных из hex-файла!");
}

TEST_F(RealWindow, AboutBoxUsesTheTemplateOfTheLanguage)
{
    std::wstring russian;
    std::thread closeRussian = answerBox(L"О программе...", IDOK, &russian);
    showAboutBox();
    closeRussian.join();
    EXPECT_EQ(russian.substr(0, 22), L"Загрузчик:\n\rFlintwell.");

    app.language = languageEnglish;
    applyTexts();
    std::wstring english;
    std::thread closeEnglish = answerBox(L"О программе...", IDCANCEL, &english);
    showAboutBox();
    closeEnglish.join();
    EXPECT_EQ(english.substr(0, 19), L"Loader:\n\rFlintwell.");
}

TEST(Win32Text, WidenAndNarrowStayWithinTheirBuffers)
{
    wchar_t wide[6];
    wmemset(wide, L'#', 6);
    EXPECT_EQ(widen(cp1251<"ПОИСК-поиск">.data(), wide, 6), 5);
    EXPECT_STREQ(wide, L"ПОИСК");
    EXPECT_EQ(widen(nullptr, wide, 6), 0);
    EXPECT_STREQ(wide, L"");
    EXPECT_EQ(widen("abc", wide, 0), 0);

    char narrowText[5];
    memset(narrowText, '#', sizeof(narrowText));
    narrow(L"Выход", narrowText, 4);
    EXPECT_STREQ(narrowText, cp1251<"Вых">.data());
    EXPECT_EQ(narrowText[4], '#');
    narrow(nullptr, narrowText, 4);
    EXPECT_STREQ(narrowText, "");
}
