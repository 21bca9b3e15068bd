#include "app/system.h"

#include <sys/time.h>

#include <ctime>
#include <thread>

void sleepMs(unsigned milliseconds)
{
    timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

unsigned localTimeSeed()
{
    timeval now{};
    gettimeofday(&now, nullptr);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return static_cast<unsigned>(local.tm_sec % 60) * 1000u + static_cast<unsigned>(now.tv_usec / 1000);
}

ThreadHandle startThread(void (*body)())
{
    // std::thread reports a thread that cannot be created by throwing; the
    // program's callers expect the handle 0.
    try {
        auto* thread = new std::thread(body);
        return reinterpret_cast<ThreadHandle>(thread);
    } catch (const std::exception&) {
        return 0;
    }
}

void joinThread(ThreadHandle handle)
{
    auto* thread = reinterpret_cast<std::thread*>(handle);
    if (thread && thread->joinable())
        thread->join();
}

void closeThreadHandle(ThreadHandle handle)
{
    auto* thread = reinterpret_cast<std::thread*>(handle);
    if (!thread)
        return;
    // The job ends by itself; the handle is released once it has.
    if (thread->joinable())
        thread->join();
    delete thread;
}
