// The update job: on its own worker thread, writes the image into the flash
// of the reader the search left open, optionally resets its settings, resets
// it, reports the result, closes the port and gives the window back.
#pragma once
#include "app/app_state.h"
#include "ui/text_table.h"

// The START command, on the window thread. Starts a job on the worker
// (workflow/worker.h) only when a search offered the update and nothing else
// runs; disables the window before the worker exists, so a Quit or language
// switch already queued finds the job running. If the worker cannot be
// started, says so and arms START again.
void startUpdateJob();

// The worker's body.
void updateJobThread();

// Streams the image, then the optional settings reset and the device reset;
// true when the image was written and every reset acknowledged. Records how
// it ended in app.lastJob.
bool flashAndReset(bool resetSettings);

// The end of the job, on the window thread (the worker's ending): ends the
// job's activity, gives the window back (SEARCH and the port list enabled)
// and carries out a close asked for meanwhile.
void updateJobEnded();

// How a failed job tells the operator to finish the update: the window says
// SEARCH then START, a console front end to run the command again.
void setFinishHint(const char* TextTable::*hint);
