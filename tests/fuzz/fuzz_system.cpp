// The fuzz targets' system facade (app/system.h), linked in place of the
// platform's own (app/posix/system_posix.cpp): waits take no time, since the
// in-process reader has answered before anyone waits, and the time seed is a
// counter, so that a saved input replays with the same keys and filler.
#include "app/system.h"

#include <thread>

namespace {

unsigned seedCounter = 0;

}  // namespace

void sleepMs(unsigned) {}

unsigned localTimeSeed()
{
    seedCounter = (seedCounter + 1) % 60000;
    return seedCounter;
}

ThreadHandle startThread(void (*body)())
{
    return reinterpret_cast<ThreadHandle>(new std::thread(body));
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
    if (thread->joinable())
        thread->join();
    delete thread;
}
