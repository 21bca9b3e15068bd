// The menu bar with its Language popup, and the right-button popup.
#include "app/app_state.h"
#include "app/win32/utf16.h"
#include "ui/languages.h"
#include "ui/text_table.h"
#include "frontends/window/main_window.h"

namespace {

void appendItem(HMENU menu, UINT flags, UINT_PTR item, const char* text)
{
    wchar_t wide[wideTextSize];
    widen(text, wide, wideTextSize);
    AppendMenuW(menu, flags, item, wide);
}

}  // namespace

void buildMenus()
{
    const TextTable& t = texts();
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    HMENU tools = CreatePopupMenu();
    HMENU help = CreatePopupMenu();
    win.languagePopup = CreatePopupMenu();

    appendItem(file, MF_STRING, commandNetworkPort, t.menuNetworkPort);
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    appendItem(file, MF_STRING, commandQuit, t.menuQuit);

    // The language names read the same in every language.
    for (uint8_t i = 0; i < languageCount; ++i)
        AppendMenuW(win.languagePopup, MF_STRING, commandLanguageFirst + i, utf8ToUtf16(languages[i].menuName).c_str());
    checkLanguageMenu(app.language);
    appendItem(tools, MF_POPUP, reinterpret_cast<UINT_PTR>(win.languagePopup), t.menuLanguage);

    appendItem(help, MF_STRING, commandHelpItem, t.menuHelpItem);
    AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
    appendItem(help, MF_STRING, commandAbout, t.menuAbout);

    appendItem(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), t.menuFile);
    appendItem(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), t.menuTools);
    appendItem(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), t.menuHelp);
    SetMenu(mainWindow(), bar);
}

void rebuildMenus()
{
    // Destroying the bar destroys its popups with it.
    DestroyMenu(GetMenu(mainWindow()));
    buildMenus();
}

void checkLanguageMenu(uint8_t language)
{
    for (uint8_t i = 0; i < languageCount; ++i)
        CheckMenuItem(win.languagePopup, commandLanguageFirst + i,
                      MF_BYCOMMAND | (i == language ? MF_CHECKED : MF_UNCHECKED));
}

void showQuitPopup(int x, int y)
{
    POINT at{x, y};
    ClientToScreen(mainWindow(), &at);
    HMENU popup = CreatePopupMenu();
    appendItem(popup, MF_STRING, commandQuit, texts().menuQuit);
    // The chosen item arrives as WM_COMMAND 1.
    TrackPopupMenu(popup, TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0, mainWindow(), nullptr);
    DestroyMenu(popup);
}
