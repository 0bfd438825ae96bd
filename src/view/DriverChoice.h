// The video drivers quorvane-view knows, the order it tries them in, and the
// line it ends with where none works: platform-free, so that the host tests
// hold every message.
#pragma once

#include <string>
#include <vector>

// Wayland first: inside a Wayland session X11 is Xwayland, which a scaled
// output stretches unseen.
inline constexpr char DefaultDrivers[] = "wayland,x11,kmsdrm";

// The drivers a comma-separated list names, in its order, each once. False
// with error set for an unknown name or a list that names none.
bool ParseDrivers(const std::string &list, std::vector<std::string> &drivers, std::string &error);

// Why the display server's driver ("wayland" or "x11") found none, given its
// variables as the environment has them (nullptr where unset):
// WAYLAND_DISPLAY and XDG_RUNTIME_DIR, or DISPLAY.
std::string WhyNoServer(const std::string &driver, const char *display, const char *runtimeDir);

struct DriverFailure {
    std::string driver, why;
};

// "no usable video driver: wayland: ...; x11: ...", never without a reason.
std::string NoVideoLine(const std::vector<DriverFailure> &failures);
