// The viewer benchmark's baseline on the console: the least a program does
// to show one frame, a black dumb buffer of the mode the console shows, set
// on the first connected connector's CRTC; then it waits to be ended.

#include <fcntl.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <xf86drm.h>
#include <xf86drmMode.h>

int main()
{
    const int card = open("/dev/dri/card0", O_RDWR | O_CLOEXEC);
    drmModeRes *resources = card < 0 ? nullptr : drmModeGetResources(card);
    drmModeConnector *connector = nullptr;
    for (int i = 0; resources && i < resources->count_connectors && !connector; ++i) {
        connector = drmModeGetConnector(card, resources->connectors[i]);
        if (connector && (connector->connection != DRM_MODE_CONNECTED || !connector->encoder_id)) {
            drmModeFreeConnector(connector);
            connector = nullptr;
        }
    }
    drmModeEncoder *encoder = connector ? drmModeGetEncoder(card, connector->encoder_id) : nullptr;
    drmModeCrtc *crtc = encoder ? drmModeGetCrtc(card, encoder->crtc_id) : nullptr;
    if (!crtc || !crtc->mode_valid) {
        return 1;
    }
    drm_mode_create_dumb create{};
    create.width = crtc->mode.hdisplay;
    create.height = crtc->mode.vdisplay;
    create.bpp = 32;
    uint32_t framebuffer = 0;
    if (drmIoctl(card, DRM_IOCTL_MODE_CREATE_DUMB, &create) != 0 ||
        drmModeAddFB(card, create.width, create.height, 24, 32, create.pitch, create.handle, &framebuffer) != 0) {
        return 1;
    }
    drm_mode_map_dumb map{};
    map.handle = create.handle;
    void *pixels = drmIoctl(card, DRM_IOCTL_MODE_MAP_DUMB, &map) == 0
                       ? mmap(nullptr, create.size, PROT_READ | PROT_WRITE, MAP_SHARED, card, static_cast<off_t>(map.offset))
                       : MAP_FAILED;
    if (pixels == MAP_FAILED) {
        return 1;
    }
    memset(pixels, 0, create.size); // video memory may hold anything
    uint32_t connectorId = connector->connector_id;
    if (drmModeSetCrtc(card, crtc->crtc_id, framebuffer, 0, 0, &connectorId, 1, &crtc->mode) != 0) {
        return 1;
    }
    pause();
    return 0;
}
