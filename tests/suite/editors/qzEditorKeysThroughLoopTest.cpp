// Keys typed as real input and taken through the application's message loop, which offers each
// key-down to the focused control before it translates and dispatches it: every editor kind
// raises its key-down event once per key and sees Enter as a key press, also when its own key
// handling took the Enter to validate; a key the editor leaves still types its character.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/classlib/Forms.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzDropDownEdit.h"
#include "suite/editors/qzMaskEdit.h"
#include "suite/editors/qzTextEdit.h"
#include "tests/support/FormFixture.h"

namespace {

struct TKeyLog {
    int Downs = 0;
    int Presses = 0;
    int Enters = 0;
    void Down(TObject*, Word&, TShiftState) { ++Downs; }
    void Press(TObject*, char32_t& key) {
        ++Presses;
        if (key == U'\r') ++Enters;
    }
};

using EditorKeysThroughLoop = testsupport::TFormFixture;

void Type(UINT key) {
    WinInputKey(key, false, true);
    WinInputKey(key, false, false);
    Application->ProcessMessages();
}

struct TEditorKind {
    const char* Name;
    std::function<TqzCustomTextEdit*(TForm*)> Make;
};

TqzComboBox* Combo(TForm* form, TqzEditDropDownListStyle style) {
    auto* combo = new TqzComboBox(form);
    combo->GetProperties()->GetItems()->Add("A");
    combo->GetProperties()->GetItems()->Add("B");
    combo->GetProperties()->SetDropDownListStyle(style);
    return combo;
}

const TEditorKind kKinds[] = {
    {"text", [](TForm* f) -> TqzCustomTextEdit* { return new TqzTextEdit(f); }},
    {"masked", [](TForm* f) -> TqzCustomTextEdit* { return new TqzMaskEdit(f); }},
    {"combo edit fixed list", [](TForm* f) -> TqzCustomTextEdit* { return Combo(f, lsEditFixedList); }},
    {"combo edit list", [](TForm* f) -> TqzCustomTextEdit* { return Combo(f, lsEditList); }},
    {"combo fixed list", [](TForm* f) -> TqzCustomTextEdit* { return Combo(f, lsFixedList); }},
    {"popup", [](TForm* f) -> TqzCustomTextEdit* { return new TqzPopupEdit(f); }},
};

TEST_F(EditorKeysThroughLoop, EveryEditorSeesEnterAsAKeyPressAndEachKeyDownOnce) {
    Form->Show();
    for (const TEditorKind& kind : kKinds) {
        SCOPED_TRACE(kind.Name);
        TqzCustomTextEdit* edit = kind.Make(Form);
        edit->SetParent(Form);
        edit->SetBounds(10, 10, 120, 21);
        TKeyLog log;
        edit->OnKeyDown = MakeEvent(&log, &TKeyLog::Down);
        edit->OnKeyPress = MakeEvent(&log, &TKeyLog::Press);
        edit->SetFocus();
        Application->ProcessMessages();

        Type(VK_RETURN);
        EXPECT_EQ(log.Downs, 1);
        EXPECT_EQ(log.Presses, 1);
        EXPECT_EQ(log.Enters, 1);

        Type(VK_END);
        EXPECT_EQ(log.Downs, 2) << "a key the editor leaves is handled once";
        EXPECT_EQ(log.Presses, 1) << "and has no character";
        delete edit;
    }
}

TEST_F(EditorKeysThroughLoop, AKeyTheEditorLeavesTypesItsCharacterOnce) {
    auto* edit = new TqzTextEdit(Form);
    edit->SetParent(Form);
    edit->SetBounds(10, 10, 120, 21);
    TKeyLog log;
    edit->OnKeyDown = MakeEvent(&log, &TKeyLog::Down);
    edit->OnKeyPress = MakeEvent(&log, &TKeyLog::Press);
    Form->Show();
    edit->SetFocus();
    Application->ProcessMessages();
    Type('A');
    Type('B');
    EXPECT_EQ(edit->GetText(), "ab");
    EXPECT_EQ(log.Downs, 2);
    EXPECT_EQ(log.Presses, 2);
}

TEST_F(EditorKeysThroughLoop, AnOpenListTakesItsKeysOnceAndEnterStillReachesTheEditor) {
    TqzComboBox* combo = Combo(Form, lsEditList);
    combo->GetProperties()->GetItems()->Add("C");
    combo->SetParent(Form);
    combo->SetBounds(10, 10, 120, 21);
    TKeyLog log;
    combo->OnKeyDown = MakeEvent(&log, &TKeyLog::Down);
    combo->OnKeyPress = MakeEvent(&log, &TKeyLog::Press);
    Form->Show();
    combo->SetFocus();
    Application->ProcessMessages();

    Type(VK_F4);
    ASSERT_TRUE(combo->GetDroppedDown());
    Type(VK_DOWN);
    Type(VK_DOWN);
    EXPECT_TRUE(combo->GetDroppedDown());
    Type(VK_RETURN);
    EXPECT_FALSE(combo->GetDroppedDown());
    EXPECT_EQ(combo->GetText(), "B") << "each Down moved the highlight one item";
    EXPECT_EQ(log.Downs, 4);
    EXPECT_EQ(log.Enters, 1);
}

} // namespace
