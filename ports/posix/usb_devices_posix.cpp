// The present USB devices from sysfs: <root>/bus/usb/devices/ holds one
// folder per device ("1-1.2") and per interface ("1-1.2:1.0"). A device's
// identifier is built from idVendor, idProduct and bcdDevice as Windows
// writes it; its port is the tty under one of its interfaces (ttyACM0 in
// "<interface>/tty/", ttyUSB0 directly in "<interface>/"), named as the port
// list names it.
#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "ports/posix/posix_ports.h"
#include "ports/usb_devices.h"

namespace {

struct DeviceSet {
    std::string folder;                // <root>/bus/usb/devices
    std::vector<std::string> devices;  // folder names, natural order
};

DeviceSet* setOf(UsbDeviceSet set)
{
    return reinterpret_cast<DeviceSet*>(set);
}

std::vector<std::string> entries(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return names;
    while (dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end(), naturalLess);
    return names;
}

bool isFolder(const std::string& path)
{
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return false;
    closedir(dir);
    return true;
}

// A sysfs attribute of four hexadecimal digits ("1a86\n"), as a number.
bool readHex4(const std::string& path, unsigned* value)
{
    std::ifstream in(path);
    std::string text;
    if (!(in >> text) || text.size() != 4)
        return false;
    for (char c : text)
        if (!isxdigit(static_cast<unsigned char>(c)))
            return false;
    *value = static_cast<unsigned>(strtoul(text.c_str(), nullptr, 16));
    return true;
}

bool startsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, strlen(prefix), prefix) == 0;
}

// The first tty under the device's interfaces, "" when it has none.
std::string firstTty(const std::string& folder, const std::string& device)
{
    for (const std::string& interface : entries(folder + "/" + device)) {
        if (!startsWith(interface, (device + ":").c_str()))
            continue;
        const std::string path = folder + "/" + device + "/" + interface;
        const std::vector<std::string> ttys = entries(path + "/tty");
        if (!ttys.empty())
            return ttys.front();
        for (const std::string& name : entries(path))
            if (startsWith(name, "tty") && isFolder(path + "/" + name))
                return name;
    }
    return "";
}

}  // namespace

bool openUsbDevices(UsbDeviceSet* set)
{
    const std::string folder = posixSysfsRoot() + "/bus/usb/devices";
    if (!isFolder(folder))
        return false;
    auto* devices = new DeviceSet{folder, {}};
    for (const std::string& name : entries(folder))
        if (name.find(':') == std::string::npos)
            devices->devices.push_back(name);
    *set = reinterpret_cast<UsbDeviceSet>(devices);
    return true;
}

UsbDeviceRead readUsbDevice(UsbDeviceSet set, int index, UsbDevice* device)
{
    const DeviceSet* devices = setOf(set);
    if (index < 0 || static_cast<size_t>(index) >= devices->devices.size())
        return UsbDeviceRead::end;
    const std::string& name = devices->devices[static_cast<size_t>(index)];
    const std::string path = devices->folder + "/" + name;

    unsigned vendor, product, revision;
    if (!readHex4(path + "/idVendor", &vendor) || !readHex4(path + "/idProduct", &product) ||
        !readHex4(path + "/bcdDevice", &revision))
        return UsbDeviceRead::noHardwareId;
    snprintf(device->hardwareId, sizeof device->hardwareId, "USB\\VID_%04X&PID_%04X&REV_%04X", vendor, product,
             revision);

    // Every sysfs device has its folder, so nothing here ends the walk
    // (noHardwareKey): a device without a tty simply has no port.
    const std::string tty = firstTty(devices->folder, name);
    if (tty.empty())
        return UsbDeviceRead::noPortName;
    const std::string comName = posixComNameOf(posixDeviceRoot() + "/" + tty);
    if (comName.empty() || comName.size() >= sizeof device->portName)
        return UsbDeviceRead::noPortName;
    memcpy(device->portName, comName.c_str(), comName.size() + 1);
    return UsbDeviceRead::complete;
}

void closeUsbDevices(UsbDeviceSet set)
{
    delete setOf(set);
}
