// quorvane-view: the pattern full screen on Linux through SDL2, on Wayland,
// X11 or the console, one pattern pixel on one display pixel. A left click
// pauses with the dialog; OK or Enter returns, Exit or Esc ends.

#include "drawndialog/DrawnDialog.h"
#include "raster/RenderPattern.h"
#include "view/TechnicianLine.h"
#include "view/ViewOptions.h"

#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Wayland first: SDL would otherwise take X11 whenever DISPLAY is set, and
// inside a Wayland session that is Xwayland, stretched by a scaled output.
constexpr char PreferredDrivers[] = "wayland,x11,kmsdrm";

// After the output itself changes, SDL 2.26 keeps a wrong size until its
// video starts again; let the compositor's burst of changes settle first.
constexpr Uint32 SettleMilliseconds = 300;

bool EnvironmentHas(const char *name)
{
    const char *value = getenv(name);
    return value && *value;
}

// SDL says no more than "x11 not available": say what was looked for.
std::string WhyUnavailable(const std::string &driver, const std::string &sdlError)
{
    if (sdlError != driver + " not available") {
        return sdlError;
    }
    if (driver == "kmsdrm") {
        return "no usable /dev/dri/card*";
    }
    const char *variable = driver == "wayland" ? "WAYLAND_DISPLAY" : driver == "x11" ? "DISPLAY" : nullptr;
    if (!variable) {
        return sdlError;
    }
    if (!EnvironmentHas(variable)) {
        return std::string(variable) + " is not set" + (driver == "wayland" ? " and no wayland-0 answers" : "");
    }
    return std::string("cannot connect to ").append(variable).append("=").append(getenv(variable));
}

// Starts SDL's video on the first driver that works, trying each on its own
// so that a failure can say why every one failed. The user's SDL_VIDEODRIVER
// replaces our list.
bool StartVideo(std::string &failures)
{
    const char *chosen = getenv("SDL_VIDEODRIVER");
    const std::string drivers = chosen && *chosen ? chosen : PreferredDrivers;
    size_t start = 0;
    while (start < drivers.size()) {
        const size_t comma = std::min(drivers.find(',', start), drivers.size());
        const std::string driver = drivers.substr(start, comma - start);
        start = comma + 1;
        if (driver.empty()) {
            continue;
        }
        std::string why;
        const char *socket = getenv("WAYLAND_DISPLAY");
        if (driver == "wayland" && !EnvironmentHas("XDG_RUNTIME_DIR") && !(socket && socket[0] == '/')) {
            // libwayland would print a complaint of its own about it.
            why = "XDG_RUNTIME_DIR is not set";
        } else {
            SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver.c_str(), SDL_HINT_OVERRIDE);
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
                return true;
            }
            why = WhyUnavailable(driver, SDL_GetError());
        }
        failures += (failures.empty() ? "" : "; ") + driver + ": " + why;
    }
    return false;
}

// The display's size in device pixels. SDL 2.26's Wayland driver gives the
// desktop mode in logical units and lists the output's own mode first.
SDL_DisplayMode DisplayPixels(int display)
{
    SDL_DisplayMode mode{};
    if (strcmp(SDL_GetCurrentVideoDriver(), "wayland") == 0) {
        SDL_GetDisplayMode(display, 0, &mode);
    } else {
        SDL_GetDesktopDisplayMode(display, &mode);
    }
    return mode;
}

void ListDisplays()
{
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        const SDL_DisplayMode mode = DisplayPixels(i);
        SDL_Rect bounds{};
        SDL_GetDisplayBounds(i, &bounds);
        const char *name = SDL_GetDisplayName(i);
        printf("%d: %s, %d x %d device pixels, scale %s\n", i, name ? name : "unnamed", mode.w, mode.h,
               ScaleText(mode.w, bounds.w).c_str());
    }
}

struct Viewer {
    int display = 0;
    SDL_Window *window = nullptr;
    SDL_Renderer *renderer = nullptr;
    SDL_Texture *texture = nullptr;
    int width = 0, height = 0; // the texture's size, in device pixels
    SDL_DisplayMode mode{};    // the display as it was when the window was made,
    SDL_Rect bounds{};         // which SDL does not update when it changes
    SDL_Point restartedFor{};  // the window's size that made the last restart
    std::vector<uint32_t> frame;
    bool frameStale = true;
    bool paused = false;
    DialogLayout dialog{};
    DialogButton pressed = DialogButton::None;
    std::string error;
};

// Covers the display: on X11 without a window manager a full-screen window
// stays at the size it asked for, so it asks for the display's own.
bool OpenWindow(Viewer &viewer)
{
    viewer.mode = DisplayPixels(viewer.display);
    SDL_GetDisplayBounds(viewer.display, &viewer.bounds);
    const SDL_Rect &at = viewer.bounds;
    viewer.window = SDL_CreateWindow(DialogTitle, at.x, at.y, at.w, at.h,
                                     SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_ALLOW_HIGHDPI);
    viewer.renderer = viewer.window ? SDL_CreateRenderer(viewer.window, -1, 0) : nullptr;
    if (!viewer.renderer) {
        viewer.error = SDL_GetError();
        return false;
    }
    SDL_ShowCursor(viewer.paused ? SDL_ENABLE : SDL_DISABLE);
    return true;
}

void CloseWindow(Viewer &viewer)
{
    if (viewer.texture) {
        SDL_DestroyTexture(viewer.texture);
    }
    if (viewer.renderer) {
        SDL_DestroyRenderer(viewer.renderer);
    }
    if (viewer.window) {
        SDL_DestroyWindow(viewer.window);
    }
    viewer.texture = nullptr;
    viewer.renderer = nullptr;
    viewer.window = nullptr;
}

// The only cure found for a stale size after a change of the output: the
// whole video subsystem again, on the driver already chosen.
bool Restart(Viewer &viewer)
{
    CloseWindow(viewer);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        viewer.error = SDL_GetError();
        return false;
    }
    viewer.display = std::min(viewer.display, SDL_GetNumVideoDisplays() - 1);
    return OpenWindow(viewer);
}

// A full-screen window takes the display's logical size at once, so a new
// size later means the output changed: its mode or its scale. SDL's record
// of the display stays as it was, and so may the buffer's size. Where the
// window keeps another size after a restart, it is not the output's doing.
bool OutputChanged(const Viewer &viewer)
{
    SDL_Point size{};
    SDL_GetWindowSize(viewer.window, &size.x, &size.y);
    const bool asMade = size.x == viewer.bounds.w && size.y == viewer.bounds.h;
    const bool asBefore = size.x == viewer.restartedFor.x && size.y == viewer.restartedFor.y;
    return !asMade && !asBefore;
}

ShownOutput Shown(const Viewer &viewer)
{
    ShownOutput shown{};
    shown.deviceWidth = viewer.width;
    shown.deviceHeight = viewer.height;
    SDL_GetWindowSize(viewer.window, &shown.logicalWidth, &shown.logicalHeight);
    shown.displayWidth = viewer.mode.w;
    shown.displayHeight = viewer.mode.h;
    shown.driver = SDL_GetCurrentVideoDriver();
    shown.insideWayland = EnvironmentHas("WAYLAND_DISPLAY");
    return shown;
}

// Draws the pattern or the dialog for the renderer's size in device pixels,
// which is what the display shows, and puts it on unscaled. The first frame
// at a new size is presented twice: once was seen to leave a stale frame.
bool Show(Viewer &viewer)
{
    int width = 0, height = 0;
    SDL_GetRendererOutputSize(viewer.renderer, &width, &height);
    if (width <= 0 || height <= 0) {
        return true; // nothing to show on until the window has a size again
    }
    int presents = 1;
    if (width != viewer.width || height != viewer.height || !viewer.texture) {
        if (viewer.texture) {
            SDL_DestroyTexture(viewer.texture);
        }
        viewer.texture = SDL_CreateTexture(viewer.renderer, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STREAMING,
                                           width, height);
        if (!viewer.texture) {
            viewer.error = SDL_GetError();
            return false;
        }
        viewer.width = width;
        viewer.height = height;
        viewer.frame.assign(static_cast<size_t>(width) * height, 0);
        viewer.frameStale = true;
        presents = 2;
    }
    if (viewer.frameStale) {
        if (viewer.paused) {
            const std::string line = TechnicianLine(Shown(viewer));
            viewer.dialog = LayoutDialog(width, height, line.c_str());
            DrawDialogBand(viewer.dialog, line.c_str(), width, height, 0, height, viewer.frame.data());
        } else {
            RenderPatternBand(width, height, 0, height, viewer.frame.data());
        }
        SDL_UpdateTexture(viewer.texture, nullptr, viewer.frame.data(), width * 4);
        viewer.frameStale = false;
    }
    const SDL_Rect whole{0, 0, width, height};
    for (int i = 0; i < presents; ++i) {
        SDL_RenderCopy(viewer.renderer, viewer.texture, nullptr, &whole);
        SDL_RenderPresent(viewer.renderer);
    }
    return true;
}

bool SetPaused(Viewer &viewer, bool paused)
{
    viewer.paused = paused;
    viewer.pressed = DialogButton::None;
    viewer.frameStale = true;
    SDL_ShowCursor(paused ? SDL_ENABLE : SDL_DISABLE);
    return Show(viewer);
}

// Mouse positions come in the window's logical units, which differ from
// device pixels under a scaled Wayland output.
DialogButton ButtonUnder(const Viewer &viewer, int x, int y)
{
    int logicalWidth = 0, logicalHeight = 0;
    SDL_GetWindowSize(viewer.window, &logicalWidth, &logicalHeight);
    if (logicalWidth <= 0 || logicalHeight <= 0) {
        return ButtonAt(viewer.dialog, x, y);
    }
    return ButtonAt(viewer.dialog, static_cast<int>(static_cast<long long>(x) * viewer.width / logicalWidth),
                    static_cast<int>(static_cast<long long>(y) * viewer.height / logicalHeight));
}

// Runs until the user ends it: 0, or 1 where the display fails.
int Run(Viewer &viewer)
{
    if (!OpenWindow(viewer) || !Show(viewer)) {
        return 1;
    }
    bool restartDue = false;
    Uint32 restartAt = 0;
    for (;;) {
        const int timeout = restartDue ? static_cast<int>(std::max<Sint64>(0, Sint64{restartAt} - SDL_GetTicks())) : -1;
        SDL_Event event;
        if (!SDL_WaitEventTimeout(&event, timeout)) {
            if (restartDue && SDL_TICKS_PASSED(SDL_GetTicks(), restartAt)) {
                restartDue = false;
                if (!Restart(viewer) || !Show(viewer)) {
                    return 1;
                }
            }
            continue;
        }
        bool shown = true;
        switch (event.type) {
        case SDL_QUIT:
            return 0;
        case SDL_KEYDOWN:
            if (event.key.keysym.sym == SDLK_ESCAPE) {
                return 0;
            }
            if (viewer.paused && (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER)) {
                shown = SetPaused(viewer, false);
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button == SDL_BUTTON_LEFT && !viewer.paused) {
                shown = SetPaused(viewer, true);
            } else if (event.button.button == SDL_BUTTON_LEFT) {
                viewer.pressed = ButtonUnder(viewer, event.button.x, event.button.y);
            }
            break;
        case SDL_MOUSEBUTTONUP:
            // A button acts when released over where it was pressed, so the
            // click that opened the dialog cannot press one.
            if (event.button.button == SDL_BUTTON_LEFT && viewer.paused && viewer.pressed != DialogButton::None &&
                ButtonUnder(viewer, event.button.x, event.button.y) == viewer.pressed) {
                if (viewer.pressed == DialogButton::Exit) {
                    return 0;
                }
                shown = SetPaused(viewer, false);
            }
            viewer.pressed = DialogButton::None;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                event.window.event == SDL_WINDOWEVENT_DISPLAY_CHANGED) {
                if (OutputChanged(viewer)) {
                    SDL_GetWindowSize(viewer.window, &viewer.restartedFor.x, &viewer.restartedFor.y);
                    restartDue = true;
                    restartAt = SDL_GetTicks() + SettleMilliseconds;
                } else {
                    viewer.frameStale = true;
                    shown = Show(viewer);
                }
            } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                shown = Show(viewer);
            }
            break;
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET:
            shown = Show(viewer);
            break;
        }
        if (!shown) {
            return 1;
        }
    }
}

} // namespace

int main(int argc, char **argv)
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
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    std::string failures;
    if (!StartVideo(failures)) {
        fprintf(stderr, "quorvane-view: no usable video driver: %s\n", failures.c_str());
        return 1;
    }
    int status = 0;
    const int displays = SDL_GetNumVideoDisplays();
    if (options.action == ViewAction::ListDisplays) {
        ListDisplays();
    } else if (options.display >= displays) {
        fprintf(stderr, "quorvane-view: no display %d: there %s %d (see --list-displays)\n", options.display,
                displays == 1 ? "is" : "are", displays);
        status = 2;
    } else {
        Viewer viewer;
        viewer.display = options.display;
        status = Run(viewer);
        if (status != 0) {
            fprintf(stderr, "quorvane-view: cannot show the pattern: %s\n", viewer.error.c_str());
        }
        CloseWindow(viewer);
    }
    SDL_Quit();
    return status;
}
