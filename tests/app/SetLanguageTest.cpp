#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/SetLanguage.h"
#include "platform/classlib/StdCtrls.h"
#include "suite/controls/qzButtons.h"
#include "suite/editors/qzDropDownEdit.h"
#include "tests/app/DialogFixture.h"

namespace {

class SetLanguageTest : public apptest::DialogFixture {};

std::vector<String> Lines(TStrings* list) {
    std::vector<String> lines;
    for (Integer i = 0; i < list->GetCount(); ++i)
        lines.push_back(list->GetStrings(i));
    return lines;
}

// Starting in the first language (Chinese), the dialog lists the display names and the files;
// choosing a language and closing sets Changed only when another one was chosen with "&Ok".
TEST_F(SetLanguageTest, ChangesTheLanguageOnlyWhenAnotherIsChosen) {
    struct Case {
        Integer choose; // -1: leave the selection
        bool ok;
        bool changed;
        const char* name;
        Integer index;
    } cases[] = {
        {-1, true, false, "Chinese", 0},
        {0, true, false, "Chinese", 0},
        {1, false, false, "Chinese", 0},
        {1, true, true, "English", 1},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.choose) + (c.ok ? " ok" : " cancel"));
        AppState->LanguageIndex = 0;
        AppState->LanguageName = "Chinese";
        std::unique_ptr<TfSetLanguage> dialog(new TfSetLanguage(nullptr));
        dialog->Changed = true; // the dialog starts it afresh
        ShowModal<TfSetLanguage>(dialog.get(), [&](TfSetLanguage& d) {
            EXPECT_EQ((std::vector<String>{"中文", "英文"}),
                      Lines(d.cbLanguage->GetProperties()->GetItems()));
            EXPECT_EQ((std::vector<String>{"Chinese", "English"}), Lines(d.Language->GetItems()));
            EXPECT_FALSE(d.Language->GetVisible());
            EXPECT_EQ(0, d.cbLanguage->GetItemIndex());
            EXPECT_FALSE(d.Changed);
            if (c.choose >= 0) d.cbLanguage->SetItemIndex(c.choose);
            (c.ok ? d.btnOk : d.btnCancel)->Click();
        });
        EXPECT_EQ(c.changed, dialog->Changed);
        EXPECT_EQ(c.name, AppState->LanguageName);
        EXPECT_EQ(c.index, AppState->LanguageIndex);
    }
}

// In Chinese (a language other than the design language) the dialog takes its texts from
// Chinese.Ini, keeps the display names of the settings file and shows Chinese selected.
TEST_F(SetLanguageTest, IsTranslatedWithoutItsListsInAnotherLanguage) {
    WriteLanguages(0,
                   "[fSetLanguage]\nfSetLanguage.Caption=Language\nLabel1.Caption=Choose:\n"
                   "cbLanguage.0=Chinese\ncbLanguage.1=English\n",
                   "");
    testsupport::WriteFileBytes(Dir.File("SysInfo.Ini"),
                                "[SysInfo]\nDefaultLanguage=0\nLanguage=Chinese|English\n"
                                "Chinese=Chinese (Simplified)|English\n");
    Start();
    std::unique_ptr<TfSetLanguage> dialog(new TfSetLanguage(nullptr));
    ShowModal<TfSetLanguage>(dialog.get(), [&](TfSetLanguage& d) {
        EXPECT_EQ("Language", d.GetCaption());
        EXPECT_EQ("Choose:", d.Label1->GetCaption());
        EXPECT_EQ((std::vector<String>{"Chinese (Simplified)", "English"}),
                  Lines(d.cbLanguage->GetProperties()->GetItems()));
        EXPECT_EQ("Chinese (Simplified)", d.cbLanguage->GetText());
        SavePicture(&d, "SetLanguage.png");
        d.btnOk->Click();
    });
    EXPECT_FALSE(dialog->Changed);
    EXPECT_EQ(0, AppState->LanguageIndex);
}

// A display name with no language file beside it (the settings list fewer files than names)
// cannot become the language.
TEST_F(SetLanguageTest, ANameWithoutALanguageFileChangesNothing) {
    testsupport::WriteFileBytes(Dir.File("SysInfo.Ini"), "[SysInfo]\nLanguage=Chinese\nChinese=中文|英文\n");
    Start();
    std::unique_ptr<TfSetLanguage> dialog(new TfSetLanguage(nullptr));
    ShowModal<TfSetLanguage>(dialog.get(), [&](TfSetLanguage& d) {
        d.cbLanguage->SetItemIndex(1);
        d.btnOk->Click();
    });
    EXPECT_FALSE(dialog->Changed);
    EXPECT_EQ("Chinese", AppState->LanguageName);
    EXPECT_EQ(0, AppState->LanguageIndex);
}

} // namespace
