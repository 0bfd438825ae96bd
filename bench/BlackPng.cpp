// The baseline for the renderer: libpng writing an all-black image of the
// same size with the same settings.
//
//   black-png WIDTHxHEIGHT FILE.png

#include "render/PngWriter.h"

#include <stdio.h>

#include <vector>

int main(int argc, char **argv)
{
    unsigned width = 0;
    unsigned height = 0;
    if (argc != 3 || sscanf(argv[1], "%ux%u", &width, &height) != 2 || !width || !height) {
        fputs("usage: black-png WIDTHxHEIGHT FILE.png\n", stderr);
        return 2;
    }
    FILE *file = fopen(argv[2], "wb");
    if (!file) {
        perror(argv[2]);
        return 1;
    }
    PngWriter png(file, width, height);
    const std::vector<uint8_t> row(static_cast<size_t>(width) * 3, 0);
    bool written = true;
    for (unsigned y = 0; written && y < height; ++y) {
        written = png.WriteRow(row.data());
    }
    written = written && png.Finish();
    return fclose(file) == 0 && written ? 0 : 1;
}
