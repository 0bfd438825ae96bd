// Time from starting quorvane-view to its first complete frame on the
// screen, against a bare client of the same platform showing one black frame
// of the same size, started alternately in the same run; and the peak memory
// of each. The screen is looked at as the platform lets another program see
// it: the X root window, the compositor's screencopy, or the CRTC's frame
// buffer on the console; only a complete, exact frame counts.
//
//   view_start_bench x11|wayland|console QUORVANE-VIEW BARE-CLIENT [RUNS]

#include "raster/RenderPattern.h"
#include "../Median.h"
#include "wlr-screencopy-client-protocol.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xf86drm.h>
#include <xf86drmMode.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// The background the screen shows between starts, so that neither the black
// frame nor the pattern is there before the program shows it.
constexpr uint32_t Grey = 0x808080;

double Milliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// The screen, as another program can see it. Frames are 0x00RRGGBB.
class Watched {
public:
    virtual ~Watched() = default;
    virtual bool Open() = 0;
    virtual bool Shows(const std::vector<uint32_t> &frame) = 0;
    virtual void Clear() {} // so that the last frame shown does not count again
    int width = 0, height = 0;
    double seenAt = 0; // when the last look's picture came, before it was compared
};

// The X root window, grey before each start; its bottom-right pixel is
// watched and, once it is the frame's, the whole screen compared.
class X11Screen final : public Watched {
public:
    ~X11Screen() override
    {
        if (display_) {
            XCloseDisplay(display_);
        }
    }
    bool Open() override
    {
        display_ = XOpenDisplay(nullptr);
        if (display_) {
            width = DisplayWidth(display_, DefaultScreen(display_));
            height = DisplayHeight(display_, DefaultScreen(display_));
        }
        return display_;
    }
    void Clear() override
    {
        XSetWindowBackground(display_, DefaultRootWindow(display_), Grey);
        XClearWindow(display_, DefaultRootWindow(display_));
        XSync(display_, False);
    }
    bool Shows(const std::vector<uint32_t> &frame) override
    {
        const std::vector<uint32_t> corner = Pixels(width - 1, height - 1, 1, 1);
        seenAt = Milliseconds();
        if (corner != std::vector<uint32_t>{frame.back()}) {
            return false;
        }
        return Pixels(0, 0, width, height) == frame;
    }

private:
    // The screen's 32-bit pixels as they come, row by row.
    std::vector<uint32_t> Pixels(int x, int y, int w, int h)
    {
        XImage *image = XGetImage(display_, DefaultRootWindow(display_), x, y, w, h, AllPlanes, ZPixmap);
        std::vector<uint32_t> pixels;
        for (int row = 0; image && image->bits_per_pixel == 32 && row < h; ++row) {
            const auto *from = reinterpret_cast<const uint32_t *>(image->data + static_cast<size_t>(row) * image->bytes_per_line);
            for (int column = 0; column < w; ++column) {
                pixels.push_back(from[column] & 0xFFFFFF);
            }
        }
        if (image) {
            XDestroyImage(image);
        }
        return pixels;
    }
    Display *display_ = nullptr;
};

// The first output through wlroots' screencopy: each look is one frame the
// compositor renders and copies.
class WaylandScreen final : public Watched {
public:
    bool Open() override
    {
        display_ = wl_display_connect(nullptr);
        if (!display_) {
            return false;
        }
        wl_registry_add_listener(wl_display_get_registry(display_), &registryListener, this);
        wl_display_roundtrip(display_);
        if (!manager_ || !output_ || !shm_) {
            return false;
        }
        wl_output_add_listener(output_, &outputListener, this);
        wl_display_roundtrip(display_);
        return width > 0;
    }
    // The compositor's grey background alone, in a few copies in a row: a copy
    // can come from a buffer rendered before the last program went.
    void Clear() override
    {
        const std::vector<uint32_t> grey(static_cast<size_t>(width) * height, Grey);
        for (int seen = 0, tries = 0; seen < 3 && tries < 1000; ++tries) {
            seen = Shows(grey) ? seen + 1 : 0;
        }
    }
    bool Shows(const std::vector<uint32_t> &frame) override
    {
        // A copy can fail (the output busy): it is asked for again.
        state_ = Waiting;
        for (int tries = 0; tries < 100 && state_ != Ready; ++tries) {
            zwlr_screencopy_frame_v1 *copy = zwlr_screencopy_manager_v1_capture_output(manager_, 0, output_);
            zwlr_screencopy_frame_v1_add_listener(copy, &frameListener, this);
            state_ = Waiting;
            while (state_ != Ready && state_ != Failed && wl_display_dispatch(display_) >= 0) {
            }
            zwlr_screencopy_frame_v1_destroy(copy);
        }
        seenAt = Milliseconds();
        if (state_ != Ready || static_cast<int>(stride_) != width * 4) {
            return false;
        }
        const auto *pixels = reinterpret_cast<const uint32_t *>(memory_);
        for (int y = 0; y < height; ++y) {
            const uint32_t *row = pixels + static_cast<size_t>(inverted_ ? height - 1 - y : y) * width;
            for (int x = 0; x < width; ++x) {
                if ((row[x] & 0xFFFFFF) != frame[static_cast<size_t>(y) * width + x]) {
                    return false;
                }
            }
        }
        return true;
    }

private:
    enum State { Waiting, Copying, Ready, Failed };
    static const wl_registry_listener registryListener;
    static const wl_output_listener outputListener;
    static const zwlr_screencopy_frame_v1_listener frameListener;

    wl_display *display_ = nullptr;
    wl_shm *shm_ = nullptr;
    wl_output *output_ = nullptr;
    zwlr_screencopy_manager_v1 *manager_ = nullptr;
    wl_buffer *buffer_ = nullptr;
    void *memory_ = nullptr;
    uint32_t stride_ = 0;
    State state_ = Waiting;
    bool inverted_ = false;
};

const wl_registry_listener WaylandScreen::registryListener = {
    [](void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t) {
        auto *self = static_cast<WaylandScreen *>(data);
        if (strcmp(interface, wl_shm_interface.name) == 0) {
            self->shm_ = static_cast<wl_shm *>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
        } else if (strcmp(interface, wl_output_interface.name) == 0 && !self->output_) {
            self->output_ = static_cast<wl_output *>(wl_registry_bind(registry, name, &wl_output_interface, 2));
        } else if (strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0) {
            self->manager_ = static_cast<zwlr_screencopy_manager_v1 *>(
                wl_registry_bind(registry, name, &zwlr_screencopy_manager_v1_interface, 1));
        }
    },
    [](void *, wl_registry *, uint32_t) {}};

const wl_output_listener WaylandScreen::outputListener = {
    [](void *, wl_output *, int32_t, int32_t, int32_t, int32_t, int32_t, const char *, const char *, int32_t) {},
    [](void *data, wl_output *, uint32_t flags, int32_t width, int32_t height, int32_t) {
        if (flags & WL_OUTPUT_MODE_CURRENT) {
            static_cast<WaylandScreen *>(data)->width = width;
            static_cast<WaylandScreen *>(data)->height = height;
        }
    },
    [](void *, wl_output *) {}, [](void *, wl_output *, int32_t) {}, [](void *, wl_output *, const char *) {},
    [](void *, wl_output *, const char *) {}};

const zwlr_screencopy_frame_v1_listener WaylandScreen::frameListener = {
    [](void *data, zwlr_screencopy_frame_v1 *frame, uint32_t format, uint32_t width, uint32_t height, uint32_t stride) {
        auto *self = static_cast<WaylandScreen *>(data);
        if (!self->buffer_) {
            const size_t size = size_t{stride} * height;
            const int fd = memfd_create("screen", MFD_CLOEXEC);
            if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
                self->state_ = Failed;
                return;
            }
            self->memory_ = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            wl_shm_pool *pool = wl_shm_create_pool(self->shm_, fd, static_cast<int32_t>(size));
            self->buffer_ = wl_shm_pool_create_buffer(pool, 0, static_cast<int32_t>(width),
                                                      static_cast<int32_t>(height), static_cast<int32_t>(stride), format);
            wl_shm_pool_destroy(pool);
            close(fd);
            self->stride_ = stride;
        }
        zwlr_screencopy_frame_v1_copy(frame, self->buffer_);
        self->state_ = Copying;
    },
    [](void *data, zwlr_screencopy_frame_v1 *, uint32_t flags) {
        static_cast<WaylandScreen *>(data)->inverted_ = flags & 1; // y_invert
    },
    [](void *data, zwlr_screencopy_frame_v1 *, uint32_t, uint32_t, uint32_t) {
        static_cast<WaylandScreen *>(data)->state_ = Ready;
    },
    [](void *data, zwlr_screencopy_frame_v1 *) { static_cast<WaylandScreen *>(data)->state_ = Failed; }};

// The console's first CRTC in use, through the card opened without taking
// it over: a frame counts once the CRTC scans out another buffer than the
// console's and that buffer holds the frame.
class ConsoleScreen final : public Watched {
public:
    bool Open() override
    {
        card_ = open("/dev/dri/card0", O_RDWR | O_CLOEXEC);
        drmModeRes *resources = card_ < 0 ? nullptr : drmModeGetResources(card_);
        for (int i = 0; resources && i < resources->count_crtcs && !crtc_; ++i) {
            drmModeCrtc *crtc = drmModeGetCrtc(card_, resources->crtcs[i]);
            if (crtc && crtc->mode_valid) {
                crtc_ = crtc->crtc_id;
                width = crtc->mode.hdisplay;
                height = crtc->mode.vdisplay;
            }
            drmModeFreeCrtc(crtc);
        }
        drmModeFreeResources(resources);
        drmDropMaster(card_); // the programs measured take it
        return crtc_ != 0;
    }
    void Clear() override { console_ = ScannedOut(); }
    bool Shows(const std::vector<uint32_t> &frame) override
    {
        const uint32_t id = ScannedOut();
        seenAt = Milliseconds();
        drmModeFB *buffer = id && id != console_ ? drmModeGetFB(card_, id) : nullptr;
        bool same = false;
        drm_mode_map_dumb map{};
        map.handle = buffer ? buffer->handle : 0;
        if (buffer && static_cast<int>(buffer->width) == width && static_cast<int>(buffer->height) == height &&
            drmIoctl(card_, DRM_IOCTL_MODE_MAP_DUMB, &map) == 0) {
            const size_t size = size_t{buffer->pitch} * buffer->height;
            void *pixels = mmap(nullptr, size, PROT_READ, MAP_SHARED, card_, static_cast<off_t>(map.offset));
            same = pixels != MAP_FAILED;
            for (int y = 0; same && y < height; ++y) {
                const auto *row = reinterpret_cast<const uint32_t *>(static_cast<const uint8_t *>(pixels) + size_t{buffer->pitch} * y);
                for (int x = 0; same && x < width; ++x) {
                    same = (row[x] & 0xFFFFFF) == frame[static_cast<size_t>(y) * width + x];
                }
            }
            if (pixels != MAP_FAILED) {
                munmap(pixels, size);
            }
        }
        if (buffer) {
            drmCloseBufferHandle(card_, buffer->handle);
            drmModeFreeFB(buffer);
        }
        return same;
    }

private:
    uint32_t ScannedOut()
    {
        drmModeCrtc *crtc = drmModeGetCrtc(card_, crtc_);
        const uint32_t id = crtc ? crtc->buffer_id : 0;
        drmModeFreeCrtc(crtc);
        return id;
    }
    int card_ = -1;
    uint32_t crtc_ = 0, console_ = 0;
};

struct Start {
    double milliseconds; // to the first complete frame, or -1 where none came
    long peakKiB;        // the program's peak resident memory
};

// The program's own peak, VmHWM: the child's rusage would count the
// benchmark's memory, which the child had until its exec.
long PeakKiB(pid_t pid)
{
    FILE *status = fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    char line[256];
    long peak = -1;
    while (status && fgets(line, sizeof line, status)) {
        if (strncmp(line, "VmHWM:", 6) == 0) {
            peak = atol(line + 6);
        }
    }
    if (status) {
        fclose(status);
    }
    return peak;
}

Start TimeToFrame(Watched &screen, const char *program, const std::vector<uint32_t> &frame)
{
    screen.Clear();
    for (int wait = 0; wait < 2000 && screen.Shows(frame); ++wait) {
        usleep(1000); // the last program's frame, still on screen
    }
    const double start = Milliseconds();
    const pid_t child = fork();
    if (child == 0) {
        execl(program, program, static_cast<char *>(nullptr));
        _exit(127);
    }
    double shown = -1;
    // When the picture that had the frame came, not when it was compared.
    while (Milliseconds() - start < 10000) {
        if (screen.Shows(frame)) {
            shown = screen.seenAt - start;
            break;
        }
        usleep(500);
    }
    const long peak = PeakKiB(child);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return {shown, peak};
}

std::unique_ptr<Watched> ScreenOf(const std::string &platform)
{
    if (platform == "x11") {
        return std::make_unique<X11Screen>();
    }
    if (platform == "wayland") {
        return std::make_unique<WaylandScreen>();
    }
    return platform == "console" ? std::make_unique<ConsoleScreen>() : nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 4 ? atoi(argv[4]) : 15;
    std::unique_ptr<Watched> screen = argc > 3 ? ScreenOf(argv[1]) : nullptr;
    if (!screen || runs < 1) {
        fputs("usage: view_start_bench x11|wayland|console QUORVANE-VIEW BARE-CLIENT [RUNS]\n", stderr);
        return 2;
    }
    if (!screen->Open()) {
        fprintf(stderr, "view_start_bench: cannot see the %s screen\n", argv[1]);
        return 2;
    }
    const int width = screen->width, height = screen->height;
    std::vector<uint32_t> pattern(static_cast<size_t>(width) * height);
    RenderPatternBand(width, height, 0, height, pattern.data());
    for (uint32_t &pixel : pattern) {
        pixel = (pixel & 0x00FF00) | (pixel & 0xFF) << 16 | (pixel >> 16 & 0xFF); // as the screen has it
    }
    const std::vector<uint32_t> black(pattern.size(), 0);

    std::vector<double> viewerTimes, bareTimes;
    long viewerPeak = 0, barePeak = 0;
    for (int run = 0; run < runs; ++run) {
        // Alternate which goes first, so neither always finds a warmer cache.
        for (int turn = 0; turn < 2; ++turn) {
            const bool isViewer = (turn == 0) == (run % 2 == 0);
            const Start start = TimeToFrame(*screen, isViewer ? argv[2] : argv[3], isViewer ? pattern : black);
            if (start.milliseconds < 0) {
                fprintf(stderr, "view_start_bench: %s never showed its complete frame\n", isViewer ? argv[2] : argv[3]);
                return 1;
            }
            (isViewer ? viewerTimes : bareTimes).push_back(start.milliseconds);
            long &peak = isViewer ? viewerPeak : barePeak;
            peak = std::max(peak, start.peakKiB);
        }
    }
    std::sort(viewerTimes.begin(), viewerTimes.end());
    std::sort(bareTimes.begin(), bareTimes.end());
    const double v = Median(viewerTimes), b = Median(bareTimes);
    printf("%s %dx%d, medians of %d (fastest, slowest): quorvane-view %.1f ms (%.1f, %.1f), bare client %.1f ms "
           "(%.1f, %.1f), ratio %.2f; peak memory quorvane-view %.1f MiB, bare client %.1f MiB, ratio %.2f\n",
           argv[1], width, height, runs, v, viewerTimes.front(), viewerTimes.back(), b, bareTimes.front(),
           bareTimes.back(), v / b, viewerPeak / 1024.0, barePeak / 1024.0,
           static_cast<double>(viewerPeak) / static_cast<double>(barePeak));
    return 0;
}
