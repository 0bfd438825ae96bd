// The viewer benchmark's baseline on Wayland: the least a client does to
// show one full-screen frame, a full-screen xdg toplevel with one wl_shm
// buffer, every pixel written black, of the size it is given, or of the output's mode where the
// compositor leaves the size to it (the output's scale is 1 here); then it
// waits to be ended.

#include "xdg-shell-client-protocol.h"

#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace {

struct Client {
    wl_compositor *compositor = nullptr;
    wl_shm *shm = nullptr;
    xdg_wm_base *wmBase = nullptr;
    wl_output *output = nullptr;
    wl_surface *surface = nullptr;
    int width = 0, height = 0, modeWidth = 0, modeHeight = 0;
    wl_buffer *buffer = nullptr;
    int bufferWidth = 0, bufferHeight = 0;
};

const wl_output_listener outputListener = {
    [](void *, wl_output *, int32_t, int32_t, int32_t, int32_t, int32_t, const char *, const char *, int32_t) {},
    [](void *data, wl_output *, uint32_t flags, int32_t width, int32_t height, int32_t) {
        if (flags & WL_OUTPUT_MODE_CURRENT) {
            static_cast<Client *>(data)->modeWidth = width;
            static_cast<Client *>(data)->modeHeight = height;
        }
    },
    [](void *, wl_output *) {}, [](void *, wl_output *, int32_t) {}, [](void *, wl_output *, const char *) {},
    [](void *, wl_output *, const char *) {}};

const wl_registry_listener registryListener = {
    [](void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t) {
        auto *client = static_cast<Client *>(data);
        if (strcmp(interface, wl_compositor_interface.name) == 0) {
            client->compositor = static_cast<wl_compositor *>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
        } else if (strcmp(interface, wl_shm_interface.name) == 0) {
            client->shm = static_cast<wl_shm *>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
        } else if (strcmp(interface, xdg_wm_base_interface.name) == 0) {
            client->wmBase = static_cast<xdg_wm_base *>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
        } else if (strcmp(interface, wl_output_interface.name) == 0 && !client->output) {
            client->output = static_cast<wl_output *>(wl_registry_bind(registry, name, &wl_output_interface, 1));
            wl_output_add_listener(client->output, &outputListener, client);
        }
    },
    [](void *, wl_registry *, uint32_t) {}};

const xdg_wm_base_listener wmBaseListener = {
    [](void *, xdg_wm_base *base, uint32_t serial) { xdg_wm_base_pong(base, serial); }};

const xdg_toplevel_listener toplevelListener = {
    [](void *data, xdg_toplevel *, int32_t width, int32_t height, wl_array *) {
        auto *client = static_cast<Client *>(data);
        client->width = width > 0 ? width : client->modeWidth;
        client->height = height > 0 ? height : client->modeHeight;
    },
    [](void *, xdg_toplevel *) {}, [](void *, xdg_toplevel *, int32_t, int32_t) {},
    [](void *, xdg_toplevel *, wl_array *) {}};

// Every configure is answered with a commit, as the compositor waits for one
// before it shows the new state; a new buffer only for a new size.
const xdg_surface_listener surfaceListener = {[](void *data, xdg_surface *surface, uint32_t serial) {
    auto *client = static_cast<Client *>(data);
    xdg_surface_ack_configure(surface, serial);
    if (client->width <= 0 || client->height <= 0) {
        return;
    }
    if (client->width != client->bufferWidth || client->height != client->bufferHeight) {
        const int stride = client->width * 4, size = stride * client->height;
        const int fd = memfd_create("black", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, size) != 0) {
            return;
        }
        // Every pixel written, black, as a frame of any colour would be.
        void *pixels = mmap(nullptr, static_cast<size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (pixels == MAP_FAILED) {
            return;
        }
        memset(pixels, 0, static_cast<size_t>(size));
        munmap(pixels, static_cast<size_t>(size));
        wl_shm_pool *pool = wl_shm_create_pool(client->shm, fd, size);
        client->buffer =
            wl_shm_pool_create_buffer(pool, 0, client->width, client->height, stride, WL_SHM_FORMAT_XRGB8888);
        wl_shm_pool_destroy(pool);
        close(fd);
        client->bufferWidth = client->width;
        client->bufferHeight = client->height;
    }
    wl_surface_attach(client->surface, client->buffer, 0, 0);
    wl_surface_damage(client->surface, 0, 0, client->width, client->height);
    wl_surface_commit(client->surface);
}};

} // namespace

int main()
{
    Client client;
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &client);
    wl_display_roundtrip(display);
    if (!client.compositor || !client.shm || !client.wmBase || !client.output) {
        return 1;
    }
    wl_display_roundtrip(display); // the output's mode
    xdg_wm_base_add_listener(client.wmBase, &wmBaseListener, nullptr);
    client.surface = wl_compositor_create_surface(client.compositor);
    xdg_surface *surface = xdg_wm_base_get_xdg_surface(client.wmBase, client.surface);
    xdg_surface_add_listener(surface, &surfaceListener, &client);
    xdg_toplevel *toplevel = xdg_surface_get_toplevel(surface);
    xdg_toplevel_add_listener(toplevel, &toplevelListener, &client);
    xdg_toplevel_set_fullscreen(toplevel, nullptr);
    wl_surface_commit(client.surface);
    while (wl_display_dispatch(display) >= 0) {
    }
    return 0;
}
