#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <regex>
#include <set>

#include "platform/runtime/Files.h"
#include "tests/support/TestSupport.h"

using testsupport::ReadFileBytes;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

TEST(Files, ExtractFamily) {
    struct Case {
        String name, path, dir, file, ext;
    };
    const std::vector<Case> cases = {
        {"/usr/lib/x.so", "/usr/lib/", "/usr/lib", "x.so", ".so"},
        {"x.so", "", "", "x.so", ".so"},
        {"/x", "/", "/", "x", ""},
        {"/", "/", "/", "", ""},
        {"dir.d/file", "dir.d/", "dir.d", "file", ""},
        {"a/b/", "a/b/", "a/b", "", ""},
        {"a/archive.tar.gz", "a/", "a", "archive.tar.gz", ".gz"},
        {"a/.hidden", "a/", "a", ".hidden", ".hidden"},
        {"name.", "", "", "name.", "."},
        {"", "", "", "", ""},
        {"/opt/kov/中文.Ini", "/opt/kov/", "/opt/kov", "中文.Ini", ".Ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ExtractFilePath(c.name), c.path);
        EXPECT_EQ(ExtractFileDir(c.name), c.dir);
        EXPECT_EQ(ExtractFileName(c.name), c.file);
        EXPECT_EQ(ExtractFileExt(c.name), c.ext);
    }
}

TEST(Files, ChangeFileExtAndTrailingDelimiter) {
    struct Case {
        String name, ext, expected;
    };
    const std::vector<Case> cases = {
        {"a/b.txt", ".ini", "a/b.ini"},   {"a.d/b", ".ini", "a.d/b.ini"}, {"b.txt", "", "b"},
        {"x.tar.gz", ".zip", "x.tar.zip"}, {"name.", ".x", "name.x"},     {"", ".x", ".x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " " + c.ext);
        EXPECT_EQ(ChangeFileExt(c.name, c.ext), c.expected);
    }
    EXPECT_EQ(IncludeTrailingPathDelimiter("a"), "a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("a/"), "a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("a/"), "a");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("a"), "a");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "");
}

TEST(Files, ExistenceDeleteAndRename) {
    TempDir dir;
    const String file = dir.File("a.txt");
    const String other = dir.File("b.txt");
    WriteFileBytes(file, "first");
    WriteFileBytes(other, "second");

    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_FALSE(FileExists(dir.File("missing")));
    EXPECT_FALSE(FileExists(""));
    EXPECT_TRUE(DirectoryExists(dir.Path()));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_FALSE(DirectoryExists(dir.File("missing")));

    // A rename never replaces a file that is already there.
    EXPECT_FALSE(RenameFile(file, other));
    EXPECT_EQ(ReadFileBytes(file), "first");
    EXPECT_EQ(ReadFileBytes(other), "second");

    const String moved = dir.File("c.txt");
    EXPECT_TRUE(RenameFile(file, moved));
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(ReadFileBytes(moved), "first");
    EXPECT_FALSE(RenameFile(file, dir.File("d.txt")));

    EXPECT_TRUE(DeleteFile(moved));
    EXPECT_FALSE(FileExists(moved));
    EXPECT_FALSE(DeleteFile(moved));
    EXPECT_FALSE(DeleteFile(dir.Path()));
    EXPECT_TRUE(DirectoryExists(dir.Path()));
}

TEST(Files, GetTempPathReturnValues) {
    TempDir dir;
    ScopedEnv tmp("TMPDIR", dir.Path().c_str());
    const String expected = dir.Path() + "/";
    const DWORD length = static_cast<DWORD>(expected.size());

    char buffer[512];
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), length);
    EXPECT_EQ(String(buffer), expected);

    // Too small by one: nothing is copied and the size needed (with the zero) comes back.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetTempPathA(length, buffer), length + 1);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(GetTempPathA(0, nullptr), length + 1);
    EXPECT_EQ(GetTempPathA(length + 1, buffer), length);
    EXPECT_EQ(String(buffer), expected);

    ScopedEnv withSlash("TMPDIR", expected.c_str());
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), length);
    ScopedEnv unset("TMPDIR", nullptr);
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 5u);
    EXPECT_EQ(String(buffer), "/tmp/");
}

TEST(Files, GetTempFileNameCreatesDistinctFiles) {
    TempDir dir;
    const std::regex pattern("qox[0-9A-F]{1,4}\\.TMP");
    std::set<String> names;
    for (int i = 0; i < 40; ++i) {
        char buffer[260];
        // With and without the trailing delimiter.
        String path = i % 2 == 0 ? dir.Path() : dir.Path() + "/";
        UINT number = GetTempFileNameA(path.c_str(), "qoxyz", 0, buffer);
        ASSERT_NE(number, 0u);
        String name = buffer;
        SCOPED_TRACE(name);
        EXPECT_EQ(ExtractFilePath(name), dir.Path() + "/");
        EXPECT_TRUE(std::regex_match(ExtractFileName(name), pattern));
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", number);
        EXPECT_EQ(ExtractFileName(name), String("qox") + hex + ".TMP");
        EXPECT_TRUE(FileExists(name));
        EXPECT_EQ(ReadFileBytes(name), "");
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 40u);
}

TEST(Files, GetTempFileNameWithNumberOrFailure) {
    TempDir dir;
    char buffer[260];
    // A given number forms the name from its low 16 bits and creates nothing.
    EXPECT_EQ(GetTempFileNameA(dir.Path().c_str(), "qo", 0x12ABCD, buffer), 0xABCDu);
    EXPECT_EQ(String(buffer), dir.Path() + "/qoABCD.TMP");
    EXPECT_FALSE(FileExists(buffer));

    EXPECT_EQ(GetTempFileNameA(dir.File("missing").c_str(), "qo", 0, buffer), 0u);
    // A name that would not fit the caller's 260 characters is refused, not written.
    std::memset(buffer, 'x', sizeof buffer);
    String longPath = dir.Path() + "/" + String(300, 'd');
    EXPECT_EQ(GetTempFileNameA(longPath.c_str(), "qo", 5, buffer), 0u);
    EXPECT_EQ(buffer[0], 'x');
}

TEST(Files, CommandLineAndProgramDir) {
    const char* argv[] = {"prog", "-a", "b c"};
    SetCommandLine(3, argv);
    EXPECT_EQ(ParamCount(), 2);
    EXPECT_EQ(ParamStr(1), "-a");
    EXPECT_EQ(ParamStr(2), "b c");
    EXPECT_EQ(ParamStr(3), "");
    EXPECT_EQ(ParamStr(-1), "");

    // The program's own path, wherever it was started from.
    String self = ParamStr(0);
    ASSERT_FALSE(self.empty());
    EXPECT_EQ(self[0], '/');
    EXPECT_TRUE(FileExists(self));
    EXPECT_EQ(GetProgramDir(), ExtractFilePath(self));
    EXPECT_EQ(GetProgramDir().back(), '/');

    SetCommandLine(0, nullptr);
    EXPECT_EQ(ParamCount(), 0);
    EXPECT_EQ(ParamStr(1), "");
}
