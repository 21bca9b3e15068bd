// The update job: on its own worker thread, writes the image into the flash
// of the reader the search left open, optionally resets its settings, resets
// it, reports the result, closes the port and gives the window back.
#pragma once

// The START command. Starts the worker unless a job is already under way
// (a second START that arrives before the worker disabled the window).
void startUpdateJob();

// The worker's body.
void updateJobThread();

// Streams the image, then the optional settings reset and the device reset;
// true when the image was written and every reset acknowledged.
bool flashAndReset(bool resetSettings);

// Timer 2, the first tick after a job: releases the worker's handle.
void onJobTimer();

// True from START until the worker's handle has been released.
bool updateJobActive();
