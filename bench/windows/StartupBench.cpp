// Time from starting a program to its first complete paint reaching the
// screen, for quorvane.exe and for a minimal window program, alternately in
// the same run. The screen is watched at the pixel each program paints last.
//
//   startup_bench.exe QUORVANE.exe MINIMAL.exe [RUNS]

#include "Clock.h"
#include "../Median.h"

#include "pattern/PatternLayout.h"
#include "raster/RenderPattern.h"

#include "../../tests/windows/WinePath.h"

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Probe {
    int x, y;
    COLORREF colour;
};

// A pixel of the last ellipse the pattern draws, with the colour it gets.
Probe LastPaintedPixel(int width, int height)
{
    PatternOp last{};
    PatternLayout(width, height, [&](const PatternOp &op) { last = op; });
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    RenderPatternBand(width, height, 0, height, pixels.data());
    const int x = (last.left + last.right) / 2;
    for (int y = last.top; y < last.bottom; ++y) {
        if (pixels[static_cast<size_t>(y) * width + x] == PatternRed) {
            return Probe{x, y, PatternRed};
        }
    }
    return Probe{x, last.top, PatternRed};
}

// Seconds from CreateProcess until the probe shows its colour; the program
// is ended afterwards.
double TimeToPaint(const std::string &program, Probe probe)
{
    HDC screen = GetDC(NULL);
    SetPixel(screen, probe.x, probe.y, 0x123456); // not the colour awaited
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const double start = Seconds();
    double elapsed = -1;
    if (CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        while (Seconds() - start < 20) {
            if (GetPixel(screen, probe.x, probe.y) == probe.colour) {
                elapsed = Seconds() - start;
                break;
            }
            Sleep(1);
        }
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, 5000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    ReleaseDC(NULL, screen);
    return elapsed;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fputs("usage: startup_bench QUORVANE.exe MINIMAL.exe [RUNS]\n", stderr);
        return 2;
    }
    const std::string quorvane = WindowsPath(argv[1]);
    const std::string minimal = WindowsPath(argv[2]);
    const int runs = argc > 3 ? atoi(argv[3]) : 15;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const Probe pattern = LastPaintedPixel(width, height);
    const Probe white = {width - 2, height - 2, 0xFFFFFF};

    std::vector<double> quorvaneTimes;
    std::vector<double> minimalTimes;
    TimeToPaint(quorvane, pattern); // the first start of each warms Wine's caches
    TimeToPaint(minimal, white);
    for (int run = 0; run < runs; ++run) {
        quorvaneTimes.push_back(TimeToPaint(quorvane, pattern));
        minimalTimes.push_back(TimeToPaint(minimal, white));
    }
    const double ours = Median(quorvaneTimes);
    const double baseline = Median(minimalTimes);
    printf("start to first paint at %dx%d, median of %d: quorvane.exe %.1f ms, minimal window %.1f ms, ratio %.3f\n",
           width, height, runs, ours * 1e3, baseline * 1e3, ours / baseline);
    return ours > 0 && baseline > 0 ? 0 : 1;
}
