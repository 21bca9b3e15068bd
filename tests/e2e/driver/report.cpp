// PASS/FAIL lines on stdout and in the result file that the test script reads
// (Wine's desktop launcher does not pass the exit status on).
#include <cstdio>

#include "tests/e2e/driver/driver.h"

namespace {

std::vector<std::string> lines;
int failures = 0;

void emit(const std::string& line)
{
    lines.push_back(line);
    fputs(line.c_str(), stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

}  // namespace

bool expect(bool condition, const std::string& what, const std::string& detail)
{
    if (condition) {
        emit("PASS " + what);
    } else {
        ++failures;
        emit("FAIL " + what + (detail.empty() ? "" : ": " + detail));
    }
    return condition;
}

void note(const std::string& text)
{
    emit("     " + text);
}

int failureCount()
{
    return failures;
}

int finishReport(const char* caseName)
{
    const std::string verdict = std::string("RESULT ") + (failures == 0 ? "PASS " : "FAIL ") + caseName;
    emit(verdict);
    if (!options.resultFile.empty()) {
        FILE* file = _wfopen(options.resultFile.c_str(), L"wb");
        if (file == nullptr) {
            fprintf(stdout, "FAIL cannot write the result file\n");
            return 1;
        }
        for (const std::string& line : lines) {
            fputs(line.c_str(), file);
            fputc('\n', file);
        }
        fclose(file);
    }
    return failures == 0 ? 0 : 1;
}

std::string utf8(const std::wstring& text)
{
    if (text.empty())
        return "";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring wide(const std::string& utf8Text)
{
    if (utf8Text.empty())
        return L"";
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8Text.data(), static_cast<int>(utf8Text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8Text.data(), static_cast<int>(utf8Text.size()), out.data(), size);
    return out;
}

std::string shown(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\r')
            out += L"\\r";
        else if (c == L'\n')
            out += L"\\n";
        else if (c == L'\t')
            out += L"\\t";
        else
            out += c;
    }
    std::string quoted = "\"";
    quoted += utf8(out);
    quoted += '"';
    return quoted;
}

std::wstring windowsPath(const std::wstring& path)
{
    if (path.empty() || path[0] != L'/')
        return path;
    std::wstring out = L"Z:" + path;
    for (wchar_t& c : out)
        if (c == L'/')
            c = L'\\';
    return out;
}
