#include "render/PngWriter.h"

#include <png.h>

#include <errno.h>
#include <string.h>

namespace {

void OnPngError(png_structp png, png_const_charp message)
{
    *static_cast<std::string *>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// libpng's own writer says only "Write Error"; this one says why, such as
// "No space left on device".
void WriteToFile(png_structp png, png_bytep data, size_t length)
{
    if (fwrite(data, 1, length, static_cast<FILE *>(png_get_io_ptr(png))) != length) {
        png_error(png, strerror(errno));
    }
}

} // namespace

PngWriter::PngWriter(FILE *file, uint32_t width, uint32_t height)
{
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error_, OnPngError, OnPngWarning);
    if (!png_) {
        error_ = "out of memory";
        return;
    }
    info_ = png_create_info_struct(png_);
    if (!info_) {
        error_ = "out of memory";
        return;
    }
    if (setjmp(png_jmpbuf(png_))) {
        return;
    }
    png_set_write_fn(png_, file, WriteToFile, nullptr); // null: flushing is fflush
    // The pattern's rows mostly repeat the row above, which the Up filter
    // turns into zeros; trying every filter per row would only cost time.
    png_set_filter(png_, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_IHDR(png_, info_, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png_, info_);
}

PngWriter::~PngWriter()
{
    if (png_) {
        png_destroy_write_struct(&png_, info_ ? &info_ : nullptr);
    }
}

bool PngWriter::WriteRow(const uint8_t *rgb)
{
    if (!error_.empty()) {
        return false;
    }
    if (setjmp(png_jmpbuf(png_))) {
        return false;
    }
    png_write_row(png_, rgb);
    return true;
}

bool PngWriter::Finish()
{
    if (!error_.empty()) {
        return false;
    }
    if (setjmp(png_jmpbuf(png_))) {
        return false;
    }
    png_write_end(png_, info_);
    return true;
}
