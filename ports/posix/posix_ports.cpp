#include "ports/posix/posix_ports.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>

namespace {

// The port list is rebuilt from the worker thread too (closePort).
std::mutex lock;
bool useGivenPaths = false;
std::vector<std::string> givenPaths;
std::string deviceRoot = "/dev";
std::string sysfsRoot = "/sys";

const char* const serialPrefixes[] = {"ttyS", "ttyUSB", "ttyACM", "ttyAMA", "rfcomm"};

bool hasSerialPrefix(const char* name, const char** prefix)
{
    for (const char* p : serialPrefixes) {
        const size_t n = strlen(p);
        if (strncmp(name, p, n) == 0 && name[n] != '\0' && isdigit(static_cast<unsigned char>(name[n]))) {
            *prefix = p;
            return true;
        }
    }
    return false;
}

// The kernel keeps 4 to 32 ttyS nodes whether or not a UART sits behind
// them; serial core says "type" 0 (no UART) for the empty ones.
bool uartPresent(const std::string& sysfs, const char* name)
{
    std::ifstream in(sysfs + "/class/tty/" + name + "/type");
    int type = 0;
    if (!(in >> type))
        return true;  // no serial-core information: keep the device
    return type != 0;
}

std::vector<std::string> scanSystem(const std::string& devices, const std::string& sysfs)
{
    std::vector<std::string> paths;
    DIR* dir = opendir(devices.c_str());
    if (!dir)
        return paths;
    while (dirent* entry = readdir(dir)) {
        const char* prefix = nullptr;
        if (!hasSerialPrefix(entry->d_name, &prefix))
            continue;
        if (strcmp(prefix, "ttyS") == 0 && !uartPresent(sysfs, entry->d_name))
            continue;
        paths.push_back(devices + "/" + entry->d_name);
    }
    closedir(dir);
    std::sort(paths.begin(), paths.end(), naturalLess);
    return paths;
}

std::vector<std::string> currentPaths()
{
    std::lock_guard<std::mutex> guard(lock);
    if (useGivenPaths)
        return givenPaths;
    return scanSystem(deviceRoot, sysfsRoot);
}

// 1 for "COM1" (any case), 0 when the name is not "COM" and a number.
size_t comNumber(const char* name)
{
    if (!name || strncasecmp(name, "COM", 3) != 0 || name[3] == '\0')
        return 0;
    size_t number = 0;
    for (const char* p = name + 3; *p; ++p) {
        if (!isdigit(static_cast<unsigned char>(*p)) || number > 100000)
            return 0;
        number = number * 10 + static_cast<size_t>(*p - '0');
    }
    return number;
}

std::string resolved(const std::string& path)
{
    char buffer[PATH_MAX];
    if (!realpath(path.c_str(), buffer))
        return "";
    return buffer;
}

}  // namespace

bool naturalLess(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool digitA = isdigit(static_cast<unsigned char>(a[i]));
        const bool digitB = isdigit(static_cast<unsigned char>(b[j]));
        if (digitA && digitB) {
            size_t endA = i, endB = j;
            while (endA < a.size() && isdigit(static_cast<unsigned char>(a[endA])))
                ++endA;
            while (endB < b.size() && isdigit(static_cast<unsigned char>(b[endB])))
                ++endB;
            // Compare the values without converting: skip leading zeros,
            // then the longer run is the larger number.
            size_t startA = i, startB = j;
            while (startA + 1 < endA && a[startA] == '0')
                ++startA;
            while (startB + 1 < endB && b[startB] == '0')
                ++startB;
            if (endA - startA != endB - startB)
                return endA - startA < endB - startB;
            const int order = a.compare(startA, endA - startA, b, startB, endB - startB);
            if (order != 0)
                return order < 0;
            i = endA;
            j = endB;
        } else {
            if (a[i] != b[j])
                return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i;
            ++j;
        }
    }
    if (a.size() - i != b.size() - j)
        return a.size() - i < b.size() - j;
    return a < b;
}

void posixUsePortPaths(const std::vector<std::string>& paths)
{
    std::lock_guard<std::mutex> guard(lock);
    useGivenPaths = true;
    givenPaths = paths;
}

void posixUseSystemPorts()
{
    std::lock_guard<std::mutex> guard(lock);
    useGivenPaths = false;
    givenPaths.clear();
}

std::vector<std::string> posixPortPaths()
{
    return currentPaths();
}

std::string posixPortPath(const char* comName)
{
    const size_t number = comNumber(comName);
    if (number == 0)
        return "";
    const std::vector<std::string> paths = currentPaths();
    return number <= paths.size() ? paths[number - 1] : "";
}

std::string posixComNameOf(const std::string& path)
{
    const std::vector<std::string> paths = currentPaths();
    for (size_t i = 0; i < paths.size(); ++i)
        if (paths[i] == path)
            return "COM" + std::to_string(i + 1);
    // A link (a /dev/serial/by-id name, a simulator's pseudo-terminal link)
    // names the same device as its target.
    const std::string target = resolved(path);
    if (target.empty())
        return "";
    for (size_t i = 0; i < paths.size(); ++i)
        if (resolved(paths[i]) == target)
            return "COM" + std::to_string(i + 1);
    return "";
}

void posixSetDeviceRoot(const std::string& path)
{
    std::lock_guard<std::mutex> guard(lock);
    deviceRoot = path;
}

void posixSetSysfsRoot(const std::string& path)
{
    std::lock_guard<std::mutex> guard(lock);
    sysfsRoot = path;
}

std::string posixDeviceRoot()
{
    std::lock_guard<std::mutex> guard(lock);
    return deviceRoot;
}

std::string posixSysfsRoot()
{
    std::lock_guard<std::mutex> guard(lock);
    return sysfsRoot;
}
