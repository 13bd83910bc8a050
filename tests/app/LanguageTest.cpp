#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "app/AllClass.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Profile.h"
#include "platform/runtime/Prompts.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::WriteFileBytes;

struct PromptKey {
    const char* Key;
    String TLanguage::*Field;
    const char* BuiltIn;
};

// The 21 keys of section "Language" in declaration order, with their built-in texts.
const std::vector<PromptKey> kKeys = {
    {"Confirmation", &TLanguage::Confirmation, "提示"},
    {"ExitProgram", &TLanguage::ExitProgram, "确定要退出系统？"},
    {"SaveProgram", &TLanguage::SaveProgram, "是否保存数据？"},
    {"Channel", &TLanguage::Channel, "信道"},
    {"Info", &TLanguage::Info, "信息"},
    {"OutRange", &TLanguage::OutRange, "频率超出范围！"},
    {"Caution", &TLanguage::Caution, "注意"},
    {"FChBigT", &TLanguage::FChBigT, "起始频道应小于结束频道！"},
    {"Close", &TLanguage::Close, "已关闭"},
    {"Open", &TLanguage::Open, "已启动"},
    {"ComError", &TLanguage::ComError, "检查所有连接及通信端口设置！"},
    {"ModError", &TLanguage::ModError, "机型错误，是否强写？"},
    {"ClearData", &TLanguage::ClearData, "是否清空数据？"},
    {"Modforce", &TLanguage::Modforce, "是否强制改写？"},
    {"All", &TLanguage::All, "全部"},
    {"ErrRange", &TLanguage::ErrRange, "频率出错！"},
    {"ModelType", &TLanguage::ModelType, "机型"},
    {"Frequency", &TLanguage::Frequency, "频率"},
    {"ReadOk", &TLanguage::ReadOk, "读取完成！"},
    {"WriteOk", &TLanguage::WriteOk, "写入完成！"},
    {"LPortError", &TLanguage::LPortError, "无法打开端口！"},
};

// A language file of the shipped set, read from the source tree.
std::string ShippedLanguageFile(const std::string& name) {
    return testsupport::FixturePath("../../app/lang/" + name);
}

class LanguageTest : public ::testing::Test {
protected:
    LanguageTest() : FOldState(std::move(AppState)), FOldTexts(std::move(PromptTexts)) {
        AppState = std::make_unique<TALL>();
        AppState->AppDir = FDir.Path() + "/";
        PromptTexts = std::make_unique<TLanguage>();
    }
    ~LanguageTest() override {
        AppState = std::move(FOldState);
        PromptTexts = std::move(FOldTexts);
    }

    // A language file in the program directory with "<key>=<key> text" for the keys given.
    void WriteLanguageFile(const std::string& name, const std::vector<PromptKey>& keys) const {
        std::string text = "[Language]\r\n";
        for (const PromptKey& key : keys)
            text += std::string(key.Key) + "=" + key.Key + " text\r\n";
        WriteFileBytes(FDir.File(name + ".Ini"), text);
    }

    testsupport::TempDir FDir;

private:
    std::unique_ptr<TALL> FOldState;
    std::unique_ptr<TLanguage> FOldTexts;
};

TEST_F(LanguageTest, NewObjectHoldsTheBuiltInTextsInDeclarationOrder) {
    const TLanguage texts;
    const char* previous = nullptr;
    for (const PromptKey& key : kKeys) {
        SCOPED_TRACE(key.Key);
        EXPECT_EQ(texts.*key.Field, key.BuiltIn);
        const char* address = reinterpret_cast<const char*>(&(texts.*key.Field));
        EXPECT_LT(previous, address);
        previous = address;
    }
    EXPECT_EQ(sizeof(TLanguage), kKeys.size() * sizeof(String));
}

TEST_F(LanguageTest, LoadMessagesReadsEveryKey) {
    WriteLanguageFile("English", kKeys);
    LoadMessages("English");
    for (const PromptKey& key : kKeys) {
        SCOPED_TRACE(key.Key);
        EXPECT_EQ((*PromptTexts).*key.Field, std::string(key.Key) + " text");
    }
}

TEST_F(LanguageTest, MissingKeysAndFilesGiveTheBuiltInTexts) {
    // Every key but ReadOk, ModError and LPortError.
    std::vector<PromptKey> partial;
    for (const PromptKey& key : kKeys)
        if (std::string(key.Key) != "ReadOk" && std::string(key.Key) != "ModError" &&
            std::string(key.Key) != "LPortError")
            partial.push_back(key);
    WriteLanguageFile("English", kKeys);
    WriteLanguageFile("Partial", partial);
    WriteFileBytes(FDir.File("NoSection.Ini"), "[Other]\r\nReadOk=elsewhere\r\n");

    struct Case {
        const char* Language;
        std::vector<String> BuiltInKeys; // empty: all
    };
    const std::vector<Case> cases = {
        {"Partial", {"ReadOk", "ModError", "LPortError"}},
        {"Missing", {}},
        {"NoSection", {}},
        {"", {}}, // an index past the list gives the file ".Ini", normally missing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Language);
        // A language loaded before must not show through.
        LoadMessages("English");
        LoadMessages(c.Language);
        for (const PromptKey& key : kKeys) {
            SCOPED_TRACE(key.Key);
            const bool builtIn =
                c.BuiltInKeys.empty() ||
                std::find(c.BuiltInKeys.begin(), c.BuiltInKeys.end(), key.Key) != c.BuiltInKeys.end();
            EXPECT_EQ((*PromptTexts).*key.Field,
                      builtIn ? String(key.BuiltIn) : std::string(key.Key) + " text");
        }
    }
}

TEST_F(LanguageTest, ShowPromptKinds) {
    struct Case {
        Integer Kind;
        std::optional<int> Reply; // none: nothing is shown
        UINT Flags;
        Integer Result;
    };
    const std::vector<Case> cases = {
        {1, IDOK, MB_ICONINFORMATION | MB_OK, 1},
        {2, IDYES, MB_ICONQUESTION | MB_YESNO, IDYES},
        {2, IDNO, MB_ICONQUESTION | MB_YESNO, IDNO},
        {22, IDRETRY, MB_ICONQUESTION | MB_RETRYCANCEL, IDRETRY},
        {22, IDCANCEL, MB_ICONQUESTION | MB_RETRYCANCEL, IDCANCEL},
        {3, std::nullopt, 0, 1},
        {0, std::nullopt, 0, 1},
        {-1, std::nullopt, 0, 1},
        {21, std::nullopt, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.Kind << " reply " << c.Reply.value_or(0));
        TScopedPromptScript prompts;
        if (c.Reply) prompts.AddReply(*c.Reply);
        EXPECT_EQ(ShowPrompt("提示", "读取完成！", c.Kind), c.Result);
        EXPECT_TRUE(prompts.Errors().empty());
        const std::vector<TPromptRecord> shown = prompts.Prompts();
        if (!c.Reply) {
            EXPECT_TRUE(shown.empty());
            continue;
        }
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].Caption, "提示");
        EXPECT_EQ(shown[0].Text, "读取完成！");
        EXPECT_EQ(shown[0].Flags, c.Flags);
    }
}

TEST_F(LanguageTest, ShippedLanguageFilesHoldEveryKey) {
    const std::string sentinel = "\x01missing";
    for (const char* name : {"Chinese.Ini", "English.Ini"}) {
        SCOPED_TRACE(name);
        const std::string path = ShippedLanguageFile(name);
        ASSERT_TRUE(FileExists(path)) << path;
        for (const PromptKey& key : kKeys) {
            SCOPED_TRACE(key.Key);
            const String value = ReadProfileString("Language", key.Key, sentinel, path);
            EXPECT_NE(value, sentinel);
            EXPECT_FALSE(value.empty());
        }
    }
}

TEST_F(LanguageTest, ShippedChineseFileHoldsTheBuiltInTextsAndEnglishItsOwn) {
    WriteFileBytes(FDir.File("Chinese.Ini"), testsupport::ReadFileBytes(ShippedLanguageFile("Chinese.Ini")));
    WriteFileBytes(FDir.File("English.Ini"), testsupport::ReadFileBytes(ShippedLanguageFile("English.Ini")));

    LoadMessages("Chinese");
    for (const PromptKey& key : kKeys) {
        SCOPED_TRACE(key.Key);
        EXPECT_EQ((*PromptTexts).*key.Field, key.BuiltIn);
    }
    LoadMessages("English");
    for (const PromptKey& key : kKeys) {
        SCOPED_TRACE(key.Key);
        const String& text = (*PromptTexts).*key.Field;
        EXPECT_NE(text, key.BuiltIn);
        // Plain English: no byte outside printable ASCII.
        for (char ch : text)
            EXPECT_TRUE(ch >= 0x20 && ch < 0x7F) << text;
    }
}

} // namespace
