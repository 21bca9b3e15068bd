// The batch's lines on the console, one per reader: port, barcode, firmware
// before -> after, progress, state or result.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "frontends/cli/batch_texts.h"

struct ReaderView {
    std::string port;
    uint32_t image = 0;
    int percent = -1;       // -1 until the job moves the bar
    bool done = false;
    ReaderResult result;    // the reader found (result.found) as soon as it is; the outcome when done
    std::string note;       // the system's reason where a port failed
};

// One reader's line, its port padded to portWidth.
std::string readerLineText(const ReaderView& view, const BatchTexts& texts, size_t portWidth);
// Draws every line again in place (a terminal); first: nothing drawn yet.
void redrawReaderLines(const std::vector<ReaderView>& views, const BatchTexts& texts, bool first);
// The port column's width for these readers.
size_t portColumnWidth(const std::vector<ReaderView>& views);
