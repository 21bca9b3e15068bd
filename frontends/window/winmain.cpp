// Flintwell.exe: the start-up sequence and the message loop. Takes no
// command line and returns 0 on every path.
#include <windows.h>

#include "app/app_state.h"
#include "image/start_up_load.h"
#include "workflow/commands.h"
#include "workflow/reports.h"
#include "ui/text_table.h"
#include "frontends/window/main_window.h"
#include "ui/window.h"

namespace {

// Another instance shows the Russian start-up title: bring it forward.
bool bringRunningInstanceForward()
{
    wchar_t title[wideTextSize];
    widen(texts().windowTitle, title, wideTextSize);
    HWND running = FindWindowW(nullptr, title);
    if (running == nullptr)
        return false;
    if (IsIconic(running))
        ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // Language 0 at every start: the Russian texts (applyTexts).
    resetAppState();
    if (bringRunningInstanceForward())
        return 0;
    if (!createMainWindow(instance))
        return 0;

    // The window stays hidden when the carried image or configuration is
    // unusable: only the message box is seen.
    std::string imageProblem;
    if (!loadImageAtStart(&imageProblem)) {
        showMessage(imageLoadFailureText(imageProblem).c_str(), texts().messageCaption);
        return 0;
    }
    if (!loadAppConfig()) {
        showMessage(texts().errorAppconfigLoad, texts().messageCaption);
        return 0;
    }

    createControls();
    HWND window = mainWindow();
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    printHeader();
    enableControl(Control::mainWindow, false);
    startCountdown();

    // Key messages are dispatched untranslated: typing in the console
    // produces no characters.
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
