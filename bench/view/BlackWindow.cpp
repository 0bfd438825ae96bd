// The viewer benchmark's baseline: a bare SDL window covering the display
// that presents one black frame of the renderer's size, the same way the
// viewer presents its pattern (unfiltered, as the viewer asks), and waits to
// be ended.

#include <SDL.h>

#include <stdint.h>

#include <vector>

int main()
{
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        return 1;
    }
    SDL_Rect bounds{};
    SDL_GetDisplayBounds(0, &bounds);
    SDL_Window *window = SDL_CreateWindow("black", bounds.x, bounds.y, bounds.w, bounds.h,
                                          SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_ALLOW_HIGHDPI);
    SDL_Renderer *renderer = window ? SDL_CreateRenderer(window, -1, 0) : nullptr;
    if (!renderer) {
        return 1;
    }
    SDL_Texture *texture = nullptr;
    SDL_Event event{};
    do {
        if (event.type == SDL_QUIT) {
            break;
        }
        int width = 0, height = 0;
        SDL_GetRendererOutputSize(renderer, &width, &height);
        if (texture) {
            SDL_DestroyTexture(texture);
        }
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STREAMING, width, height);
        const std::vector<uint32_t> black(static_cast<size_t>(width) * height);
        SDL_UpdateTexture(texture, nullptr, black.data(), width * 4);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_RenderPresent(renderer);
    } while (SDL_WaitEvent(&event));
    SDL_Quit();
    return 0;
}
