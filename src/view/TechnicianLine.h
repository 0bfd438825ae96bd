// The pause dialog's line for the technician: what is shown, through which
// video driver, and whether each pattern pixel lands on one display pixel as
// far as the viewer can know.
#pragma once

#include <string>

struct ShownOutput {
    int deviceWidth, deviceHeight;   // the buffer, in device pixels
    int logicalWidth, logicalHeight; // the window, in the compositor's units
    int displayWidth, displayHeight; // the whole display, in device pixels
    std::string driver;              // the video driver: wayland, x11 or kmsdrm
    bool insideWayland;              // a Wayland session is running (X11 may be Xwayland)
};

enum class Mapping { OneToOne, OneToOneOnPart, NotOneToOne, CannotTell };

Mapping MappingOf(const ShownOutput &shown);

// device / logical with two decimals at most: "1.5" and "2", not "1.50" and "2.00".
std::string ScaleText(int device, int logical);

std::string TechnicianLine(const ShownOutput &shown);
