// The viewer's platform-free parts: the dialog's fit and scale on real display sizes, the
// technician's line in each honest case, the choice of video driver with why none works, the
// display chosen by the command line, and the console's keys. Clicks under scaled outputs are
// held on a real compositor.
#include "SequenceDiff.h"

#include "drawndialog/BitmapFont.h"
#include "drawndialog/DrawnDialog.h"
#include "view/ConsoleKeys.h"
#include "view/DriverChoice.h"
#include "view/TechnicianLine.h"
#include "view/ViewOptions.h"

#include <gtest/gtest.h>

namespace {

// The longest line the viewer makes for a display of up to 4 digits a side.
const std::string LongestLine = TechnicianLine({1100, 700, 880, 560, 1920, 1080, "wayland", false});

TEST(ViewDialog, FitsEveryCommonDisplayAtAScaleReadableOnIt)
{
    const auto inside = [](const PixelRect &inner, const PixelRect &outer) {
        return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
               inner.y + inner.height <= outer.y + outer.height;
    };
    std::vector<std::string> actual;
    for (const auto &[width, height] :
         {std::pair{640, 480}, {1366, 768}, {1920, 1080}, {2560, 1440}, {3840, 2160}, {7680, 4320}}) {
        const DialogLayout layout = LayoutDialog(width, height, LongestLine.c_str());
        const int s = layout.scale;
        const PixelRect text{layout.box.x + s, layout.titleTop, layout.box.width - 2 * s,
                             layout.technicianTop + GlyphHeight * s - layout.titleTop};
        const bool fits = inside(layout.box, {0, 0, width, height}) && inside(layout.icon, layout.box) &&
                          inside(text, layout.box) && inside(layout.ok, layout.box) &&
                          inside(layout.exit, layout.box) && layout.icon.y + layout.icon.height <= layout.titleTop &&
                          static_cast<int>(LongestLine.size()) * GlyphAdvance * s <= text.width &&
                          text.y + text.height <= layout.ok.y && layout.ok.x + layout.ok.width < layout.exit.x;
        actual.push_back(std::to_string(width) + "x" + std::to_string(height) + " scale " + std::to_string(s) +
                         (fits ? " fits" : " does not fit"));
    }
    EXPECT_TRUE(SameSequence(actual, {"640x480 scale 1 fits", "1366x768 scale 1 fits", "1920x1080 scale 2 fits",
                                      "2560x1440 scale 3 fits", "3840x2160 scale 4 fits", "7680x4320 scale 9 fits"}));
}

TEST(TechnicianLine, SaysOneToOneOnlyWhereTheViewerCanKnow)
{
    const std::vector<ShownOutput> cases = {
        {1920, 1080, 1920, 1080, 1920, 1080, "x11", false},
        {1920, 1080, 1920, 1080, 1920, 1080, "x11", true},
        {1100, 700, 1100, 700, 1920, 1080, "x11", false},
        {1920, 1080, 1280, 720, 1920, 1080, "wayland", false},
        {1100, 699, 733, 466, 1100, 700, "wayland", false},
        {1366, 768, 1093, 614, 1366, 768, "wayland", false},
        {1024, 768, 1024, 768, 1024, 768, "kmsdrm", false},
    };
    std::vector<std::string> actual;
    std::transform(cases.begin(), cases.end(), std::back_inserter(actual), TechnicianLine);
    EXPECT_TRUE(SameSequence(actual, {
        "1920 x 1080 device pixels, scale 1, driver x11: one to one.",
        "1920 x 1080 device pixels, scale 1, driver x11: whether one to one cannot be told.",
        "1100 x 700 device pixels, scale 1, driver x11: one to one, on part of the 1920 x 1080 display.",
        "1920 x 1080 device pixels, scale 1.5, driver wayland: one to one.",
        "1100 x 699 device pixels, scale 1.5, driver wayland: not one to one, the scaled size is not whole.",
        "1366 x 768 device pixels, scale 1.25, driver wayland: not one to one, the scaled size is not whole.",
        "1024 x 768 device pixels, scale 1, driver kmsdrm: one to one."}));
}

// The drivers tried, from --driver's list, the display the last --display
// names, and the one line told when none works, whatever the environment lacks.
TEST(ViewDrivers, ChoiceAndEveryFailureSayWhat)
{
    std::vector<std::string> actual;
    for (const char *list : {"wayland,x11,kmsdrm", "x11", "x11,,wayland,x11", ",", "", "sdl,x11"}) {
        std::vector<std::string> drivers;
        std::string error;
        std::string line = std::string(list) + " -> ";
        if (ParseDrivers(list, drivers, error)) {
            for (const std::string &driver : drivers) {
                line += driver + (&driver == &drivers.back() ? "" : " ");
            }
        } else {
            line += error;
        }
        actual.push_back(line);
    }
    for (const std::vector<const char *> &arguments :
         {std::vector<const char *>{"quorvane-view", "--display", "nosuch", "--display", "1"},
          {"quorvane-view", "--display", "1", "--display", "HDMI-A-1"}}) {
        const ViewOptions options = ParseViewOptions(static_cast<int>(arguments.size()), arguments.data());
        actual.push_back("display " +
                         (options.displayName.empty() ? std::to_string(options.display) : options.displayName));
    }
    // --display 1 given with no display at the start, then displays coming and going; and 0, the default.
    std::string followed, covered;
    for (const std::vector<std::string> &listed : {std::vector<std::string>{"A"}, {"A", "B"}, {"A"}, {"B", "A"}}) {
        covered += "cover " + DisplayToCover(listed, followed, 1) + ", following '" + followed + "'; ";
    }
    actual.push_back(covered + DisplayToCover({"A", "B"}, followed = "", 0) + " for 0");
    actual.push_back(WhyNoServer("wayland", nullptr, nullptr));
    actual.push_back(WhyNoServer("wayland", "/run/compositor", nullptr));
    actual.push_back(WhyNoServer("wayland", nullptr, "/run/user/1000"));
    actual.push_back(WhyNoServer("wayland", "wayland-1", "/run/user/1000"));
    actual.push_back(WhyNoServer("x11", "", nullptr));
    actual.push_back(WhyNoServer("x11", ":5", nullptr));
    actual.push_back(NoVideoLine({{"wayland", "XDG_RUNTIME_DIR is not set"}, {"x11", ""}, {"kmsdrm", "no card"}}));
    actual.push_back(NoVideoLine({}));
    EXPECT_TRUE(SameSequence(actual, {
        "wayland,x11,kmsdrm -> wayland x11 kmsdrm",
        "x11 -> x11",
        "x11,,wayland,x11 -> x11 wayland",
        ", -> ',' names no video driver (wayland, x11 or kmsdrm)",
        " -> '' names no video driver (wayland, x11 or kmsdrm)",
        "sdl,x11 -> unknown video driver 'sdl' (wayland, x11 or kmsdrm)",
        "display 1",
        "display HDMI-A-1",
        "cover A, following ''; cover B, following 'B'; cover A, following 'B'; cover B, following 'B'; A for 0",
        "XDG_RUNTIME_DIR is not set",
        "cannot connect to WAYLAND_DISPLAY=/run/compositor",
        "WAYLAND_DISPLAY is not set and no wayland-0 answers",
        "cannot connect to WAYLAND_DISPLAY=wayland-1",
        "DISPLAY is not set",
        "cannot connect to DISPLAY=:5",
        "no usable video driver: wayland: XDG_RUNTIME_DIR is not set; x11: no reason given; kmsdrm: no card",
        "no usable video driver: none was named"}));
}

// Several keys in one read, other keys' sequences whole or cut off (F1 is "\x1b[[A" on the Linux console).
TEST(ConsoleKeys, EscIsTheByteAloneEvenAmongOtherKeys)
{
    std::vector<std::string> actual;
    for (const std::string bytes :
         {"\x1b\x1b", " \x1b", "\x1b[A\x1b", "\x1b[1;5C\x03", "\x1b[[A\r", "\x1bOP \n", "\x1bx", "\x1b[12"}) {
        actual.emplace_back();
        for (VideoEventKind key : ConsoleKeys(bytes.data(), bytes.size())) {
            actual.back() += key == VideoEventKind::Escape  ? "Esc "
                             : key == VideoEventKind::Enter ? "Enter "
                                                            : "Space ";
        }
    }
    EXPECT_TRUE(SameSequence(actual, {"Esc Esc ", "Space Esc ", "Esc ", "Esc ", "Enter ", "Space Enter ", "", ""}));
}

} // namespace
