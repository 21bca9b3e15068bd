#include "frontends/cli/batch_view.h"

#include <cstdio>
#include <cstring>

#include "app/console.h"

namespace {

std::string stateText(const ReaderView& view, const BatchTexts& texts)
{
    if (!view.done)
        return view.percent >= 0 ? texts.updating : texts.searching;
    char text[160];
    snprintf(text, sizeof text, texts.outcomes[static_cast<int>(view.result.outcome)].c_str(),
             static_cast<unsigned>(view.result.block));
    return text;
}

}  // namespace

size_t portColumnWidth(const std::vector<ReaderView>& views)
{
    size_t width = 6;
    for (const ReaderView& view : views)
        width = view.port.size() > width ? view.port.size() : width;
    return width;
}

std::string readerLineText(const ReaderView& view, const BatchTexts& texts, size_t portWidth)
{
    std::string line = view.port + std::string(portWidth - view.port.size() + 2, ' ');
    if (view.result.found) {
        char reader[64];
        snprintf(reader, sizeof reader, "%010u  %5s → %-5s  ", static_cast<unsigned>(view.result.barcode),
                 versionText(view.result.firmwareFound).c_str(), versionText(view.image).c_str());
        line += reader;
    } else {
        line += std::string(30, ' ');
    }
    const int percent = view.done && view.result.outcome == ReaderOutcome::updated ? 100 : view.percent;
    if (percent >= 0) {
        char bar[32];
        const int filled = percent * 20 / 100;
        snprintf(bar, sizeof bar, "[%s%s] %3d%%  ", std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(20 - filled), '.').c_str(), percent);
        line += bar;
    }
    line += stateText(view, texts);
    if (!view.note.empty())
        line += " (" + view.note + ")";
    return line;
}

void redrawReaderLines(const std::vector<ReaderView>& views, const BatchTexts& texts, bool first)
{
    const size_t width = portColumnWidth(views);
    std::string text;
    if (!first)
        text += "\x1b[" + std::to_string(views.size()) + "A";
    for (const ReaderView& view : views)
        text += "\r\x1b[2K" + readerLineText(view, texts, width) + "\n";
    consoleWrite(text);
}
