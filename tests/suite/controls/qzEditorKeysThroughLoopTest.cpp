// The spin and currency editors with keys typed as real input through the application loop,
// which announces each key-down to the focused inner editor before it translates and dispatches
// it: a step key steps once, typed characters arrive once, Enter is seen as a key press, and
// each key raises the key-down event once.
#include <gtest/gtest.h>

#include <string>

#include "platform/classlib/Forms.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzCurrencyEdit.h"
#include "suite/controls/qzSpinEdit.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

struct TKeyLog {
    int Downs = 0;
    int Enters = 0;
    void Down(TObject*, Word&, TShiftState) { ++Downs; }
    void Press(TObject*, char32_t& key) {
        if (key == U'\r') ++Enters;
    }
};

class EditorKeysThroughLoop : public testsupport::TFormFixture {
protected:
    void Show(TqzCustomTextEdit* edit) {
        edit->SetParent(Form);
        edit->SetBounds(10, 10, 120, 21);
        edit->OnKeyDown = MakeEvent(&Log, &TKeyLog::Down);
        edit->OnKeyPress = MakeEvent(&Log, &TKeyLog::Press);
        Form->Show();
        edit->SetFocus();
        App->ProcessMessages();
    }
    void Key(UINT key) {
        WinInputKey(key, false, true);
        WinInputKey(key, false, false);
        App->ProcessMessages();
    }
    void Type(const std::u32string& text) {
        WinInputText(text);
        App->ProcessMessages();
    }
    static String Text(TqzCustomTextEdit* edit) { return edit->GetInnerTextEditControl()->GetText(); }

    testsupport::ScopedFormatSettings FSettings{testsupport::DotSettings()};
    TKeyLog Log;
};

TEST_F(EditorKeysThroughLoop, ASpinEditorStepsOncePerKeyAndTakesTypedDigitsOnce) {
    auto* spin = new TqzSpinEdit(Form);
    spin->GetProperties()->SetMinValue(0);
    spin->GetProperties()->SetMaxValue(100);
    Show(spin);
    spin->SetValue(Variant(1.0));

    Key(VK_UP);
    EXPECT_EQ(Text(spin), "2");
    Key(VK_DOWN);
    Key(VK_DOWN);
    EXPECT_EQ(Text(spin), "0");
    EXPECT_EQ(Log.Downs, 3);

    spin->SelectAll();
    Key('4');
    Key('2');
    EXPECT_EQ(Text(spin), "42");
    EXPECT_EQ(Log.Downs, 5);

    Key(VK_RETURN);
    EXPECT_EQ(Log.Enters, 1);
    EXPECT_EQ(Log.Downs, 6);
    EXPECT_EQ(spin->GetValue().AsExtended(), 42.0L);
}

TEST_F(EditorKeysThroughLoop, ACurrencyEditorTakesTypedTextOnceAndSeesEnter) {
    auto* currency = new TqzCurrencyEdit(Form);
    Show(currency);
    currency->SelectAll();
    Type(U"12.5");
    EXPECT_EQ(Text(currency), "12.5");
    EXPECT_EQ(Log.Downs, 1) << "the input method's one key";
    Key(VK_RETURN);
    EXPECT_EQ(Log.Enters, 1);
    EXPECT_EQ(Log.Downs, 2);
    Key(VK_HOME);
    Key(VK_DELETE);
    EXPECT_EQ(Log.Downs, 4);
}

} // namespace
