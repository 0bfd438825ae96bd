// Where quorvane-render writes, treated as careful command-line tools treat
// an output name:
// - "-", /dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N: that open
//   descriptor, written straight to;
// - a regular file, or a name that does not exist yet: written beside it
//   under a temporary name and renamed over it only once complete, so a
//   failed or interrupted write never leaves a partial file or spoils a good
//   one; an existing file keeps its permission bits, owner and group;
// - a symbolic link: the same for the file it finally points to, and the link
//   stays a link;
// - anything else (a FIFO, a device, a socket): written straight to, never
//   replaced, renamed or removed.
#pragma once

#include <stdio.h>
#include <sys/stat.h>

#include <string>

class OutputFile {
public:
    explicit OutputFile(std::string name);
    ~OutputFile(); // removes the temporary file unless committed
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Opens the target, or the temporary file beside it; false with Error()
    // naming the real reason when it cannot be written.
    bool Open();
    FILE *Stream() const { return stream_; }
    // Flushes and closes, and renames the temporary file over the target.
    bool Commit();
    const std::string &Error() const { return error_; }

private:
    bool OpenDescriptor(int descriptor);
    bool OpenStraight(const std::string &path, bool socket);
    // existing is the regular file's status, or null for a new name.
    bool OpenBeside(const std::string &path, const struct stat *existing);
    // Writes through fd from now on; false, with fd closed, when it cannot.
    bool WriteThrough(int fd);

    std::string name_;
    std::string target_;    // the regular file to replace, when writing beside it
    std::string temporary_; // the file written beside it
    FILE *stream_ = nullptr;
    std::string error_;
};

// Removes the temporary file being written, if any; safe in a signal handler.
void RemovePendingOutput();
