#include <gtest/gtest.h>

#include <memory>

#include "platform/runtime/FileSearch.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/IniFiles.h"
#include "tests/support/TestSupport.h"

namespace {

class IniFilesTest : public ::testing::Test {
protected:
    testsupport::TempDir Dir;
    testsupport::ScopedEnv Home{"HOME", Dir.Path().c_str()};
    testsupport::ScopedEnv ConfigHome{"XDG_CONFIG_HOME", (Dir.Path() + "/config").c_str()};
};

// The same reads and writes through either kind of settings object.
void ExerciseIniFile(TCustomIniFile& ini) {
    EXPECT_EQ(ini.ReadString("Form", "Units", "none"), "none");
    EXPECT_FALSE(ini.ValueExists("Form", "Units"));
    ini.WriteInteger("Form", "Units", 2);
    ini.WriteString("Form", "Caption", "页面设置");
    ini.WriteBool("Other", "Flag", true);
    EXPECT_TRUE(ini.ValueExists("Form", "Units"));
    EXPECT_EQ(ini.ReadInteger("Form", "units", 0), 2);
    EXPECT_EQ(ini.ReadString("form", "Caption", ""), "页面设置");
    EXPECT_EQ(ini.ReadInteger("Form", "Caption", 7), 7); // not a number: the default
    EXPECT_TRUE(ini.ReadBool("Other", "Flag", false));
    ini.DeleteKey("Form", "Units");
    EXPECT_EQ(ini.ReadInteger("Form", "Units", 9), 9);
    ini.EraseSection("Other");
    EXPECT_FALSE(ini.ReadBool("Other", "Flag", false));
    EXPECT_EQ(ini.ReadString("Form", "Caption", ""), "页面设置");
}

} // namespace

TEST_F(IniFilesTest, SettingsFileAndRegistryKeyBehaveAlike) {
    {
        TIniFile file(Dir.File("settings.ini"));
        ExerciseIniFile(file);
        EXPECT_TRUE(FileExists(Dir.File("settings.ini")));
    }
    {
        TRegistryIniFile reg("\\Software\\Orvant");
        ExerciseIniFile(reg);
    }
    // The registry key holds what was written, for another object to read.
    TRegistryIniFile again("\\Software\\Orvant");
    EXPECT_EQ(again.ReadString("Form", "Caption", ""), "页面设置");
    EXPECT_EQ(again.GetFileName(), "\\Software\\Orvant");
}

TEST_F(IniFilesTest, FailedWriteOfASettingsFileRaises) {
    TIniFile file(Dir.File("missing-dir/settings.ini"));
    EXPECT_THROW(file.WriteString("A", "B", "C"), EIniFileException);
}

TEST_F(IniFilesTest, FindFirstListsMatchingNamesWithoutRegardToCase) {
    for (const char* name : {"english.qoc", "CHINESE.QOC", "notes.txt", ".hidden.qoc"})
        testsupport::WriteFileBytes(Dir.File(name), "x");
    testsupport::WriteFileBytes(Dir.File("sub.qoc.txt"), "");

    auto collect = [&](const String& mask, Integer attr) {
        std::vector<String> names;
        TSearchRec rec;
        for (Integer rc = FindFirst(mask, attr, rec); rc == 0; rc = FindNext(rec))
            names.push_back(rec.Name);
        FindClose(rec);
        return names;
    };
    EXPECT_EQ(collect(Dir.Path() + "/*.qoc", faAnyFile),
              (std::vector<String>{".hidden.qoc", "CHINESE.QOC", "english.qoc"}));
    EXPECT_EQ(collect(Dir.Path() + "/*.qoc", faArchive), (std::vector<String>{"CHINESE.QOC", "english.qoc"}));
    EXPECT_EQ(collect(Dir.Path() + "/note?.TXT", 0), (std::vector<String>{"notes.txt"}));

    TSearchRec rec;
    EXPECT_EQ(FindFirst(Dir.Path() + "/*.none", faAnyFile, rec), 2);
    EXPECT_EQ(FindFirst(Dir.Path() + "/nodir/*", faAnyFile, rec), 2);
    EXPECT_EQ(FindNext(rec), 18);
    ASSERT_EQ(FindFirst(Dir.Path() + "/notes.txt", 0, rec), 0);
    EXPECT_EQ(rec.Size, 1);
    EXPECT_EQ(FindNext(rec), 18);
    FindClose(rec);
}

TEST(FileSearch, ModuleFileNameIsTheProgramsPathAndIsCutToTheBuffer) {
    const String program = ParamStr(0);
    ASSERT_FALSE(program.empty());
    char buffer[260];
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, sizeof buffer), DWORD(program.size()));
    EXPECT_EQ(String(buffer), program);
    char small[4];
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 3u);
    EXPECT_EQ(String(small), program.substr(0, 3));
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(1), buffer, sizeof buffer), 0u);
}
