// The window's end: closing it when the command layer allows, and the
// reason Windows is given while the end of the session has to wait for a job.
#include "ui/win32/main_window.h"

namespace {

// Windows Vista and later; looked up at run time so that the static .exe
// still starts where user32 lacks them.
using BlockReasonCreate = BOOL(WINAPI*)(HWND, LPCWSTR);
using BlockReasonDestroy = BOOL(WINAPI*)(HWND);

// A function of user32 by name, as a plain function pointer (null when
// this Windows lacks it); the caller casts it to its real type.
using AnyFunction = void (*)();
AnyFunction user32Function(const char* name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<AnyFunction>(GetProcAddress(user32, name)) : nullptr;
}

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
