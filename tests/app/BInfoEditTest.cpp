// The channel edit dialog over a channel window of the test's own, shown modally as the main
// window shows it: channels loaded and written back, frequencies typed under a "." and a ","
// locale with the same grid texts, tones typed and picked, options and a picture.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/AllClass.h"
#include "app/BInfoEdit.h"
#include "app/ChInfo.h"
#include "app/ToneOption.h"
#include "grid/Tambor.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/Strings.h"
#include "suite/controls/qzButtons.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/controls/qzCurrencyEdit.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/editors/qzDropDownEdit.h"
#include "tests/app/BChannelDialogFixture.h"

namespace {

using testsupport::TScopedModalScript;

const TFormatSettings kLocales[] = {testsupport::DotSettings(), testsupport::CommaSettings()};

class BInfoEditBase : public apptest::BChannelDialogFixture {
protected:
    // Opens the dialog on a channel as the main window does (the spin editor's maximum the
    // channel count), runs the body inside its modal loop, then clicks "&Close".
    void Run(Integer channel, const std::function<void(TfBInfoEdit&)>& body,
             const std::function<void(TScopedModalScript&)>& moreSteps = nullptr) {
        TScopedModalScript modal;
        modal.Add<TfBInfoEdit>("fBInfoEdit", [&](TfBInfoEdit& dialog) {
            body(dialog);
            Click(dialog.btnClose);
        });
        if (moreSteps) moreSteps(modal);
        std::unique_ptr<TfBInfoEdit> dialog(new TfBInfoEdit(nullptr));
        dialog->StartChannel = channel;
        dialog->sexd->GetProperties()->SetMaxValue(Grid->GetRowCount() - 2);
        dialog->ShowModal();
    }

    // The texts of every prompt, each checked to be the "Caution" information box.
    static std::vector<String> Texts(const TScopedPromptScript& prompts) {
        std::vector<String> texts;
        for (const TPromptRecord& p : prompts.Prompts()) {
            EXPECT_EQ(p.Caption, PromptTexts->Caution);
            EXPECT_EQ(p.Flags & MB_TYPEMASK, UINT(MB_OK));
            texts.push_back(p.Text);
        }
        return texts;
    }

    // The shown text of a frequency in the current locale ("446.00625" or "446,00625").
    static String Shown(const char* channelText) {
        String text = channelText;
        for (char& c : text)
            if (c == '.') c = FormatSettings.DecimalSeparator;
        return text;
    }
};

class BInfoEditTest : public BInfoEditBase {
protected:
    void SetUp() override { StartWithChannels(); }
};

using BInfoEditLanguageTest = BInfoEditBase;

TEST_F(BInfoEditTest, AnEmptyChannelTakesATypedRxWithTheDefaults) {
    for (const TFormatSettings& locale : kLocales) {
        testsupport::ScopedFormatSettings scoped(locale);
        SCOPED_TRACE(String(1, locale.DecimalSeparator));
        fChInfo->ResetRows();
        AppState->Modified = false;
        TScopedPromptScript prompts;
        Run(3, [&](TfBInfoEdit& d) {
            EXPECT_EQ(d.sexd->GetValue().AsInteger(), 3);
            EXPECT_TRUE(d.sexd->GetEnabled());
            EXPECT_TRUE(d.eReceive->GetEnabled());
            EXPECT_FALSE(d.pMain->GetEnabled());
            EXPECT_EQ(d.eReceive->GetText(), "");

            Enter(d.eReceive, U"446.0063");
            EXPECT_TRUE(d.pMain->GetEnabled());
            EXPECT_EQ(d.eReceive->GetText(), Shown("446.00625"));
            EXPECT_EQ(d.eSend->GetText(), Shown("446.00625"));
        });
        EXPECT_TRUE(prompts.Prompts().empty());
        EXPECT_EQ(Row(4), (std::vector<String>{"446.00625", "446.00625", "None", "None", "High", "Wide", "No",
                                               "No", "No"}));
        EXPECT_EQ(Marks(4), (std::vector<String>{"1", "1", "0", "1", "1", "1"}));
        EXPECT_FALSE(TxLocked(4));
        EXPECT_TRUE(AppState->Modified);
        EXPECT_EQ(Row(3), std::vector<String>(9)); // no other row touched
    }
}

TEST_F(BInfoEditTest, RxIsCheckedAgainstTheModelAndTheBandWithOnePrompt) {
    // The UHF model takes 300 to 650 MHz; the band is 400 - 470MHz.
    struct Case {
        std::u32string Typed;
        const char* Rx;
        String Prompt;
    };
    const std::vector<Case> cases = {
        {U"700", "470.00000", PromptTexts->ErrRange},
        {U"200", "400.00000", PromptTexts->ErrRange},
        {U"480", "480.00000", PromptTexts->OutRange},
        {U"350.5", "350.50000", PromptTexts->OutRange},
        {U"450.003", "450.00000", ""},
        {U"446.00625", "446.00625", ""},
    };
    for (const TFormatSettings& locale : kLocales) {
        testsupport::ScopedFormatSettings scoped(locale);
        for (const Case& c : cases) {
            SCOPED_TRACE(String(1, locale.DecimalSeparator) + " " + c.Rx);
            fChInfo->ResetRows();
            TScopedPromptScript prompts({IDOK});
            Run(7, [&](TfBInfoEdit& d) { Enter(d.eReceive, c.Typed); });
            EXPECT_EQ(Texts(prompts),
                      c.Prompt.empty() ? std::vector<String>() : std::vector<String>{c.Prompt});
            EXPECT_EQ(Fore(2, 8), c.Rx);
            EXPECT_EQ(Fore(3, 8), c.Rx);
            EXPECT_EQ(Back(1, 8), "1");
        }
    }
}

TEST_F(BInfoEditTest, AnotherChannelNumberLoadsItsRowAndATypedNumberIsHeldToTheChannelCount) {
    Program(2, "450.00000");
    Grid->CellAt(4, 3).ForeText = "67.0";
    Grid->CellAt(6, 3).ForeText = "Low";
    Grid->CellAt(6, 3).BackText = "0";
    Grid->CellAt(8, 3).ForeText = "Yes";
    Grid->CellAt(8, 3).BackText = "0";
    Program(16, "460.0125");
    Grid->CellAt(3, 17).ForeText.clear();
    AppState->Modified = false;
    TScopedPromptScript prompts;
    Run(1, [&](TfBInfoEdit& d) {
        EXPECT_FALSE(d.pMain->GetEnabled());
        Enter(d.sexd, U"2");
        EXPECT_EQ(d.sexd->GetValue().AsInteger(), 2);
        EXPECT_TRUE(d.pMain->GetEnabled());
        EXPECT_DOUBLE_EQ(d.eReceive->GetValue(), 450.0);
        EXPECT_EQ(d.cbQT->GetText(), "67.0");
        EXPECT_EQ(d.cbQT->GetItemIndex(), 1);
        EXPECT_EQ(d.cbDQT->GetItemIndex(), 0);
        EXPECT_EQ(d.cbfsgl->GetItemIndex(), 0);
        EXPECT_TRUE(d.chsmtj->GetChecked());
        EXPECT_FALSE(d.chpppy->GetChecked());

        Enter(d.sexd, U"99");
        EXPECT_EQ(d.sexd->GetValue().AsInteger(), 16);
        EXPECT_DOUBLE_EQ(d.eReceive->GetValue(), 460.0125);
        EXPECT_EQ(d.eSend->GetText(), "");
        EXPECT_FALSE(d.chsmtj->GetChecked());

        Focus(d.sexd);
        Key(VK_DOWN);
        EXPECT_EQ(d.sexd->GetValue().AsInteger(), 15);
        EXPECT_FALSE(d.pMain->GetEnabled());
        EXPECT_EQ(d.eReceive->GetText(), "");
    });
    EXPECT_TRUE(prompts.Prompts().empty());
    EXPECT_FALSE(AppState->Modified); // looking changes nothing
    EXPECT_EQ(Fore(2, 3), "450.00000");
    EXPECT_EQ(Fore(3, 17), "");
}

TEST_F(BInfoEditTest, EmptyingRxEmptiesTheRowAndDisablesThePanel) {
    Program(5, "446.00625");
    Grid->CellAt(9, 6).ForeText = "Yes";
    Grid->CellAt(9, 6).BackText = "0";
    Run(5, [&](TfBInfoEdit& d) {
        EXPECT_TRUE(d.pMain->GetEnabled());
        EXPECT_TRUE(d.chpppy->GetChecked());
        Enter(d.eReceive, U"");
        EXPECT_FALSE(d.pMain->GetEnabled());
        EXPECT_EQ(d.eSend->GetText(), "");
        EXPECT_FALSE(d.chpppy->GetChecked());
        EXPECT_EQ(d.cbQT->GetItemIndex(), 0);
    });
    EXPECT_EQ(Row(6), std::vector<String>(9));
    EXPECT_EQ(Marks(6), std::vector<String>(6));
    EXPECT_TRUE(TxLocked(6));
}

TEST_F(BInfoEditTest, OptionsAndListsAreWrittenWithTheirIndex) {
    Program(2, "446.00625");
    Run(2, [&](TfBInfoEdit& d) {
        d.chsmtj->SetChecked(true); // the box's click handler runs
        EXPECT_EQ(Fore(8, 3), "Yes");
        EXPECT_EQ(Back(8, 3), "0");
        d.chfm->SetChecked(true);
        d.chfm->SetChecked(false);
        EXPECT_EQ(Fore(10, 3), "No");
        EXPECT_EQ(Back(10, 3), "1");
        d.cbkz->SetItemIndex(1);
        EXPECT_EQ(Fore(7, 3), "Narrow");
        EXPECT_EQ(Back(7, 3), "1");
        d.cbfsgl->SetItemIndex(0);
        EXPECT_EQ(Fore(6, 3), "Low");
        EXPECT_EQ(Back(6, 3), "0");
    });
    EXPECT_EQ(Marks(3), (std::vector<String>{"1", "0", "1", "0", "1", "1"}));
}

TEST_F(BInfoEditTest, TypedTonesAreCorrectedOnEnter) {
    struct Case {
        std::u32string Typed;
        const char* Stored;
    };
    const std::vector<Case> cases = {{U"d023n", "D777N"}, {U"D023n", "D023n"}, {U"D245I", "D245I"},
                                     {U"D089N", "D777N"}, {U"25", "30.0"},     {U"300", "290.0"},
                                     {U"100", "100.0"},   {U"", "None"},       {U"xyz67", "67.0"}};
    Program(4, "446.00625");
    Run(4, [&](TfBInfoEdit& d) {
        for (auto [editor, col] : {std::pair{d.cbQT, 4}, std::pair{d.cbDQT, 5}}) {
            for (const Case& c : cases) {
                SCOPED_TRACE(String(c.Stored) + " in column " + IntToStr(col));
                Retype(editor, c.Typed);
                Key(VK_RETURN);
                EXPECT_EQ(Fore(col, 5), c.Stored);
                EXPECT_EQ(editor->GetText(), c.Stored);
            }
        }
    });
}

TEST_F(BInfoEditTest, EmptyingTxSetsTheEncodeToneNoneAndKeepsTheChannel) {
    Program(6, "446.00625");
    Grid->CellAt(5, 7).ForeText = "D023N";
    TScopedPromptScript prompts({IDOK});
    Run(6, [&](TfBInfoEdit& d) {
        EXPECT_EQ(d.cbDQT->GetText(), "D023N");
        Enter(d.eSend, U"");
        EXPECT_EQ(d.cbDQT->GetItemIndex(), 0);
        EXPECT_EQ(Fore(3, 7), "");
        EXPECT_EQ(Fore(5, 7), "None");
        EXPECT_EQ(Fore(2, 7), "446.00625");
        EXPECT_EQ(Back(1, 7), "1");

        // A TX above the model's range: the band top, one prompt, and the focus moves on to the
        // receive tone.
        Enter(d.eSend, U"700");
        EXPECT_EQ(Fore(3, 7), "470.00000");
        EXPECT_TRUE(d.cbQT->Focused());
    });
    EXPECT_EQ(Texts(prompts), std::vector<String>{PromptTexts->ErrRange});
}

TEST_F(BInfoEditTest, APickedToneLandsInTheRowOnce) {
    Program(8, "446.00625");
    // Each time the receive tone's editor reports a new value by itself.
    Integer notices = 0;
    Run(
        8,
        [&](TfBInfoEdit& d) {
            const TNotifyEvent old = d.cbQT->GetProperties()->OnEditValueChanged;
            struct Counter : TObject {
                Integer* Count;
                TNotifyEvent Next;
                void Notice(TObject* sender) {
                    ++*Count;
                    Next(sender);
                }
            } counter;
            counter.Count = &notices;
            counter.Next = old;
            d.cbQT->GetProperties()->OnEditValueChanged = MakeEvent(&counter, &Counter::Notice);
            AppState->Modified = false;
            d.cbQTDblClick(d.cbQT);
            EXPECT_EQ(Fore(4, 9), "206.5");
            EXPECT_EQ(d.cbQT->GetText(), "206.5");
            EXPECT_EQ(d.cbQT->GetItemIndex(), -1); // the list lacks it
            EXPECT_TRUE(AppState->Modified);
            // Entering and leaving the editor keeps the picked tone.
            Focus(d.cbQT);
            Key(VK_TAB);
            EXPECT_EQ(d.cbQT->GetText(), "206.5");
            EXPECT_EQ(Fore(4, 9), "206.5");

            // The picker closed without a choice changes nothing.
            d.cbQTDblClick(d.cbQT);
            EXPECT_EQ(Fore(4, 9), "206.5");
            d.cbQT->GetProperties()->OnEditValueChanged = old;
        },
        [](TScopedModalScript& modal) {
            modal.Add<TfToneOption>("fToneOption", [](TfToneOption& picker) {
                picker.ChosenTone = "206.5";
                picker.SetModalResult(mrOk);
            });
            modal.Add<TfToneOption>("fToneOption", [](TfToneOption& picker) { picker.Close(); });
        });
    EXPECT_LE(notices, 1);
}

TEST_F(BInfoEditLanguageTest, InASecondLanguageTheRowTakesTheTranslatedTexts) {
    // Chinese as the second language, with the program's own language file; the channel window
    // shows the translated "None" text, as the program shows it.
    testsupport::WriteFileBytes(Dir.File("SysInfo.Ini"),
                                "[SysInfo]\nDefaultLanguage=1\nLanguage=English|Chinese\n");
    testsupport::WriteFileBytes(Dir.File("Chinese.Ini"), testsupport::ReadFileBytes(testsupport::FixturePath(
                                                             "../../app/lang/Chinese.Ini")));
    StartWithChannels();
    fChInfo->lNone->SetCaption("无");
    TScopedPromptScript prompts;
    Run(1, [&](TfBInfoEdit& d) {
        EXPECT_EQ(d.GetCaption(), "信道编辑");
        Enter(d.eReceive, U"446.00625");
        d.chpppy->SetChecked(true);
    });
    EXPECT_EQ(Row(2),
              (std::vector<String>{"446.00625", "446.00625", "无", "无", "高", "宽带", "否", "是", "否"}));
    EXPECT_EQ(Marks(2), (std::vector<String>{"1", "1", "0", "1", "0", "1"}));

    // Opened again, the "None" cells read as the list's first item.
    Run(1, [&](TfBInfoEdit& d) {
        EXPECT_EQ(d.cbQT->GetItemIndex(), 0);
        EXPECT_EQ(d.cbDQT->GetText(), "无");
        EXPECT_TRUE(d.chpppy->GetChecked());
    });
}

TEST_F(BInfoEditTest, PictureOfTheDialog) {
    Program(2, "446.00625");
    Run(2, [&](TfBInfoEdit& d) { SavePicture(&d, "BInfoEdit.png"); });
}

} // namespace
