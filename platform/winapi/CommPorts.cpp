// The port map: which device a port name "COMn" stands for.
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <fstream>

#include "platform/winapi/Comm.h"

namespace {

// The n of "COMn" or "\\.\COMn" (any case, no leading zeros), or 0.
int PortNumber(const String& name) {
    String rest = name;
    if (rest.rfind("\\\\.\\", 0) == 0) rest.erase(0, 4);
    if (rest.size() < 4 || std::toupper(static_cast<unsigned char>(rest[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(rest[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(rest[2])) != 'M')
        return 0;
    if (rest[3] == '0' || rest.size() > 3 + 6) return 0;
    int number = 0;
    for (std::size_t i = 3; i < rest.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(rest[i]))) return 0;
        number = number * 10 + (rest[i] - '0');
    }
    return number;
}

String PortDirectory() {
    const char* ports = std::getenv("KOV571_PORTS");
    if (ports != nullptr && *ports != '\0') return ports;
    const char* home = std::getenv("HOME");
    return String(home != nullptr ? home : "") + "/.config/kov571/ports";
}

String DefaultDevice(int number) {
    if (number >= 1 && number <= 4) return "/dev/ttyS" + std::to_string(number - 1);
    if (number >= 5 && number <= 12) return "/dev/ttyUSB" + std::to_string(number - 5);
    if (number >= 13 && number <= 20) return "/dev/ttyACM" + std::to_string(number - 13);
    return String();
}

// The first line of a plain entry, without its line break and surrounding blanks.
String FirstLine(const String& path) {
    std::ifstream in(path, std::ios::binary);
    String line;
    std::getline(in, line);
    const auto first = line.find_first_not_of(" \t\r");
    if (first == String::npos) return String();
    const auto last = line.find_last_not_of(" \t\r");
    return line.substr(first, last - first + 1);
}

} // namespace

String CommPortDevicePath(const String& portName) {
    const int number = PortNumber(portName);
    if (number == 0) return String();
    const String directory = PortDirectory();
    const String entry = directory + "/COM" + std::to_string(number);
    struct stat info;
    if (lstat(entry.c_str(), &info) == 0) {
        // A link (or a device node) is opened as it stands; a plain file names the device.
        if (!S_ISREG(info.st_mode)) return entry;
        String device = FirstLine(entry);
        if (!device.empty() && device[0] != '/') device = directory + "/" + device;
        return device;
    }
    if (stat((directory + "/nodefaults").c_str(), &info) == 0) return String();
    return DefaultDevice(number);
}
