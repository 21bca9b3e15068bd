// The main window: its class, its ten controls and the window procedure,
// which only hands commands, timers and colour requests to the portable
// commands of the program.
#include "frontends/window/main_window.h"

#include "ui/languages.h"

#include "app/app_state.h"
#include "resources/resource_ids.h"
#include "workflow/commands.h"
#include "ui/option_controls.h"
#include "ui/text_table.h"
#include "workflow/shutdown.h"
#include "workflow/update_job.h"
#include "workflow/worker.h"

Win32Window win;

HWND createChild(Control control, const wchar_t* windowClass, int id, DWORD style, const char* text)
{
    wchar_t wide[wideTextSize];
    widen(text, wide, wideTextSize);
    const RECT r = controlRect(control, windowDpi(mainWindow()));
    HWND child = CreateWindowExW(0, windowClass, text ? wide : nullptr, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                 r.right - r.left, r.bottom - r.top, mainWindow(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), win.instance, nullptr);
    win.windows[static_cast<int>(control)] = child;
    return child;
}

namespace {

void runCommand(int id)
{
    if (id >= commandLanguageFirst && id < commandLanguageFirst + languageCount) {
        switchLanguage(static_cast<uint8_t>(id - commandLanguageFirst));
        return;
    }
    switch (id) {
    case commandQuit:
        // As the close box: WM_CLOSE decides whether the window may go now.
        SendMessageW(mainWindow(), WM_CLOSE, 0, 0);
        break;
    case commandAbout:
        showAboutBox();
        break;
    case commandNetworkPort:
        networkPortCommand();
        break;
    case searchButtonId:
        searchCommand();
        break;
    case updateOptionId:
        chooseUpdateOption();
        break;
    case resetOptionId:
        chooseResetOption();
        break;
    case startButtonId:
        startUpdateJob();
        break;
    default:  // the Help item, the labels, the list and the console
        break;
    }
}

}  // namespace

bool createMainWindow(HINSTANCE instance)
{
    win.instance = instance;
    win.guiThread = GetCurrentThreadId();

    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(FLINTWELL_ICON_WINDOW));
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = mainWindowClass;
    if (RegisterClassW(&windowClass) == 0)
        return false;

    wchar_t title[wideTextSize];
    widen(texts().windowTitle, title, wideTextSize);
    // System menu and minimise box only: no maximise box, no sizing border.
    // An overlapped window always has its caption.
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    // Centred in the work area of the primary monitor at its scale; on a
    // monitor of another scale the window is placed again at that scale.
    const UINT dpi = windowDpi(nullptr);
    const RECT r = mainWindowRect(nullptr, dpi);
    HWND window = CreateWindowExW(0, mainWindowClass, title, style, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    win.windows[static_cast<int>(Control::mainWindow)] = window;
    if (window != nullptr && windowDpi(window) != dpi) {
        const RECT there = mainWindowRect(window, windowDpi(window));
        SetWindowPos(window, nullptr, there.left, there.top, there.right - there.left, there.bottom - there.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return window != nullptr;
}

void createControls()
{
    const TextTable& t = texts();
    buildMenus();

    EnableWindow(createChild(Control::portList, L"Combobox", portListId, CBS_DROPDOWNLIST, ""), FALSE);
    EnableWindow(createChild(Control::searchButton, L"Button", searchButtonId, BS_PUSHBUTTON, t.captionSearch),
                 FALSE);
    createChild(Control::idLabel, L"Static", 0, SS_LEFT, "ID: 0; 0;");
    createLogConsole();
    createProgressBar();
    // Check boxes that do not toggle themselves: the commands choose.
    createChild(Control::updateOption, L"Button", updateOptionId, BS_CHECKBOX, "");
    createChild(Control::updateOptionLabel, L"Static", updateOptionLabelId, SS_LEFT, t.captionUpdate);
    createChild(Control::resetOption, L"Button", resetOptionId, BS_CHECKBOX, "");
    createChild(Control::resetOptionLabel, L"Static", resetOptionLabelId, SS_LEFT, t.captionUpdateReset);
    setOptionControls(false, false);
    EnableWindow(createChild(Control::startButton, L"Button", startButtonId, BS_PUSHBUTTON, t.captionStart), FALSE);
    applyFonts(windowDpi(mainWindow()));
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        // Only the identifier counts: every notification is the command.
        runCommand(LOWORD(wParam));
        break;
    case WM_TIMER:
        if (wParam == countdownTimerId)
            countdownTick();
        break;
    case WM_CTLCOLOREDIT:
        if (reinterpret_cast<HWND>(lParam) == windowOf(Control::logConsole))
            return consoleColours(reinterpret_cast<HDC>(wParam));
        break;
    case WM_RBUTTONUP:
        showQuitPopup(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        break;
    case WM_CLOSE:
        // The close box, Quit and a close sent by another program all come
        // here; a close during a search or a job waits for its end. The
        // window is destroyed by requestClose, never by the default handling.
        requestClose();
        return 0;
    case WM_QUERYENDSESSION:
        return sessionMayEnd() ? TRUE : FALSE;
    case WM_ENDSESSION:
        if (wParam)
            endSession();
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_DESTROY:
        shutdown();
        break;
    case workerDoneMessage:
        onWorkerDone();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
