#include "script/kq_idialogsrtti.h"

#include <gtest/gtest.h>

#include "platform/classlib/Dialogs.h"
#include "platform/classlib/InputDlg.h"
#include "platform/classlib/MsgDlg.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/Strings.h"
#include "script/kq_iclassesrtti.h"
#include "script/kq_iformsrtti.h"
#include "script/kq_igraphicsrtti.h"
#include "script/kq_isysrtti.h"
#include "tests/script/BindingHost.h"
#include "tests/support/FormFixture.h"

using bindinghost::BindingHost;
using bindinghost::Make;

namespace {

struct Case {
    const char* language;
    const char* text;
    const char* output;
};

class kq_idialogsrttiTest : public testsupport::TFormFixture {
protected:
    static BindingHost MakeHost() {
        return BindingHost({&Make<TkqSysRTTIFunctions>, &Make<TkqClassesRTTIFunctions>,
                            &Make<TkqGraphicsRTTIFunctions>, &Make<TkqFormsRTTIFunctions>,
                            &Make<TkqDialogsRTTIFunctions>});
    }
};

TEST_F(kq_idialogsrttiTest, OptionSetsAndEnumerationsHaveTheirValues) {
    const Case cases[] = {
        {"PascalScript",
         "begin Print(mbYes + mbNo); Print(mbHelp); Print(ofReadOnly); Print(ofEnableSizing); "
         "Print(ofHideReadOnly + ofNoChangeDir); Print(ofFileMustExist); Print(fsComboBox); "
         "Print(cdAnyColor); "
         "Print(fdApplyButton); Print(fdNoVectorFonts); Print(fdBoth); Print(prPageNums); "
         "Print(poDisablePrintToFile); Print(mtConfirmation); Print(mtCustom) end.",
         "3\n1024\n1\n524288\n12\n512\n1\n16\n32768\n1024\n2\n2\n32\n3\n4\n"},
        {"JScript", "Print(mbYes + mbNo); Print(ofEnableSizing); Print(mbOK + mbCancel);", "3\n524288\n12\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        BindingHost host = MakeHost();
        EXPECT_EQ(host.Run(c.text, c.language), c.output);
    }
}

TEST_F(kq_idialogsrttiTest, MessageDlgAsksWithTheButtonsOfTheSet) {
    struct Row {
        const char* text;
        int reply;
        UINT buttons;
        const char* output;
    } rows[] = {
        {"begin Print(MessageDlg('Write to the radio?', mtConfirmation, mbYes + mbNo, 0)) end.", IDYES,
         MB_YESNO, "6\n"},
        {"begin Print(MessageDlg('Write to the radio?', mtWarning, mbOK + mbCancel, 0) = mrCancel) end.",
         IDCANCEL, MB_OKCANCEL, "True\n"},
        {"begin Print(MessageDlg('Write to the radio?', mtError, mbAbort + mbRetry + mbIgnore, 0)) end.",
         IDRETRY, MB_ABORTRETRYIGNORE, "4\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        BindingHost host = MakeHost();
        TScopedPromptScript prompts({r.reply});
        EXPECT_EQ(host.Run(r.text), r.output);
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        EXPECT_EQ(prompts.Prompts()[0].Text, "Write to the radio?");
        EXPECT_EQ(prompts.Prompts()[0].Flags & MB_TYPEMASK, r.buttons);
        EXPECT_TRUE(prompts.Errors().empty());
    }
    // A dialog type outside the enumeration is refused before anything shows.
    BindingHost host = MakeHost();
    TScopedPromptScript prompts;
    ASSERT_TRUE(host.Compile("begin MessageDlg('x', 9, mbOK, 0) end.")) << host.Error();
    EXPECT_THROW(host.Script->Execute(), ERangeError);
    EXPECT_TRUE(prompts.Prompts().empty());
}

TEST_F(kq_idialogsrttiTest, OpenDialogExecutesTheDialogOfItsOwnClass) {
    const Case cases[] = {
        {"PascalScript",
         "var d: TOpenDialog; begin d := TOpenDialog.Create(nil); d.Filter := 'Images|*.bmp'; "
         "d.Options := ofFileMustExist; d.Title := 'Picture'; Print(d.Execute); Print(d.FileName); "
         "Print(d.Execute); d.Free end.",
         "True\n/data/one.bmp\nFalse\n"},
        {"JScript",
         "var d = new TOpenDialog(nil); d.Filter = \"Images|*.bmp\"; d.Options = ofFileMustExist; "
         "d.Title = \"Picture\"; Print(d.Execute); Print(d.FileName); Print(d.Execute); d.Free;",
         "True\n/data/one.bmp\nFalse\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        BindingHost host = MakeHost();
        TScopedDialogScript dialogs;
        dialogs.ChooseFiles({"/data/one.bmp"});
        dialogs.Cancel();
        EXPECT_EQ(host.Run(c.text, c.language), c.output);
        ASSERT_EQ(dialogs.FileRequests().size(), 2u);
        EXPECT_EQ(dialogs.FileRequests()[0].Title, "Picture");
        EXPECT_TRUE(dialogs.FileRequests()[0].FileMustExist);
        EXPECT_FALSE(dialogs.FileRequests()[0].Save);
        EXPECT_TRUE(dialogs.Errors().empty());
    }
    // A save dialog and a colour dialog run their own Execute through the common one.
    BindingHost host = MakeHost();
    TScopedDialogScript dialogs;
    dialogs.ChooseFiles({"/data/two.dat"});
    dialogs.ChooseColor(clRed);
    EXPECT_EQ(
        host.Run("var s: TSaveDialog; c: TColorDialog; begin s := TSaveDialog.Create(nil); "
                 "c := TColorDialog.Create(nil); Print(s.Execute); Print(s.FileName); Print(c.Execute); "
                 "Print(c.Color); s.Free; c.Free end."),
        "True\n/data/two.dat\nTrue\n255\n");
    EXPECT_EQ(dialogs.Shown(), (std::vector<String>{"file", "color"}));
    ASSERT_EQ(dialogs.FileRequests().size(), 1u);
    EXPECT_TRUE(dialogs.FileRequests()[0].Save);
}

TEST_F(kq_idialogsrttiTest, InputQueryAndInputBoxAreAnsweredByTheHooks) {
    BindingHost host = MakeHost();
    {
        TScopedInputScript input;
        input.Answer("146.520");
        input.Cancel();
        EXPECT_EQ(
            host.Run("var s: String; begin s := '145.000'; Print(InputQuery('Channel', 'Frequency', s)); "
                     "Print(s); s := '145.000'; Print(InputQuery('Channel', 'Frequency', s)); Print(s) end."),
            "True\n146.520\nFalse\n145.000\n");
        ASSERT_EQ(input.Questions().size(), 2u);
        EXPECT_EQ(input.Questions()[0].Caption, "Channel");
        EXPECT_EQ(input.Questions()[0].Prompt, "Frequency");
        EXPECT_EQ(input.Questions()[0].Value, "145.000");
        EXPECT_TRUE(input.Errors().empty());
    }
    {
        TScopedInputScript input;
        input.Answer("Home");
        input.Cancel();
        EXPECT_EQ(host.Run("var s = \"\"; Print(InputBox(\"Name\", \"Channel name\", \"CH1\")); "
                           "Print(InputBox(\"Name\", \"Channel name\", \"CH1\")); s = \"x\"; "
                           "Print(InputQuery(\"Name\", \"Channel name\", s)); Print(s);",
                           "JScript"),
                  "Home\nCH1\nFalse\nx\n");
        ASSERT_EQ(input.Questions().size(), 3u);
        EXPECT_EQ(input.Questions()[1].Value, "CH1");
        // The third question found no answer: cancelled and recorded.
        EXPECT_EQ(input.Errors().size(), 1u);
    }
}

TEST_F(kq_idialogsrttiTest, ExecuteRefusesWhatIsNoDialog) {
    const char* texts[] = {
        "var d: TOpenDialog; begin d := TOpenDialog.Create(nil); d.Free; d.Execute end.",
        "var d: TOpenDialog; begin d := TOpenDialog; d.Execute end.",
        "var l: TStringList; begin l := TStringList.Create; TOpenDialog(l).Execute end.",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        BindingHost host = MakeHost();
        TScopedDialogScript dialogs;
        ASSERT_TRUE(host.Compile(text)) << host.Error();
        try {
            host.Script->Execute();
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, "Invalid class typecast");
        }
        EXPECT_TRUE(dialogs.Shown().empty());
    }
    // The common dialog itself is abstract: only its descendants can be made.
    BindingHost host = MakeHost();
    ASSERT_TRUE(host.Compile("var d: TCommonDialog; begin d := TCommonDialog.Create(nil) end."));
    EXPECT_THROW(host.Script->Execute(), EInvalidOperation);
}

} // namespace
