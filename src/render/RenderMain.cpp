// quorvane-render: the test pattern as a PNG file, or its drawing list as text.

#include "pattern/PatternLayout.h"
#include "raster/RenderPattern.h"
#include "render/OpsText.h"
#include "render/OutputFile.h"
#include "render/PngWriter.h"

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

constexpr int64_t PngSideLimit = RasterSideLimit;
constexpr int64_t OpsSideLimit = INT32_MAX;
constexpr int32_t BandRows = 16;

constexpr char Usage[] =
    "Usage: quorvane-render WIDTHxHEIGHT -o FILE.png\n"
    "       quorvane-render --ops WIDTHxHEIGHT\n"
    "\n"
    "Draws the Quorvane Pattern, the display test pattern that quorvane.exe shows\n"
    "full screen, for a window of WIDTH x HEIGHT pixels.\n"
    "\n"
    "  -o FILE.png  write the pattern as an 8-bit RGB PNG of exactly that size,\n"
    "               from 1x1 up to 32767x32767; FILE.png is replaced only once\n"
    "               the whole image has been written, and keeps its permissions,\n"
    "               owner and group; a file with other hard links, another\n"
    "               user's file, or one in a folder you may not add to is\n"
    "               written in place; a symbolic link's target is written, the\n"
    "               link stays; FIFOs and devices are written to straight; - is\n"
    "               standard output\n"
    "  --ops        print the drawing list on standard output, one entry a line:\n"
    "               the kind, then its fields in decimal, colours as 0x and eight\n"
    "               hex digits (0x00BBGGRR); any size from 0x0 up to\n"
    "               2147483647x2147483647\n"
    "  -h, --help   show this help\n"
    "  --version    print the program's name and version\n"
    "\n"
    "Examples:\n"
    "  quorvane-render 1920x1080 -o pattern.png\n"
    "  quorvane-render --ops 800x600 | head\n"
    "\n"
    "Exit status: 0 on success, 2 for bad arguments or an output file that cannot\n"
    "be written, 1 when writing fails part-way. Interrupted by SIGINT, SIGTERM or\n"
    "SIGHUP, it removes its temporary file and is ended by the signal.\n";

struct Size {
    int32_t width;
    int32_t height;
};

int Fail(int status, const std::string &message)
{
    fprintf(stderr, "quorvane-render: %s\n", message.c_str());
    return status;
}

// One side of WIDTHxHEIGHT: decimal digits only, no sign.
bool ParseSide(const char *begin, const char *end, int64_t *side)
{
    if (begin == end) {
        return false;
    }
    int64_t value = 0;
    for (const char *p = begin; p != end; ++p) {
        if (*p < '0' || *p > '9') {
            return false;
        }
        value = value * 10 + (*p - '0');
        if (value > INT32_MAX) {
            value = INT64_C(1) << 32; // out of range, and stays so
        }
    }
    *side = value;
    return true;
}

bool ParseSize(const std::string &text, int64_t *width, int64_t *height)
{
    const size_t cross = text.find('x');
    if (cross == std::string::npos) {
        return false;
    }
    const char *begin = text.c_str();
    return ParseSide(begin, begin + cross, width) && ParseSide(begin + cross + 1, begin + text.size(), height);
}

// Stops the walk at the first write that fails, so a closed pipe or a full
// disk ends the command at once whatever the size.
int PrintOps(Size size)
{
    static char buffer[1 << 16];
    size_t used = 0;
    const bool walked = PatternLayout(size.width, size.height, [&](const PatternOp &op) {
        if (used + PatternOpTextMax > sizeof buffer) {
            if (fwrite(buffer, 1, used, stdout) != used) {
                return false;
            }
            used = 0;
        }
        used += FormatPatternOp(op, buffer + used);
        return true;
    });
    if (!walked || fwrite(buffer, 1, used, stdout) != used || fflush(stdout) != 0) {
        return Fail(1, std::string("writing the drawing list failed: ") + strerror(errno));
    }
    return 0;
}

double Seconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Whether a progress line stands on standard error, for the signal handler.
volatile sig_atomic_t ProgressShown = 0;
constexpr char ClearLine[] = "\r\033[K";

// One self-updating line on standard error for a render that takes more than
// a second, and only when a person is watching it there.
class Progress {
public:
    void Rows(int32_t done, int32_t total)
    {
        if (!watched_ || Seconds() - start_ < 1.0) {
            return;
        }
        const int percent = static_cast<int>(int64_t{done} * 100 / total);
        if (percent != percent_) {
            percent_ = percent;
            fprintf(stderr, "%squorvane-render: %d%% of rows", ClearLine, percent);
            ProgressShown = 1;
        }
    }
    void Clear()
    {
        if (ProgressShown) {
            fputs(ClearLine, stderr);
            ProgressShown = 0;
        }
    }

private:
    bool watched_ = isatty(STDERR_FILENO);
    double start_ = Seconds();
    int percent_ = -1;
};

// An interrupted render removes its temporary file, so a file being replaced
// stays as it was. Then the signal ends the process, so that a shell sees it
// killed by the signal and stops a loop of renders as it stops any command.
void OnInterrupt(int number)
{
    RemovePendingOutput();
    if (ProgressShown) {
        (void)!write(STDERR_FILENO, ClearLine, sizeof ClearLine - 1);
    }
    signal(number, SIG_DFL);
    raise(number); // blocked until the handler returns
}

int WritePng(Size size, const std::string &path)
{
    // A signal ignored on entry stays ignored, as nohup and background jobs want.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action = {};
        sigaction(signal, nullptr, &action);
        if (action.sa_handler != SIG_IGN) {
            action.sa_handler = OnInterrupt;
            sigaction(signal, &action, nullptr);
        }
    }
    OutputFile file(path);
    if (!file.Open()) {
        return Fail(2, "cannot write '" + path + "': " + file.Error());
    }
    PngWriter png(file.Stream(), static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height));
    const size_t width = static_cast<size_t>(size.width);
    std::vector<uint32_t> band(width * BandRows);
    std::vector<uint8_t> row(width * 3);
    bool written = png.Error().empty();
    Progress progress;
    for (int32_t top = 0; written && top < size.height; top += BandRows) {
        progress.Rows(top, size.height);
        const int32_t rows = size.height - top < BandRows ? size.height - top : BandRows;
        RenderPatternBand(size.width, size.height, top, rows, band.data());
        for (int32_t y = 0; written && y < rows; ++y) {
            const uint32_t *pixel = band.data() + static_cast<size_t>(y) * width;
            for (size_t x = 0; x < width; ++x) {
                row[3 * x] = static_cast<uint8_t>(pixel[x]);
                row[3 * x + 1] = static_cast<uint8_t>(pixel[x] >> 8);
                row[3 * x + 2] = static_cast<uint8_t>(pixel[x] >> 16);
            }
            written = png.WriteRow(row.data());
        }
    }
    progress.Clear();
    written = written && png.Finish();
    if (!written) {
        return Fail(1, "writing '" + path + "' failed: " + png.Error());
    }
    if (!file.Commit()) {
        return Fail(1, "writing '" + path + "' failed: " + file.Error());
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    bool ops = false;
    const char *output = nullptr;
    const char *sizeText = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            fputs(Usage, stdout);
            return 0;
        } else if (arg == "--version") {
            fputs("quorvane-render " QUORVANE_VERSION "\n", stdout);
            return 0;
        } else if (arg == "--ops") {
            ops = true;
        } else if (arg == "-o") {
            if (i + 1 == argc || argv[i + 1][0] == '\0') {
                return Fail(2, "-o needs the name of the PNG file to write");
            }
            if (output) {
                return Fail(2, "-o given more than once");
            }
            output = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-' && (arg[1] < '0' || arg[1] > '9')) {
            return Fail(2, "unknown option '" + arg + "' (see --help)");
        } else if (sizeText) {
            return Fail(2, "more than one size given: '" + std::string(sizeText) + "' and '" + arg + "'");
        } else {
            sizeText = argv[i];
        }
    }

    if (!sizeText) {
        return Fail(2, "missing size: give WIDTHxHEIGHT, for example 800x600 (see --help)");
    }
    if (ops && output) {
        return Fail(2, "--ops prints to standard output and takes no -o");
    }
    if (!ops && !output) {
        return Fail(2, "nothing to do: give -o FILE.png or --ops (see --help)");
    }

    int64_t width = 0;
    int64_t height = 0;
    if (!ParseSize(sizeText, &width, &height)) {
        return Fail(2, "invalid size '" + std::string(sizeText) +
                           "': expected WIDTHxHEIGHT in non-negative whole pixels, for example 800x600");
    }
    const int64_t limit = ops ? OpsSideLimit : PngSideLimit;
    if (width > limit || height > limit) {
        return Fail(2, "size '" + std::string(sizeText) + "' is too large: at most " + std::to_string(limit) +
                           "x" + std::to_string(limit) + (ops ? "" : " for a PNG"));
    }
    const Size size{static_cast<int32_t>(width), static_cast<int32_t>(height)};
    if (ops) {
        return PrintOps(size);
    }
    if (size.width == 0 || size.height == 0) {
        return Fail(2, "size '" + std::string(sizeText) + "' is empty: a PNG needs at least 1x1");
    }
    return WritePng(size, output);
}
