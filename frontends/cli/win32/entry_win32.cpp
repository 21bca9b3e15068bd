// On Windows the arguments are taken as UTF-16 and passed on as UTF-8, so a
// record file's name may hold any character.
#include <windows.h>

#include <string>
#include <vector>

#include "app/win32/utf16.h"
#include "frontends/cli/exit_status.h"

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(utf16ToUtf8(argv[i], static_cast<int>(wcslen(argv[i]))));
    std::vector<char*> pointers;
    for (std::string& arg : args)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    return cliMain(argc, pointers.data());
}
