#include "view/TechnicianLine.h"

#include <stdio.h>

Mapping MappingOf(const ShownOutput &shown)
{
    if (shown.displayWidth <= 0 || shown.displayHeight <= 0) {
        return Mapping::CannotTell; // the display's size is not known
    }
    const bool covers = shown.deviceWidth == shown.displayWidth && shown.deviceHeight == shown.displayHeight;
    if (shown.driver == "wayland") {
        // The compositor scales the window's logical size by one factor for
        // both sides; where the scale left a size that is not whole, the
        // rounded logical size cannot scale back to the buffer on both.
        const long long across = static_cast<long long>(shown.deviceWidth) * shown.logicalHeight;
        const long long down = static_cast<long long>(shown.deviceHeight) * shown.logicalWidth;
        if (across != down) {
            return Mapping::NotOneToOne;
        }
    } else if (shown.driver == "x11") {
        // Xwayland's windows may be stretched by a scaled output, unseen by X11.
        if (shown.insideWayland || shown.deviceWidth != shown.logicalWidth ||
            shown.deviceHeight != shown.logicalHeight) {
            return Mapping::CannotTell;
        }
    } else if (shown.driver != "kmsdrm") {
        return Mapping::CannotTell;
    }
    return covers ? Mapping::OneToOne : Mapping::OneToOneOnPart;
}

namespace {

std::string Size(int width, int height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

} // namespace

std::string ScaleText(int device, int logical)
{
    if (logical <= 0) {
        return "unknown";
    }
    char text[32];
    snprintf(text, sizeof text, "%.2f", static_cast<double>(device) / logical);
    std::string scale = text;
    scale.erase(scale.find_last_not_of('0') + 1);
    if (scale.back() == '.') {
        scale.pop_back();
    }
    return scale;
}

std::string TechnicianLine(const ShownOutput &shown)
{
    const std::string facts = Size(shown.deviceWidth, shown.deviceHeight) + " device pixels, scale " +
                              ScaleText(shown.deviceWidth, shown.logicalWidth) + ", driver " + shown.driver + ": ";
    switch (MappingOf(shown)) {
    case Mapping::OneToOne:
        return facts + "one to one.";
    case Mapping::OneToOneOnPart:
        return facts + "one to one, on part of the " + Size(shown.displayWidth, shown.displayHeight) + " display.";
    case Mapping::NotOneToOne:
        return facts + "not one to one, the scaled size is not whole.";
    case Mapping::CannotTell:
        break;
    }
    return facts + "whether one to one cannot be told.";
}
