#include "app/system.h"

#include <windows.h>

void sleepMs(unsigned milliseconds)
{
    Sleep(milliseconds);
}

unsigned localTimeSeed()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return static_cast<unsigned>(now.wSecond) * 1000u + now.wMilliseconds;
}

static DWORD WINAPI threadTrampoline(LPVOID body)
{
    reinterpret_cast<void (*)()>(body)();
    return 0;
}

ThreadHandle startThread(void (*body)())
{
    HANDLE thread = CreateThread(nullptr, 0, threadTrampoline, reinterpret_cast<LPVOID>(body), 0, nullptr);
    return reinterpret_cast<ThreadHandle>(thread);
}

void joinThread(ThreadHandle thread)
{
    if (thread)
        WaitForSingleObject(reinterpret_cast<HANDLE>(thread), INFINITE);
}

void closeThreadHandle(ThreadHandle thread)
{
    if (thread)
        CloseHandle(reinterpret_cast<HANDLE>(thread));
}
