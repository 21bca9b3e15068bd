// The kept network ports in the user's registry: HKCU\Software\Flintwell,
// value "NetworkPorts", REG_MULTI_SZ (each address in UTF-16 with its
// terminator, then an empty one).
#include <windows.h>

#include "app/kept_ports.h"
#include "app/win32/utf16.h"

namespace {

const wchar_t keyPath[] = L"Software\\Flintwell";
const wchar_t valueName[] = L"NetworkPorts";

}  // namespace

std::vector<std::string> keptNetworkPorts()
{
    std::vector<std::string> addresses;
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, keyPath, valueName, RRF_RT_REG_MULTI_SZ, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS)
        return addresses;
    std::wstring value(bytes / sizeof(wchar_t) + 2, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, keyPath, valueName, RRF_RT_REG_MULTI_SZ, nullptr, value.data(), &bytes) !=
        ERROR_SUCCESS)
        return addresses;
    // The strings end at the first empty one, or where the value ends.
    value.resize(bytes / sizeof(wchar_t));
    for (size_t at = 0; at < value.size() && value[at] != L'\0';) {
        const size_t end = value.find(L'\0', at);
        const size_t length = (end == std::wstring::npos ? value.size() : end) - at;
        addresses.push_back(utf16ToUtf8(value.data() + at, static_cast<int>(length)));
        at += length + 1;
    }
    return addresses;
}

bool keepNetworkPorts(const std::vector<std::string>& addresses)
{
    if (addresses.empty()) {
        const LSTATUS deleted = RegDeleteKeyValueW(HKEY_CURRENT_USER, keyPath, valueName);
        return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
    }
    std::wstring value;
    for (const std::string& address : addresses)
        value += utf8ToUtf16(address) + L'\0';
    value += L'\0';
    return RegSetKeyValueW(HKEY_CURRENT_USER, keyPath, valueName, REG_MULTI_SZ, value.data(),
                           static_cast<DWORD>(value.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}
