#include "tests/e2e/driver/sim_control.h"

#include <cstdio>
#include <cstdlib>

#include "tests/e2e/driver/driver.h"

namespace {

constexpr int answerWaitMs = 15000;

std::wstring workFile(const std::wstring& name)
{
    return options.workDir + L"\\" + name;
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string readWhole(const std::wstring& path)
{
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr)
        return "";
    std::string text;
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    fclose(file);
    return text;
}

std::string firstLine(const std::string& text)
{
    const size_t end = text.find_first_of("\r\n");
    return end == std::string::npos ? text : text.substr(0, end);
}

// Writes NAME.request with the text, waits for NAME.answer and returns its
// first line; empty when no answer came.
std::string ask(const std::wstring& name, const std::string& text)
{
    if (options.workDir.empty()) {
        expect(false, "a request to the reader side", "the driver was given no --work folder");
        return "";
    }
    const std::wstring answer = workFile(name + L".answer");
    DeleteFileW(answer.c_str());
    const std::wstring staging = workFile(name + L".request-tmp");
    FILE* file = _wfopen(staging.c_str(), L"wb");
    if (file == nullptr)
        return "";
    fputs(text.c_str(), file);
    fputc('\n', file);
    fclose(file);
    MoveFileExW(staging.c_str(), workFile(name + L".request").c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!waitUntil([&] { return exists(answer); }, answerWaitMs))
        return "";
    const std::string reply = firstLine(readWhole(answer));
    DeleteFileW(answer.c_str());
    return reply;
}

std::wstring suffixed(const wchar_t* base, int reader, const wchar_t* extension)
{
    std::wstring name = base;
    if (reader > 1)
        name += L"-" + std::to_wstring(reader);
    return workFile(name + extension);
}

}  // namespace

int restartReader(const std::string& arguments)
{
    const std::string reply = ask(L"sim", arguments);
    const int reader = atoi(reply.c_str());
    expect(reader > 1, "a reader with \"" + arguments + "\" is on the line", reply.empty() ? "no answer" : reply);
    return reader > 1 ? reader : 0;
}

int currentReader()
{
    return atoi(readWhole(workFile(L"sim.current")).c_str());
}

std::string readerArguments(int reader)
{
    return firstLine(readWhole(suffixed(L"sim", reader, L".args")));
}

std::vector<std::string> transcriptLines(int reader)
{
    const std::string text = readWhole(suffixed(L"transcript", reader, L".txt"));
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

std::string comPortState()
{
    return ask(L"port", "COM7");
}

LinuxFigures linuxFigures(const std::wstring& programFile)
{
    LinuxFigures figures{};
    const std::string reply = ask(L"figures", utf8(programFile));
    figures.known = sscanf(reply.c_str(), "%ld %ld %ld %ld", &figures.rssKb, &figures.sizeKb, &figures.fds,
                           &figures.threads) == 4;
    return figures;
}
