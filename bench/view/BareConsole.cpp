// The viewer benchmark's baseline on the console: the least a program does
// to show one frame, a black dumb buffer of the first connected connector's
// preferred mode, set on a CRTC it can drive; then it waits to be ended.

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <xf86drm.h>
#include <xf86drmMode.h>

namespace {

int Failed()
{
    perror("view_bare_console");
    return 1;
}

} // namespace

int main()
{
    const int card = open("/dev/dri/card0", O_RDWR | O_CLOEXEC);
    drmModeRes *resources = card < 0 ? nullptr : drmModeGetResources(card);
    drmModeConnector *connector = nullptr;
    for (int i = 0; resources && i < resources->count_connectors && !connector; ++i) {
        connector = drmModeGetConnector(card, resources->connectors[i]);
        if (connector && (connector->connection != DRM_MODE_CONNECTED || connector->count_modes == 0)) {
            drmModeFreeConnector(connector);
            connector = nullptr;
        }
    }
    // Its preferred mode, on the first CRTC its first encoder can drive.
    drmModeEncoder *encoder = connector && connector->count_encoders ? drmModeGetEncoder(card, connector->encoders[0]) : nullptr;
    uint32_t crtc = 0;
    for (int c = 0; encoder && !crtc && c < resources->count_crtcs; ++c) {
        crtc = encoder->possible_crtcs & (1u << c) ? resources->crtcs[c] : 0;
    }
    if (!crtc) {
        return Failed();
    }
    drmModeModeInfo mode = connector->modes[0];
    for (int m = 0; m < connector->count_modes; ++m) {
        mode = connector->modes[m].type & DRM_MODE_TYPE_PREFERRED ? connector->modes[m] : mode;
    }
    drm_mode_create_dumb create{};
    create.width = mode.hdisplay;
    create.height = mode.vdisplay;
    create.bpp = 32;
    uint32_t framebuffer = 0;
    if (drmIoctl(card, DRM_IOCTL_MODE_CREATE_DUMB, &create) != 0 ||
        drmModeAddFB(card, create.width, create.height, 24, 32, create.pitch, create.handle, &framebuffer) != 0) {
        return Failed();
    }
    drm_mode_map_dumb map{};
    map.handle = create.handle;
    void *pixels = drmIoctl(card, DRM_IOCTL_MODE_MAP_DUMB, &map) == 0
                       ? mmap(nullptr, create.size, PROT_READ | PROT_WRITE, MAP_SHARED, card, static_cast<off_t>(map.offset))
                       : MAP_FAILED;
    if (pixels == MAP_FAILED) {
        return Failed();
    }
    memset(pixels, 0, create.size); // video memory may hold anything
    uint32_t connectorId = connector->connector_id;
    if (drmModeSetCrtc(card, crtc, framebuffer, 0, 0, &connectorId, 1, &mode) != 0) {
        return Failed();
    }
    pause();
    return 0;
}
