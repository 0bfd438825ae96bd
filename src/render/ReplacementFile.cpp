#include "render/ReplacementFile.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

ReplacementFile::ReplacementFile(std::string target) : target_(std::move(target)) {}

ReplacementFile::~ReplacementFile()
{
    if (stream_) {
        fclose(stream_);
    }
    if (!committed_ && !temporary_.empty()) {
        unlink(temporary_.c_str());
    }
}

bool ReplacementFile::Open()
{
    struct stat existing;
    if (stat(target_.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        error_ = strerror(EISDIR);
        return false;
    }
    std::string name = target_ + ".XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        error_ = strerror(errno);
        return false;
    }
    temporary_ = name;
    // mkstemp makes the file private; give it the mode any new file gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    stream_ = fdopen(fd, "wb");
    if (!stream_) {
        error_ = strerror(errno);
        close(fd);
        return false;
    }
    return true;
}

bool ReplacementFile::Commit()
{
    const bool written = fflush(stream_) == 0 && !ferror(stream_) && fsync(fileno(stream_)) == 0;
    const int writeError = errno;
    const bool closed = fclose(stream_) == 0;
    stream_ = nullptr;
    if (!written || !closed) {
        error_ = strerror(written ? errno : writeError);
        return false;
    }
    if (rename(temporary_.c_str(), target_.c_str()) != 0) {
        error_ = strerror(errno);
        return false;
    }
    committed_ = true;
    return true;
}
