// The one worker thread: the device search and the update job run on it, so
// the window thread only runs its message loop and never waits on a line.
// When the body returns, the window layer is asked to deliver "worker done";
// on the window thread that releases the thread's handle and runs the ending
// (the search's found or not-found ending, the job's end).
#pragma once
#include "app/app_state.h"

// Starts body on the worker thread unless a worker exists already. False
// when one exists or no thread could be started (nothing ran then).
bool startWorker(void (*body)(), void (*ending)());

// The window thread's handling of "worker done" (the window layer calls it).
void onWorkerDone();

// Front ends without a message loop: waits for the worker to finish and runs
// its ending on the calling thread. Does nothing when no worker exists.
void joinWorker();

// True from startWorker until the ending has run.
bool workerBusy();

// Starts the thread; tests replace it to try a worker that cannot start.
extern ThreadHandle (*startWorkerThread)(void (*body)());
