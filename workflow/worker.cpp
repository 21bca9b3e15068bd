#include "workflow/worker.h"

#include <atomic>

#include "app/system.h"
#include "ui/window.h"

ThreadHandle (*startWorkerThread)(void (*body)()) = startThread;

namespace {

std::atomic<bool> busy{false};
void (*workerBody)();
void (*workerEnding)();

void workerMain()
{
    workerBody();
    postWorkerDone();
}

}  // namespace

bool startWorker(void (*body)(), void (*ending)())
{
    bool idle = false;
    if (!busy.compare_exchange_strong(idle, true))
        return false;
    workerBody = body;
    workerEnding = ending;
    app.jobThread = startWorkerThread(workerMain);
    if (app.jobThread != 0)
        return true;
    busy = false;
    return false;
}

void onWorkerDone()
{
    if (!busy)
        return;
    closeThreadHandle(app.jobThread);  // the body has returned; this waits at most for its last step
    app.jobThread = 0;
    void (*ending)() = workerEnding;
    busy = false;
    ending();
}

void joinWorker()
{
    if (!busy)
        return;
    joinThread(app.jobThread);
    onWorkerDone();
}

bool workerBusy()
{
    return busy;
}
