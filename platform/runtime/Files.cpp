#include "platform/runtime/Files.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// Callers of GetTempFileNameA hand in buffers of this size.
constexpr size_t kMaxPath = 260;

std::mutex commandLineLock;
std::vector<String> commandLine;

// Position of the dot that starts the extension of the name part, or npos.
size_t ExtensionDot(const String& fileName) {
    size_t pos = fileName.find_last_of("./");
    if (pos == String::npos || fileName[pos] != '.')
        return String::npos;
    return pos;
}

String ExecutablePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return String();
        if (static_cast<size_t>(length) < buffer.size())
            return String(buffer.data(), static_cast<size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

String ExtractFilePath(const String& fileName) {
    size_t pos = fileName.rfind(PathDelim);
    return pos == String::npos ? String() : fileName.substr(0, pos + 1);
}

String ExtractFileDir(const String& fileName) {
    size_t pos = fileName.rfind(PathDelim);
    if (pos == String::npos)
        return String();
    // The root keeps its delimiter: it is the whole directory name.
    return fileName.substr(0, pos == 0 ? 1 : pos);
}

String ExtractFileName(const String& fileName) {
    size_t pos = fileName.rfind(PathDelim);
    return pos == String::npos ? fileName : fileName.substr(pos + 1);
}

String ExtractFileExt(const String& fileName) {
    size_t pos = ExtensionDot(fileName);
    return pos == String::npos ? String() : fileName.substr(pos);
}

String ChangeFileExt(const String& fileName, const String& extension) {
    size_t pos = ExtensionDot(fileName);
    return (pos == String::npos ? fileName : fileName.substr(0, pos)) + extension;
}

String IncludeTrailingPathDelimiter(const String& path) {
    if (!path.empty() && path.back() == PathDelim)
        return path;
    return path + PathDelim;
}

String ExcludeTrailingPathDelimiter(const String& path) {
    if (!path.empty() && path.back() == PathDelim)
        return path.substr(0, path.size() - 1);
    return path;
}

bool FileExists(const String& fileName) {
    struct stat info;
    return !fileName.empty() && stat(fileName.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const String& directory) {
    struct stat info;
    return !directory.empty() && stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool DeleteFile(const String& fileName) {
    struct stat info;
    // unlink refuses directories anyway; lstat keeps a link to a directory deletable.
    if (fileName.empty() || lstat(fileName.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return false;
    return unlink(fileName.c_str()) == 0;
}

bool RenameFile(const String& oldName, const String& newName) {
    if (oldName.empty() || newName.empty())
        return false;
    // A rename never replaces an existing file: the caller would lose it silently.
    if (renameat2(AT_FDCWD, oldName.c_str(), AT_FDCWD, newName.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // The file system cannot rename without replacing: check first instead.
    struct stat info;
    if (lstat(newName.c_str(), &info) == 0)
        return false;
    return rename(oldName.c_str(), newName.c_str()) == 0;
}

DWORD GetTempPathA(DWORD bufferSize, char* buffer) {
    const char* dir = std::getenv("TMPDIR");
    String path = dir != nullptr && *dir != '\0' ? String(dir) : String("/tmp");
    path = IncludeTrailingPathDelimiter(path);
    if (bufferSize <= path.size())
        return static_cast<DWORD>(path.size() + 1);
    if (buffer == nullptr)
        return 0;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

UINT GetTempFileNameA(const char* pathName, const char* prefix, UINT unique, char* buffer) {
    if (pathName == nullptr || buffer == nullptr)
        return 0;
    String base = pathName;
    if (!base.empty())
        base = IncludeTrailingPathDelimiter(base);
    base += String(prefix != nullptr ? prefix : "").substr(0, 3);

    auto formName = [&](UINT number) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%X", number);
        return base + digits + ".TMP";
    };
    auto copyOut = [&](const String& name) {
        std::memcpy(buffer, name.c_str(), name.size() + 1);
    };

    if (unique != 0) {
        unique &= 0xFFFF;
        String name = formName(unique);
        if (name.size() >= kMaxPath)
            return 0;
        copyOut(name);
        return unique;
    }

    // Start somewhere different for every call and process, then walk the 16-bit numbers
    // until a name is free; creating with O_EXCL makes the claim race-free.
    static std::atomic<UINT> counter{0};
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    UINT start = static_cast<UINT>(now.tv_nsec / 1000) ^ static_cast<UINT>(getpid()) ^
                 counter.fetch_add(0x9E37, std::memory_order_relaxed);
    for (UINT attempt = 0; attempt < 0x10000; ++attempt) {
        UINT number = (start + attempt) & 0xFFFF;
        if (number == 0)
            continue;
        String name = formName(number);
        if (name.size() >= kMaxPath)
            return 0;
        int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            copyOut(name);
            return number;
        }
        if (errno != EEXIST)
            return 0;
    }
    return 0;
}

void SetCommandLine(int argc, const char* const* argv) {
    std::lock_guard<std::mutex> guard(commandLineLock);
    commandLine.clear();
    for (int i = 0; argv != nullptr && i < argc; ++i)
        commandLine.emplace_back(argv[i] != nullptr ? argv[i] : "");
}

String ParamStr(Integer index) {
    if (index == 0) {
        String path = ExecutablePath();
        if (!path.empty())
            return path;
    }
    std::lock_guard<std::mutex> guard(commandLineLock);
    if (index < 0 || static_cast<size_t>(index) >= commandLine.size())
        return String();
    return commandLine[static_cast<size_t>(index)];
}

Integer ParamCount() {
    std::lock_guard<std::mutex> guard(commandLineLock);
    return commandLine.empty() ? 0 : static_cast<Integer>(commandLine.size() - 1);
}

String GetProgramDir() {
    return ExtractFilePath(ParamStr(0));
}
