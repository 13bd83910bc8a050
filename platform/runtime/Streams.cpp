#include "platform/runtime/Streams.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace {

constexpr const char* kReadError = "Stream read error";
constexpr const char* kWriteError = "Stream write error";
constexpr const char* kMemoryStreamError = "Out of memory while expanding memory stream";

// Buffer capacity grows in steps of this many bytes.
constexpr Int64 kMemoryDelta = 8192;
// CopyFrom moves at most this many bytes at a time.
constexpr Int64 kCopyBufferSize = 64 * 1024;

String SystemReason(int error) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not be in buffer.
    return String(strerror_r(error, buffer, sizeof buffer));
}

// a + b, held at the limits of Int64 instead of overflowing.
Int64 SaturatingAdd(Int64 a, Int64 b) {
    Int64 result;
    if (__builtin_add_overflow(a, b, &result))
        return b > 0 ? std::numeric_limits<Int64>::max() : std::numeric_limits<Int64>::min();
    return result;
}

int SeekWhence(TSeekOrigin origin) {
    switch (origin) {
    case soCurrent:
        return SEEK_CUR;
    case soEnd:
        return SEEK_END;
    default:
        return SEEK_SET;
    }
}

// Opens the file for TFileStream; returns the descriptor or raises the open/create error.
int OpenFileHandle(const String& fileName, Word mode, Cardinal rights) {
    const bool create = (mode & fmCreate) == fmCreate;
    const Word share = mode & 0x00F0;
    int flags = O_CLOEXEC;
    bool writing = true;
    if (create) {
        // O_TRUNC comes only after the lock is held: emptying the file first would destroy
        // the contents of a file that another stream holds locked.
        flags |= O_RDWR | O_CREAT;
    } else {
        switch (mode & 0x0003) {
        case fmOpenWrite:
            flags |= O_WRONLY;
            break;
        case fmOpenReadWrite:
            flags |= O_RDWR;
            break;
        default:
            flags |= O_RDONLY;
            writing = false;
            break;
        }
    }

    auto fail = [&](int error) -> int {
        if (create) throw EFCreateError("Cannot create file \"" + fileName + "\". " + SystemReason(error));
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + SystemReason(error));
    };

    int fd;
    do {
        fd = ::open(fileName.c_str(), flags, static_cast<mode_t>(rights));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return fail(errno);

    auto closeAndFail = [&](int error) -> int {
        ::close(fd);
        return fail(error);
    };

    struct stat info;
    if (::fstat(fd, &info) != 0) return closeAndFail(errno);
    // A directory opens for reading on Linux, but it is not a file to stream.
    if (S_ISDIR(info.st_mode)) return closeAndFail(EISDIR);

    int lock = 0;
    if (share == fmShareExclusive || share == fmShareDenyRead)
        lock = LOCK_EX;
    else if (share == fmShareDenyWrite)
        lock = writing ? LOCK_EX : LOCK_SH;
    if (lock != 0) {
        int rc;
        do {
            rc = ::flock(fd, lock | LOCK_NB);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) return closeAndFail(errno);
    }

    if (create && ::ftruncate(fd, 0) != 0) return closeAndFail(errno);
    return fd;
}

} // namespace

// ---- TStream ----------------------------------------------------------------------------------

Int64 TStream::Seek(Int64 offset, Word origin) {
    switch (origin) {
    case soFromCurrent:
        return Seek(offset, soCurrent);
    case soFromEnd:
        return Seek(offset, soEnd);
    default:
        return Seek(offset, soBeginning);
    }
}

void TStream::ReadBuffer(void* buffer, Integer count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError(kReadError);
}

void TStream::WriteBuffer(const void* buffer, Integer count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError(kWriteError);
}

Int64 TStream::GetPosition() { return Seek(0, soCurrent); }

void TStream::SetPosition(Int64 value) { Seek(value, soBeginning); }

Int64 TStream::GetSize() {
    Int64 position = Seek(0, soCurrent);
    Int64 size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

void TStream::SetSize(Int64) {}

Int64 TStream::CopyFrom(TStream* source, Int64 count) {
    if (count == 0) {
        source->SetPosition(0);
        count = source->GetSize();
    }
    if (count <= 0) return 0;
    const Int64 result = count;
    std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(std::min(count, kCopyBufferSize))]);
    while (count > 0) {
        Integer n = static_cast<Integer>(std::min(count, kCopyBufferSize));
        source->ReadBuffer(buffer.get(), n);
        WriteBuffer(buffer.get(), n);
        count -= n;
    }
    return result;
}

// ---- THandleStream ----------------------------------------------------------------------------

THandleStream::THandleStream(int handle) : FHandle(handle) {}

Integer THandleStream::Read(void* buffer, Integer count) {
    // Pipes and terminals hand out what they have; keep reading until the count is met or the
    // data end, so that ReadBuffer does not fail on a short read.
    Integer done = 0;
    FReadError = 0;
    while (done < count) {
        ssize_t n =
            ::read(FHandle, static_cast<char*>(buffer) + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) FReadError = errno;
        if (n <= 0) break;
        done += static_cast<Integer>(n);
    }
    return done;
}

Integer THandleStream::Write(const void* buffer, Integer count) {
    Integer done = 0;
    while (done < count) {
        ssize_t n =
            ::write(FHandle, static_cast<const char*>(buffer) + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<Integer>(n);
    }
    return done;
}

Int64 THandleStream::Seek(Int64 offset, TSeekOrigin origin) {
    off_t result = ::lseek(FHandle, static_cast<off_t>(offset), SeekWhence(origin));
    return result < 0 ? -1 : static_cast<Int64>(result);
}

void THandleStream::SetSize(Int64 newSize) {
    Int64 position = Seek(0, soCurrent);
    if (newSize < 0 || ::ftruncate(FHandle, static_cast<off_t>(newSize)) != 0)
        throw EStreamError(SystemReason(newSize < 0 ? EINVAL : errno));
    if (position > newSize) Seek(newSize, soBeginning);
}

// ---- TFileStream ------------------------------------------------------------------------------

TFileStream::TFileStream(const String& fileName, Word mode) : TFileStream(fileName, mode, 0666) {}

TFileStream::TFileStream(const String& fileName, Word mode, Cardinal rights)
    : THandleStream(OpenFileHandle(fileName, mode, rights)), FFileName(fileName) {}

TFileStream::~TFileStream() {
    if (FHandle >= 0) ::close(FHandle);
}

// ---- TCustomMemoryStream ----------------------------------------------------------------------

void TCustomMemoryStream::SetPointer(void* memory, Int64 size) {
    FMemory = static_cast<char*>(memory);
    FSize = size;
}

Integer TCustomMemoryStream::Read(void* buffer, Integer count) {
    if (FPosition < 0 || count <= 0 || FPosition >= FSize) return 0;
    Integer n = static_cast<Integer>(std::min<Int64>(FSize - FPosition, count));
    std::memcpy(buffer, FMemory + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

Int64 TCustomMemoryStream::Seek(Int64 offset, TSeekOrigin origin) {
    switch (origin) {
    case soCurrent:
        FPosition = SaturatingAdd(FPosition, offset);
        break;
    case soEnd:
        FPosition = SaturatingAdd(FSize, offset);
        break;
    default:
        FPosition = offset;
        break;
    }
    return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* stream) {
    // WriteBuffer takes Integer counts; a stream beyond 2 GiB goes out in pieces.
    Int64 done = 0;
    while (done < FSize) {
        Integer n = static_cast<Integer>(std::min<Int64>(FSize - done, std::numeric_limits<Integer>::max()));
        stream->WriteBuffer(FMemory + done, n);
        done += n;
    }
}

void TCustomMemoryStream::SaveToFile(const String& fileName) {
    TFileStream file(fileName, fmCreate);
    SaveToStream(&file);
}

// ---- TMemoryStream ----------------------------------------------------------------------------

TMemoryStream::~TMemoryStream() { std::free(FMemory); }

void TMemoryStream::SetCapacity(Int64 newCapacity) {
    if (newCapacity == FCapacity) return;
    if (newCapacity == 0) {
        std::free(FMemory);
        FMemory = nullptr;
        FCapacity = 0;
        return;
    }
    if (newCapacity < 0 || static_cast<UInt64>(newCapacity) > std::numeric_limits<std::size_t>::max() / 2)
        throw EStreamError(kMemoryStreamError);
    void* memory = std::realloc(FMemory, static_cast<std::size_t>(newCapacity));
    if (memory == nullptr) throw EStreamError(kMemoryStreamError);
    FMemory = static_cast<char*>(memory);
    FCapacity = newCapacity;
}

void TMemoryStream::Extend(Int64 newSize) {
    if (newSize > FCapacity) {
        // Grow by half again at least, so that many small writes cost linear time.
        Int64 wanted = std::max(newSize, SaturatingAdd(FCapacity, FCapacity / 2));
        wanted = SaturatingAdd(wanted, kMemoryDelta - 1) / kMemoryDelta * kMemoryDelta;
        SetCapacity(wanted);
    }
    if (newSize > FSize) std::memset(FMemory + FSize, 0, static_cast<std::size_t>(newSize - FSize));
}

Integer TMemoryStream::Write(const void* buffer, Integer count) {
    if (FPosition < 0 || count <= 0) return 0;
    Int64 end = SaturatingAdd(FPosition, count);
    if (end > FSize) {
        Extend(end);
        FSize = end;
    }
    std::memcpy(FMemory + FPosition, buffer, static_cast<std::size_t>(count));
    FPosition = end;
    return count;
}

void TMemoryStream::SetSize(Int64 newSize) {
    if (newSize < 0) newSize = 0;
    Extend(newSize);
    FSize = newSize;
    if (FPosition > newSize) FPosition = newSize;
}

void TMemoryStream::Clear() {
    SetCapacity(0);
    FSize = 0;
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
    stream->SetPosition(0);
    Int64 count = stream->GetSize();
    SetSize(count);
    Int64 done = 0;
    while (done < count) {
        Integer n = static_cast<Integer>(std::min<Int64>(count - done, std::numeric_limits<Integer>::max()));
        stream->ReadBuffer(FMemory + done, n);
        done += n;
    }
}

void TMemoryStream::LoadFromFile(const String& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}

// ---- TStringStream ----------------------------------------------------------------------------

TStringStream::TStringStream(const String& dataString) : FDataString(dataString) {}

Integer TStringStream::Read(void* buffer, Integer count) {
    Int64 size = GetSize();
    if (count <= 0 || FPosition >= size) return 0;
    Integer n = static_cast<Integer>(std::min<Int64>(size - FPosition, count));
    std::memcpy(buffer, FDataString.data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

Integer TStringStream::Write(const void* buffer, Integer count) {
    if (count <= 0) return 0;
    std::size_t position = static_cast<std::size_t>(FPosition);
    std::size_t n = static_cast<std::size_t>(count);
    if (position + n > FDataString.size()) FDataString.resize(position + n);
    FDataString.replace(position, n, static_cast<const char*>(buffer), n);
    FPosition += count;
    return count;
}

Int64 TStringStream::Seek(Int64 offset, TSeekOrigin origin) {
    Int64 size = GetSize();
    Int64 position;
    switch (origin) {
    case soCurrent:
        position = SaturatingAdd(FPosition, offset);
        break;
    case soEnd:
        position = SaturatingAdd(size, offset);
        break;
    default:
        position = offset;
        break;
    }
    FPosition = std::clamp<Int64>(position, 0, size);
    return FPosition;
}

void TStringStream::SetSize(Int64 newSize) {
    FDataString.resize(static_cast<std::size_t>(std::max<Int64>(newSize, 0)));
    if (FPosition > GetSize()) FPosition = GetSize();
}

String TStringStream::ReadString(Integer count) {
    Int64 size = GetSize();
    Integer n = static_cast<Integer>(std::clamp<Int64>(size - FPosition, 0, std::max(count, 0)));
    String result = FDataString.substr(static_cast<std::size_t>(FPosition), static_cast<std::size_t>(n));
    FPosition += n;
    return result;
}

void TStringStream::WriteString(const String& value) {
    Write(value.data(), static_cast<Integer>(value.size()));
}
