#include "view/Video.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

VideoEvent Video::Wait(int milliseconds)
{
    const int64_t end = MonotonicMilliseconds() + milliseconds;
    while (events_.empty()) {
        const int64_t left = milliseconds < 0 ? -1 : end - MonotonicMilliseconds();
        if ((milliseconds >= 0 && left <= 0) || (!Pump(static_cast<int>(left)) && events_.empty())) {
            return {VideoEventKind::Timeout, 0, 0};
        }
    }
    const VideoEvent event = events_.front();
    events_.pop_front();
    return event;
}

void Video::Fail(const std::string &why)
{
    error_ = why;
    events_.clear();
    Post(VideoEventKind::Lost);
}

bool SharedMemory::Allocate(size_t wanted, std::string &error)
{
    Free();
    // Allocated at once, so that a lack of memory is told here rather than
    // met as SIGBUS in the middle of drawing.
    fd = memfd_create("quorvane-frame", MFD_CLOEXEC);
    const int failed = fd < 0 ? errno : posix_fallocate(fd, 0, static_cast<off_t>(wanted));
    if (failed != 0) {
        error = "out of memory for a frame of " + std::to_string(wanted >> 20) + " MiB: " + strerror(failed);
        Free();
        return false;
    }
    void *mapped = mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) {
        error = "out of address space for a frame of " + std::to_string(wanted >> 20) + " MiB: " + strerror(errno);
        Free();
        return false;
    }
    bytes = static_cast<uint8_t *>(mapped);
    size = wanted;
    return true;
}

void SharedMemory::Free()
{
    if (bytes) {
        munmap(bytes, size);
    }
    if (fd >= 0) {
        close(fd);
    }
    *this = SharedMemory{};
}

void DrawArrow(uint32_t *pixels, int side, int pitch)
{
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool inside = x <= y && x + y < side;
            const bool edge = x == 0 || x == y || x + y >= side - 2;
            pixels[y * pitch + x] = !inside ? 0 : edge ? 0xFF000000 : 0xFFFFFFFF;
        }
    }
}

int64_t MonotonicMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}
