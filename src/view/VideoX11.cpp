// quorvane-view on X11, through xcb: a window at the bounds of one RandR
// monitor, its frame put from memory shared with the server (MIT-SHM), or in
// strips of ordinary requests where the server cannot share it (a remote
// display). RandR's notices say when the monitors change.

#include "view/DriverChoice.h"
#include "view/Video.h"

#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <xcb/randr.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace {

constexpr xcb_keysym_t KeyEscape = 0xff1b, KeyReturn = 0xff0d, KeyKeypadEnter = 0xff8d;
constexpr uint16_t LeftPointerGlyph = 68; // in the core "cursor" font, its mask the next glyph

template <typename Reply> using Owned = std::unique_ptr<Reply, decltype(&free)>;
template <typename Reply> Owned<Reply> Own(Reply *reply) { return Owned<Reply>(reply, &free); }

class VideoX11 final : public Video {
public:
    ~VideoX11() override;
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
    bool MakeWindow(const DisplayInfo &display);
    void Translate(const xcb_generic_event_t *event);
    xcb_keysym_t KeysymOf(xcb_keycode_t code);
    void FreeFrame();

    xcb_connection_t *connection_ = nullptr;
    xcb_screen_t *screen_ = nullptr;
    bool shm_ = false;      // the server maps our memory (MIT-SHM 1.2)
    int randrEvent_ = -1;   // RandR's first event code, -1 without RandR
    bool monitors_ = false; // RandR 1.5 lists monitors
    xcb_window_t window_ = 0;
    xcb_gcontext_t gc_ = 0;
    xcb_cursor_t hidden_ = 0, arrow_ = 0;
    xcb_atom_t deleteWindow_ = 0;
    DisplayInfo covered_{};
    int width_ = 0, height_ = 0; // the window's, as the server last said
    SharedMemory memory_;
    xcb_shm_seg_t segment_ = 0;
    int frameWidth_ = 0, frameHeight_ = 0;
    Owned<xcb_get_keyboard_mapping_reply_t> keymap_{nullptr, &free};
};

VideoX11::~VideoX11()
{
    if (connection_) {
        FreeFrame();
        xcb_disconnect(connection_);
    }
}

bool VideoX11::Connect(std::string &why)
{
    const char *display = getenv("DISPLAY");
    int screenNumber = 0;
    if (display && *display) {
        connection_ = xcb_connect(nullptr, &screenNumber);
    }
    if (!connection_ || xcb_connection_has_error(connection_)) {
        why = WhyNoServer("x11", display, nullptr);
        return false;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && screens.rem; ++i) {
        xcb_screen_next(&screens);
    }
    screen_ = screens.data;
    // The frame is 32-bit 0x00RRGGBB, put as it is.
    const xcb_visualtype_t *visual = nullptr;
    for (auto depths = xcb_screen_allowed_depths_iterator(screen_); depths.rem; xcb_depth_next(&depths)) {
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals)) {
            visual = visuals.data->visual_id == screen_->root_visual ? visuals.data : visual;
        }
    }
    int bitsPerPixel = 0;
    for (auto formats = xcb_setup_pixmap_formats_iterator(xcb_get_setup(connection_)); formats.rem;
         xcb_format_next(&formats)) {
        bitsPerPixel = formats.data->depth == screen_->root_depth ? formats.data->bits_per_pixel : bitsPerPixel;
    }
    if (!visual || visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR || visual->red_mask != 0xFF0000 ||
        visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF || bitsPerPixel != 32) {
        why = "the X screen is not 24-bit true colour (depth " + std::to_string(screen_->root_depth) + ")";
        return false;
    }
    // Both extensions asked about at once: one round trip.
    xcb_prefetch_extension_data(connection_, &xcb_shm_id);
    xcb_prefetch_extension_data(connection_, &xcb_randr_id);
    const bool hasShm = xcb_get_extension_data(connection_, &xcb_shm_id)->present;
    const xcb_query_extension_reply_t *randr = xcb_get_extension_data(connection_, &xcb_randr_id);
    // A request of an extension the server lacks would end the connection.
    const auto shmCookie = hasShm ? xcb_shm_query_version(connection_) : xcb_shm_query_version_cookie_t{};
    const auto randrCookie =
        randr->present ? xcb_randr_query_version(connection_, 1, 5) : xcb_randr_query_version_cookie_t{};
    const auto shmVersion = Own(hasShm ? xcb_shm_query_version_reply(connection_, shmCookie, nullptr) : nullptr);
    const auto randrVersion =
        Own(randr->present ? xcb_randr_query_version_reply(connection_, randrCookie, nullptr) : nullptr);
    shm_ = shmVersion && (shmVersion->major_version > 1 || shmVersion->minor_version >= 2);
    if (randrVersion) {
        randrEvent_ = randr->first_event;
        monitors_ = randrVersion->major_version > 1 || randrVersion->minor_version >= 5;
        xcb_randr_select_input(connection_, screen_->root,
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    }
    return true;
}

// RandR's active monitors; without RandR 1.5 the whole screen, as one.
std::vector<DisplayInfo> VideoX11::Displays()
{
    std::vector<DisplayInfo> displays;
    if (!monitors_) {
        const auto root = Own(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, screen_->root), nullptr));
        if (root) {
            displays.push_back({"screen", 0, 0, root->width, root->height, root->width, root->height});
        }
        return displays;
    }
    const auto reply =
        Own(xcb_randr_get_monitors_reply(connection_, xcb_randr_get_monitors(connection_, screen_->root, 1), nullptr));
    if (!reply) {
        return displays;
    }
    std::vector<xcb_get_atom_name_cookie_t> names;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem; xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_monitor_info_t &m = *it.data;
        displays.push_back({"", m.x, m.y, m.width, m.height, m.width, m.height});
        names.push_back(xcb_get_atom_name(connection_, m.name));
    }
    for (size_t i = 0; i < names.size(); ++i) {
        const auto name = Own(xcb_get_atom_name_reply(connection_, names[i], nullptr));
        displays[i].name = name ? std::string(xcb_get_atom_name_name(name.get()), xcb_get_atom_name_name_length(name.get()))
                                : "monitor-" + std::to_string(i);
    }
    return displays;
}

bool VideoX11::Cover(const std::string &name)
{
    for (const DisplayInfo &display : Displays()) {
        if (display.name != name) {
            continue;
        }
        if (!window_) {
            return MakeWindow(display);
        }
        // A window manager keeps a full-screen window on the monitor it lies
        // on; without one the window itself must fit the monitor.
        const uint32_t at[] = {static_cast<uint32_t>(display.x), static_cast<uint32_t>(display.y),
                               static_cast<uint32_t>(display.width), static_cast<uint32_t>(display.height)};
        xcb_configure_window(connection_, window_,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT,
                             at);
        covered_ = display;
        return true;
    }
    error_ = "no X display named " + name;
    return false;
}

xcb_atom_t InternAtom(xcb_connection_t *connection, xcb_intern_atom_cookie_t cookie)
{
    const auto reply = Own(xcb_intern_atom_reply(connection, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// A full-screen window at the monitor's bounds, with no background of its
// own to flash before the first frame; the window manager, if any, is asked
// for full screen too.
bool VideoX11::MakeWindow(const DisplayInfo &display)
{
    const char *names[] = {"WM_PROTOCOLS", "WM_DELETE_WINDOW", "_NET_WM_STATE", "_NET_WM_STATE_FULLSCREEN",
                           "_NET_WM_NAME", "UTF8_STRING"};
    xcb_intern_atom_cookie_t cookies[6];
    for (int i = 0; i < 6; ++i) {
        cookies[i] = xcb_intern_atom(connection_, 0, static_cast<uint16_t>(strlen(names[i])), names[i]);
    }
    // The hidden cursor: one pixel, cleared, as its own mask.
    const xcb_pixmap_t blank = xcb_generate_id(connection_);
    const xcb_gcontext_t clear = xcb_generate_id(connection_);
    const uint32_t zero = 0;
    const xcb_rectangle_t pixel{0, 0, 1, 1};
    xcb_create_pixmap(connection_, 1, blank, screen_->root, 1, 1);
    xcb_create_gc(connection_, clear, blank, XCB_GC_FOREGROUND, &zero);
    xcb_poly_fill_rectangle(connection_, blank, clear, 1, &pixel);
    hidden_ = xcb_generate_id(connection_);
    xcb_create_cursor(connection_, hidden_, blank, blank, 0, 0, 0, 0, 0, 0, 0, 0);
    xcb_free_gc(connection_, clear);
    xcb_free_pixmap(connection_, blank);
    const xcb_font_t font = xcb_generate_id(connection_);
    xcb_open_font(connection_, font, 6, "cursor");
    arrow_ = xcb_generate_id(connection_);
    xcb_create_glyph_cursor(connection_, arrow_, font, font, LeftPointerGlyph, LeftPointerGlyph + 1, 0, 0, 0, 0xFFFF,
                            0xFFFF, 0xFFFF);
    xcb_close_font(connection_, font);

    window_ = xcb_generate_id(connection_);
    const uint32_t values[] = {XCB_BACK_PIXMAP_NONE,
                               XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_KEY_PRESS |
                                   XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE,
                               hidden_};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen_->root, static_cast<int16_t>(display.x),
                      static_cast<int16_t>(display.y), static_cast<uint16_t>(display.width),
                      static_cast<uint16_t>(display.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                      XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK | XCB_CW_CURSOR, values);
    xcb_atom_t atoms[6];
    for (int i = 0; i < 6; ++i) {
        atoms[i] = InternAtom(connection_, cookies[i]);
    }
    deleteWindow_ = atoms[1];
    const char title[] = "Quorvane Pattern", windowClass[] = "quorvane-view\0Quorvane";
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof title - 1, title);
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, atoms[4], atoms[5], 8, sizeof title - 1, title);
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof windowClass, windowClass);
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, atoms[0], XCB_ATOM_ATOM, 32, 1, &atoms[1]);
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, atoms[2], XCB_ATOM_ATOM, 32, 1, &atoms[3]);
    gc_ = xcb_generate_id(connection_);
    xcb_create_gc(connection_, gc_, window_, 0, nullptr);
    xcb_map_window(connection_, window_);
    covered_ = display;
    width_ = display.width;
    height_ = display.height;
    return true;
}

void VideoX11::FreeFrame()
{
    if (segment_) {
        xcb_shm_detach(connection_, segment_);
        segment_ = 0;
    }
    memory_.Free();
    frameWidth_ = frameHeight_ = 0;
}

bool VideoX11::Frame(FrameBuffer &frame)
{
    if (width_ != frameWidth_ || height_ != frameHeight_) {
        FreeFrame();
        if (!memory_.Allocate(static_cast<size_t>(width_) * height_ * 4, error_)) {
            return false;
        }
        if (shm_) {
            // The server gets a descriptor of its own; where it cannot map
            // it, the frame goes in ordinary requests from now on.
            segment_ = xcb_generate_id(connection_);
            const int shared = dup(memory_.fd);
            xcb_generic_error_t *refused =
                shared < 0 ? nullptr : xcb_request_check(connection_, xcb_shm_attach_fd_checked(connection_, segment_, shared, 0));
            if (shared < 0 || refused) {
                free(refused);
                shm_ = false;
                segment_ = 0;
            }
        }
        frameWidth_ = width_;
        frameHeight_ = height_;
    }
    frame = {memory_.bytes, frameWidth_, frameHeight_, frameWidth_ * 4};
    return true;
}

// Returns once the server has the frame, so that the next one cannot be
// drawn into memory it still reads.
bool VideoX11::Present()
{
    const int width = frameWidth_, height = frameHeight_;
    if (shm_) {
        xcb_shm_put_image(connection_, window_, gc_, static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0, 0,
                          static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0, 0, 24,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment_, 0);
    } else {
        const size_t rowBytes = static_cast<size_t>(width) * 4;
        const size_t limit = size_t{xcb_get_maximum_request_length(connection_)} * 4 - 64;
        const int rows = static_cast<int>(std::max<size_t>(1, limit / rowBytes));
        for (int y = 0; y < height; y += rows) {
            const int strip = std::min(rows, height - y);
            xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_, static_cast<uint16_t>(width),
                          static_cast<uint16_t>(strip), 0, static_cast<int16_t>(y), 0, 24,
                          static_cast<uint32_t>(rowBytes * strip), memory_.bytes + rowBytes * y);
        }
    }
    free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    return true;
}

void VideoX11::ShowCursor(bool shown)
{
    if (window_) {
        const uint32_t cursor = shown ? arrow_ : hidden_;
        xcb_change_window_attributes(connection_, window_, XCB_CW_CURSOR, &cursor);
        xcb_flush(connection_);
    }
}

ShownOutput VideoX11::Shown()
{
    const char *wayland = getenv("WAYLAND_DISPLAY");
    return {width_, height_, width_, height_, covered_.width, covered_.height, "x11", wayland && *wayland};
}

xcb_keysym_t VideoX11::KeysymOf(xcb_keycode_t code)
{
    const xcb_setup_t *setup = xcb_get_setup(connection_);
    if (!keymap_) {
        keymap_.reset(xcb_get_keyboard_mapping_reply(
            connection_,
            xcb_get_keyboard_mapping(connection_, setup->min_keycode, setup->max_keycode - setup->min_keycode + 1),
            nullptr));
    }
    if (!keymap_ || code < setup->min_keycode || code > setup->max_keycode) {
        return 0;
    }
    return xcb_get_keyboard_mapping_keysyms(keymap_.get())[(code - setup->min_keycode) * keymap_->keysyms_per_keycode];
}

void VideoX11::Translate(const xcb_generic_event_t *event)
{
    const int type = event->response_type & 0x7F;
    switch (type) {
    case XCB_EXPOSE:
        if (reinterpret_cast<const xcb_expose_event_t *>(event)->count == 0) {
            Post(VideoEventKind::Redraw);
        }
        return;
    case XCB_CONFIGURE_NOTIFY: {
        const auto *configure = reinterpret_cast<const xcb_configure_notify_event_t *>(event);
        if (configure->window == window_ && (configure->width != width_ || configure->height != height_)) {
            width_ = configure->width;
            height_ = configure->height;
            Post(VideoEventKind::Redraw);
        }
        return;
    }
    case XCB_KEY_PRESS: {
        const xcb_keysym_t key = KeysymOf(reinterpret_cast<const xcb_key_press_event_t *>(event)->detail);
        if (key == KeyEscape) {
            Post(VideoEventKind::Escape);
        } else if (key == KeyReturn || key == KeyKeypadEnter) {
            Post(VideoEventKind::Enter);
        }
        return;
    }
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE: {
        const auto *button = reinterpret_cast<const xcb_button_press_event_t *>(event);
        if (button->detail == XCB_BUTTON_INDEX_1) {
            Post(type == XCB_BUTTON_PRESS ? VideoEventKind::Press : VideoEventKind::Release, button->event_x,
                 button->event_y);
        }
        return;
    }
    case XCB_CLIENT_MESSAGE:
        if (reinterpret_cast<const xcb_client_message_event_t *>(event)->data.data32[0] == deleteWindow_) {
            Post(VideoEventKind::Closed);
        }
        return;
    case XCB_MAPPING_NOTIFY:
        keymap_.reset();
        return;
    }
    if (randrEvent_ >= 0 && (type == randrEvent_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY || type == randrEvent_ + XCB_RANDR_NOTIFY)) {
        Post(VideoEventKind::DisplaysChanged);
    }
}

bool VideoX11::Pump(int milliseconds)
{
    xcb_flush(connection_);
    xcb_generic_event_t *event = xcb_poll_for_event(connection_);
    if (!event && !xcb_connection_has_error(connection_)) {
        pollfd readable{xcb_get_file_descriptor(connection_), POLLIN, 0};
        if (poll(&readable, 1, milliseconds) <= 0) {
            return false;
        }
        event = xcb_poll_for_event(connection_);
    }
    for (; event; event = xcb_poll_for_event(connection_)) {
        Translate(event);
        free(event);
    }
    if (xcb_connection_has_error(connection_)) {
        Fail("lost the X display");
    }
    return true;
}

} // namespace

std::unique_ptr<Video> OpenX11(std::string &why)
{
    auto video = std::make_unique<VideoX11>();
    return video->Connect(why) ? std::move(video) : nullptr;
}
