// Draws the program's icon, a monitor on a stand, and writes it as a .ico
// with three 32 x 32 images: monochrome with a blank screen, and 16 and 256
// colours with the test pattern in miniature on the screen. The miniature is
// the real pattern, rendered large and averaged down, so the artwork follows
// the pattern and can be made again byte for byte. With a side it writes the
// 256-colour picture as a PNG instead, enlarged pixel for pixel, for the
// desktop's icon folders.
//
//   quorvane-icon OUTPUT.ico
//   quorvane-icon OUTPUT.png SIDE      (SIDE a multiple of 32, up to 512)

#include "icon/IconPicture.h"

#include <png.h>
#include <stdio.h>
#include <stdlib.h>

#include <array>
#include <string>
#include <vector>

namespace {

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
std::string Image(int bits, const IconMiniature &miniature)
{
    const IconPalette palette = IconPaletteFor(bits);
    const IconIndices indices = IconIndicesFor(bits, miniature);
    const int rowBytes = (IconSide * bits + 31) / 32 * 4;
    const int maskBytes = (IconSide + 31) / 32 * 4;
    std::string out;
    Put32(out, 40);
    Put32(out, IconSide);
    Put32(out, IconSide * 2);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(bits));
    Put32(out, 0);
    Put32(out, static_cast<unsigned>((rowBytes + maskBytes) * IconSide));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    for (int i = 0; i < palette.count; ++i) {
        const Rgb &entry = palette.colours[i];
        out += static_cast<char>(entry.b);
        out += static_cast<char>(entry.g);
        out += static_cast<char>(entry.r);
        out += '\0';
    }
    for (int y = IconSide - 1; y >= 0; --y) {
        std::string row(static_cast<size_t>(rowBytes), '\0');
        for (int x = 0; x < IconSide; ++x) {
            const int index = indices.index[y * IconSide + x];
            const int bit = x * bits;
            row[static_cast<size_t>(bit / 8)] |= static_cast<char>(index << (8 - bits - bit % 8));
        }
        out += row;
    }
    for (int y = IconSide - 1; y >= 0; --y) {
        std::string row(static_cast<size_t>(maskBytes), '\0');
        for (int x = 0; x < IconSide; ++x) {
            if (IconPixelClear(x, y)) {
                row[static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
            }
        }
        out += row;
    }
    return out;
}

std::string Ico()
{
    const IconMiniature miniature = MakeIconMiniature();
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
        icon += static_cast<char>(IconSide);
        icon += static_cast<char>(IconSide);
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
    return icon;
}

// An 8-bit RGBA PNG; each icon pixel becomes a block of side / 32 pixels.
bool WritePng(FILE *file, int side)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, side, side, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const IconColourRefs picture = MakeIconColourRefs(0);
    const int block = side / IconSide;
    std::vector<png_byte> row(static_cast<size_t>(side) * 4);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const int ix = x / block, iy = y / block;
            const uint32_t pixel = picture.pixels[iy * IconSide + ix];
            png_byte *out = &row[static_cast<size_t>(x) * 4];
            out[0] = pixel & 0xFF;
            out[1] = (pixel >> 8) & 0xFF;
            out[2] = (pixel >> 16) & 0xFF;
            out[3] = IconPixelClear(ix, iy) ? 0 : 0xFF;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const int side = argc == 3 ? atoi(argv[2]) : 0;
    if (argc != 2 && !(side >= IconSide && side <= 512 && side % IconSide == 0)) {
        fputs("usage: quorvane-icon OUTPUT.ico | quorvane-icon OUTPUT.png SIDE (a multiple of 32, up to 512)\n", stderr);
        return 2;
    }
    FILE *file = fopen(argv[1], "wb");
    bool written = false;
    if (file) {
        if (argc == 2) {
            const std::string icon = Ico();
            written = fwrite(icon.data(), 1, icon.size(), file) == icon.size();
        } else {
            written = WritePng(file, side);
        }
        written = fclose(file) == 0 && written;
    }
    if (!written) {
        fprintf(stderr, "quorvane-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
