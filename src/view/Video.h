// What quorvane-view needs of a platform's display, so that one event loop
// and one redraw serve them all: a back end each for Wayland, X11 and the
// console (VideoWayland.cpp, VideoX11.cpp, VideoConsole.cpp).
#pragma once

#include "view/TechnicianLine.h"

#include <stddef.h>
#include <stdint.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

struct DisplayInfo {
    std::string name;                // the platform's own: HEADLESS-1, a RandR monitor, a DRM connector
    int x, y;                        // where it lies in the X screen; 0, 0 elsewhere
    int width, height;               // in device pixels
    int logicalWidth, logicalHeight; // in the compositor's units; the device's outside Wayland
};

// Where the next frame is drawn: width x height pixels of 0x00RRGGBB, rows
// pitch bytes apart.
struct FrameBuffer {
    uint8_t *pixels;
    int width, height, pitch;
};

enum class VideoEventKind {
    Timeout,         // nothing came in the time given
    Escape,          // the Esc key
    Enter,           // Enter or keypad Enter
    Pause,           // Space on the console, which may have no mouse to click with
    Press,           // the left button went down at x, y, in device pixels
    Release,         // and up again
    Redraw,          // the frame is to be drawn again, maybe at a new size
    DisplaysChanged, // a display came, went or changed: cover the one followed again
    Closed,          // the window was closed from outside
    Lost,            // the connection to the display is gone: Error() says why
};

struct VideoEvent {
    VideoEventKind kind;
    int x, y;
};

class Video {
public:
    virtual ~Video() = default;
    virtual std::vector<DisplayInfo> Displays() = 0;
    // Shows on the named display, which Displays() lists, at its size now;
    // a Redraw follows once the frame has that size. False with Error() set.
    virtual bool Cover(const std::string &name) = 0;
    // The buffer for the next frame, of the size shown (0 x 0 while there is
    // none yet). False with Error() set where it cannot be had.
    virtual bool Frame(FrameBuffer &frame) = 0;
    // Puts the frame just drawn on the display. False with Error() set.
    virtual bool Present() = 0;
    virtual void ShowCursor(bool shown) = 0;
    virtual ShownOutput Shown() = 0;

    // The next event, waiting at most milliseconds (-1: as long as it takes).
    VideoEvent Wait(int milliseconds);
    const std::string &Error() const { return error_; }

protected:
    // Waits up to milliseconds for the platform's events and posts what they
    // mean; false where nothing came in that time.
    virtual bool Pump(int milliseconds) = 0;
    void Post(VideoEventKind kind, int x = 0, int y = 0) { events_.push_back({kind, x, y}); }
    bool Posted() const { return !events_.empty(); }
    // A Lost event saying why; no more is read after it.
    void Fail(const std::string &why);

    std::string error_;

private:
    std::deque<VideoEvent> events_;
};

// Each connects to its platform, or says why not in why.
std::unique_ptr<Video> OpenWayland(std::string &why);
std::unique_ptr<Video> OpenX11(std::string &why);
std::unique_ptr<Video> OpenConsole(std::string &why);

// Memory shared with the display server through a file descriptor: X11's
// MIT-SHM and Wayland's wl_shm alike.
struct SharedMemory {
    int fd = -1;
    uint8_t *bytes = nullptr;
    size_t size = 0;

    bool Allocate(size_t bytes, std::string &error);
    void Free();
};

// The pointer over the dialog where the platform has no arrow to offer: side
// x side pixels of ARGB, rows pitch pixels apart, the tip at the top left.
void DrawArrow(uint32_t *pixels, int side, int pitch);

// Milliseconds on the monotonic clock.
int64_t MonotonicMilliseconds();
