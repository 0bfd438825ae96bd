// An 8-bit RGB PNG written row by row, so no more than one row need exist at
// a time. Both the renderer and its benchmark use it, so they compress with
// the same settings.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include <string>

struct png_struct_def;
struct png_info_def;

class PngWriter {
public:
    PngWriter(FILE *file, uint32_t width, uint32_t height);
    ~PngWriter();
    PngWriter(const PngWriter &) = delete;
    PngWriter &operator=(const PngWriter &) = delete;

    // rgb holds width * 3 bytes. After a failure every call returns false
    // and Error() says what went wrong.
    bool WriteRow(const uint8_t *rgb);
    bool Finish();
    const std::string &Error() const { return error_; }

private:
    png_struct_def *png_ = nullptr;
    png_info_def *info_ = nullptr;
    std::string error_;
};
