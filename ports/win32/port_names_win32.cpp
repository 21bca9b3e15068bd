// The port names from the registry key in which Windows keeps one value per
// serial port, the value's data being the port's name.
#include <windows.h>

#include <cstdlib>

#include "ports/port_names.h"

namespace {

// Set by a front end's --port: these names instead of the registry's.
bool useGiven = false;
std::vector<std::string> given;

// A name this long can never be a port name; it is left out.
constexpr DWORD narrowSize = 64;

// Keeps the low byte of each wide character; false when the text does not
// fit the narrow buffer.
bool narrow(const wchar_t* wide, DWORD length, char* text)
{
    if (length >= narrowSize)
        return false;
    for (DWORD i = 0; i < length; ++i)
        text[i] = static_cast<char>(wide[i] & 0xFF);
    text[length] = '\0';
    return true;
}

}  // namespace

void useGivenPorts(const std::vector<std::string>& ports)
{
    useGiven = true;
    given = ports;
}

std::string givenPortOf(const char* listedName)
{
    return listedName;
}

bool listSystemPorts(PortNameVisitor visit, void* context, int* entryCount)
{
    if (useGiven) {
        *entryCount = static_cast<int>(given.size());
        for (const std::string& name : given)
            visit(name.c_str(), context);
        return true;
    }
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM\\", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD values = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return false;
    }
    const DWORD nameChars = longestName + 1;
    const DWORD dataBytes = 2 * longestData + 2;
    auto* name = static_cast<wchar_t*>(malloc(nameChars * sizeof(wchar_t)));
    auto* data = static_cast<BYTE*>(malloc(dataBytes));
    if (!name || !data) {
        free(name);
        free(data);
        RegCloseKey(key);
        return false;
    }
    *entryCount = static_cast<int>(values);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = nameChars;
        DWORD dataLength = dataBytes;
        DWORD type = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS ||
            type != REG_SZ)
            continue;
        // The data need not end in a terminator: take the characters read,
        // up to the first terminator among them.
        const auto* wide = reinterpret_cast<const wchar_t*>(data);
        DWORD length = 0;
        while (length < dataLength / 2 && wide[length] != L'\0')
            ++length;
        char text[narrowSize];
        if (narrow(wide, length, text))
            visit(text, context);
    }
    free(name);
    free(data);
    RegCloseKey(key);
    return true;
}
