// quorvane-view on the bare console: a dumb buffer of the connector's mode
// set on its CRTC through libdrm, which every kernel display driver offers,
// a firmware frame buffer (simpledrm) or an emulated card (bochs-drm) as well
// as a GPU's; no graphics library. Keys come from the terminal it runs on,
// in raw mode; a mouse, where one is readable, from evdev. What it changes
// is put back at the end, also on SIGTERM, SIGINT, SIGHUP and SIGQUIT.

#include "view/ConsoleKeys.h"
#include "view/Video.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/input.h>
#include <linux/kd.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <xf86drm.h>
#include <xf86drmMode.h>

#include <algorithm>

namespace {

constexpr int CursorSide = 64; // what DRM cursor planes take everywhere
constexpr int64_t ConnectorCheckMilliseconds = 1000;

struct DumbBuffer {
    uint32_t handle = 0, framebuffer = 0, pitch = 0;
    uint64_t size = 0;
    uint8_t *map = nullptr;
};

struct Mouse {
    int fd;
    bool absolute;
    input_absinfo rangeX, rangeY;
    std::string node; // its name in /dev/input
};

template <typename T> bool HasBit(const unsigned long *bits, T bit)
{
    return bits[bit / (8 * sizeof *bits)] >> (bit % (8 * sizeof *bits)) & 1;
}

class VideoConsole final : public Video {
public:
    ~VideoConsole() override;
    bool Connect(std::string &why);
    std::vector<DisplayInfo> Displays() override;
    bool Cover(const std::string &name) override;
    bool Frame(FrameBuffer &frame) override;
    bool Present() override;
    void ShowCursor(bool shown) override;
    ShownOutput Shown() override;

protected:
    bool Pump(int milliseconds) override;

private:
    bool MakeDumb(int width, int height, DumbBuffer &buffer);
    void FreeDumb(DumbBuffer &buffer);
    void RestoreCrtc();
    void Restore();
    struct ConnectorMode { // a connected connector, and the mode to show on it
        DisplayInfo display;
        drmModeModeInfo mode;
    };
    std::vector<ConnectorMode> ConnectorModes();
    void OpenTerminal();
    void OpenMice();
    void ReadKeys();
    bool ReadMouse(Mouse &mouse);
    uint32_t CrtcFor(const drmModeConnector &connector, const drmModeRes &resources);
    std::vector<uint32_t> ConnectedIds();

    int card_ = -1;
    uint32_t connector_ = 0, crtc_ = 0;
    std::string name_;
    drmModeModeInfo mode_{};
    drmModeCrtc *saved_ = nullptr; // the CRTC as the console had it
    DumbBuffer frame_, cursor_;
    bool frameOnCrtc_ = false; // the frame is set on the CRTC, as Present leaves it
    std::vector<uint32_t> connectedIds_; // the connectors connected, as last looked at (ConnectedIds)
    int64_t checkedAt_ = 0;
    int terminal_ = -1;
    termios savedTerminal_{};
    bool graphics_ = false; // the terminal in KD_GRAPHICS, so the text console keeps off the screen
    int signals_ = -1;
    sigset_t savedMask_{};
    int endedBy_ = 0; // the signal that ended it, raised again once all is put back
    std::vector<Mouse> mice_;
    timespec inputChanged_{}; // when /dev/input last changed, as OpenMice saw it
    int pointerX_ = 0, pointerY_ = 0;
    bool cursorShown_ = false;
};

std::string ConnectorName(const drmModeConnector &connector)
{
    const char *type = drmModeGetConnectorTypeName(connector.connector_type);
    return std::string(type ? type : "Unknown") + "-" + std::to_string(connector.connector_type_id);
}

VideoConsole::~VideoConsole()
{
    Restore();
}

// The CRTC as the console had it, and nothing of the viewer's left on it.
void VideoConsole::RestoreCrtc()
{
    if (saved_) {
        drmModeSetCrtc(card_, saved_->crtc_id, saved_->buffer_id, saved_->x, saved_->y, &connector_, 1,
                       saved_->mode_valid ? &saved_->mode : nullptr);
        drmModeFreeCrtc(saved_);
        saved_ = nullptr;
    }
    if (cursor_.handle) {
        drmModeSetCursor(card_, crtc_, 0, 0, 0);
    }
    FreeDumb(frame_);
    FreeDumb(cursor_);
    frameOnCrtc_ = false;
}

void VideoConsole::Restore()
{
    if (card_ >= 0) {
        RestoreCrtc();
        close(card_);
        card_ = -1;
    }
    if (terminal_ >= 0) {
        if (graphics_) {
            ioctl(terminal_, KDSETMODE, KD_TEXT);
        }
        tcsetattr(terminal_, TCSAFLUSH, &savedTerminal_);
        close(terminal_);
        terminal_ = -1;
    }
    for (const Mouse &mouse : mice_) {
        close(mouse.fd);
    }
    mice_.clear();
    if (signals_ >= 0) {
        close(signals_);
        sigprocmask(SIG_SETMASK, &savedMask_, nullptr);
        signals_ = -1;
    }
    // Ended by a signal, it ends by that signal now that all is put back, as
    // it would have at once: the shell or service manager sees the signal,
    // not a status 0 the user never chose.
    if (endedBy_) {
        raise(endedBy_);
    }
}

// The first card with a connected output; else the first with outputs at
// all, to wait on for a monitor.
bool VideoConsole::Connect(std::string &why)
{
    why = "no /dev/dri/card*";
    int waitable = -1;
    for (int i = 0; i < 16 && card_ < 0; ++i) {
        const std::string path = "/dev/dri/card" + std::to_string(i);
        card_ = open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (card_ < 0) {
            if (errno != ENOENT) {
                why = "cannot open " + path + ": " + strerror(errno);
            }
            continue;
        }
        why = "no /dev/dri/card* with outputs to show on";
        uint64_t dumb = 0;
        if (drmGetCap(card_, DRM_CAP_DUMB_BUFFER, &dumb) != 0 || !dumb || ConnectorModes().empty()) {
            drmModeRes *resources = dumb && waitable < 0 ? drmModeGetResources(card_) : nullptr;
            const bool hasConnectors = resources && resources->count_connectors > 0;
            drmModeFreeResources(resources);
            if (hasConnectors) {
                waitable = card_;
            } else {
                close(card_);
            }
            card_ = -1;
        }
    }
    if (card_ < 0) {
        card_ = waitable;
    } else if (waitable >= 0) {
        close(waitable);
    }
    if (card_ < 0) {
        return false;
    }
    // The signals that end it come in through the event loop, so that the
    // console is put back as at any end; one ignored from the start (nohup's
    // SIGHUP) stays ignored, where blocking it would have it queued.
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
        struct sigaction action {};
        if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_IGN) {
            sigaddset(&ending, signal);
        }
    }
    sigprocmask(SIG_BLOCK, &ending, &savedMask_);
    signals_ = signalfd(-1, &ending, SFD_CLOEXEC | SFD_NONBLOCK);
    OpenTerminal();
    OpenMice();
    return true;
}

// Raw mode, so that Esc comes at once and nothing is echoed; Ctrl-C, Ctrl-Z
// and Ctrl-\ come as keys too, not as signals that would end or stop the
// viewer with the console still in its hands. Ctrl-C ends it as Esc does.
void VideoConsole::OpenTerminal()
{
    terminal_ = isatty(STDIN_FILENO) ? fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0) : open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (terminal_ < 0 || tcgetattr(terminal_, &savedTerminal_) != 0) {
        if (terminal_ >= 0) {
            close(terminal_);
        }
        terminal_ = -1;
        return;
    }
    termios raw = savedTerminal_;
    raw.c_iflag &= ~(IXON | ICRNL | INLCR | IGNCR);
    raw.c_lflag &= ~(ICANON | ECHO | IEXTEN | ISIG);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(terminal_, TCSAFLUSH, &raw);
    graphics_ = ioctl(terminal_, KDSETMODE, KD_GRAPHICS) == 0;
}

// Every event device with a left button that moves, relatively or not; the
// folder is read again only where a device came or went since.
void VideoConsole::OpenMice()
{
    struct stat input {};
    if (stat("/dev/input", &input) != 0 || (input.st_mtim.tv_sec == inputChanged_.tv_sec &&
                                            input.st_mtim.tv_nsec == inputChanged_.tv_nsec)) {
        return;
    }
    inputChanged_ = input.st_mtim;
    const size_t known = mice_.size();
    DIR *folder = opendir("/dev/input");
    for (dirent *entry; folder && (entry = readdir(folder));) {
        const std::string node = entry->d_name;
        if (node.compare(0, 5, "event") != 0 ||
            std::any_of(mice_.begin(), mice_.end(), [&](const Mouse &mouse) { return mouse.node == node; })) {
            continue;
        }
        const int fd = open(("/dev/input/" + node).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        unsigned long keys[KEY_MAX / 64 + 1] = {}, relative[1] = {}, absolute[1] = {};
        if (fd < 0) {
            continue;
        }
        ioctl(fd, EVIOCGBIT(EV_KEY, sizeof keys), keys);
        ioctl(fd, EVIOCGBIT(EV_REL, sizeof relative), relative);
        ioctl(fd, EVIOCGBIT(EV_ABS, sizeof absolute), absolute);
        Mouse mouse{fd, HasBit(absolute, ABS_X) && HasBit(absolute, ABS_Y), {}, {}, node};
        if (!HasBit(keys, BTN_LEFT) || !(mouse.absolute || (HasBit(relative, REL_X) && HasBit(relative, REL_Y)))) {
            close(fd);
            continue;
        }
        if (mouse.absolute) {
            ioctl(fd, EVIOCGABS(ABS_X), &mouse.rangeX);
            ioctl(fd, EVIOCGABS(ABS_Y), &mouse.rangeY);
        }
        mice_.push_back(mouse);
    }
    if (folder) {
        closedir(folder);
    }
    if (mice_.size() > known) {
        ShowCursor(cursorShown_); // the arrow, where the dialog is up
    }
}

// The connected connectors, each with the mode the console already shows
// on it, else its preferred one.
std::vector<VideoConsole::ConnectorMode> VideoConsole::ConnectorModes()
{
    std::vector<ConnectorMode> connected;
    drmModeRes *resources = drmModeGetResources(card_);
    for (int i = 0; resources && i < resources->count_connectors; ++i) {
        drmModeConnector *connector = drmModeGetConnector(card_, resources->connectors[i]);
        if (connector && connector->connection == DRM_MODE_CONNECTED && connector->count_modes > 0) {
            drmModeModeInfo mode = connector->modes[0];
            for (int m = 0; m < connector->count_modes; ++m) {
                mode = connector->modes[m].type & DRM_MODE_TYPE_PREFERRED ? connector->modes[m] : mode;
            }
            drmModeEncoder *encoder = connector->encoder_id ? drmModeGetEncoder(card_, connector->encoder_id) : nullptr;
            drmModeCrtc *crtc = encoder && encoder->crtc_id ? drmModeGetCrtc(card_, encoder->crtc_id) : nullptr;
            // Where the viewer's frame is on it, the mode it took from the console.
            const bool ours = crtc && frame_.framebuffer && crtc->buffer_id == frame_.framebuffer;
            mode = ours ? mode_ : crtc && crtc->mode_valid ? crtc->mode : mode;
            drmModeFreeCrtc(crtc);
            drmModeFreeEncoder(encoder);
            connected.push_back({{ConnectorName(*connector), 0, 0, mode.hdisplay, mode.vdisplay, mode.hdisplay,
                                  mode.vdisplay},
                                 mode});
        }
        drmModeFreeConnector(connector);
    }
    drmModeFreeResources(resources);
    return connected;
}

std::vector<DisplayInfo> VideoConsole::Displays()
{
    std::vector<DisplayInfo> displays;
    for (const ConnectorMode &connected : ConnectorModes()) {
        displays.push_back(connected.display);
    }
    return displays;
}

uint32_t VideoConsole::CrtcFor(const drmModeConnector &connector, const drmModeRes &resources)
{
    drmModeEncoder *current = connector.encoder_id ? drmModeGetEncoder(card_, connector.encoder_id) : nullptr;
    uint32_t crtc = current ? current->crtc_id : 0;
    drmModeFreeEncoder(current);
    for (int e = 0; !crtc && e < connector.count_encoders; ++e) {
        drmModeEncoder *encoder = drmModeGetEncoder(card_, connector.encoders[e]);
        for (int c = 0; encoder && !crtc && c < resources.count_crtcs; ++c) {
            crtc = encoder->possible_crtcs & (1u << c) ? resources.crtcs[c] : 0;
        }
        drmModeFreeEncoder(encoder);
    }
    return crtc;
}

bool VideoConsole::Cover(const std::string &name)
{
    const std::vector<ConnectorMode> connected = ConnectorModes();
    const auto shown = std::find_if(connected.begin(), connected.end(),
                                    [&](const ConnectorMode &c) { return c.display.name == name; });
    if (shown == connected.end()) {
        error_ = name + " is no longer connected";
        return false;
    }
    drmModeRes *resources = drmModeGetResources(card_);
    drmModeConnector *chosen = nullptr;
    for (int i = 0; resources && !chosen && i < resources->count_connectors; ++i) {
        chosen = drmModeGetConnectorCurrent(card_, resources->connectors[i]);
        if (chosen && ConnectorName(*chosen) != name) {
            drmModeFreeConnector(chosen);
            chosen = nullptr;
        }
    }
    const uint32_t crtc = chosen ? CrtcFor(*chosen, *resources) : 0;
    const uint32_t connector = chosen ? chosen->connector_id : 0;
    drmModeFreeConnector(chosen);
    drmModeFreeResources(resources);
    if (!crtc) {
        error_ = "no CRTC can drive " + name;
        return false;
    }
    const drmModeModeInfo &mode = shown->mode;
    if (connector != connector_ || crtc != crtc_ || mode.hdisplay != mode_.hdisplay || mode.vdisplay != mode_.vdisplay) {
        RestoreCrtc();
    }
    connector_ = connector;
    crtc_ = crtc;
    name_ = name;
    mode_ = mode;
    connectedIds_ = ConnectedIds();
    frameOnCrtc_ = false; // set again, whatever the CRTC went through meanwhile
    if (!saved_) {
        saved_ = drmModeGetCrtc(card_, crtc_);
    }
    if (!frame_.handle && !MakeDumb(mode_.hdisplay, mode_.vdisplay, frame_)) {
        return false;
    }
    Post(VideoEventKind::Redraw);
    return true;
}

bool VideoConsole::MakeDumb(int width, int height, DumbBuffer &buffer)
{
    drm_mode_create_dumb create{};
    create.width = static_cast<uint32_t>(width);
    create.height = static_cast<uint32_t>(height);
    create.bpp = 32;
    if (drmIoctl(card_, DRM_IOCTL_MODE_CREATE_DUMB, &create) != 0) {
        error_ = "no memory for a frame of " + std::to_string(width) + " x " + std::to_string(height) + ": " +
                 strerror(errno);
        return false;
    }
    buffer.handle = create.handle;
    buffer.pitch = create.pitch;
    buffer.size = create.size;
    drm_mode_map_dumb map{};
    map.handle = buffer.handle;
    void *mapped = MAP_FAILED;
    if (drmModeAddFB(card_, create.width, create.height, 24, 32, buffer.pitch, buffer.handle, &buffer.framebuffer) == 0 &&
        drmIoctl(card_, DRM_IOCTL_MODE_MAP_DUMB, &map) == 0) {
        mapped = mmap(nullptr, buffer.size, PROT_READ | PROT_WRITE, MAP_SHARED, card_, static_cast<off_t>(map.offset));
    }
    if (mapped == MAP_FAILED) {
        error_ = std::string("cannot map a frame buffer: ") + strerror(errno);
        FreeDumb(buffer);
        return false;
    }
    buffer.map = static_cast<uint8_t *>(mapped);
    return true;
}

void VideoConsole::FreeDumb(DumbBuffer &buffer)
{
    if (buffer.map) {
        munmap(buffer.map, buffer.size);
    }
    if (buffer.framebuffer) {
        drmModeRmFB(card_, buffer.framebuffer);
    }
    if (buffer.handle) {
        drm_mode_destroy_dumb destroy{};
        destroy.handle = buffer.handle;
        drmIoctl(card_, DRM_IOCTL_MODE_DESTROY_DUMB, &destroy);
    }
    buffer = DumbBuffer{};
}

bool VideoConsole::Frame(FrameBuffer &frame)
{
    frame = {frame_.map, frame_.map ? mode_.hdisplay : 0, frame_.map ? mode_.vdisplay : 0, static_cast<int>(frame_.pitch)};
    return true;
}

// The buffer is scanned out as it is drawn; where the driver copies it to
// the screen on request (virtio-gpu), it is asked to.
bool VideoConsole::Present()
{
    if (!frameOnCrtc_) {
        if (drmModeSetCrtc(card_, crtc_, frame_.framebuffer, 0, 0, &connector_, 1, &mode_) != 0) {
            error_ = "cannot set the mode on " + name_ + ": " + strerror(errno);
            return false;
        }
        frameOnCrtc_ = true;
        ShowCursor(cursorShown_);
    }
    drmModeDirtyFB(card_, frame_.framebuffer, nullptr, 0);
    return true;
}

// The driver's cursor plane, where it has one; a mouse is rare here and the
// keys do all without it.
void VideoConsole::ShowCursor(bool shown)
{
    cursorShown_ = shown;
    if (!frameOnCrtc_ || mice_.empty()) {
        return;
    }
    if (shown && !cursor_.handle && MakeDumb(CursorSide, CursorSide, cursor_)) {
        memset(cursor_.map, 0, cursor_.size);
        DrawArrow(reinterpret_cast<uint32_t *>(cursor_.map), 16, static_cast<int>(cursor_.pitch / 4));
    }
    drmModeSetCursor(card_, crtc_, shown ? cursor_.handle : 0, CursorSide, CursorSide);
    drmModeMoveCursor(card_, crtc_, pointerX_, pointerY_);
}

ShownOutput VideoConsole::Shown()
{
    const int width = mode_.hdisplay, height = mode_.vdisplay;
    return {width, height, width, height, width, height, "kmsdrm", false};
}

// Space pauses, for a console with no mouse.
void VideoConsole::ReadKeys()
{
    char bytes[64];
    const ssize_t count = read(terminal_, bytes, sizeof bytes);
    if (count == 0) {
        Post(VideoEventKind::Closed);
    }
    for (VideoEventKind key : ConsoleKeys(bytes, count > 0 ? static_cast<size_t>(count) : 0)) {
        Post(key);
    }
}

// False where the device is gone.
bool VideoConsole::ReadMouse(Mouse &mouse)
{
    const auto scale = [](int value, const input_absinfo &range, int size) {
        const int span = std::max(1, range.maximum - range.minimum);
        return static_cast<int>(int64_t{value - range.minimum} * (size - 1) / span);
    };
    input_event events[32];
    const ssize_t count = read(mouse.fd, events, sizeof events);
    if (count < 0) {
        return errno == EAGAIN || errno == EINTR;
    }
    for (ssize_t i = 0; i < count / static_cast<ssize_t>(sizeof *events); ++i) {
        const input_event &event = events[i];
        if (event.type == EV_REL) {
            pointerX_ += event.code == REL_X ? event.value : 0;
            pointerY_ += event.code == REL_Y ? event.value : 0;
        } else if (event.type == EV_ABS && event.code == ABS_X) {
            pointerX_ = scale(event.value, mouse.rangeX, mode_.hdisplay);
        } else if (event.type == EV_ABS && event.code == ABS_Y) {
            pointerY_ = scale(event.value, mouse.rangeY, mode_.vdisplay);
        } else if (event.type == EV_KEY && event.code == BTN_LEFT && event.value != 2) {
            Post(event.value ? VideoEventKind::Press : VideoEventKind::Release, pointerX_, pointerY_);
        }
        pointerX_ = std::clamp(pointerX_, 0, std::max(0, mode_.hdisplay - 1));
        pointerY_ = std::clamp(pointerY_, 0, std::max(0, mode_.vdisplay - 1));
    }
    if (cursorShown_ && frameOnCrtc_) {
        drmModeMoveCursor(card_, crtc_, pointerX_, pointerY_);
    }
    return true;
}

// The connectors connected, as the kernel last found them: no probe, which
// on a real card reads each monitor's EDID.
std::vector<uint32_t> VideoConsole::ConnectedIds()
{
    std::vector<uint32_t> connected;
    drmModeRes *resources = drmModeGetResources(card_);
    for (int i = 0; resources && i < resources->count_connectors; ++i) {
        drmModeConnector *connector = drmModeGetConnectorCurrent(card_, resources->connectors[i]);
        if (connector && connector->connection == DRM_MODE_CONNECTED) {
            connected.push_back(connector->connector_id);
        }
        drmModeFreeConnector(connector);
    }
    drmModeFreeResources(resources);
    return connected;
}

// The connectors, and /dev/input for a mouse plugged in, are looked at once
// a second: a hot-plug notice would need udev.
bool VideoConsole::Pump(int milliseconds)
{
    const int64_t now = MonotonicMilliseconds();
    if (now - checkedAt_ >= ConnectorCheckMilliseconds) {
        checkedAt_ = now;
        OpenMice();
        std::vector<uint32_t> connected = ConnectedIds();
        if (connected != connectedIds_) {
            connectedIds_ = std::move(connected);
            Post(VideoEventKind::DisplaysChanged);
            return true;
        }
    }
    std::vector<pollfd> watched = {{signals_, POLLIN, 0}, {terminal_, POLLIN, 0}};
    for (const Mouse &mouse : mice_) {
        watched.push_back({mouse.fd, POLLIN, 0});
    }
    const int64_t wait = ConnectorCheckMilliseconds - (now - checkedAt_);
    const int timeout = static_cast<int>(milliseconds < 0 ? wait : std::min<int64_t>(milliseconds, wait));
    if (poll(watched.data(), watched.size(), timeout) <= 0) {
        return false;
    }
    // A signal to end, or the terminal hung up.
    signalfd_siginfo received{};
    if ((watched[0].revents & POLLIN) && read(signals_, &received, sizeof received) == sizeof received) {
        endedBy_ = static_cast<int>(received.ssi_signo);
    }
    if (endedBy_ || (watched[1].revents & (POLLHUP | POLLERR | POLLNVAL))) {
        Post(VideoEventKind::Closed);
        return true;
    }
    if (watched[1].revents & POLLIN) {
        ReadKeys();
    }
    // A mouse unplugged is closed, since poll would report it at once ever
    // after; its node's name may come again for the next one plugged in.
    for (size_t i = mice_.size(); i-- > 0;) {
        const short revents = watched[2 + i].revents;
        if ((revents & (POLLERR | POLLHUP | POLLNVAL)) || ((revents & POLLIN) && !ReadMouse(mice_[i]))) {
            close(mice_[i].fd);
            mice_.erase(mice_.begin() + static_cast<ptrdiff_t>(i));
            inputChanged_ = {};
        }
    }
    return true;
}

} // namespace

std::unique_ptr<Video> OpenConsole(std::string &why)
{
    auto video = std::make_unique<VideoConsole>();
    return video->Connect(why) ? std::move(video) : nullptr;
}
