// Draws the program's icon, a monitor on a stand, and writes it as a .ico
// with three 32 x 32 images: monochrome with a blank screen, and 16 and 256
// colours with the test pattern in miniature on the screen. The miniature is
// the real pattern, rendered large and averaged down, so the artwork follows
// the pattern and can be made again byte for byte.
//
//   quorvane-icon OUTPUT.ico

#include "render/Rasteriser.h"

#include <stdio.h>

#include <array>
#include <string>
#include <vector>

namespace {

constexpr int Side = 32;

// Where the parts of the monitor lie in the 32 x 32 picture.
constexpr int ScreenLeft = 3, ScreenTop = 4, ScreenWidth = 26, ScreenHeight = 18;
constexpr int BezelLeft = 1, BezelTop = 2, BezelRight = 31, BezelBottom = 24;

struct Rgb {
    int r, g, b;
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

// The pattern at 16 times the screen's size, reduced block by block: a block
// of the line field (white and black alone, each a fair share) becomes one
// column of stripes, a block crossed by a target's red or blue strokes takes
// their colour so the thin strokes stay visible, any other block its average.
std::vector<Rgb> Miniature()
{
    constexpr int Scale = 16;
    constexpr int Area = Scale * Scale;
    const int width = ScreenWidth * Scale;
    const int height = ScreenHeight * Scale;
    std::vector<uint32_t> pattern(static_cast<size_t>(width) * height);
    RenderPatternBand(width, height, 0, height, pattern.data());
    std::vector<Rgb> miniature;
    for (int y = 0; y < ScreenHeight; ++y) {
        for (int x = 0; x < ScreenWidth; ++x) {
            int r = 0, g = 0, b = 0, white = 0, black = 0, red = 0, blue = 0;
            for (int dy = 0; dy < Scale; ++dy) {
                for (int dx = 0; dx < Scale; ++dx) {
                    const uint32_t pixel = pattern[static_cast<size_t>(y * Scale + dy) * width + x * Scale + dx];
                    r += pixel & 0xFF;
                    g += (pixel >> 8) & 0xFF;
                    b += (pixel >> 16) & 0xFF;
                    white += pixel == 0xFFFFFF;
                    black += pixel == 0;
                    red += pixel == 0x0000FF;
                    blue += pixel == 0xFF0000;
                }
            }
            if (white + black == Area && white >= Area / 4 && black >= Area / 4) {
                miniature.push_back(x % 2 ? Rgb{0, 0, 0} : Rgb{255, 255, 255});
            } else if (red + blue >= Area / 32) {
                miniature.push_back(red >= blue ? Rgb{255, 0, 0} : Rgb{0, 0, 255});
            } else {
                miniature.push_back(Rgb{(r + Area / 2) / Area, (g + Area / 2) / Area, (b + Area / 2) / Area});
            }
        }
    }
    return miniature;
}

std::vector<Rgb> Palette(int bits)
{
    if (bits == 1) {
        return {{0, 0, 0}, {255, 255, 255}};
    }
    // The sixteen standard colours, then for 256 a 6 x 6 x 6 cube and greys.
    std::vector<Rgb> palette = {
        {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
        {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
        {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
    };
    if (bits == 8) {
        for (int r = 0; r < 6; ++r) {
            for (int g = 0; g < 6; ++g) {
                for (int b = 0; b < 6; ++b) {
                    palette.push_back(Rgb{r * 51, g * 51, b * 51});
                }
            }
        }
        for (int i = 1; palette.size() < 256; ++i) {
            palette.push_back(Rgb{i * 255 / 25, i * 255 / 25, i * 255 / 25});
        }
    }
    return palette;
}

int Nearest(const std::vector<Rgb> &palette, Rgb colour)
{
    int best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < palette.size(); ++i) {
        const int dr = palette[i].r - colour.r, dg = palette[i].g - colour.g, db = palette[i].b - colour.b;
        const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    return best;
}

Rgb ColourAt(int x, int y, int bits, const std::vector<Rgb> &miniature)
{
    switch (PartAt(x, y)) {
    case Part::Screen:
        if (bits == 1) {
            return {255, 255, 255};
        }
        return miniature[static_cast<size_t>(y - ScreenTop) * ScreenWidth + (x - ScreenLeft)];
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

void Put16(std::string &out, unsigned value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string &out, unsigned value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// One image: BITMAPINFOHEADER (twice the height, for the mask), palette,
// colour rows bottom-up, then the transparency mask.
std::string Image(int bits, const std::vector<Rgb> &miniature)
{
    const std::vector<Rgb> palette = Palette(bits);
    const int rowBytes = (Side * bits + 31) / 32 * 4;
    const int maskBytes = (Side + 31) / 32 * 4;
    std::string out;
    Put32(out, 40);
    Put32(out, Side);
    Put32(out, Side * 2);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(bits));
    Put32(out, 0);
    Put32(out, static_cast<unsigned>((rowBytes + maskBytes) * Side));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    for (const Rgb &entry : palette) {
        out += static_cast<char>(entry.b);
        out += static_cast<char>(entry.g);
        out += static_cast<char>(entry.r);
        out += '\0';
    }
    for (int y = Side - 1; y >= 0; --y) {
        std::string row(static_cast<size_t>(rowBytes), '\0');
        for (int x = 0; x < Side; ++x) {
            const int index = Nearest(palette, ColourAt(x, y, bits, miniature));
            const int bit = x * bits;
            row[static_cast<size_t>(bit / 8)] |= static_cast<char>(index << (8 - bits - bit % 8));
        }
        out += row;
    }
    for (int y = Side - 1; y >= 0; --y) {
        std::string row(static_cast<size_t>(maskBytes), '\0');
        for (int x = 0; x < Side; ++x) {
            if (PartAt(x, y) == Part::Clear) {
                row[static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
            }
        }
        out += row;
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fputs("usage: quorvane-icon OUTPUT.ico\n", stderr);
        return 2;
    }
    const std::vector<Rgb> miniature = Miniature();
    const std::array<int, 3> depths = {1, 4, 8};
    std::vector<std::string> images;
    for (int bits : depths) {
        images.push_back(Image(bits, miniature));
    }

    std::string icon;
    Put16(icon, 0);
    Put16(icon, 1); // an icon, not a cursor
    Put16(icon, static_cast<unsigned>(images.size()));
    unsigned offset = 6 + 16 * static_cast<unsigned>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        icon += static_cast<char>(Side);
        icon += static_cast<char>(Side);
        icon += static_cast<char>(depths[i] == 8 ? 0 : 1 << depths[i]); // colour count, 0 for 256
        icon += '\0';
        Put16(icon, 1);
        Put16(icon, static_cast<unsigned>(depths[i]));
        Put32(icon, static_cast<unsigned>(images[i].size()));
        Put32(icon, offset);
        offset += static_cast<unsigned>(images[i].size());
    }
    for (const std::string &image : images) {
        icon += image;
    }

    FILE *file = fopen(argv[1], "wb");
    if (!file || fwrite(icon.data(), 1, icon.size(), file) != icon.size() || fclose(file) != 0) {
        fprintf(stderr, "quorvane-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
