#include "render/OutputFile.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The temporary file being written, for a signal handler to remove. It is set
// and cleared with the interrupting signals blocked, so a handler never sees
// half a name or a name already renamed over the target.
char PendingTemporary[PATH_MAX];

class InterruptsBlocked {
public:
    InterruptsBlocked()
    {
        sigset_t interrupts;
        sigemptyset(&interrupts);
        sigaddset(&interrupts, SIGINT);
        sigaddset(&interrupts, SIGTERM);
        sigaddset(&interrupts, SIGHUP);
        sigprocmask(SIG_BLOCK, &interrupts, &previous_);
    }
    ~InterruptsBlocked() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_;
};

// The descriptor a name stands for, or -1: these names are open descriptors,
// and reopening one would truncate or rewind what the shell set up.
int DescriptorNamed(const std::string &name)
{
    if (name == "-" || name == "/dev/stdout") {
        return 1;
    }
    if (name == "/dev/stderr") {
        return 2;
    }
    for (const char *folder : {"/dev/fd/", "/proc/self/fd/"}) {
        const size_t length = strlen(folder);
        if (name.compare(0, length, folder) == 0 && name.size() > length && name.size() - length < 10 &&
            name.find_first_not_of("0123456789", length) == std::string::npos) {
            return atoi(name.c_str() + length);
        }
    }
    return -1;
}

std::string FolderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Quoted(const std::string &text) { return "'" + text + "'"; }

} // namespace

void RemovePendingOutput()
{
    if (PendingTemporary[0]) {
        unlink(PendingTemporary);
    }
}

OutputFile::OutputFile(std::string name) : name_(std::move(name)) {}

OutputFile::~OutputFile()
{
    if (stream_) {
        fclose(stream_);
    }
    if (!temporary_.empty()) {
        InterruptsBlocked blocked;
        unlink(temporary_.c_str());
        PendingTemporary[0] = '\0';
    }
}

bool OutputFile::Open()
{
    // Follow symbolic links by hand, to the name they finally stand for,
    // which need not exist yet: the file is then written there.
    std::string path = name_;
    for (int hops = 0;; ++hops) {
        const int descriptor = DescriptorNamed(path);
        if (descriptor >= 0) {
            return OpenDescriptor(descriptor);
        }
        struct stat status;
        if (lstat(path.c_str(), &status) != 0) {
            // A new file; a name too long is told as such there.
            if (errno == ENOENT || errno == ENAMETOOLONG) {
                return OpenBeside(path, nullptr);
            }
            error_ = strerror(errno);
            return false;
        }
        if (S_ISREG(status.st_mode)) {
            return OpenBeside(path, &status);
        }
        if (S_ISDIR(status.st_mode)) {
            error_ = "it is a folder";
            return false;
        }
        if (!S_ISLNK(status.st_mode)) {
            return OpenStraight(path, S_ISSOCK(status.st_mode));
        }
        if (hops == 40) {
            error_ = "too many levels of symbolic links";
            return false;
        }
        char target[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
        if (length < 0) {
            error_ = strerror(errno);
            return false;
        }
        target[length] = '\0';
        path = target[0] == '/' ? std::string(target) : FolderOf(path) + "/" + target;
    }
}

bool OutputFile::WriteThrough(int fd)
{
    stream_ = fdopen(fd, "wb");
    if (!stream_) {
        error_ = strerror(errno);
        close(fd);
    }
    return stream_ != nullptr;
}

bool OutputFile::OpenDescriptor(int descriptor)
{
    const int copy = fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
    if (copy < 0) {
        error_ = errno == EBADF ? "descriptor " + std::to_string(descriptor) + " is not open" : strerror(errno);
        return false;
    }
    return WriteThrough(copy);
}

bool OutputFile::OpenStraight(const std::string &path, bool socket)
{
    int fd = -1;
    if (socket) {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof address.sun_path) {
            error_ = "the socket's path is too long to connect to";
            return false;
        }
        memcpy(address.sun_path, path.c_str(), path.size());
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
            close(fd);
            fd = -1;
        }
    } else {
        fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    }
    if (fd < 0) {
        error_ = strerror(errno);
        return false;
    }
    return WriteThrough(fd);
}

bool OutputFile::OpenBeside(const std::string &path, const struct stat *existing)
{
    const std::string folder = FolderOf(path);
    if (existing && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
        error_ = errno == EROFS ? "it is on a read-only file system" : "you may not write to this file";
        return false;
    }
    const long nameLimit = pathconf(folder.c_str(), _PC_NAME_MAX);
    const size_t nameLength = path.size() - (path.rfind('/') + 1); // npos + 1 is 0
    if (nameLimit > 0 && nameLength > static_cast<size_t>(nameLimit)) {
        error_ = "the file name is " + std::to_string(nameLength) + " bytes long, more than the " +
                 std::to_string(nameLimit) + " this folder allows";
        return false;
    }

    // A short temporary name, so it fits wherever the target's name does.
    std::string name = folder + "/.quorvane-render-XXXXXX";
    InterruptsBlocked blocked;
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
        case ENOENT:
            error_ = "folder " + Quoted(folder) + " does not exist";
            break;
        case ENOTDIR:
            error_ = Quoted(folder) + " is not a folder";
            break;
        case EACCES:
        case EPERM:
            error_ = "you may not create files in folder " + Quoted(folder);
            break;
        case EROFS:
            error_ = "folder " + Quoted(folder) + " is on a read-only file system";
            break;
        default:
            error_ = strerror(errno);
        }
        return false;
    }
    temporary_ = name;
    target_ = path;
    if (name.size() < sizeof PendingTemporary) {
        memcpy(PendingTemporary, name.c_str(), name.size() + 1);
    }

    if (existing) {
        // Owner and group first: changing them may clear the set-id bits.
        // Only a privileged process may give a file away; others keep theirs.
        if (fchown(fd, existing->st_uid, existing->st_gid) != 0) {
            (void)!fchown(fd, static_cast<uid_t>(-1), existing->st_gid);
        }
        fchmod(fd, existing->st_mode & 07777);
    } else {
        // mkostemp makes the file private; give it the mode any new file gets.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    return WriteThrough(fd);
}

bool OutputFile::Commit()
{
    // Straight targets are pipes, devices or sockets, which cannot be synced.
    const bool beside = !temporary_.empty();
    const bool written =
        fflush(stream_) == 0 && !ferror(stream_) && (!beside || fsync(fileno(stream_)) == 0);
    const int writeError = errno;
    const bool closed = fclose(stream_) == 0;
    stream_ = nullptr;
    if (!written || !closed) {
        error_ = strerror(written ? errno : writeError);
        return false;
    }
    if (!beside) {
        return true;
    }
    InterruptsBlocked blocked;
    if (rename(temporary_.c_str(), target_.c_str()) != 0) {
        error_ = strerror(errno);
        return false;
    }
    temporary_.clear();
    PendingTemporary[0] = '\0';
    return true;
}
