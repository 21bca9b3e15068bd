// The program's message box, the Yes/No question box and the About box.
#include "app/app_state.h"
#include "resources/resource_ids.h"
#include "ui/text_table.h"
#include "frontends/window/main_window.h"
#include "ui/languages.h"

namespace {

// The neutral language with the default sub-language: the system's own.
constexpr DWORD neutralLanguage = 0x0400;

// A box owned by a disabled window hands the activation to another program
// when it closes. The owner is enabled for the box's time (the box itself
// keeps it from input meanwhile) and given back its state afterwards, so
// that closing the box activates Flintwell again.
struct OwnerEnabledForBox {
    HWND owner;
    bool wasDisabled;
    explicit OwnerEnabledForBox(HWND window) : owner(window), wasDisabled(window && !IsWindowEnabled(window))
    {
        if (wasDisabled)
            EnableWindow(owner, TRUE);
    }
    ~OwnerEnabledForBox()
    {
        if (wasDisabled)
            EnableWindow(owner, FALSE);
    }
};

}  // namespace

void showMessage(const char* text, const char* caption)
{
    wchar_t wideText[wideTextSize];
    wchar_t wideCaption[wideTextSize];
    widen(text, wideText, wideTextSize);
    widen(caption, wideCaption, wideTextSize);
    MSGBOXPARAMSW box{};
    box.cbSize = sizeof(box);
    box.hwndOwner = mainWindow();
    box.hInstance = win.instance;
    box.lpszText = wideText;
    box.lpszCaption = wideCaption;
    box.dwStyle = MB_OK | MB_USERICON;
    box.lpszIcon = MAKEINTRESOURCEW(FLINTWELL_ICON_MESSAGE);
    box.dwContextHelpId = 0;
    box.lpfnMsgBoxCallback = nullptr;
    box.dwLanguageId = neutralLanguage;
    OwnerEnabledForBox owner(IsWindowVisible(mainWindow()) ? mainWindow() : nullptr);
    MessageBoxIndirectW(&box);
}

bool askYesNo(const char* text, const char* caption, uint16_t languageId)
{
    wchar_t wideText[wideTextSize];
    wchar_t wideCaption[wideTextSize];
    widen(text, wideText, wideTextSize);
    widen(caption, wideCaption, wideTextSize);
    // Anything but Yes, a failure to show the box included, is No.
    OwnerEnabledForBox owner(mainWindow());
    return MessageBoxExW(mainWindow(), wideText, wideCaption, MB_YESNO | MB_ICONEXCLAMATION, languageId) == IDYES;
}

void showAboutBox()
{
    const int templateId = currentLanguage().aboutBox;
    DialogBoxParamW(win.instance, MAKEINTRESOURCEW(templateId), mainWindow(), aboutDialogProc, 0);
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;  // the default focus
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            EndDialog(dialog, IDOK);
        else if (LOWORD(wParam) == IDCANCEL)  // Escape or the close box
            EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}
