// The viewer's platform-free parts: the dialog's fit and scale on real display sizes, its buttons
// under a scaled output, the technician's line in each honest case, and the command line.
#include "SequenceDiff.h"

#include "view/BitmapFont.h"
#include "view/TechnicianLine.h"
#include "view/ViewDialog.h"
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
        const DialogLayout layout = LayoutDialog(width, height, LongestLine);
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

TEST(ViewDialog, ButtonsAreHitInDevicePixelsFromLogicalMousePositions)
{
    // 1920 x 1080 device pixels under a 1.5 output: a 1280 x 720 window.
    const DialogLayout layout = LayoutDialog(1920, 1080, LongestLine);
    const auto hit = [&](int x, int y) { // where the mouse is at x, y in device pixels
        const DevicePoint at = ToDevicePixel(x * 2 / 3, y * 2 / 3, 1280, 720, 1920, 1080);
        const DialogButton button = ButtonAt(layout, at.x, at.y);
        return button == DialogButton::Ok ? "Ok" : button == DialogButton::Exit ? "Exit" : "None";
    };
    const PixelRect &ok = layout.ok, &exit = layout.exit;
    const DevicePoint quarter = ToDevicePixel(300, 200, 1536, 864, 1920, 1080); // scale 1.25
    const std::vector<std::string> actual = {
        hit(ok.x + ok.width / 2, ok.y + ok.height / 2), hit(exit.x + exit.width / 2, exit.y + exit.height / 2),
        hit(ok.x + ok.width + 3, ok.y + ok.height / 2), hit(exit.x + exit.width / 2, exit.y - 3),
        hit(ok.x + ok.width / 2, ok.y + ok.height + 3), std::to_string(quarter.x) + "," + std::to_string(quarter.y),
    };
    EXPECT_TRUE(SameSequence(actual, {"Ok", "Exit", "None", "None", "None", "375,250"}));
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
        {800, 600, 800, 600, 800, 600, "offscreen", false},
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
        "1024 x 768 device pixels, scale 1, driver kmsdrm: one to one.",
        "800 x 600 device pixels, scale 1, driver offscreen: whether one to one cannot be told."}));
}

TEST(ViewOptions, ParsesTheCommandLineAndNamesWhatIsWrong)
{
    std::vector<std::string> actual;
    for (std::vector<const char *> arguments : std::vector<std::vector<const char *>>{
             {}, {"--display", "1"}, {"--list-displays"}, {"--help"}, {"--display"}, {"--display", "-1"},
             {"--display", "1x"}, {"--display", "99999999"}, {"--fullscreen"}, {"extra"}}) {
        arguments.insert(arguments.begin(), "quorvane-view");
        const ViewOptions options = ParseViewOptions(static_cast<int>(arguments.size()), arguments.data());
        const char *action = options.action == ViewAction::Show ? "show" :
                             options.action == ViewAction::Help ? "help" : "list";
        actual.push_back(options.error.empty() ? std::string(action) + " " + std::to_string(options.display)
                                               : options.error);
    }
    EXPECT_TRUE(SameSequence(actual, {"show 0", "show 1", "list 0", "help 0", "--display needs a display index",
                                      "--display takes a display index, not '-1'",
                                      "--display takes a display index, not '1x'",
                                      "--display takes a display index, not '99999999'",
                                      "unknown argument '--fullscreen'", "unknown argument 'extra'"}));
}

} // namespace
