// quorvane-view on Wayland: a full-screen xdg toplevel on one wl_output, its
// buffer in wl_shm at the output's own mode, laid onto the logical size the
// compositor gives through wp_viewporter, so that a scaled output still shows
// each buffer pixel on one of its pixels. Outputs are named and sized by
// xdg-output; keys go through the keymap the compositor sends, since a
// virtual keyboard's codes are not a keyboard's.

#include "view/DriverChoice.h"
#include "view/Video.h"

#include "viewporter-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#include <linux/input-event-codes.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>

namespace {

constexpr int ArrowSide = 16;

struct Output {
    uint32_t global;
    wl_output *output;
    zxdg_output_v1 *xdg;
    std::string name;
    int modeWidth, modeHeight, transform;
    int logicalWidth, logicalHeight;
};

// The output's mode as the surface lies on it: turned by 90 or 270 degrees,
// flipped or not, its sides swap.
void ModeSize(const Output &output, int &width, int &height)
{
    const bool turned = output.transform % 2 == 1;
    width = turned ? output.modeHeight : output.modeWidth;
    height = turned ? output.modeWidth : output.modeHeight;
}

struct Buffer {
    SharedMemory memory;
    wl_buffer *buffer;
    int width, height;
    bool busy;
};

class VideoWayland final : public Video {
public:
    ~VideoWayland() override;
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
    static const wl_registry_listener registryListener;
    static const wl_output_listener outputListener;
    static const zxdg_output_v1_listener xdgOutputListener;
    static const xdg_wm_base_listener wmBaseListener;
    static const xdg_surface_listener xdgSurfaceListener;
    static const xdg_toplevel_listener toplevelListener;
    static const wl_surface_listener surfaceListener;
    static const wl_seat_listener seatListener;
    static const wl_pointer_listener pointerListener;
    static const wl_keyboard_listener keyboardListener;
    static const wl_buffer_listener bufferListener;

    void AddOutput(uint32_t global);
    void WatchOutput(Output &output);
    void OutputDone();
    Output *Find(const std::string &name);
    Output *Showing();
    void DeviceSize(int &width, int &height);
    Buffer *MakeBuffer(int width, int height, uint32_t format);
    void RedrawIfChanged();
    void SetCursor();
    void Key(uint32_t key);
    int ToDevice(wl_fixed_t position, int device, int logical) const;

    wl_display *display_ = nullptr;
    wl_registry *registry_ = nullptr;
    wl_compositor *compositor_ = nullptr;
    wl_shm *shm_ = nullptr;
    xdg_wm_base *wmBase_ = nullptr;
    wp_viewporter *viewporter_ = nullptr;
    zxdg_output_manager_v1 *outputManager_ = nullptr;
    wl_seat *seat_ = nullptr;
    wl_pointer *pointer_ = nullptr;
    wl_keyboard *keyboard_ = nullptr;
    std::vector<std::unique_ptr<Output>> outputs_;
    bool connected_ = false; // from then on, changes of the outputs are told

    wl_surface *surface_ = nullptr;
    wp_viewport *viewport_ = nullptr;
    xdg_surface *xdgSurface_ = nullptr;
    xdg_toplevel *toplevel_ = nullptr;
    std::string covered_;             // the output asked for
    wl_output *entered_ = nullptr;    // the output the surface is on, as the compositor says
    int pendingWidth_ = 0, pendingHeight_ = 0;
    int logicalWidth_ = 0, logicalHeight_ = 0; // as last configured
    std::vector<std::unique_ptr<Buffer>> buffers_;
    Buffer *drawing_ = nullptr;
    int shownWidth_ = 0, shownHeight_ = 0;             // the frame last committed, in device pixels
    int shownLogicalWidth_ = 0, shownLogicalHeight_ = 0; // and on the output

    wl_surface *arrowSurface_ = nullptr;
    Buffer *arrow_ = nullptr;
    bool cursorShown_ = false;
    uint32_t pointerSerial_ = 0;
    bool pointerInside_ = false;
    wl_fixed_t pointerX_ = 0, pointerY_ = 0;

    int keymapFd_ = -1;
    uint32_t keymapSize_ = 0;
    xkb_context *xkb_ = nullptr;
    xkb_keymap *keymap_ = nullptr;
    xkb_state *keyState_ = nullptr;
};

VideoWayland::~VideoWayland()
{
    if (keyState_) {
        xkb_state_unref(keyState_);
    }
    if (keymap_) {
        xkb_keymap_unref(keymap_);
    }
    if (xkb_) {
        xkb_context_unref(xkb_);
    }
    if (keymapFd_ >= 0) {
        close(keymapFd_);
    }
    for (auto &buffer : buffers_) {
        wl_buffer_destroy(buffer->buffer);
        buffer->memory.Free();
    }
    if (display_) {
        wl_display_disconnect(display_); // and with it every object on it
    }
}

const wl_registry_listener VideoWayland::registryListener = {
    [](void *data, wl_registry *registry, uint32_t global, const char *interface, uint32_t version) {
        auto *self = static_cast<VideoWayland *>(data);
        const auto bind = [&](const wl_interface *kind, uint32_t most) {
            return wl_registry_bind(registry, global, kind, std::min(version, most));
        };
        if (strcmp(interface, wl_compositor_interface.name) == 0) {
            self->compositor_ = static_cast<wl_compositor *>(bind(&wl_compositor_interface, 4));
        } else if (strcmp(interface, wl_shm_interface.name) == 0) {
            self->shm_ = static_cast<wl_shm *>(bind(&wl_shm_interface, 1));
        } else if (strcmp(interface, xdg_wm_base_interface.name) == 0) {
            self->wmBase_ = static_cast<xdg_wm_base *>(bind(&xdg_wm_base_interface, 1));
            xdg_wm_base_add_listener(self->wmBase_, &wmBaseListener, self);
        } else if (strcmp(interface, wp_viewporter_interface.name) == 0) {
            self->viewporter_ = static_cast<wp_viewporter *>(bind(&wp_viewporter_interface, 1));
        } else if (strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
            self->outputManager_ = static_cast<zxdg_output_manager_v1 *>(bind(&zxdg_output_manager_v1_interface, 3));
        } else if (strcmp(interface, wl_seat_interface.name) == 0 && !self->seat_) {
            self->seat_ = static_cast<wl_seat *>(bind(&wl_seat_interface, 5));
            wl_seat_add_listener(self->seat_, &seatListener, self);
        } else if (strcmp(interface, wl_output_interface.name) == 0) {
            auto output = std::make_unique<Output>();
            *output = {global, static_cast<wl_output *>(bind(&wl_output_interface, 3)), nullptr, "", 0, 0, 0, 0, 0};
            wl_output_add_listener(output->output, &outputListener, self);
            self->outputs_.push_back(std::move(output));
            if (self->outputManager_) {
                self->WatchOutput(*self->outputs_.back());
            }
        }
    },
    [](void *data, wl_registry *, uint32_t global) {
        auto *self = static_cast<VideoWayland *>(data);
        const auto gone = std::find_if(self->outputs_.begin(), self->outputs_.end(),
                                       [&](const auto &output) { return output->global == global; });
        if (gone == self->outputs_.end()) {
            return;
        }
        if (self->entered_ == (*gone)->output) {
            self->entered_ = nullptr;
        }
        if ((*gone)->xdg) {
            zxdg_output_v1_destroy((*gone)->xdg);
        }
        wl_output_release((*gone)->output);
        self->outputs_.erase(gone);
        self->Post(VideoEventKind::DisplaysChanged);
    }};

const wl_output_listener VideoWayland::outputListener = {
    [](void *data, wl_output *output, int32_t, int32_t, int32_t, int32_t, int32_t, const char *, const char *,
       int32_t transform) {
        for (auto &known : static_cast<VideoWayland *>(data)->outputs_) {
            known->transform = known->output == output ? transform : known->transform;
        }
    },
    [](void *data, wl_output *output, uint32_t flags, int32_t width, int32_t height, int32_t) {
        for (auto &known : static_cast<VideoWayland *>(data)->outputs_) {
            if (known->output == output && (flags & WL_OUTPUT_MODE_CURRENT)) {
                known->modeWidth = width;
                known->modeHeight = height;
            }
        }
    },
    [](void *data, wl_output *) { static_cast<VideoWayland *>(data)->OutputDone(); },
    [](void *, wl_output *, int32_t) {},
    [](void *, wl_output *, const char *) {},
    [](void *, wl_output *, const char *) {}};

const zxdg_output_v1_listener VideoWayland::xdgOutputListener = {
    [](void *, zxdg_output_v1 *, int32_t, int32_t) {},
    [](void *data, zxdg_output_v1 *xdg, int32_t width, int32_t height) {
        for (auto &known : static_cast<VideoWayland *>(data)->outputs_) {
            if (known->xdg == xdg) {
                known->logicalWidth = width;
                known->logicalHeight = height;
            }
        }
    },
    [](void *data, zxdg_output_v1 *) { static_cast<VideoWayland *>(data)->OutputDone(); },
    [](void *data, zxdg_output_v1 *xdg, const char *name) {
        for (auto &known : static_cast<VideoWayland *>(data)->outputs_) {
            known->name = known->xdg == xdg ? name : known->name;
        }
    },
    [](void *, zxdg_output_v1 *, const char *) {}};

void VideoWayland::WatchOutput(Output &output)
{
    output.xdg = zxdg_output_manager_v1_get_xdg_output(outputManager_, output.output);
    zxdg_output_v1_add_listener(output.xdg, &xdgOutputListener, this);
}

// An output's facts are complete: a change of the one shown means drawing
// again, of any output that the one to follow may now be there.
void VideoWayland::OutputDone()
{
    if (connected_) {
        Post(VideoEventKind::DisplaysChanged);
        RedrawIfChanged();
    }
}

// A frame is drawn again only where its size in device pixels or on the
// output would change; otherwise the surface is committed as it is, which
// acknowledges the last configure.
void VideoWayland::RedrawIfChanged()
{
    int width = 0, height = 0;
    DeviceSize(width, height);
    if (width != shownWidth_ || height != shownHeight_ || logicalWidth_ != shownLogicalWidth_ ||
        logicalHeight_ != shownLogicalHeight_) {
        Post(VideoEventKind::Redraw);
    } else if (surface_) {
        wl_surface_commit(surface_);
    }
}

const xdg_wm_base_listener VideoWayland::wmBaseListener = {
    [](void *, xdg_wm_base *base, uint32_t serial) { xdg_wm_base_pong(base, serial); }};

const xdg_surface_listener VideoWayland::xdgSurfaceListener = {[](void *data, xdg_surface *surface, uint32_t serial) {
    auto *self = static_cast<VideoWayland *>(data);
    xdg_surface_ack_configure(surface, serial);
    self->logicalWidth_ = self->pendingWidth_;
    self->logicalHeight_ = self->pendingHeight_;
    self->RedrawIfChanged();
}};

const xdg_toplevel_listener VideoWayland::toplevelListener = {
    [](void *data, xdg_toplevel *, int32_t width, int32_t height, wl_array *) {
        auto *self = static_cast<VideoWayland *>(data);
        const Output *output = self->Showing();
        // No size given: the client's choice, which is the output's.
        self->pendingWidth_ = width > 0 ? width : output ? output->logicalWidth : 0;
        self->pendingHeight_ = height > 0 ? height : output ? output->logicalHeight : 0;
    },
    [](void *data, xdg_toplevel *) { static_cast<VideoWayland *>(data)->Post(VideoEventKind::Closed); },
    [](void *, xdg_toplevel *, int32_t, int32_t) {},
    [](void *, xdg_toplevel *, wl_array *) {}};

const wl_surface_listener VideoWayland::surfaceListener = {
    [](void *data, wl_surface *, wl_output *output) {
        auto *self = static_cast<VideoWayland *>(data);
        self->entered_ = output;
        self->RedrawIfChanged();
    },
    [](void *data, wl_surface *, wl_output *output) {
        auto *self = static_cast<VideoWayland *>(data);
        self->entered_ = self->entered_ == output ? nullptr : self->entered_;
    }};

// A keyboard or pointer that goes (a virtual one, ended) is let go, and a
// new one asked for when the seat has one again: the old stays silent.
const wl_seat_listener VideoWayland::seatListener = {
    [](void *data, wl_seat *seat, uint32_t capabilities) {
        auto *self = static_cast<VideoWayland *>(data);
        const bool pointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
        const bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
        if (pointer && !self->pointer_) {
            self->pointer_ = wl_seat_get_pointer(seat);
            wl_pointer_add_listener(self->pointer_, &pointerListener, self);
        } else if (!pointer && self->pointer_) {
            wl_pointer_release(self->pointer_);
            self->pointer_ = nullptr;
            self->pointerInside_ = false;
        }
        if (keyboard && !self->keyboard_) {
            self->keyboard_ = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(self->keyboard_, &keyboardListener, self);
        } else if (!keyboard && self->keyboard_) {
            wl_keyboard_release(self->keyboard_);
            self->keyboard_ = nullptr;
        }
    },
    [](void *, wl_seat *, const char *) {}};

const wl_pointer_listener VideoWayland::pointerListener = {
    [](void *data, wl_pointer *, uint32_t serial, wl_surface *, wl_fixed_t x, wl_fixed_t y) {
        auto *self = static_cast<VideoWayland *>(data);
        self->pointerSerial_ = serial;
        self->pointerInside_ = true;
        self->pointerX_ = x;
        self->pointerY_ = y;
        self->SetCursor();
    },
    [](void *data, wl_pointer *, uint32_t, wl_surface *) { static_cast<VideoWayland *>(data)->pointerInside_ = false; },
    [](void *data, wl_pointer *, uint32_t, wl_fixed_t x, wl_fixed_t y) {
        auto *self = static_cast<VideoWayland *>(data);
        self->pointerX_ = x;
        self->pointerY_ = y;
    },
    [](void *data, wl_pointer *, uint32_t, uint32_t, uint32_t button, uint32_t state) {
        auto *self = static_cast<VideoWayland *>(data);
        if (button == BTN_LEFT) {
            self->Post(state == WL_POINTER_BUTTON_STATE_PRESSED ? VideoEventKind::Press : VideoEventKind::Release,
                       self->ToDevice(self->pointerX_, self->shownWidth_, self->logicalWidth_),
                       self->ToDevice(self->pointerY_, self->shownHeight_, self->logicalHeight_));
        }
    },
    [](void *, wl_pointer *, uint32_t, uint32_t, wl_fixed_t) {},
    [](void *, wl_pointer *) {},
    [](void *, wl_pointer *, uint32_t) {},
    [](void *, wl_pointer *, uint32_t, uint32_t) {},
    [](void *, wl_pointer *, uint32_t, int32_t) {},
    [](void *, wl_pointer *, uint32_t, int32_t) {}};

const wl_keyboard_listener VideoWayland::keyboardListener = {
    [](void *data, wl_keyboard *, uint32_t format, int32_t fd, uint32_t size) {
        auto *self = static_cast<VideoWayland *>(data);
        // Kept until a key comes, and only read then: most runs need none.
        if (self->keymapFd_ >= 0) {
            close(self->keymapFd_);
        }
        self->keymapFd_ = format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 ? fd : (close(fd), -1);
        self->keymapSize_ = size;
        if (self->keyState_) {
            xkb_state_unref(self->keyState_);
            xkb_keymap_unref(self->keymap_);
            self->keyState_ = nullptr;
            self->keymap_ = nullptr;
        }
    },
    [](void *, wl_keyboard *, uint32_t, wl_surface *, wl_array *) {},
    [](void *, wl_keyboard *, uint32_t, wl_surface *) {},
    [](void *data, wl_keyboard *, uint32_t, uint32_t, uint32_t key, uint32_t state) {
        if (state == WL_KEYBOARD_KEY_STATE_PRESSED) {
            static_cast<VideoWayland *>(data)->Key(key);
        }
    },
    [](void *data, wl_keyboard *, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) {
        auto *self = static_cast<VideoWayland *>(data);
        if (self->keyState_) {
            xkb_state_update_mask(self->keyState_, depressed, latched, locked, 0, 0, group);
        }
    },
    [](void *, wl_keyboard *, int32_t, int32_t) {}};

const wl_buffer_listener VideoWayland::bufferListener = {
    [](void *data, wl_buffer *) { static_cast<Buffer *>(data)->busy = false; }};

void VideoWayland::Key(uint32_t key)
{
    if (!keyState_ && keymapFd_ >= 0) {
        void *text = mmap(nullptr, keymapSize_, PROT_READ, MAP_PRIVATE, keymapFd_, 0);
        if (text != MAP_FAILED) {
            xkb_ = xkb_ ? xkb_ : xkb_context_new(static_cast<xkb_context_flags>(XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
            keymap_ = xkb_ ? xkb_keymap_new_from_buffer(xkb_, static_cast<const char *>(text), strnlen(static_cast<const char *>(text), keymapSize_),
                                                         XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS)
                           : nullptr;
            keyState_ = keymap_ ? xkb_state_new(keymap_) : nullptr;
            munmap(text, keymapSize_);
        }
    }
    // Without a keymap, the keyboard's own codes.
    const xkb_keysym_t sym = keyState_ ? xkb_state_key_get_one_sym(keyState_, key + 8)
                             : key == KEY_ESC                     ? XKB_KEY_Escape
                             : key == KEY_ENTER || key == KEY_KPENTER ? XKB_KEY_Return
                                                                    : XKB_KEY_NoSymbol;
    if (sym == XKB_KEY_Escape) {
        Post(VideoEventKind::Escape);
    } else if (sym == XKB_KEY_Return || sym == XKB_KEY_KP_Enter) {
        Post(VideoEventKind::Enter);
    }
}

bool VideoWayland::Connect(std::string &why)
{
    const char *socket = getenv("WAYLAND_DISPLAY"), *runtime = getenv("XDG_RUNTIME_DIR");
    // Without a runtime folder libwayland would print a complaint of its own.
    if ((socket && socket[0] == '/') || (runtime && *runtime)) {
        display_ = wl_display_connect(nullptr);
    }
    if (!display_) {
        why = WhyNoServer("wayland", socket, runtime);
        return false;
    }
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &registryListener, this);
    wl_display_roundtrip(display_);
    const char *missing = !compositor_ ? "wl_compositor" : !shm_ ? "wl_shm" : !wmBase_ ? "xdg_wm_base"
                          : !viewporter_ ? "wp_viewporter" : !outputManager_ ? "xdg-output" : nullptr;
    if (missing) {
        why = std::string("the compositor has no ") + missing;
        return false;
    }
    for (auto &output : outputs_) {
        if (!output->xdg) {
            WatchOutput(*output);
        }
    }
    wl_display_roundtrip(display_);
    connected_ = true;
    return true;
}

std::vector<DisplayInfo> VideoWayland::Displays()
{
    std::vector<DisplayInfo> displays;
    for (const auto &output : outputs_) {
        if (!output->name.empty() && output->modeWidth > 0 && output->logicalWidth > 0) {
            int width, height;
            ModeSize(*output, width, height);
            displays.push_back({output->name, 0, 0, width, height, output->logicalWidth, output->logicalHeight});
        }
    }
    return displays;
}

Output *VideoWayland::Find(const std::string &name)
{
    for (auto &output : outputs_) {
        if (output->name == name) {
            return output.get();
        }
    }
    return nullptr;
}

// The output the surface is on, or else the one it was put on.
Output *VideoWayland::Showing()
{
    for (auto &output : outputs_) {
        if (output->output == entered_) {
            return output.get();
        }
    }
    return Find(covered_);
}

bool VideoWayland::Cover(const std::string &name)
{
    const Output *output = Find(name);
    if (!output) {
        error_ = "no Wayland output named " + name;
        return false;
    }
    if (!surface_) {
        surface_ = wl_compositor_create_surface(compositor_);
        wl_surface_add_listener(surface_, &surfaceListener, this);
        viewport_ = wp_viewporter_get_viewport(viewporter_, surface_);
        xdgSurface_ = xdg_wm_base_get_xdg_surface(wmBase_, surface_);
        xdg_surface_add_listener(xdgSurface_, &xdgSurfaceListener, this);
        toplevel_ = xdg_surface_get_toplevel(xdgSurface_);
        xdg_toplevel_add_listener(toplevel_, &toplevelListener, this);
        xdg_toplevel_set_title(toplevel_, "Quorvane Pattern");
        xdg_toplevel_set_app_id(toplevel_, "quorvane-view");
    }
    if (name != covered_) {
        covered_ = name;
        xdg_toplevel_set_fullscreen(toplevel_, output->output);
        wl_surface_commit(surface_);
    }
    RedrawIfChanged();
    return true;
}

// The frame in device pixels: where the compositor gave the output's whole
// logical size, the output's own mode, whatever the scale; otherwise the
// logical size at the output's scale, rounded.
void VideoWayland::DeviceSize(int &width, int &height)
{
    width = height = 0;
    const Output *output = Showing();
    if (!output || logicalWidth_ <= 0 || logicalHeight_ <= 0 || output->logicalWidth <= 0 || output->logicalHeight <= 0) {
        return;
    }
    int modeWidth, modeHeight;
    ModeSize(*output, modeWidth, modeHeight);
    if (logicalWidth_ == output->logicalWidth && logicalHeight_ == output->logicalHeight) {
        width = modeWidth;
        height = modeHeight;
    } else {
        width = static_cast<int>((int64_t{logicalWidth_} * modeWidth + output->logicalWidth / 2) / output->logicalWidth);
        height = static_cast<int>((int64_t{logicalHeight_} * modeHeight + output->logicalHeight / 2) / output->logicalHeight);
    }
}

Buffer *VideoWayland::MakeBuffer(int width, int height, uint32_t format)
{
    auto buffer = std::make_unique<Buffer>();
    const int pitch = width * 4;
    if (!buffer->memory.Allocate(static_cast<size_t>(pitch) * height, error_)) {
        return nullptr;
    }
    wl_shm_pool *pool = wl_shm_create_pool(shm_, buffer->memory.fd, static_cast<int32_t>(buffer->memory.size));
    buffer->buffer = wl_shm_pool_create_buffer(pool, 0, width, height, pitch, format);
    wl_shm_pool_destroy(pool);
    buffer->width = width;
    buffer->height = height;
    buffer->busy = false;
    wl_buffer_add_listener(buffer->buffer, &bufferListener, buffer.get());
    buffers_.push_back(std::move(buffer));
    return buffers_.back().get();
}

// A buffer the compositor is not reading, of the size to show; those of an
// older size go once it lets them go.
bool VideoWayland::Frame(FrameBuffer &frame)
{
    int width = 0, height = 0;
    DeviceSize(width, height);
    frame = {nullptr, 0, 0, 0};
    drawing_ = nullptr;
    for (auto it = buffers_.begin(); it != buffers_.end();) {
        Buffer &buffer = **it;
        if (!buffer.busy && &buffer != arrow_ && (buffer.width != width || buffer.height != height)) {
            wl_buffer_destroy(buffer.buffer);
            buffer.memory.Free();
            it = buffers_.erase(it);
            continue;
        }
        if (!buffer.busy && &buffer != arrow_ && !drawing_) {
            drawing_ = &buffer;
        }
        ++it;
    }
    if (width <= 0 || height <= 0) {
        return true;
    }
    if (!drawing_ && !(drawing_ = MakeBuffer(width, height, WL_SHM_FORMAT_XRGB8888))) {
        return false;
    }
    frame = {drawing_->memory.bytes, width, height, width * 4};
    return true;
}

bool VideoWayland::Present()
{
    wl_surface_attach(surface_, drawing_->buffer, 0, 0);
    wl_surface_damage(surface_, 0, 0, INT32_MAX, INT32_MAX);
    wp_viewport_set_destination(viewport_, logicalWidth_, logicalHeight_);
    wl_surface_commit(surface_);
    drawing_->busy = true;
    shownWidth_ = drawing_->width;
    shownHeight_ = drawing_->height;
    shownLogicalWidth_ = logicalWidth_;
    shownLogicalHeight_ = logicalHeight_;
    wl_display_flush(display_);
    return true;
}

// Hidden over the pattern, an arrow over the dialog.
void VideoWayland::SetCursor()
{
    if (!pointer_ || !pointerInside_) {
        return;
    }
    if (cursorShown_ && !arrowSurface_) {
        // ARGB for the arrow's see-through part; made once, never released.
        arrow_ = MakeBuffer(ArrowSide, ArrowSide, WL_SHM_FORMAT_ARGB8888);
        if (!arrow_) {
            return;
        }
        DrawArrow(reinterpret_cast<uint32_t *>(arrow_->memory.bytes), ArrowSide, ArrowSide);
        arrowSurface_ = wl_compositor_create_surface(compositor_);
        wl_surface_attach(arrowSurface_, arrow_->buffer, 0, 0);
        wl_surface_commit(arrowSurface_);
    }
    wl_pointer_set_cursor(pointer_, pointerSerial_, cursorShown_ ? arrowSurface_ : nullptr, 0, 0);
    wl_display_flush(display_);
}

void VideoWayland::ShowCursor(bool shown)
{
    cursorShown_ = shown;
    SetCursor();
}

ShownOutput VideoWayland::Shown()
{
    const Output *output = Showing();
    int width = 0, height = 0;
    if (output) {
        ModeSize(*output, width, height);
    }
    return {shownWidth_, shownHeight_, logicalWidth_, logicalHeight_, width, height, "wayland", true};
}

int VideoWayland::ToDevice(wl_fixed_t position, int device, int logical) const
{
    if (logical <= 0) {
        return wl_fixed_to_int(position);
    }
    return static_cast<int>(int64_t{position} * device / (int64_t{logical} * 256));
}

bool VideoWayland::Pump(int milliseconds)
{
    wl_display_dispatch_pending(display_);
    if (Posted()) {
        return true;
    }
    while (wl_display_prepare_read(display_) != 0) {
        wl_display_dispatch_pending(display_);
    }
    if (Posted()) {
        wl_display_cancel_read(display_);
        return true;
    }
    wl_display_flush(display_);
    pollfd readable{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&readable, 1, milliseconds) <= 0) {
        wl_display_cancel_read(display_);
        return false;
    }
    wl_display_read_events(display_);
    wl_display_dispatch_pending(display_);
    if (wl_display_get_error(display_)) {
        Fail(std::string("lost the Wayland display: ") + strerror(wl_display_get_error(display_)));
    }
    return true;
}

} // namespace

std::unique_ptr<Video> OpenWayland(std::string &why)
{
    auto video = std::make_unique<VideoWayland>();
    return video->Connect(why) ? std::move(video) : nullptr;
}
