// The two reports of the log console: the header naming the device and
// firmware the image is made for (app.expectedInfo), and the report of a
// found device (app.reportedInfo), in the current language.
#pragma once

// Appends the header for app.expectedInfo.
void printHeader();

// Appends the device report for app.reportedInfo and shows the device's
// barcode and cipher identifier in idLabel. portName: the zero-terminated
// name of the port on which the device answered.
void printDeviceReport(const char* portName);
