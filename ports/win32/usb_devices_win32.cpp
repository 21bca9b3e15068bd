// The present USB devices through SetupAPI; the port name from the device's
// hardware key.
#include <windows.h>
// windows.h first: SetupAPI's header builds on it.
#include <setupapi.h>

#include "ports/usb_devices.h"

namespace {

HDEVINFO infoOf(UsbDeviceSet set)
{
    return reinterpret_cast<HDEVINFO>(set);
}

// Keeps the low byte of each wide character up to the terminator or length.
void narrow(const wchar_t* wide, int length, char* text)
{
    int i = 0;
    for (; i < length && wide[i] != L'\0'; ++i)
        text[i] = static_cast<char>(wide[i] & 0xFF);
    text[i] = '\0';
}

}  // namespace

bool openUsbDevices(UsbDeviceSet* set)
{
    HDEVINFO info = SetupDiGetClassDevsW(nullptr, L"USB", nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (info == INVALID_HANDLE_VALUE)
        return false;
    *set = reinterpret_cast<UsbDeviceSet>(info);
    return true;
}

UsbDeviceRead readUsbDevice(UsbDeviceSet set, int index, UsbDevice* device)
{
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiEnumDeviceInfo(infoOf(set), static_cast<DWORD>(index), &data))
        return UsbDeviceRead::end;

    // A list of strings; only the first is used. The last character is kept
    // free so that the text always ends.
    wchar_t ids[usbHardwareIdSize] = {};
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(infoOf(set), &data, SPDRP_HARDWAREID, &type,
                                           reinterpret_cast<BYTE*>(ids), sizeof ids, nullptr))
        return UsbDeviceRead::noHardwareId;
    narrow(ids, usbHardwareIdSize - 1, device->hardwareId);

    HKEY key = SetupDiOpenDevRegKey(infoOf(set), &data, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return UsbDeviceRead::noHardwareKey;
    wchar_t name[usbPortNameSize] = {};
    DWORD size = sizeof name;
    const LONG result = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return UsbDeviceRead::noPortName;
    narrow(name, static_cast<int>(size / sizeof(wchar_t) < usbPortNameSize - 1 ? size / sizeof(wchar_t)
                                                                                : usbPortNameSize - 1),
           device->portName);
    return UsbDeviceRead::complete;
}

void closeUsbDevices(UsbDeviceSet set)
{
    SetupDiDestroyDeviceInfoList(infoOf(set));
}
