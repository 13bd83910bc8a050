#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/runtime/Streams.h"
#include "tests/support/TestSupport.h"

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

// Every byte value, so that a stream that stops at a zero or changes high bytes shows.
String AllBytes(size_t count) {
    String bytes(count, '\0');
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

String MemoryContents(TMemoryStream& stream) {
    return String(static_cast<const char*>(stream.GetMemory()), static_cast<size_t>(stream.GetSize()));
}

String ReadAll(TStream& stream) {
    String bytes(static_cast<size_t>(stream.GetSize()), '\0');
    stream.SetPosition(0);
    stream.ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    return bytes;
}

String Reason(int error) { return std::strerror(error); }

// The exception's text, or "" when the call does not raise E.
template <class E, class F> String MessageOf(F&& call) {
    try {
        call();
    } catch (const E& e) {
        return e.Message;
    }
    return String();
}

} // namespace

// ---- The stream contract, run over every kind of seekable stream ------------------------------

struct StreamFactory {
    const char* Name;
    std::unique_ptr<TStream> (*Make)(const TempDir& dir);
};

class StreamsContract : public ::testing::TestWithParam<StreamFactory> {
protected:
    TempDir Dir;
    std::unique_ptr<TStream> Stream = GetParam().Make(Dir);
};

TEST_P(StreamsContract, WritesReadsAndSeeks) {
    TStream& s = *Stream;
    EXPECT_EQ(s.GetSize(), 0);
    EXPECT_EQ(s.Write("0123456789", 10), 10);
    EXPECT_EQ(s.GetPosition(), 10);
    EXPECT_EQ(s.GetSize(), 10);

    struct SeekCase {
        Int64 Offset;
        TSeekOrigin Origin;
        Int64 Expected;
        const char* NextByte;
    };
    // Each seek starts from where the previous one left the position.
    const std::vector<SeekCase> seeks = {
        {3, soBeginning, 3, "3"}, {2, soCurrent, 5, "5"},   {-1, soCurrent, 4, "4"},
        {-2, soEnd, 8, "8"},      {0, soBeginning, 0, "0"}, {0, soEnd, 10, ""},
    };
    for (const SeekCase& c : seeks) {
        SCOPED_TRACE(testing::Message() << c.Offset << " from " << c.Origin);
        EXPECT_EQ(s.Seek(c.Offset, c.Origin), c.Expected);
        EXPECT_EQ(s.GetPosition(), c.Expected);
        char next = 0;
        Integer n = s.Read(&next, 1);
        EXPECT_EQ(String(&next, static_cast<size_t>(n)), c.NextByte);
        s.SetPosition(c.Expected);
    }

    // The numbered origins do the same.
    EXPECT_EQ(s.Seek(4, soFromBeginning), 4);
    EXPECT_EQ(s.Seek(1, soFromCurrent), 5);
    EXPECT_EQ(s.Seek(-3, soFromEnd), 7);

    // Overwriting in the middle keeps what follows; writing at the end extends.
    s.SetPosition(2);
    s.WriteBuffer("ab", 2);
    s.Seek(0, soEnd);
    s.WriteBuffer("XYZ", 3);
    EXPECT_EQ(ReadAll(s), "01ab456789XYZ");

    // A short read returns what there is; ReadBuffer raises instead.
    s.SetPosition(11);
    char buffer[8] = {};
    EXPECT_EQ(s.Read(buffer, 8), 2);
    EXPECT_EQ(String(buffer, 2), "YZ");
    EXPECT_EQ(s.Read(buffer, 8), 0);
    s.SetPosition(11);
    EXPECT_EQ(MessageOf<EReadError>([&] { s.ReadBuffer(buffer, 3); }), "Stream read error");
}

TEST_P(StreamsContract, TypedValuesAndSetSize) {
    TStream& s = *Stream;
    const Int64 big = 0x0102030405060708LL;
    const Word small = 0xBEEF;
    s.WriteBuffer(big);
    s.WriteBuffer(small);
    EXPECT_EQ(s.GetSize(), 10);

    Int64 bigBack = 0;
    Word smallBack = 0;
    s.SetPosition(0);
    s.ReadBuffer(bigBack);
    s.ReadBuffer(smallBack);
    EXPECT_EQ(bigBack, big);
    EXPECT_EQ(smallBack, small);
    EXPECT_THROW(s.ReadBuffer(smallBack), EReadError);

    // Shrinking pulls a position beyond the new end back to it; growing adds zeros.
    s.SetPosition(9);
    s.SetSize(4);
    EXPECT_EQ(s.GetSize(), 4);
    EXPECT_EQ(s.GetPosition(), 4);
    s.SetSize(6);
    EXPECT_EQ(s.GetSize(), 6);
    EXPECT_EQ(s.GetPosition(), 4);
    String expected(reinterpret_cast<const char*>(&big), 4);
    expected += String(2, '\0');
    EXPECT_EQ(ReadAll(s), expected);
}

TEST_P(StreamsContract, CopyFromWholeAndPartial) {
    const String bytes = AllBytes(200000); // more than one copy buffer
    TMemoryStream source;
    source.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));

    // Count 0 takes the whole source from its start, wherever its position was.
    source.SetPosition(12345);
    EXPECT_EQ(Stream->CopyFrom(&source, 0), static_cast<Int64>(bytes.size()));
    EXPECT_EQ(source.GetPosition(), static_cast<Int64>(bytes.size()));
    EXPECT_EQ(ReadAll(*Stream), bytes);

    // A count copies that many bytes from the source's position onto the stream's.
    Stream->SetSize(0);
    Stream->WriteBuffer("<", 1);
    source.SetPosition(100);
    EXPECT_EQ(Stream->CopyFrom(&source, 70000), 70000);
    EXPECT_EQ(source.GetPosition(), 70100);
    EXPECT_EQ(ReadAll(*Stream), "<" + bytes.substr(100, 70000));

    // A source shorter than the count raises the read error.
    source.SetPosition(static_cast<Int64>(bytes.size()) - 10);
    EXPECT_EQ(MessageOf<EReadError>([&] { Stream->CopyFrom(&source, 11); }), "Stream read error");
}

namespace {

std::unique_ptr<TStream> MakeMemoryStream(const TempDir&) { return std::make_unique<TMemoryStream>(); }
std::unique_ptr<TStream> MakeStringStream(const TempDir&) { return std::make_unique<TStringStream>(); }
std::unique_ptr<TStream> MakeFileStream(const TempDir& dir) {
    return std::make_unique<TFileStream>(dir.File("contract.bin"), fmCreate);
}

const StreamFactory kStreamFactories[] = {
    {"Memory", MakeMemoryStream},
    {"String", MakeStringStream},
    {"File", MakeFileStream},
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Streams, StreamsContract, ::testing::ValuesIn(kStreamFactories),
                         [](const ::testing::TestParamInfo<StreamFactory>& info) {
                             return String(info.param.Name);
                         });

// ---- Memory streams ---------------------------------------------------------------------------

TEST(StreamsMemory, GrowsKeepingContents) {
    TMemoryStream s;
    String expected;
    // Many small writes across several reallocations, then one large one.
    for (int i = 0; i < 5000; ++i) {
        String piece = std::to_string(i);
        s.WriteBuffer(piece.data(), static_cast<Integer>(piece.size()));
        expected += piece;
    }
    const String big = AllBytes(100000);
    s.WriteBuffer(big.data(), static_cast<Integer>(big.size()));
    expected += big;
    EXPECT_EQ(s.GetSize(), static_cast<Int64>(expected.size()));
    EXPECT_EQ(MemoryContents(s), expected);
}

TEST(StreamsMemory, WritingPastTheEndLeavesZeros) {
    TMemoryStream s;
    s.WriteBuffer("abc", 3);
    // Garbage in the buffer beyond the size must not resurface.
    s.SetSize(1);
    EXPECT_EQ(s.Seek(5, soFromBeginning), 5);
    EXPECT_EQ(s.Read(nullptr, 0), 0);
    char byte = 0;
    EXPECT_EQ(s.Read(&byte, 1), 0); // past the end: nothing
    s.WriteBuffer("Z", 1);
    EXPECT_EQ(MemoryContents(s), String("a\0\0\0\0Z", 6));

    s.SetSize(2);
    s.SetSize(8);
    EXPECT_EQ(MemoryContents(s), String("a\0\0\0\0\0\0\0", 8));

    // A negative position reads and writes nothing.
    s.SetPosition(-3);
    EXPECT_EQ(s.Write("x", 1), 0);
    EXPECT_EQ(s.Read(&byte, 1), 0);
    EXPECT_EQ(s.GetSize(), 8);
}

TEST(StreamsMemory, ClearLoadAndSave) {
    TempDir dir;
    const String bytes = AllBytes(70000);
    WriteFileBytes(dir.File("in.bin"), bytes);

    TMemoryStream s;
    s.WriteBuffer("old contents", 12);
    s.LoadFromFile(dir.File("in.bin"));
    EXPECT_EQ(MemoryContents(s), bytes);

    s.SaveToFile(dir.File("out.bin"));
    EXPECT_EQ(ReadFileBytes(dir.File("out.bin")), bytes);

    // LoadFromStream reads the whole source from its start; SaveToStream writes at the
    // target's position.
    TStringStream source(String("\0\xff\x80zz", 5));
    source.SetPosition(3);
    s.LoadFromStream(&source);
    EXPECT_EQ(MemoryContents(s), String("\0\xff\x80zz", 5));
    TStringStream target("12345678");
    target.SetPosition(2);
    s.SaveToStream(&target);
    EXPECT_EQ(target.GetDataString(), String("12\0\xff\x80zz8", 8));

    s.Clear();
    EXPECT_EQ(s.GetSize(), 0);
    EXPECT_EQ(s.GetPosition(), 0);
    EXPECT_EQ(s.GetMemory(), nullptr);
    s.WriteBuffer("new", 3);
    EXPECT_EQ(MemoryContents(s), "new");
}

// ---- String streams ---------------------------------------------------------------------------

TEST(StreamsString, BytesStayBytesAndPositionsStayInside) {
    // Invalid UTF-8 and zeros go through untouched.
    const String raw("\xc4\xe3\xba\xc3\0\xff", 6);
    TStringStream s(raw);
    EXPECT_EQ(s.GetSize(), 6);
    EXPECT_EQ(s.GetPosition(), 0);
    EXPECT_EQ(s.ReadString(4), "\xc4\xe3\xba\xc3");
    EXPECT_EQ(s.ReadString(10), String("\0\xff", 2));
    EXPECT_EQ(s.ReadString(10), "");

    // Writing in the middle overwrites without cutting off the rest.
    s.SetPosition(1);
    s.WriteString("AB");
    EXPECT_EQ(s.GetDataString(), String("\xc4"
                                        "AB\xc3\0\xff",
                                        6));

    EXPECT_EQ(s.Seek(100, soBeginning), 6);
    EXPECT_EQ(s.Seek(-100, soCurrent), 0);
    EXPECT_EQ(s.Seek(-2, soEnd), 4);
}

// ---- Handle and file streams ------------------------------------------------------------------

TEST(StreamsFile, OpenModes) {
    TempDir dir;
    const String name = dir.File("data.bin");
    {
        TFileStream s(name, fmCreate);
        EXPECT_EQ(s.GetFileName(), name);
        s.WriteBuffer("0123456789", 10);
    }
    EXPECT_EQ(ReadFileBytes(name), "0123456789");

    {
        // Opening for writing does not empty the file.
        TFileStream s(name, fmOpenWrite);
        s.SetPosition(8);
        s.WriteBuffer("ab", 2);
        char byte;
        EXPECT_EQ(s.Read(&byte, 1), 0); // write-only: reading fails quietly
    }
    EXPECT_EQ(ReadFileBytes(name), "01234567ab");

    {
        TFileStream s(name, fmOpenRead);
        EXPECT_EQ(s.GetSize(), 10);
        EXPECT_EQ(s.Write("x", 1), 0);
        EXPECT_EQ(MessageOf<EWriteError>([&] { s.WriteBuffer("x", 1); }), "Stream write error");
    }

    {
        TFileStream s(name, fmOpenReadWrite | fmShareDenyNone);
        s.SetPosition(2);
        s.WriteBuffer("--", 2);
        s.SetPosition(0);
        char bytes[4];
        s.ReadBuffer(bytes, 4);
        EXPECT_EQ(String(bytes, 4), "01--");
    }

    {
        // fmCreate empties an existing file.
        TFileStream s(name, fmCreate);
        EXPECT_EQ(s.GetSize(), 0);
    }
    EXPECT_EQ(ReadFileBytes(name), "");
}

TEST(StreamsFile, ErrorsNameTheFileAndTheReason) {
    TempDir dir;
    const String missingDir = dir.File("no-such-dir/file.bin");
    const String missingFile = dir.File("missing.bin");
    const String directory = dir.Path();

    struct Case {
        const char* What;
        String FileName;
        Word Mode;
        bool Create;
        int Error;
    };
    const std::vector<Case> cases = {
        {"open a missing file", missingFile, fmOpenRead, false, ENOENT},
        {"open in a missing directory", missingDir, fmOpenReadWrite, false, ENOENT},
        {"create in a missing directory", missingDir, fmCreate, true, ENOENT},
        {"open a directory for reading", directory, fmOpenRead, false, EISDIR},
        {"open a directory for writing", directory, fmOpenWrite, false, EISDIR},
        {"create over a directory", directory, fmCreate, true, EISDIR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const String expected = String(c.Create ? "Cannot create file" : "Cannot open file") + " \"" +
                                c.FileName + "\". " + Reason(c.Error);
        if (c.Create)
            EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream s(c.FileName, c.Mode); }), expected);
        else
            EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream s(c.FileName, c.Mode); }), expected);
    }
    // Both are file stream errors, which callers catch as stream errors.
    EXPECT_THROW({ TFileStream s(missingFile, fmOpenRead); }, EFileStreamError);
    EXPECT_THROW({ TFileStream s(missingDir, fmCreate); }, EStreamError);
}

TEST(StreamsFile, ShareModesLockAgainstEachOther) {
    TempDir dir;
    const String name = dir.File("shared.bin");
    WriteFileBytes(name, "precious");
    const String busy = "Cannot open file \"" + name + "\". " + Reason(EWOULDBLOCK);

    struct Case {
        const char* What;
        Word First;
        Word Second;
        bool SecondOpens;
    };
    const std::vector<Case> cases = {
        {"exclusive blocks a reader", fmOpenRead | fmShareExclusive, fmOpenRead | fmShareDenyWrite, false},
        {"exclusive blocks exclusive", fmOpenReadWrite | fmShareExclusive, fmOpenRead | fmShareExclusive,
         false},
        {"deny-write readers share", fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, true},
        {"deny-write blocks a writer", fmOpenRead | fmShareDenyWrite, fmOpenWrite | fmShareDenyWrite, false},
        {"deny-read blocks a reader", fmOpenWrite | fmShareDenyRead, fmOpenRead | fmShareDenyWrite, false},
        {"deny-none is not stopped", fmOpenRead | fmShareExclusive, fmOpenRead | fmShareDenyNone, true},
        {"compat is not stopped", fmOpenRead | fmShareExclusive, fmOpenReadWrite, true},
        {"deny-none takes no lock", fmOpenReadWrite | fmShareDenyNone, fmOpenRead | fmShareExclusive, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TFileStream first(name, c.First);
        if (c.SecondOpens)
            EXPECT_NO_THROW({ TFileStream second(name, c.Second); });
        else
            EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream s(name, c.Second); }), busy);
    }

    // The lock goes with the stream.
    { TFileStream first(name, fmOpenRead | fmShareExclusive); }
    EXPECT_NO_THROW({ TFileStream again(name, fmOpenRead | fmShareExclusive); });

    // Creating over a locked file fails without emptying it.
    {
        TFileStream holder(name, fmOpenRead | fmShareExclusive);
        EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream s(name, fmCreate | fmShareExclusive); }),
                  "Cannot create file \"" + name + "\". " + Reason(EWOULDBLOCK));
    }
    EXPECT_EQ(ReadFileBytes(name), "precious");
}

TEST(StreamsFile, HandleStreamOverAPipe) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    {
        THandleStream writer(fds[1]);
        THandleStream reader(fds[0]);
        EXPECT_EQ(writer.GetHandle(), fds[1]);
        // Two separate writes are taken in by one ReadBuffer.
        writer.WriteBuffer("abc", 3);
        writer.WriteBuffer("defg", 4);
        char bytes[7];
        reader.ReadBuffer(bytes, 7);
        EXPECT_EQ(String(bytes, 7), "abcdefg");
        // A pipe cannot seek.
        EXPECT_EQ(reader.Seek(0, soBeginning), -1);
        // The stream does not own the descriptor.
    }
    EXPECT_NE(fcntl(fds[0], F_GETFD), -1);
    EXPECT_NE(fcntl(fds[1], F_GETFD), -1);
    close(fds[0]);
    close(fds[1]);
}

// A read that fails is told from a file that ends early: the error number of the failure, 0 for a
// short or complete read.
TEST(StreamsFile, HandleStreamTellsAFailingReadFromTheEndOfTheData) {
    TempDir dir;
    const std::string name = dir.File("short");
    WriteFileBytes(name, "abc");
    char bytes[8];
    TFileStream file(name, fmOpenRead);
    EXPECT_EQ(file.Read(bytes, 8), 3);
    EXPECT_EQ(file.GetReadError(), 0);
    EXPECT_EQ(file.Read(bytes, 8), 0);
    EXPECT_EQ(file.GetReadError(), 0);

    const int directory = open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(directory, 0);
    THandleStream failing(directory);
    EXPECT_EQ(failing.Read(bytes, 8), 0);
    EXPECT_EQ(failing.GetReadError(), EISDIR);
    close(directory);

    file.SetPosition(1);
    EXPECT_EQ(file.Read(bytes, 2), 2);
    EXPECT_EQ(file.GetReadError(), 0);
}

TEST(StreamsClasses, ClassReferences) {
    EXPECT_TRUE(TFileStream::StaticClass()->InheritsFrom(THandleStream::StaticClass()));
    EXPECT_TRUE(TStringStream::StaticClass()->InheritsFrom(TStream::StaticClass()));
    TMemoryStream memory;
    EXPECT_EQ(memory.ClassName(), "TMemoryStream");
    EXPECT_TRUE(memory.InheritsFrom(TCustomMemoryStream::StaticClass()));
    std::unique_ptr<TObject> made(TMemoryStream::StaticClass()->Create());
    EXPECT_EQ(made->ClassName(), "TMemoryStream");
    EXPECT_FALSE(TStream::StaticClass()->CanCreate());
}
