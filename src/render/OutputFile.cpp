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

// The kernel follows no more links than this in one name.
constexpr int SymbolicLinkLimit = 40;

// The rule the kernel applies in sticky world-writable folders such as /tmp
// (protected_symlinks, protected_regular): another user's name there, unless
// the folder is theirs, may be a trap and is neither followed nor written.
// Applied here whatever the kernel is set to, since links are followed by
// hand, and safely after lstat: in a sticky folder no one else may swap it.
bool PlantedInStickyFolder(const std::string &folder, uid_t owner)
{
    struct stat status;
    return stat(folder.c_str(), &status) == 0 && (status.st_mode & S_ISVTX) && (status.st_mode & S_IWOTH) &&
           owner != geteuid() && owner != status.st_uid;
}

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
    for (int links = 0;; ++links) {
        const int descriptor = DescriptorNamed(path);
        if (descriptor >= 0) {
            return OpenDescriptor(descriptor);
        }
        struct stat status;
        if (lstat(path.c_str(), &status) != 0) {
            // A new file; a name too long is told as such there.
            if (errno == ENOENT || errno == ENAMETOOLONG) {
                return OpenNew(path);
            }
            error_ = strerror(errno);
            return false;
        }
        const std::string folder = FolderOf(path);
        if (PlantedInStickyFolder(folder, status.st_uid)) {
            error_ = "it is another user's name in sticky world-writable folder " + Quoted(folder) +
                     ", which is not followed or written";
            return false;
        }
        if (S_ISDIR(status.st_mode)) {
            error_ = "it is a folder";
            return false;
        }
        if (S_ISSOCK(status.st_mode)) {
            return OpenSocket(path);
        }
        if (!S_ISLNK(status.st_mode)) {
            break;
        }
        if (links == SymbolicLinkLimit) {
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
        path = target[0] == '/' ? std::string(target) : folder + "/" + target;
    }

    // Whatever the name stands for now is what gets written: O_NOFOLLOW
    // refuses a link swapped in since the look above.
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    struct stat opened;
    if (fd < 0 || fstat(fd, &opened) != 0) {
        error_ = errno == EACCES || errno == EPERM ? "you may not write to this file"
                 : errno == EROFS                 ? "it is on a read-only file system"
                                                  : strerror(errno);
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    return S_ISREG(opened.st_mode) ? OpenRegular(path, fd, opened) : WriteThrough(fd);
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

bool OutputFile::OpenSocket(const std::string &path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        error_ = "the socket's path is too long to connect to";
        return false;
    }
    memcpy(address.sun_path, path.c_str(), path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        error_ = strerror(errno);
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    return WriteThrough(fd);
}

bool OutputFile::OpenNew(const std::string &path)
{
    const std::string folder = FolderOf(path);
    const long nameLimit = pathconf(folder.c_str(), _PC_NAME_MAX);
    const size_t nameLength = path.size() - (path.rfind('/') + 1); // npos + 1 is 0
    if (nameLimit > 0 && nameLength > static_cast<size_t>(nameLimit)) {
        error_ = "the file name is " + std::to_string(nameLength) + " bytes long, more than the " +
                 std::to_string(nameLimit) + " this folder allows";
        return false;
    }
    const int fd = CreateBeside(path, nullptr);
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
    return WriteThrough(fd);
}

bool OutputFile::OpenRegular(const std::string &path, int fd, const struct stat &status)
{
    // Renaming a new file over this one keeps it whole until the end, but
    // only where nothing else is lost: a second hard link would keep the old
    // image, and a new file that cannot take the old owner and group would
    // change them. Any other file is written in place, as a shell's > does.
    if (status.st_nlink == 1) {
        const int beside = CreateBeside(path, &status);
        if (beside >= 0) {
            close(fd);
            return WriteThrough(beside);
        }
    }
    if (ftruncate(fd, 0) != 0) {
        error_ = strerror(errno);
        close(fd);
        return false;
    }
    regular_ = true;
    return WriteThrough(fd);
}

int OutputFile::CreateBeside(const std::string &path, const struct stat *existing)
{
    // A short temporary name, so it fits wherever the target's name does.
    std::string temporary = FolderOf(path) + "/.quorvane-render-XXXXXX";
    InterruptsBlocked blocked;
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    bool made;
    if (existing) {
        // Owner and group first: changing them may clear the set-id bits.
        made = fchown(fd, existing->st_uid, existing->st_gid) == 0 && fchmod(fd, existing->st_mode & 07777) == 0;
    } else {
        // mkostemp makes the file private; give it the mode any new file gets.
        const mode_t mask = umask(0);
        umask(mask);
        made = fchmod(fd, 0666 & ~mask) == 0;
    }
    if (!made) {
        const int error = errno;
        unlink(temporary.c_str());
        close(fd);
        errno = error;
        return -1;
    }
    temporary_ = temporary;
    target_ = path;
    regular_ = true;
    if (temporary.size() < sizeof PendingTemporary) {
        memcpy(PendingTemporary, temporary.c_str(), temporary.size() + 1);
    }
    return fd;
}

bool OutputFile::Commit()
{
    // Pipes, devices and sockets cannot be synced; a file is, so that a write
    // the disk refuses late still fails here.
    const bool written = fflush(stream_) == 0 && !ferror(stream_) && (!regular_ || fsync(fileno(stream_)) == 0);
    const int writeError = errno;
    const bool closed = fclose(stream_) == 0;
    stream_ = nullptr;
    if (!written || !closed) {
        error_ = strerror(written ? errno : writeError);
        return false;
    }
    if (temporary_.empty()) {
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
