// Time from starting quorvane-view to its first complete frame on the X
// screen, against a bare SDL window presenting a black frame of the same
// size, alternately in the same run. The screen's background is grey, so the
// black frame shows as well as the pattern; the bottom-right pixel is watched,
// and once it has changed the whole screen is checked against the frame.
//
//   view_start_bench QUORVANE-VIEW BLACK-WINDOW [RUNS]     (on $DISPLAY)

#include "raster/RenderPattern.h"
#include "../Median.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <vector>

namespace {

constexpr unsigned long Grey = 0x808080;

double Milliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// X's pixels are 0x00RRGGBB; the frame's are 0x00BBGGRR.
uint32_t FromColourRef(uint32_t pixel)
{
    return (pixel & 0x00FF00) | (pixel & 0xFF) << 16 | (pixel >> 16 & 0xFF);
}

class RootScreen {
public:
    RootScreen() : display_(XOpenDisplay(nullptr))
    {
        if (display_) {
            root_ = DefaultRootWindow(display_);
            width_ = DisplayWidth(display_, DefaultScreen(display_));
            height_ = DisplayHeight(display_, DefaultScreen(display_));
        }
    }
    ~RootScreen()
    {
        if (display_) {
            XCloseDisplay(display_);
        }
    }
    bool Open() const { return display_ != nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    void PaintGrey()
    {
        XSetWindowBackground(display_, root_, Grey);
        XClearWindow(display_, root_);
        XSync(display_, False);
    }

    unsigned long Pixel(int x, int y)
    {
        XImage *image = XGetImage(display_, root_, x, y, 1, 1, AllPlanes, ZPixmap);
        const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
        return pixel;
    }

    bool Shows(const std::vector<uint32_t> &frame)
    {
        XImage *image = XGetImage(display_, root_, 0, 0, width_, height_, AllPlanes, ZPixmap);
        bool same = true;
        for (int y = 0; y < height_ && same; ++y) {
            for (int x = 0; x < width_ && same; ++x) {
                same = (XGetPixel(image, x, y) & 0xFFFFFF) == FromColourRef(frame[static_cast<size_t>(y) * width_ + x]);
            }
        }
        XDestroyImage(image);
        return same;
    }

private:
    Display *display_;
    Window root_ = 0;
    int width_ = 0, height_ = 0;
};

// Milliseconds from the start to the first complete frame, or -1 where the
// screen never showed it.
double TimeToFrame(RootScreen &screen, const char *program, const std::vector<uint32_t> &frame)
{
    screen.PaintGrey();
    const int x = screen.Width() - 1, y = screen.Height() - 1;
    const unsigned long last = FromColourRef(frame.back());
    const double start = Milliseconds();
    const pid_t child = fork();
    if (child == 0) {
        execl(program, program, static_cast<char *>(nullptr));
        _exit(127);
    }
    double shown = -1;
    while (Milliseconds() - start < 10000) {
        if (screen.Pixel(x, y) == last) {
            shown = Milliseconds() - start;
            break;
        }
        usleep(500);
    }
    if (shown >= 0 && !screen.Shows(frame)) {
        shown = -1;
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return shown;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fputs("usage: view_start_bench QUORVANE-VIEW BLACK-WINDOW [RUNS]\n", stderr);
        return 2;
    }
    const int runs = argc > 3 ? atoi(argv[3]) : 15;
    RootScreen screen;
    if (!screen.Open() || runs < 1) {
        fputs("view_start_bench: no X display, or no runs\n", stderr);
        return 2;
    }
    const int width = screen.Width(), height = screen.Height();
    std::vector<uint32_t> pattern(static_cast<size_t>(width) * height);
    RenderPatternBand(width, height, 0, height, pattern.data());
    const std::vector<uint32_t> black(pattern.size(), 0);

    std::vector<double> viewer, bare;
    for (int run = 0; run < runs; ++run) {
        // Alternate which goes first, so neither always finds a warmer cache.
        const bool viewerFirst = run % 2 == 0;
        for (int turn = 0; turn < 2; ++turn) {
            const bool isViewer = (turn == 0) == viewerFirst;
            const double ms = TimeToFrame(screen, isViewer ? argv[1] : argv[2], isViewer ? pattern : black);
            if (ms < 0) {
                fprintf(stderr, "view_start_bench: %s never showed its complete frame\n", isViewer ? argv[1] : argv[2]);
                return 1;
            }
            (isViewer ? viewer : bare).push_back(ms);
        }
    }
    const double v = Median(viewer), b = Median(bare);
    printf("%dx%d: quorvane-view %.1f ms, bare SDL window with a black frame %.1f ms, ratio %.2f (medians of %d)\n",
           width, height, v, b, v / b, runs);
    return 0;
}
