#include <gtest/gtest.h>

#include <sys/stat.h>

#include <climits>
#include <memory>
#include <vector>

#include "app/AllClass.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Profile.h"
#include "platform/runtime/StringLists.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

// Each test runs with a fresh application state whose program directory is a temporary
// directory of its own; the instances that were there before come back afterwards.
class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() : FOldState(std::move(AppState)), FOldTexts(std::move(PromptTexts)) {
        AppState = std::make_unique<TALL>();
        AppState->AppDir = FDir.Path() + "/";
        PromptTexts = std::make_unique<TLanguage>();
    }
    ~SettingsTest() override {
        AppState = std::move(FOldState);
        PromptTexts = std::move(FOldTexts);
    }

    std::string SettingsPath() const { return FDir.File("SysInfo.Ini"); }
    void WriteSettings(const std::string& text) const { WriteFileBytes(SettingsPath(), text); }

    static std::vector<String> Items(const TStringList& list) {
        std::vector<String> items;
        for (Integer i = 0; i < list.GetCount(); ++i)
            items.push_back(list.GetStrings(i));
        return items;
    }

    testsupport::TempDir FDir;

private:
    std::unique_ptr<TALL> FOldState;
    std::unique_ptr<TLanguage> FOldTexts;
};

TEST_F(SettingsTest, StartWithoutSettingsFileTakesTheDefaults) {
    PromptTexts->ReadOk = "stale";
    PromptTexts->Confirmation = "stale";

    ReadSystemSettings();
    LoadMessages(AppState->LanguageName);

    EXPECT_EQ(AppState->ComPort, "Com1");
    EXPECT_EQ(AppState->LanguageIndex, 0);
    EXPECT_EQ(AppState->LanguageName, "Chinese");
    EXPECT_EQ(AppState->HelpName, "VZ");
    EXPECT_EQ(AppState->PictureId, 1);
    EXPECT_EQ(PromptTexts->ReadOk, "读取完成！");
    EXPECT_EQ(PromptTexts->Confirmation, "提示");
    // Reading creates nothing.
    EXPECT_FALSE(FileExists(SettingsPath()));
}

TEST_F(SettingsTest, ReadsEveryKeyAndLoadsTheSelectedLanguage) {
    WriteSettings("; settings\r\n[SysInfo]\r\nCom=COM3\r\nDefaultLanguage=1\r\nHelp=Manual\r\nPicID=2\r\n");
    WriteFileBytes(FDir.File("English.Ini"), "[Language]\nReadOk=Read done\nConfirmation=Note\n");

    ReadSystemSettings();
    EXPECT_EQ(AppState->ComPort, "COM3");
    EXPECT_EQ(AppState->LanguageIndex, 1);
    EXPECT_EQ(AppState->LanguageName, "English");
    EXPECT_EQ(AppState->HelpName, "Manual");
    EXPECT_EQ(AppState->PictureId, 3);

    LoadMessages(AppState->LanguageName);
    EXPECT_EQ(PromptTexts->ReadOk, "Read done");
    EXPECT_EQ(PromptTexts->Confirmation, "Note");
    EXPECT_EQ(PromptTexts->WriteOk, "写入完成！");
}

TEST_F(SettingsTest, LanguageIndexSelectsTheEntryOfTheList) {
    struct Case {
        const char* Name;
        const char* Lines; // the keys of section SysInfo
        Integer Index;
        String Language;
    };
    const std::vector<Case> cases = {
        {"default list, first", "", 0, "Chinese"},
        {"default list, second", "DefaultLanguage=1\n", 1, "English"},
        {"past the end", "DefaultLanguage=2\n", 2, ""},
        {"far past the end", "DefaultLanguage=2147483647\n", INT_MAX, ""},
        {"negative", "DefaultLanguage=-1\n", -1, ""},
        {"very negative", "DefaultLanguage=-2147483648\n", INT_MIN, ""},
        {"not an integer", "DefaultLanguage=abc\n", 0, "Chinese"},
        {"a fraction", "DefaultLanguage=1.5\n", 0, "Chinese"},
        {"too large for an integer", "DefaultLanguage=99999999999\n", 0, "Chinese"},
        {"present but empty", "DefaultLanguage=\n", 0, "Chinese"},
        {"empty entry between two bars", "Language=Chinese||English\nDefaultLanguage=1\n", 1, ""},
        {"entry after an empty one", "Language=Chinese||English\nDefaultLanguage=2\n", 2, "English"},
        {"one name", "Language=Solo\nDefaultLanguage=0\n", 0, "Solo"},
        {"past one name", "Language=Solo\nDefaultLanguage=1\n", 1, ""},
        {"trailing bar", "Language=A|B|\nDefaultLanguage=2\n", 2, ""},
        {"last of three", "Language=A|B|C\nDefaultLanguage=2\n", 2, "C"},
        {"empty list", "Language=\nDefaultLanguage=0\n", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteSettings(std::string("[SysInfo]\n") + c.Lines);
        AppState->LanguageName = "stale";
        ReadSystemSettings();
        EXPECT_EQ(AppState->LanguageIndex, c.Index);
        EXPECT_EQ(AppState->LanguageName, c.Language);
    }
}

TEST_F(SettingsTest, PictureIdIsTheStoredValuePlusOne) {
    struct Case {
        const char* Lines;
        Integer PictureId;
    };
    const std::vector<Case> cases = {
        {"", 1},
        {"PicID=0\n", 1},
        {"PicID=5\n", 6},
        {"PicID=-1\n", 0},
        {"PicID=x\n", 1},
        {"PicID=\n", 1},
        {"PicID=3.0\n", 1},
        // The shift wraps instead of overflowing; writing back shifts it back.
        {"PicID=2147483647\n", INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Lines);
        WriteSettings(std::string("[SysInfo]\n") + c.Lines);
        ReadSystemSettings();
        EXPECT_EQ(AppState->PictureId, c.PictureId);
    }
}

TEST_F(SettingsTest, WriteKeepsTheOtherLinesOfTheFile) {
    WriteSettings("; kept comment\r\n"
                  "[SysInfo]\r\n"
                  "Com=Com1\r\n"
                  "Help=VZ\r\n"
                  "Language=Chinese|English\r\n"
                  "Chinese=中文|英文\r\n"
                  "\r\n"
                  "[Other]\r\n"
                  "PicID=keep\r\n");
    AppState->ComPort = "COM4";
    AppState->LanguageIndex = 1;
    AppState->PictureId = 3;
    AppState->HelpName = "not written";

    WriteSystemSettings();

    EXPECT_EQ(ReadFileBytes(SettingsPath()), "; kept comment\r\n"
                                             "[SysInfo]\r\n"
                                             "Com=COM4\r\n"
                                             "Help=VZ\r\n"
                                             "Language=Chinese|English\r\n"
                                             "Chinese=中文|英文\r\n"
                                             "DefaultLanguage=1\r\n"
                                             "PicID=2\r\n"
                                             "\r\n"
                                             "[Other]\r\n"
                                             "PicID=keep\r\n");
}

TEST_F(SettingsTest, WrittenSettingsReadBackUnchanged) {
    struct Case {
        String ComPort;
        Integer LanguageIndex;
        Integer PictureId;
        const char* PicText;
    };
    const std::vector<Case> cases = {
        {"COM2", 0, 1, "0"},
        {"Com12", 1, 7, "6"},
        {"", -1, 0, "-1"},
        {"COM1", 5, INT_MIN, "2147483647"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.PicText);
        DeleteFile(SettingsPath());
        AppState->ComPort = c.ComPort;
        AppState->LanguageIndex = c.LanguageIndex;
        AppState->PictureId = c.PictureId;
        WriteSystemSettings();
        EXPECT_EQ(ReadProfileString("SysInfo", "PicID", "missing", SettingsPath()), c.PicText);

        AppState = std::make_unique<TALL>();
        AppState->AppDir = FDir.Path() + "/";
        ReadSystemSettings();
        EXPECT_EQ(AppState->ComPort, c.ComPort);
        EXPECT_EQ(AppState->LanguageIndex, c.LanguageIndex);
        EXPECT_EQ(AppState->PictureId, c.PictureId);
    }
}

TEST_F(SettingsTest, WriteToAPlaceThatCannotBeWrittenRaises) {
    const std::string original = "[SysInfo]\nCom=COM2\n";
    WriteSettings(original);
    ASSERT_EQ(chmod(SettingsPath().c_str(), 0444), 0);
    const std::string missingDir = FDir.File("missing") + "/";

    struct Case {
        const char* Name;
        std::string Dir;
    };
    const std::vector<Case> cases = {
        {"read-only file", FDir.Path() + "/"},
        {"missing directory", missingDir},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        AppState->AppDir = c.Dir;
        AppState->ComPort = "COM9";
        try {
            WriteSystemSettings();
            ADD_FAILURE() << "no exception";
        } catch (const EIniFileException& e) {
            EXPECT_EQ(e.Message, "Unable to write to " + c.Dir + "SysInfo.Ini");
        }
    }
    EXPECT_EQ(ReadFileBytes(SettingsPath()), original);
    EXPECT_FALSE(DirectoryExists(FDir.File("missing")));
}

TEST_F(SettingsTest, ListLanguagesAppendsFileAndDisplayNames) {
    struct Case {
        const char* Name;
        const char* Lines;
        String LanguageName;
        std::vector<String> FileNames;
        std::vector<String> DisplayNames;
    };
    const std::vector<Case> cases = {
        {"no settings file", nullptr, "Chinese", {"Chinese", "English"}, {"中文", "英文"}},
        {"display names of the selected language",
         "Language=Chinese|English|German\nChinese=中文|英文|德文\nEnglish=Chinese|English|German\n",
         "English",
         {"Chinese", "English", "German"},
         {"Chinese", "English", "German"}},
        {"empty entries are kept",
         "Language=Chinese||English\nChinese=中文||英文\n",
         "Chinese",
         {"Chinese", "", "English"},
         {"中文", "", "英文"}},
        {"a trailing bar adds nothing", "Language=A|B|\nA=a|b|\n", "A", {"A", "B"}, {"a", "b"}},
        {"no key for the language", "Language=A|B\n", "B", {"A", "B"}, {"中文", "英文"}},
        {"empty values", "Language=\nA=\n", "A", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        DeleteFile(SettingsPath());
        if (c.Lines != nullptr) WriteSettings(std::string("[SysInfo]\n") + c.Lines);
        AppState->LanguageName = c.LanguageName;

        // The lists are appended to, not replaced.
        TStringList displayNames;
        TStringList fileNames;
        displayNames.Add("before");
        fileNames.Add("before");
        ListLanguages(&displayNames, &fileNames);

        std::vector<String> expectedFiles = {"before"};
        expectedFiles.insert(expectedFiles.end(), c.FileNames.begin(), c.FileNames.end());
        std::vector<String> expectedDisplay = {"before"};
        expectedDisplay.insert(expectedDisplay.end(), c.DisplayNames.begin(), c.DisplayNames.end());
        EXPECT_EQ(Items(fileNames), expectedFiles);
        EXPECT_EQ(Items(displayNames), expectedDisplay);
    }
}

} // namespace
