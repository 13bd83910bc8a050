// Streams of bytes: the abstract TStream, streams over file descriptors and files, and the
// memory and string streams. Contents are bytes; nothing here decodes or re-encodes them.
#pragma once

#include <type_traits>

#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"

// Where a seek counts from.
enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// The same origins as plain numbers, for Seek(offset, Word).
constexpr Word soFromBeginning = 0;
constexpr Word soFromCurrent = 1;
constexpr Word soFromEnd = 2;

// TFileStream modes: one access mode, or fmCreate, combined with one share mode.
constexpr Word fmCreate = 0xFF00;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;

class TStream : public TObject {
    KOV_CLASS(TStream, TObject)
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    // Move up to count bytes and return how many moved (0 at the end, on an error, or for
    // count <= 0).
    virtual Integer Read(void* buffer, Integer count) = 0;
    virtual Integer Write(const void* buffer, Integer count) = 0;
    // Returns the new position. A class that overrides this adds `using TStream::Seek;` so the
    // Word form stays visible.
    virtual Int64 Seek(Int64 offset, TSeekOrigin origin) = 0;
    // The same with soFromBeginning, soFromCurrent or soFromEnd (anything else counts from the
    // beginning).
    Int64 Seek(Int64 offset, Word origin);

    // Read or write exactly count bytes, or raise EReadError "Stream read error" /
    // EWriteError "Stream write error".
    void ReadBuffer(void* buffer, Integer count);
    void WriteBuffer(const void* buffer, Integer count);

    // One value of a plain type, byte for byte as it lies in memory.
    template <class T>
    requires(std::is_trivially_copyable_v<T> && !std::is_pointer_v<T>) void ReadBuffer(T& value) {
        ReadBuffer(&value, static_cast<Integer>(sizeof(T)));
    }
    template <class T>
    requires(std::is_trivially_copyable_v<T> && !std::is_pointer_v<T>) void WriteBuffer(const T& value) {
        WriteBuffer(&value, static_cast<Integer>(sizeof(T)));
    }

    Int64 GetPosition();
    void SetPosition(Int64 value);
    virtual Int64 GetSize();
    // The base class ignores it; streams that can change their size override it.
    virtual void SetSize(Int64 newSize);

    // Copies count bytes from source's current position; count 0 copies the whole source
    // from its start. Returns the number of bytes copied; a short source raises EReadError.
    Int64 CopyFrom(TStream* source, Int64 count);
};

// A stream over a POSIX file descriptor that it does not own.
class THandleStream : public TStream {
    KOV_CLASS(THandleStream, TStream)
public:
    explicit THandleStream(int handle);

    Integer Read(void* buffer, Integer count) override;
    Integer Write(const void* buffer, Integer count) override;
    using TStream::Seek;
    // -1 when the descriptor cannot seek (a pipe, a terminal) or the position is invalid.
    Int64 Seek(Int64 offset, TSeekOrigin origin) override;
    // Truncates or extends the file (extension reads as zeros); the position stays, moved back
    // to the new end when it lay beyond it. Raises EStreamError with the system's reason.
    void SetSize(Int64 newSize) override;

    int GetHandle() const { return FHandle; }
    // The system's error number when the last Read stopped on a failure; 0 when it moved every
    // byte asked for or stopped where the data end. Tells a failing read from a short file.
    int GetReadError() const { return FReadError; }

protected:
    int FHandle;
    int FReadError = 0;
};

// A file opened by name; the descriptor is closed when the stream is destroyed.
//
// Share modes are advisory locks (flock) held while the stream is open: fmShareExclusive
// and fmShareDenyRead take an exclusive lock, fmShareDenyWrite a shared one when the file is
// opened for reading only and an exclusive one when it is opened for writing;
// fmShareDenyNone and fmShareCompat take none. An open whose lock conflicts with another
// stream's lock fails at once. Streams without a lock, and other programs, are not stopped.
class TFileStream : public THandleStream {
    KOV_CLASS(TFileStream, THandleStream)
public:
    // Raises EFOpenError "Cannot open file "<name>". <reason>" or, for fmCreate,
    // EFCreateError "Cannot create file "<name>". <reason>", the reason being the system's
    // text. fmCreate makes the file (with the given permission bits, less the umask) or
    // empties an existing one, and opens it for reading and writing.
    TFileStream(const String& fileName, Word mode);
    TFileStream(const String& fileName, Word mode, Cardinal rights);
    ~TFileStream() override;

    const String& GetFileName() const { return FFileName; }

private:
    String FFileName;
};

// A stream over a block of memory that someone else provides (see SetPointer).
class TCustomMemoryStream : public TStream {
    KOV_CLASS(TCustomMemoryStream, TStream)
public:
    Integer Read(void* buffer, Integer count) override;
    using TStream::Seek;
    // Any position can be set, even past the end; reading there gives nothing.
    Int64 Seek(Int64 offset, TSeekOrigin origin) override;
    Int64 GetSize() override { return FSize; }

    void SaveToStream(TStream* stream);
    void SaveToFile(const String& fileName);

    void* GetMemory() const { return FMemory; }

protected:
    void SetPointer(void* memory, Int64 size);

    char* FMemory = nullptr;
    Int64 FSize = 0;
    Int64 FPosition = 0;
};

// A memory stream that owns a buffer growing as it is written.
class TMemoryStream : public TCustomMemoryStream {
    KOV_CLASS(TMemoryStream, TCustomMemoryStream)
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;

    Integer Write(const void* buffer, Integer count) override;
    // New bytes, and the gap left by writing past the end, read as zeros. The position stays,
    // moved back to the new end when it lay beyond it.
    void SetSize(Int64 newSize) override;

    // Frees the buffer; size and position become 0.
    void Clear();
    // Replaces the contents with the whole of stream (read from its start) or of the file.
    void LoadFromStream(TStream* stream);
    void LoadFromFile(const String& fileName);

private:
    void SetCapacity(Int64 newCapacity);
    // Makes room for size bytes and zero-fills from the current size up to it.
    void Extend(Int64 newSize);

    Int64 FCapacity = 0;
};

// A stream over a String held by the stream. Writing overwrites in place and extends the
// string; positions stay between 0 and the size.
class TStringStream : public TStream {
    KOV_CLASS(TStringStream, TStream)
public:
    explicit TStringStream(const String& dataString = String());

    Integer Read(void* buffer, Integer count) override;
    Integer Write(const void* buffer, Integer count) override;
    using TStream::Seek;
    Int64 Seek(Int64 offset, TSeekOrigin origin) override;
    Int64 GetSize() override { return static_cast<Int64>(FDataString.size()); }
    void SetSize(Int64 newSize) override;

    // Up to count bytes from the position.
    String ReadString(Integer count);
    void WriteString(const String& value);

    const String& GetDataString() const { return FDataString; }

private:
    String FDataString;
    Int64 FPosition = 0;
};
