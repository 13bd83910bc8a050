#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Profile.h"
#include "tests/support/TestSupport.h"

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

class Profile : public ::testing::Test {
protected:
    TempDir FDir;
    const String FIni = FDir.File("SysInfo.Ini");

    // Every name in the directory, to see that no temporary file is left behind.
    std::vector<String> DirectoryNames() const {
        std::vector<String> names;
        for (const auto& entry : std::filesystem::directory_iterator(FDir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static void ExpectWriteFails(const String& fileName, const char* section = "SysInfo",
                                 const char* key = "Com", const char* value = "COM2") {
        try {
            WritePrivateProfileStringA(section, key, value, fileName.c_str());
            ADD_FAILURE() << "the write succeeded";
        } catch (const EIniFileException& e) {
            EXPECT_EQ(e.Message, "Unable to write to " + fileName);
        }
    }
};

}  // namespace

TEST_F(Profile, MissingFileSectionOrKeyGivesDefault) {
    WriteFileBytes(FIni, "[SysInfo]\r\nCom=COM3\r\n");
    struct Case {
        const char* what;
        String file, section, key;
    };
    const std::vector<Case> cases = {
        {"missing file", FDir.File("none.Ini"), "SysInfo", "Com"},
        {"missing directory", FDir.File("none/SysInfo.Ini"), "SysInfo", "Com"},
        {"a directory", FDir.Path(), "SysInfo", "Com"},
        {"missing section", FIni, "Other", "Com"},
        {"missing key", FIni, "SysInfo", "Help"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadProfileString(c.section, c.key, "Com1", c.file), "Com1");
        char buffer[16];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(GetPrivateProfileStringA(c.section.c_str(), c.key.c_str(), nullptr, buffer, sizeof buffer,
                                           c.file.c_str()),
                  0u);
        EXPECT_STREQ(buffer, "");
    }
    EXPECT_FALSE(FileExists(FDir.File("none.Ini")));
}

TEST_F(Profile, MatchingTrimmingAndQuotes) {
    WriteFileBytes(FIni,
                   "; comment=1\r\n"
                   "top=outside\r\n"
                   "[SysInfo]\r\n"
                   "  Com =  COM3 \t\r\n"
                   "Quoted=\"  spaced  \"\r\n"
                   "Single='x'\r\n"
                   "Mixed=\"x'\r\n"
                   "Lone=\"\r\n"
                   "Inner=a \"b\" c\r\n"
                   "Empty=\r\n"
                   "Eq=a=b\r\n"
                   "dup=first\r\n"
                   "DUP=second\r\n"
                   "  ;Help=commented\r\n"
                   "no equals sign\r\n"
                   "[  Spaced Section  ] trailing\r\n"
                   "Key=v\r\n"
                   "[Über]\r\n"
                   "ÄRGER=umlaut\r\n"
                   "[sysinfo]\r\n"
                   "Com=second section\r\n"
                   "Only=only in the second\r\n");
    struct Case {
        String section, key, expected;
    };
    const std::vector<Case> cases = {
        {"SysInfo", "Com", "COM3"},
        {"SYSINFO", "com", "COM3"},
        {" SysInfo ", " Com ", "COM3"},
        {"SysInfo", "Quoted", "  spaced  "},
        {"SysInfo", "Single", "x"},
        {"SysInfo", "Mixed", "\"x'"},
        {"SysInfo", "Lone", "\""},
        {"SysInfo", "Inner", "a \"b\" c"},
        {"SysInfo", "Empty", ""},
        {"SysInfo", "Eq", "a=b"},
        {"SysInfo", "dup", "first"},
        {"SysInfo", "Help", "default"},
        {"SysInfo", ";Help", "default"},
        {"SysInfo", "no equals sign", "default"},
        {"Spaced Section", "key", "v"},
        {"über", "ärger", "umlaut"},
        {"SysInfo", "Only", "default"},
        {"", "top", "default"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section + "/" + c.key);
        EXPECT_EQ(ReadProfileString(c.section, c.key, "default", FIni), c.expected);
    }
}

TEST_F(Profile, LongValuesAreCut) {
    const String ascii(3000, 'a');
    String chinese;
    for (int i = 0; i < 1000; ++i)
        chinese += "中";  // three bytes each
    WriteFileBytes(FIni, "[s]\nascii=" + ascii + "\nchinese=" + chinese + "\n");

    std::vector<char> buffer(2048 + 16, 'x');
    EXPECT_EQ(GetPrivateProfileStringA("s", "ascii", "", buffer.data(), 2048, FIni.c_str()), 2047u);
    EXPECT_EQ(String(buffer.data()), ascii.substr(0, 2047));
    EXPECT_EQ(buffer[2048], 'x');
    EXPECT_EQ(ReadProfileString("s", "ascii", "", FIni), ascii.substr(0, 2047));

    // 2047 bytes would end inside a character: the whole character is left out.
    EXPECT_EQ(GetPrivateProfileStringA("s", "chinese", "", buffer.data(), 2048, FIni.c_str()), 2046u);
    EXPECT_EQ(String(buffer.data()), chinese.substr(0, 2046));

    struct Case {
        DWORD size;
        String expected;
    };
    // The default is cut the same way.
    const std::vector<Case> cases = {{0, "untouched"}, {1, ""}, {4, "中"}, {5, "中"}, {7, "中文"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::strcpy(buffer.data(), "untouched");
        DWORD count =
            GetPrivateProfileStringA("s", "missing", "中文|", buffer.data(), c.size, FIni.c_str());
        EXPECT_EQ(String(buffer.data()), c.expected);
        EXPECT_EQ(count, c.size == 0 ? 0u : c.expected.size());
    }
}

TEST_F(Profile, GbkFileIsReadThenStoredAsUtf8) {
    // "中文|英文" and a comment "; 注释" in GBK.
    WriteFileBytes(FIni,
                   "[SysInfo]\r\n"
                   "Language=Chinese|English\r\n"
                   "Chinese=\xD6\xD0\xCE\xC4|\xD3\xA2\xCE\xC4\r\n"
                   "; \xD7\xA2\xCA\xCD\r\n"
                   "[Other]\r\n"
                   "x=1\r\n");
    EXPECT_EQ(ReadProfileString("SysInfo", "Chinese", "", FIni), "中文|英文");

    EXPECT_EQ(WritePrivateProfileStringA("SysInfo", "Com", "COM2", FIni.c_str()), TRUE);
    EXPECT_EQ(ReadFileBytes(FIni),
              "[SysInfo]\r\n"
              "Language=Chinese|English\r\n"
              "Chinese=中文|英文\r\n"
              "Com=COM2\r\n"
              "; 注释\r\n"
              "[Other]\r\n"
              "x=1\r\n");
    EXPECT_EQ(ReadProfileString("SysInfo", "Chinese", "", FIni), "中文|英文");
    EXPECT_EQ(ReadProfileString("SysInfo", "Com", "", FIni), "COM2");
}

TEST_F(Profile, WritesKeepTheRestOfTheFile) {
    struct Case {
        const char* what;
        std::optional<String> before;  // nullopt: no file
        const char* section;
        const char* key;
        const char* value;
        std::optional<String> after;  // nullopt: still no file
    };
    const std::vector<Case> cases = {
        {"new file", std::nullopt, "SysInfo", "Com", "COM1", "[SysInfo]\r\nCom=COM1\r\n"},
        {"empty file", "", "SysInfo", "Com", "COM1", "[SysInfo]\r\nCom=COM1\r\n"},
        {"replace keeps the key's spelling", "[a]\r\n; c\r\n  KEY = old\r\n\r\n[b]\r\nkey=z\r\n", "A", "key",
         "new", "[a]\r\n; c\r\nKEY=new\r\n\r\n[b]\r\nkey=z\r\n"},
        {"added after the last key", "[a]\r\nx=1\r\n; note\r\n\r\n[b]\r\n", "a", "y", "2",
         "[a]\r\nx=1\r\ny=2\r\n; note\r\n\r\n[b]\r\n"},
        {"section without keys", "[a]\r\n[b]\r\n", "a", "y", "2", "[a]\r\ny=2\r\n[b]\r\n"},
        {"new section, LF file without a last line end", "[a]\nx=1", "b", "k", "v", "[a]\nx=1\n[b]\nk=v\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF[a]\r\nx=1\r\n", "a", "x", "2", "\xEF\xBB\xBF[a]\r\nx=2\r\n"},
        {"delete key", "[a]\r\nx=1\r\ny=2\r\n[b]\r\nx=3\r\n", "a", "X", nullptr,
         "[a]\r\ny=2\r\n[b]\r\nx=3\r\n"},
        {"delete section", "; head\r\n[a]\r\nx=1\r\n; about a\r\n[b]\r\ny=2\r\n[A]\r\nz=3\r\n", "a", nullptr,
         nullptr, "; head\r\n[b]\r\ny=2\r\n"},
        {"delete a missing key", "[a]\nx=1", "a", "y", nullptr, "[a]\nx=1"},
        {"delete in a missing file", std::nullopt, "a", "y", nullptr, std::nullopt},
        {"delete a missing section", std::nullopt, "a", nullptr, nullptr, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.before)
            WriteFileBytes(FIni, *c.before);
        else
            DeleteFile(FIni);
        EXPECT_EQ(WritePrivateProfileStringA(c.section, c.key, c.value, FIni.c_str()), TRUE);
        ASSERT_EQ(FileExists(FIni), c.after.has_value());
        if (c.after) {
            EXPECT_EQ(ReadFileBytes(FIni), *c.after);
        }
        EXPECT_EQ(DirectoryNames().size(), c.after ? 1u : 0u);
    }
}

TEST_F(Profile, DeletedKeyAndSectionReadAsMissing) {
    WriteFileBytes(FIni, "[a]\r\nx=1\r\nx=2\r\n[b]\r\ny=1\r\n[B]\r\ny=2\r\n");
    WritePrivateProfileStringA("a", "x", nullptr, FIni.c_str());
    EXPECT_EQ(ReadProfileString("a", "x", "gone", FIni), "gone");
    // The second section of the same name does not show through.
    WritePrivateProfileStringA("b", nullptr, nullptr, FIni.c_str());
    EXPECT_EQ(ReadProfileString("b", "y", "gone", FIni), "gone");
    EXPECT_EQ(ReadFileBytes(FIni), "[a]\r\n");
}

// Every read sees the file as it is now: rewritten at once with the same size, written through
// the profile functions, in a different encoding, gone, or read in turn with many other files.
TEST_F(Profile, EveryReadSeesTheFileAsItIsNow) {
    WriteFileBytes(FIni, "[a]\r\nx=1\r\n");
    EXPECT_EQ(ReadProfileString("a", "x", "", FIni), "1");
    WriteFileBytes(FIni, "[a]\r\nx=2\r\n");
    EXPECT_EQ(ReadProfileString("a", "x", "", FIni), "2");
    WritePrivateProfileStringA("a", "x", "3", FIni.c_str());
    EXPECT_EQ(ReadProfileString("a", "x", "", FIni), "3");
    WriteFileBytes(FIni, "[a]\r\nx=\xD6\xD0\r\n");
    EXPECT_EQ(ReadProfileString("a", "x", "", FIni), "中");
    DeleteFile(FIni);
    EXPECT_EQ(ReadProfileString("a", "x", "gone", FIni), "gone");

    std::vector<String> files;
    for (int i = 0; i < 6; ++i) {
        files.push_back(FDir.File("f" + std::to_string(i) + ".Ini"));
        WriteFileBytes(files.back(), "[a]\nx=" + std::to_string(i) + "\n");
    }
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 6; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(ReadProfileString("a", "x", "", files[i]), std::to_string(i));
        }
    WriteFileBytes(files[5], "[a]\nx=9\n");
    EXPECT_EQ(ReadProfileString("a", "x", "", files[5]), "9");
}

TEST_F(Profile, WriteKeepsPermissionsAndFollowsLinks) {
    WriteFileBytes(FIni, "[a]\nx=1\n");
    ASSERT_EQ(chmod(FIni.c_str(), 0640), 0);
    const String link = FDir.File("link.Ini");
    ASSERT_EQ(symlink(FIni.c_str(), link.c_str()), 0);

    WritePrivateProfileStringA("a", "x", "2", link.c_str());
    struct stat info;
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(stat(FIni.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadFileBytes(FIni), "[a]\nx=2\n");
}

TEST_F(Profile, FailedWritesRaiseAndChangeNothing) {
    // A parent that is a regular file fails for every user.
    WriteFileBytes(FDir.File("plain"), "");
    ExpectWriteFails(FDir.File("plain/SysInfo.Ini"));
    ExpectWriteFails(FDir.File("missing/SysInfo.Ini"));
    EXPECT_FALSE(DirectoryExists(FDir.File("missing")));

    // Contents that would break the file's lines.
    WriteFileBytes(FIni, "[a]\r\nx=1\r\n");
    ExpectWriteFails(FIni, "a", "x", "1\r\n[b]");
    ExpectWriteFails(FIni, "a", "x=y", "1");
    ExpectWriteFails(FIni, "a", "[b", "1");
    ExpectWriteFails(FIni, "a", "  ", "1");
    ExpectWriteFails(FIni, "a]", "x", "1");
    EXPECT_EQ(ReadFileBytes(FIni), "[a]\r\nx=1\r\n");

    // A read-only file is refused, whoever runs the test.
    ASSERT_EQ(chmod(FIni.c_str(), 0444), 0);
    ExpectWriteFails(FIni, "a", "x", "2");
    ExpectWriteFails(FIni, "a", nullptr, nullptr);
    EXPECT_EQ(ReadFileBytes(FIni), "[a]\r\nx=1\r\n");
    EXPECT_EQ(DirectoryNames(), (std::vector<String>{"SysInfo.Ini", "plain"}));

    EXPECT_EQ(WritePrivateProfileStringA(nullptr, "x", "1", FIni.c_str()), FALSE);
    EXPECT_EQ(WritePrivateProfileStringA("a", "x", "1", nullptr), FALSE);
}

TEST_F(Profile, WriteIntoReadOnlyDirectoryRaises) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only directories; the regular-file parent case covers this";
    const String dir = FDir.File("locked");
    ASSERT_EQ(mkdir(dir.c_str(), 0555), 0);
    ExpectWriteFails(dir + "/SysInfo.Ini");
    EXPECT_FALSE(FileExists(dir + "/SysInfo.Ini"));
}
