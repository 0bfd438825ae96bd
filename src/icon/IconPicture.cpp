#include "icon/IconPicture.h"

#include "raster/RenderPattern.h"

namespace {

// Where the parts of the monitor lie in the 32 x 32 picture.
constexpr int ScreenLeft = 3, ScreenTop = 4, ScreenWidth = 26, ScreenHeight = 18;
constexpr int BezelLeft = 1, BezelTop = 2, BezelRight = 31, BezelBottom = 24;

constexpr Rgb StandardColours[16] = {
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

enum class Part { Clear, Bezel, BezelEdge, Screen, Stand };

Part PartAt(int x, int y)
{
    if (x >= ScreenLeft && x < ScreenLeft + ScreenWidth && y >= ScreenTop && y < ScreenTop + ScreenHeight) {
        return Part::Screen;
    }
    if (x >= BezelLeft && x < BezelRight && y >= BezelTop && y < BezelBottom) {
        const bool edge = x == BezelLeft || x == BezelRight - 1 || y == BezelTop || y == BezelBottom - 1;
        return edge ? Part::BezelEdge : Part::Bezel;
    }
    const bool neck = x >= 13 && x < 19 && y >= 24 && y < 27;
    const bool base = x >= 8 && x < 24 && y >= 27 && y < 30;
    return neck || base ? Part::Stand : Part::Clear;
}

int Nearest(const IconPalette &palette, Rgb colour)
{
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < palette.count; ++i) {
        const Rgb &entry = palette.colours[i];
        const int dr = entry.r - colour.r, dg = entry.g - colour.g, db = entry.b - colour.b;
        const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

Rgb ColourAt(int x, int y, int bits, const IconMiniature &miniature)
{
    switch (PartAt(x, y)) {
    case Part::Screen:
        if (bits == 1) {
            return {255, 255, 255};
        }
        return miniature.pixels[(y - ScreenTop) * ScreenWidth + (x - ScreenLeft)];
    case Part::BezelEdge:
        return {0, 0, 0};
    case Part::Bezel:
        return bits == 1 ? Rgb{0, 0, 0} : Rgb{192, 192, 192};
    case Part::Stand:
        return bits == 1 ? Rgb{0, 0, 0} : Rgb{128, 128, 128};
    case Part::Clear:
        break;
    }
    return {0, 0, 0};
}

} // namespace

// The pattern at 16 times the screen's size, reduced block by block: a block
// of the line field (white and black alone, each a fair share) becomes one
// column of stripes, a block crossed by a target's red or blue strokes takes
// their colour so the thin strokes stay visible, any other block its average.
// Drawn one row of blocks at a time, a band small enough for the stack.
IconMiniature MakeIconMiniature()
{
    constexpr int Scale = 16;
    constexpr int Area = Scale * Scale;
    constexpr int width = ScreenWidth * Scale;
    constexpr int height = ScreenHeight * Scale;
    static_assert(sizeof(IconMiniature::pixels) == sizeof(Rgb) * ScreenWidth * ScreenHeight);
    IconMiniature miniature{};
    uint32_t band[width * Scale];
    for (int y = 0; y < ScreenHeight; ++y) {
        RenderPatternBand(width, height, y * Scale, Scale, band);
        for (int x = 0; x < ScreenWidth; ++x) {
            int r = 0, g = 0, b = 0, white = 0, black = 0, red = 0, blue = 0;
            for (int dy = 0; dy < Scale; ++dy) {
                for (int dx = 0; dx < Scale; ++dx) {
                    const uint32_t pixel = band[dy * width + x * Scale + dx];
                    r += pixel & 0xFF;
                    g += (pixel >> 8) & 0xFF;
                    b += (pixel >> 16) & 0xFF;
                    white += pixel == 0xFFFFFF;
                    black += pixel == 0;
                    red += pixel == 0x0000FF;
                    blue += pixel == 0xFF0000;
                }
            }
            Rgb &block = miniature.pixels[y * ScreenWidth + x];
            if (white + black == Area && white >= Area / 4 && black >= Area / 4) {
                block = x % 2 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
            } else if (red + blue >= Area / 32) {
                block = red >= blue ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
            } else {
                block = Rgb{(r + Area / 2) / Area, (g + Area / 2) / Area, (b + Area / 2) / Area};
            }
        }
    }
    return miniature;
}

IconPalette IconPaletteFor(int bits)
{
    IconPalette palette{};
    const auto add = [&palette](Rgb colour) { palette.colours[palette.count++] = colour; };
    if (bits == 1) {
        add({0, 0, 0});
        add({255, 255, 255});
        return palette;
    }
    // The sixteen standard colours, then for 256 a 6 x 6 x 6 cube and greys.
    for (const Rgb &colour : StandardColours) {
        add(colour);
    }
    if (bits == 8) {
        for (int r = 0; r < 6; ++r) {
            for (int g = 0; g < 6; ++g) {
                for (int b = 0; b < 6; ++b) {
                    add(Rgb{r * 51, g * 51, b * 51});
                }
            }
        }
        for (int i = 1; palette.count < 256; ++i) {
            add(Rgb{i * 255 / 25, i * 255 / 25, i * 255 / 25});
        }
    }
    return palette;
}

IconIndices IconIndicesFor(int bits, const IconMiniature &miniature)
{
    const IconPalette palette = IconPaletteFor(bits);
    IconIndices indices{};
    for (int y = 0; y < IconSide; ++y) {
        for (int x = 0; x < IconSide; ++x) {
            indices.index[y * IconSide + x] = static_cast<uint8_t>(Nearest(palette, ColourAt(x, y, bits, miniature)));
        }
    }
    return indices;
}

bool IconPixelClear(int x, int y)
{
    return PartAt(x, y) == Part::Clear;
}

IconColourRefs MakeIconColourRefs(uint32_t clear)
{
    const IconPalette palette = IconPaletteFor(8);
    const IconIndices indices = IconIndicesFor(8, MakeIconMiniature());
    IconColourRefs picture{};
    for (int y = 0; y < IconSide; ++y) {
        for (int x = 0; x < IconSide; ++x) {
            const int at = y * IconSide + x;
            const Rgb colour = palette.colours[indices.index[at]];
            picture.pixels[at] =
                IconPixelClear(x, y) ? clear : static_cast<uint32_t>(colour.r | colour.g << 8 | colour.b << 16);
        }
    }
    return picture;
}
