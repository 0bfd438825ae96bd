// A file written beside its target under a temporary name and renamed over
// the target only once it is complete, so a failed or interrupted write never
// leaves a partial file or spoils a good one already there.
#pragma once

#include <stdio.h>

#include <string>

class ReplacementFile {
public:
    explicit ReplacementFile(std::string target);
    ~ReplacementFile(); // removes the temporary file unless committed
    ReplacementFile(const ReplacementFile &) = delete;
    ReplacementFile &operator=(const ReplacementFile &) = delete;

    // Creates the temporary file; false with Error() set when that fails.
    bool Open();
    FILE *Stream() const { return stream_; }
    // Flushes, closes and renames over the target.
    bool Commit();
    const std::string &Error() const { return error_; }

private:
    std::string target_;
    std::string temporary_;
    FILE *stream_ = nullptr;
    bool committed_ = false;
    std::string error_;
};
