// The window's end: closing it when the command layer allows, and the
// reason Windows is given while the end of the session has to wait for a job.
#include "frontends/window/main_window.h"

namespace {

// Windows Vista and later (user32Function).
using BlockReasonCreate = BOOL(WINAPI*)(HWND, LPCWSTR);
using BlockReasonDestroy = BOOL(WINAPI*)(HWND);

}  // namespace

void closeMainWindow()
{
    DestroyWindow(mainWindow());
}

void setSessionEndReason(const char* reason)
{
    if (reason == nullptr) {
        if (auto destroy = reinterpret_cast<BlockReasonDestroy>(user32Function("ShutdownBlockReasonDestroy")))
            destroy(mainWindow());
        return;
    }
    wchar_t wide[wideTextSize];
    widen(reason, wide, wideTextSize);
    if (auto create = reinterpret_cast<BlockReasonCreate>(user32Function("ShutdownBlockReasonCreate")))
        create(mainWindow(), wide);
}
