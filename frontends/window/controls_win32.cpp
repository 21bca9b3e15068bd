// Control state and the port list. Called from the GUI thread and from the
// update job's worker: each call is a message that the window's own thread
// carries out (SendMessage waits for it), so no state is shared unguarded.
#include "frontends/window/main_window.h"

namespace {

// Longest port list entry that is read back; the entries are port names.
constexpr int portEntrySize = 256;

HWND portList()
{
    return windowOf(Control::portList);
}

}  // namespace

void enableControl(Control control, bool enabled)
{
    EnableWindow(windowOf(control), enabled ? TRUE : FALSE);
}

void setControlText(Control control, const char* text)
{
    wchar_t wide[wideTextSize];
    widen(text, wide, wideTextSize);
    SetWindowTextW(windowOf(control), wide);
}

void setChecked(Control control, bool checked)
{
    SendMessageW(windowOf(control), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool isChecked(Control control)
{
    return SendMessageW(windowOf(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void portListClear()
{
    SendMessageW(portList(), CB_RESETCONTENT, 0, 0);
}

void portListAppend(const char* text)
{
    wchar_t wide[wideTextSize];
    widen(text, wide, wideTextSize);
    SendMessageW(portList(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide));
}

void portListSelect(int position)
{
    // A position outside the list leaves the selection as it is.
    if (position >= 0 && position < portListCount())
        SendMessageW(portList(), CB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

int portListCount()
{
    const LRESULT count = SendMessageW(portList(), CB_GETCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

bool portListText(int position, char* text, int size)
{
    if (size > 0)
        text[0] = '\0';
    if (position < 0 || position >= portListCount() || size <= 0)
        return false;
    // CB_GETLBTEXT takes no buffer size: ask for the length first and read
    // only an entry that fits.
    const LRESULT length = SendMessageW(portList(), CB_GETLBTEXTLEN, static_cast<WPARAM>(position), 0);
    if (length < 0 || length >= portEntrySize)
        return false;
    wchar_t wide[portEntrySize];
    wide[0] = L'\0';
    if (SendMessageW(portList(), CB_GETLBTEXT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(wide)) < 0)
        return false;
    wide[length] = L'\0';
    narrow(wide, text, size);
    return true;
}
