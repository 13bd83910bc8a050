// Replacing a file whole: the new bytes go to a file beside it, which is synced and renamed over
// it, so a failure at any point leaves the old file as it was.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"

namespace {

String SystemReason(int error) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not be in buffer.
    return String(strerror_r(error, buffer, sizeof buffer));
}

[[noreturn]] void RaiseCannotCreate(const String& fileName, int error) {
    throw EFCreateError("Cannot create file \"" + fileName + "\". " + SystemReason(error));
}

// The file a name finally stands for: symbolic links are followed (a relative link from the
// directory that holds it), up to a depth that only a loop of links reaches.
String ResolveLinks(const String& fileName) {
    String path = fileName;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        String target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length < 0) return path;
        target.resize(static_cast<std::size_t>(length));
        if (!target.empty() && target[0] != '/') {
            const std::size_t slash = path.rfind('/');
            target = (slash == String::npos ? String() : path.substr(0, slash + 1)) + target;
        }
        path = target;
    }
    RaiseCannotCreate(fileName, ELOOP);
}

// Writes every byte, retrying short writes; false with errno set on failure.
bool WriteAll(int fd, const String& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

void WriteFileSafely(const String& fileName, const String& bytes) {
    const String target = ResolveLinks(fileName);
    const std::size_t slash = target.rfind('/');
    const String directory = slash == String::npos ? String(".") : target.substr(0, slash + 1);
    const String baseName = slash == String::npos ? target : target.substr(slash + 1);

    struct stat old {};
    const bool replacing = stat(target.c_str(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode)) RaiseCannotCreate(fileName, EISDIR);

    // A name of our own beside the target; a new file gets the usual permissions (the umask
    // applies), a replacement those of the file it replaces.
    static std::atomic<unsigned> counter{0};
    String temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = (directory == "." ? String() : directory) + "." + baseName + ".saving-" +
                    IntToStr(Integer(getpid())) + "-" + IntToStr(Integer(counter++));
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) RaiseCannotCreate(fileName, errno);

    auto fail = [&](int error) {
        close(fd);
        unlink(temporary.c_str());
        RaiseCannotCreate(fileName, error);
    };
    if (replacing) {
        // Keeping the owner needs privileges a user may not have; the mode always follows.
        if (fchown(fd, old.st_uid, old.st_gid) != 0) {
        }
        if (fchmod(fd, old.st_mode & 07777) != 0) fail(errno);
    }
    if (!WriteAll(fd, bytes)) fail(errno);
    if (fsync(fd) != 0) fail(errno);
    if (close(fd) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        RaiseCannotCreate(fileName, error);
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        RaiseCannotCreate(fileName, error);
    }
    // The rename itself lasts once the directory is synced; a directory that cannot be opened
    // for that still holds the new file.
    const int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
}
