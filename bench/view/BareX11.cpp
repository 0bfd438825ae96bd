// The viewer benchmark's baseline on X11: the least an xcb client does to
// show one full-screen frame, a window at the screen's size and one black
// image put in it; then it waits to be ended.

#include <stdint.h>
#include <stdlib.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <vector>

int main()
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        return 1;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint16_t width = screen->width_in_pixels, height = screen->height_in_pixels;
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t events = XCB_EVENT_MASK_EXPOSURE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, width, height, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK, &events);
    const xcb_gcontext_t gc = xcb_generate_id(connection);
    xcb_create_gc(connection, gc, window, 0, nullptr);
    xcb_map_window(connection, window);
    const std::vector<uint32_t> black(static_cast<size_t>(width) * height);
    const size_t rowBytes = size_t{width} * 4;
    const int rows = static_cast<int>(std::max<size_t>(1, (size_t{xcb_get_maximum_request_length(connection)} * 4 - 64) / rowBytes));
    for (xcb_generic_event_t *event; (event = xcb_wait_for_event(connection)); free(event)) {
        if ((event->response_type & 0x7F) != XCB_EXPOSE) {
            continue;
        }
        for (int y = 0; y < height; y += rows) {
            const int strip = std::min(rows, height - y);
            xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, width, static_cast<uint16_t>(strip), 0,
                          static_cast<int16_t>(y), 0, screen->root_depth, static_cast<uint32_t>(rowBytes * strip),
                          reinterpret_cast<const uint8_t *>(black.data() + size_t{width} * y));
        }
        xcb_flush(connection);
    }
    return 0;
}
