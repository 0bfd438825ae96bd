// quorvane-view: the pattern full screen on Linux, on Wayland, X11 or the
// console, one pattern pixel on one display pixel. A left click pauses with
// the dialog; OK or Enter returns, Exit or Esc ends. The platforms are behind
// Video.h; the event loop and the drawing here are the same for all.

#include "drawndialog/DrawnDialog.h"
#include "raster/RenderPattern.h"
#include "view/DriverChoice.h"
#include "view/TechnicianLine.h"
#include "view/Video.h"
#include "view/ViewOptions.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace {

// Rows drawn at a time before they are copied out: small enough to stay in
// the cache, and the frame itself is never read back, which a graphics
// card's memory makes slow.
constexpr int BandRows = 128;

// How long the viewer waits for a display when it has none.
constexpr int64_t WaitForVideoMilliseconds = 10000;

std::unique_ptr<Video> Open(const std::string &driver, std::string &why)
{
    if (driver == "wayland") {
        return OpenWayland(why);
    }
    return driver == "x11" ? OpenX11(why) : OpenConsole(why);
}

struct Viewer {
    std::unique_ptr<Video> video;
    std::string driver;
    std::string followedName; // the display followed, by name
    size_t askedIndex = 0;    // --display's number, while there was no display to name yet
    bool paused = false;
    DialogLayout dialog{};
    DialogButton pressed = DialogButton::None;
    int64_t noVideoSince = -1; // when the viewer lost its last display, or -1
    std::string error;
};

// The pattern's pixels are 0x00BBGGRR; every back end shows 0x00RRGGBB.
void CopyBand(const uint32_t *band, int width, int rows, uint8_t *to, int pitch)
{
    for (int y = 0; y < rows; ++y) {
        const uint32_t *from = band + static_cast<size_t>(y) * width;
        uint32_t *row = reinterpret_cast<uint32_t *>(to + static_cast<size_t>(y) * pitch);
        for (int x = 0; x < width; ++x) {
            const uint32_t pixel = from[x];
            row[x] = (pixel & 0x00FF00) | (pixel & 0xFF) << 16 | (pixel >> 16 & 0xFF);
        }
    }
}

// Draws the pattern or the dialog for the frame's size in device pixels,
// which is what the display shows, and puts it on unscaled.
bool Draw(Viewer &viewer)
{
    FrameBuffer frame{};
    if (!viewer.video->Frame(frame)) {
        viewer.error = viewer.video->Error();
        return false;
    }
    const int width = frame.width, height = frame.height;
    if (width <= 0 || height <= 0) {
        return true; // nothing to show on until the display gives a size
    }
    const std::string line = viewer.paused ? TechnicianLine(viewer.video->Shown()) : "";
    if (viewer.paused) {
        viewer.dialog = LayoutDialog(width, height, line.c_str());
    }
    const size_t bandPixels = static_cast<size_t>(width) * std::min(BandRows, height);
    const std::unique_ptr<uint32_t[]> band(new (std::nothrow) uint32_t[bandPixels]);
    if (!band) {
        viewer.error = "out of memory for drawing " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    for (int y = 0; y < height; y += BandRows) {
        const int rows = std::min(BandRows, height - y);
        if (viewer.paused) {
            DrawDialogBand(viewer.dialog, line.c_str(), width, height, y, rows, band.get());
        } else if (!RenderPatternBand(width, height, y, rows, band.get())) {
            viewer.error = "the pattern cannot be drawn at " + std::to_string(width) + " x " + std::to_string(height);
            return false;
        }
        CopyBand(band.get(), width, rows, frame.pixels + static_cast<size_t>(y) * frame.pitch, frame.pitch);
    }
    if (!viewer.video->Present()) {
        viewer.error = viewer.video->Error();
        return false;
    }
    return true;
}

bool SetPaused(Viewer &viewer, bool paused)
{
    viewer.paused = paused;
    viewer.pressed = DialogButton::None;
    viewer.video->ShowCursor(paused);
    return Draw(viewer);
}

// Covers the display DisplayToCover says; with none at all, starts the wait
// for one.
bool Follow(Viewer &viewer)
{
    const std::vector<DisplayInfo> displays = viewer.video->Displays();
    if (displays.empty()) {
        if (viewer.noVideoSince < 0) {
            viewer.noVideoSince = MonotonicMilliseconds();
        }
        return true;
    }
    viewer.noVideoSince = -1;
    std::vector<std::string> listed;
    for (const DisplayInfo &display : displays) {
        listed.push_back(display.name);
    }
    if (!viewer.video->Cover(DisplayToCover(listed, viewer.followedName, viewer.askedIndex))) {
        viewer.error = viewer.video->Error();
        return false;
    }
    viewer.video->ShowCursor(viewer.paused);
    return true;
}

// The connection to the display went: the same driver again, once a second,
// until it answers or the wait for video is over.
bool Reconnect(Viewer &viewer)
{
    const std::string lost = viewer.video->Error();
    viewer.video.reset();
    const int64_t start = MonotonicMilliseconds();
    while (MonotonicMilliseconds() - start < WaitForVideoMilliseconds) {
        sleep(1);
        std::string why;
        viewer.video = Open(viewer.driver, why);
        if (viewer.video) {
            return Follow(viewer);
        }
    }
    viewer.error = lost + ", and it did not come back within 10 seconds";
    return false;
}

// Runs until the user ends it: 0, or 1 where the display fails.
int Run(Viewer &viewer)
{
    viewer.video->ShowCursor(false);
    if (!Follow(viewer)) {
        return 1;
    }
    for (;;) {
        const bool waiting = viewer.noVideoSince >= 0;
        if (waiting && MonotonicMilliseconds() - viewer.noVideoSince >= WaitForVideoMilliseconds) {
            viewer.error = "no display has been there for 10 seconds";
            return 1;
        }
        const VideoEvent event = viewer.video->Wait(waiting ? 1000 : -1);
        bool ok = true; // false where the step failed, with viewer.error set
        switch (event.kind) {
        case VideoEventKind::Timeout:
            break;
        case VideoEventKind::Escape:
        case VideoEventKind::Closed:
            return 0;
        case VideoEventKind::Enter:
            if (viewer.paused) {
                ok = SetPaused(viewer, false);
            }
            break;
        case VideoEventKind::Pause:
            if (!viewer.paused) {
                ok = SetPaused(viewer, true);
            }
            break;
        case VideoEventKind::Press:
            if (!viewer.paused) {
                ok = SetPaused(viewer, true);
            } else {
                viewer.pressed = ButtonAt(viewer.dialog, event.x, event.y);
            }
            break;
        case VideoEventKind::Release:
            // A button acts when released over where it was pressed, so the
            // click that opened the dialog cannot press one.
            if (viewer.paused && viewer.pressed != DialogButton::None &&
                ButtonAt(viewer.dialog, event.x, event.y) == viewer.pressed) {
                if (viewer.pressed == DialogButton::Exit) {
                    return 0;
                }
                ok = SetPaused(viewer, false);
            }
            viewer.pressed = DialogButton::None;
            break;
        case VideoEventKind::Redraw:
            ok = Draw(viewer);
            break;
        case VideoEventKind::DisplaysChanged:
            ok = Follow(viewer);
            break;
        case VideoEventKind::Lost:
            ok = Reconnect(viewer);
            break;
        }
        if (!ok) {
            return 1;
        }
    }
}

void ListDisplays(const std::vector<DisplayInfo> &displays)
{
    for (size_t i = 0; i < displays.size(); ++i) {
        const DisplayInfo &display = displays[i];
        printf("%zu: %s, %d x %d device pixels, scale %s\n", i, display.name.c_str(), display.width, display.height,
               ScaleText(display.width, display.logicalWidth).c_str());
    }
}

// The display asked for, by its name; an empty name while there is none yet.
bool ChooseDisplay(const ViewOptions &options, const std::vector<DisplayInfo> &displays, std::string &name)
{
    if (displays.empty()) {
        name = options.displayName;
        return true;
    }
    if (options.displayName.empty()) {
        if (static_cast<size_t>(options.display) >= displays.size()) {
            fprintf(stderr, "quorvane-view: no display %d: there %s %zu (see --list-displays)\n", options.display,
                    displays.size() == 1 ? "is" : "are", displays.size());
            return false;
        }
        name = displays[options.display].name;
        return true;
    }
    name = options.displayName;
    if (std::none_of(displays.begin(), displays.end(), [&](const DisplayInfo &d) { return d.name == name; })) {
        fprintf(stderr, "quorvane-view: no display named '%s' (see --list-displays)\n", name.c_str());
        return false;
    }
    return true;
}

int Main(int argc, char **argv)
{
    const ViewOptions options = ParseViewOptions(argc, argv);
    if (!options.error.empty()) {
        fprintf(stderr, "quorvane-view: %s (see --help)\n", options.error.c_str());
        return 2;
    }
    if (options.action == ViewAction::Help) {
        fputs(ViewUsage, stdout);
        return 0;
    }
    if (options.action == ViewAction::Version) {
        fputs(ViewVersion, stdout);
        return 0;
    }
    // The first driver that connects, each tried on its own so that a
    // failure can say why every one failed.
    Viewer viewer;
    std::vector<DriverFailure> failures;
    for (const std::string &driver : options.drivers) {
        std::string why;
        viewer.video = Open(driver, why);
        if (viewer.video) {
            viewer.driver = driver;
            break;
        }
        failures.push_back({driver, why});
    }
    if (!viewer.video) {
        fprintf(stderr, "quorvane-view: %s\n", NoVideoLine(failures).c_str());
        return 1;
    }
    const std::vector<DisplayInfo> displays = viewer.video->Displays();
    if (options.action == ViewAction::ListDisplays) {
        ListDisplays(displays);
        return 0;
    }
    if (!ChooseDisplay(options, displays, viewer.followedName)) {
        return 2;
    }
    viewer.askedIndex = static_cast<size_t>(options.display);
    const int status = Run(viewer);
    if (status != 0) {
        fprintf(stderr, "quorvane-view: cannot show the pattern: %s\n", viewer.error.c_str());
    }
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    // Strings and the back ends' lists may still run out of memory.
    try {
        return Main(argc, argv);
    } catch (const std::bad_alloc &) {
        fputs("quorvane-view: out of memory\n", stderr);
        return 1;
    }
}
