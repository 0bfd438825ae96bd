// Where quorvane-render writes, treated as careful command-line tools treat
// an output name:
// - "-", /dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N: that open
//   descriptor, written straight to;
// - a new name, or a regular file with one name whose owner, group and
//   permission bits the new file can take: written beside it under a
//   temporary name and renamed over it only once complete, so a failed or
//   interrupted write never leaves a partial file or spoils a good one;
// - any other regular file the user may write (one with a second hard link,
//   another user's file, one in a folder the user may not create files in):
//   written in place, as a shell's > does, so its links, owner and group stay;
// - a symbolic link: the same for the file it finally points to, and the link
//   stays a link;
// - in a sticky world-writable folder such as /tmp, a symbolic link or a file
//   that another user put there (and not the folder's owner): refused, as the
//   kernel refuses them to protect against planted names;
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
    bool OpenSocket(const std::string &path);
    bool OpenNew(const std::string &path);
    // fd is the existing file, open for writing, and status its fstat.
    bool OpenRegular(const std::string &path, int fd, const struct stat &status);
    // The temporary file beside path, made as existing is (or as a new file
    // is when null); -1 with errno set when it cannot be.
    int CreateBeside(const std::string &path, const struct stat *existing);
    // Writes through fd from now on; false, with fd closed, when it cannot.
    bool WriteThrough(int fd);

    std::string name_;
    std::string target_;    // the regular file to replace, when writing beside it
    std::string temporary_; // the file written beside it
    bool regular_ = false;  // a regular file, which Commit syncs
    FILE *stream_ = nullptr;
    std::string error_;
};

// Removes the temporary file being written, if any; safe in a signal handler.
void RemovePendingOutput();
