#include "view/DriverChoice.h"

#include <algorithm>

bool ParseDrivers(const std::string &list, std::vector<std::string> &drivers, std::string &error)
{
    static const std::vector<std::string> known = {"wayland", "x11", "kmsdrm"};
    drivers.clear();
    for (size_t start = 0; start <= list.size();) {
        const size_t comma = std::min(list.find(',', start), list.size());
        const std::string name = list.substr(start, comma - start);
        start = comma + 1;
        if (name.empty() || std::find(drivers.begin(), drivers.end(), name) != drivers.end()) {
            continue;
        }
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            error = "unknown video driver '" + name + "' (wayland, x11 or kmsdrm)";
            return false;
        }
        drivers.push_back(name);
    }
    if (drivers.empty()) {
        error = "'" + list + "' names no video driver (wayland, x11 or kmsdrm)";
        return false;
    }
    return true;
}

std::string WhyNoServer(const std::string &driver, const char *display, const char *runtimeDir)
{
    const bool wayland = driver == "wayland";
    const std::string variable = wayland ? "WAYLAND_DISPLAY" : "DISPLAY";
    if (wayland && !(display && display[0] == '/') && !(runtimeDir && *runtimeDir)) {
        return "XDG_RUNTIME_DIR is not set";
    }
    if (!display || !*display) {
        return variable + " is not set" + (wayland ? " and no wayland-0 answers" : "");
    }
    return "cannot connect to " + variable + "=" + display;
}

std::string NoVideoLine(const std::vector<DriverFailure> &failures)
{
    std::string line = "no usable video driver:";
    for (const DriverFailure &failure : failures) {
        line += (&failure == &failures.front() ? " " : "; ") + failure.driver + ": " +
                (failure.why.empty() ? "no reason given" : failure.why);
    }
    return failures.empty() ? line + " none was named" : line;
}
