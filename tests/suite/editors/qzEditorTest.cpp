// The editor control: change events and their locks, editing permission, validation, posting and
// revert, focus entry and exit, and the keys every editor handles.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinCore.h"
#include "tests/suite/editors/EditTestEditor.h"
#include "tests/support/FormFixture.h"

using edittest::TTestEditor;
using edittest::TTestRepositoryItem;

namespace {

// Records the events of editors in order.
struct EventLog : TObject {
    void Change(TObject* sender) { Events.push_back(Name(sender) + "change"); }
    void ItemChange(TObject* sender) { Events.push_back(Name(sender) + "item change"); }
    void ValueChanged(TObject* sender) { Events.push_back(Name(sender) + "value changed"); }
    void Editing(TObject* sender, bool& canEdit) {
        Events.push_back("editing");
        canEdit = AllowEditing;
        if (SetValueWhileEditing) static_cast<TTestEditor*>(sender)->SetEditValue(Variant(String("inside")));
    }
    void AfterKeyDown(TObject*, Word& key, TShiftState) {
        Events.push_back("after key " + std::to_string(key));
        if (ZeroKey) key = 0;
    }
    void KeyDown(TObject*, Word& key, TShiftState) { Events.push_back("key down " + std::to_string(key)); }
    void ButtonClick(TObject*, Integer index) { Events.push_back("button " + std::to_string(index)); }
    void Post(TObject*) {
        Events.push_back("post");
        if (FailPost) throw Exception("The grid refused the value");
    }
    void Validate(TObject*, Variant& displayValue, String& errorText, bool& error) {
        Events.push_back("validate " + VarToStr(displayValue));
        if (VarToStr(displayValue).find("bad") == std::string::npos) return;
        error = true;
        if (Correction.size()) displayValue = Variant(Correction);
        if (ClearErrorText) errorText.clear();
    }
    void ThrowingChange(TObject*) { throw Exception("handler failed"); }
    void AppException(TObject*, Exception* e) { Events.push_back("shown: " + e->Message); }

    std::string Name(TObject* sender) { return sender == Second ? "second " : ""; }
    std::vector<std::string> Events;
    TObject* Second = nullptr;
    bool AllowEditing = true;
    bool SetValueWhileEditing = false;
    bool ZeroKey = false;
    bool FailPost = false;
    bool ClearErrorText = false;
    String Correction;
};

class qzEditorTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
        FOldBeep = SetMessageBeepHook([this](UINT) { ++Beeps; });
        // What would reach the user as an error box is logged instead.
        App->OnException = MakeEvent(&Log, &EventLog::AppException);
    }
    void TearDown() override {
        SetMessageBeepHook(FOldBeep);
        testsupport::TFormFixture::TearDown();
    }
    TTestEditor* MakeEditor(bool inplace = false, Integer top = 10) {
        auto* editor = new TTestEditor(Form, inplace);
        // The test editor measures no content of its own: its size is the test's.
        editor->SetAutoSize(false);
        editor->SetParent(Form);
        editor->SetBounds(10, top, 150, 24);
        return editor;
    }
    void ShowForm() { ShowUnfocused(); }
    void Focus(TTestEditor* editor) {
        editor->SetFocus();
        App->ProcessMessages();
    }
    // The user types text into the focused editor's inner edit.
    void Type(TTestEditor* editor, const String& text) {
        editor->Inner()->SetText(text);
        App->ProcessMessages();
    }
    Word KeyDown(TTestEditor* editor, Word key, TShiftState shift = {}) {
        editor->HandleKeyDown(key, shift);
        return key;
    }
    static String Text(const Variant& v) { return VarIsNull(v) ? String("<null>") : VarToStr(v); }

    EventLog Log;
    Integer Beeps = 0;

private:
    TMessageBeepHook FOldBeep;
};

} // namespace

TEST_F(qzEditorTest, ChangeEventsFollowTheHandlersTheComparisonAndTheSeparateEventsFlag) {
    struct TCase {
        const char* Name;
        bool OnChange, OnValueChanged, Compares, Separate;
        std::vector<std::string> FromNotifyChange, FromNewValue, FromSameValue;
    };
    const std::vector<TCase> cases = {
        // Without an OnChange handler nothing comes of NotifyChange, not even the value event.
        {"no OnChange", false, true, false, false, {}, {}, {}},
        {"both, no comparison", true, true, false, false, {"change", "value changed"}, {}, {}},
        {"both, compared", true, true, true, false, {"change"}, {"value changed", "change"}, {}},
        {"both, separate", true, true, true, true, {"change"}, {"value changed"}, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto* editor = MakeEditor();
        editor->Props()->Compares = c.Compares;
        editor->Props()->SeparateEvents = c.Separate;
        if (c.OnChange) editor->Props()->OnChange = MakeEvent(&Log, &EventLog::Change);
        if (c.OnValueChanged) editor->Props()->OnEditValueChanged = MakeEvent(&Log, &EventLog::ValueChanged);
        editor->SetEditValue(Variant(String("first")));
        Log.Events.clear();
        editor->NotifyChange();
        EXPECT_EQ(c.FromNotifyChange, Log.Events);
        Log.Events.clear();
        editor->SetEditValue(Variant(String("second")));
        EXPECT_EQ(c.FromNewValue, Log.Events);
        Log.Events.clear();
        editor->SetEditValue(Variant(String("second")));
        EXPECT_EQ(c.FromSameValue, Log.Events);
        EXPECT_EQ("second", VarToStr(editor->GetEditValue()));
        EXPECT_FALSE(editor->GetModified());
        delete editor;
    }
}

TEST_F(qzEditorTest, ComparedValuesOfAnotherTypeOrBooleansAsTextCount) {
    auto* editor = MakeEditor();
    editor->Props()->OnEditValueChanged = MakeEvent(&Log, &EventLog::ValueChanged);
    editor->SetEditValue(Variant(Integer(1)));
    editor->SetEditValue(Variant(String("1"))); // equal value, other type
    editor->SetEditValue(Variant(true));
    editor->SetEditValue(Variant(true));
    editor->SetEditValue(Null());
    editor->SetEditValue(Null());
    EXPECT_EQ((std::vector<std::string>{"value changed", "value changed", "value changed", "value changed"}),
              Log.Events);
}

TEST_F(qzEditorTest, LockedChangeEventsFireAtMostOnceEachOnUnlock) {
    auto* editor = MakeEditor();
    editor->Props()->OnChange = MakeEvent(&Log, &EventLog::Change);
    editor->Props()->OnEditValueChanged = MakeEvent(&Log, &EventLog::ValueChanged);

    editor->LockChangeEvents(true);
    editor->LockChangeEvents(true);
    for (const char* value : {"a", "b", "c"})
        editor->SetEditValue(Variant(String(value)));
    editor->LockChangeEvents(false);
    EXPECT_TRUE(Log.Events.empty()); // still locked once
    editor->LockChangeEvents(false);
    EXPECT_EQ((std::vector<std::string>{"change", "value changed"}), Log.Events);

    // Unlocking without firing (after loading) drops what was caught; a new lock starts empty.
    Log.Events.clear();
    editor->LockChangeEvents(true);
    editor->SetEditValue(Variant(String("d")));
    editor->LockChangeEvents(false, false);
    editor->LockChangeEvents(true);
    editor->LockChangeEvents(false);
    EXPECT_TRUE(Log.Events.empty());

    // More unlocks than locks are ignored.
    editor->LockChangeEvents(false);
    editor->LockClick(false);
    editor->LockEditValueChanging(false);
    EXPECT_EQ(0, editor->GetChangeEventsCatcher()->GetLockCount());
    EXPECT_EQ(0, editor->GetClickLockCount());
    EXPECT_EQ(0, editor->GetEditValueChangingLockCount());
}

TEST_F(qzEditorTest, TheEditorsOwnHandlersFireBeforeThoseOfItsRepositoryItem) {
    auto* item = new TTestRepositoryItem(Form);
    auto* editor = MakeEditor();
    editor->Props()->OnChange = MakeEvent(&Log, &EventLog::Change);
    item->Props()->OnChange = MakeEvent(&Log, &EventLog::ItemChange);
    editor->SetRepositoryItem(item);
    editor->NotifyChange();
    EXPECT_EQ((std::vector<std::string>{"change", "item change"}), Log.Events);
}

TEST_F(qzEditorTest, EditingPermissionAsksTheEditingHandlerAndTheBindingUnlessAlreadyModified) {
    auto* editor = MakeEditor();
    editor->OnEditing = MakeEvent(&Log, &EventLog::Editing);
    EXPECT_TRUE(editor->RequestEditing());
    EXPECT_EQ(1, editor->Binding()->EditCalls);

    Log.AllowEditing = false;
    EXPECT_FALSE(editor->RequestEditing());
    EXPECT_EQ(1, editor->Binding()->EditCalls); // refused before the source is asked

    Log.AllowEditing = true;
    editor->Binding()->AllowEdit = false;
    EXPECT_FALSE(editor->RequestEditing());

    // Read-only properties refuse without asking anyone.
    Log.Events.clear();
    editor->Props()->SetReadOnly(true);
    EXPECT_FALSE(editor->RequestEditing());
    EXPECT_TRUE(Log.Events.empty());

    // A value modified since entry may go on being edited.
    editor->SetModifiedAfterEntry(true);
    EXPECT_TRUE(editor->RequestEditing());
    EXPECT_TRUE(Log.Events.empty());
}

TEST_F(qzEditorTest, ValueAssignmentsInsideTheEditingHandlerAreIgnored) {
    auto* editor = MakeEditor();
    editor->OnEditing = MakeEvent(&Log, &EventLog::Editing);
    Log.SetValueWhileEditing = true;
    EXPECT_TRUE(editor->RequestEditing());
    EXPECT_EQ("<null>", Text(editor->GetEditValue()));
    EXPECT_EQ(0, editor->GetEditValueChangingLockCount());
}

TEST_F(qzEditorTest, TheClearKeyEmptiesTheValueAsTheUserOnlyWhenEditingIsAllowed) {
    auto* editor = MakeEditor();
    ShowForm();
    editor->Props()->ClearKey = ShortCut(VK_DELETE, TShiftState{ssCtrl});
    editor->SetEditValue(Variant(String("abc")));
    Focus(editor);
    editor->OnEditing = MakeEvent(&Log, &EventLog::Editing);
    Log.AllowEditing = false;
    EXPECT_EQ(0, KeyDown(editor, VK_DELETE, TShiftState{ssCtrl}));
    EXPECT_EQ("abc", VarToStr(editor->GetEditValue()));

    Log.AllowEditing = true;
    EXPECT_EQ(0, KeyDown(editor, VK_DELETE, TShiftState{ssCtrl}));
    EXPECT_EQ("<null>", Text(editor->GetEditValue()));
    EXPECT_TRUE(editor->GetModifiedAfterEnter());
    EXPECT_TRUE(editor->IsEditValidated());
    EXPECT_EQ("", editor->Inner()->GetText());
}

TEST_F(qzEditorTest, TypingIntoTheFocusedEditorMarksItModifiedAndNotifies) {
    auto* editor = MakeEditor();
    editor->Props()->OnChange = MakeEvent(&Log, &EventLog::Change);
    ShowForm();
    Type(editor, "unfocused");
    EXPECT_FALSE(editor->GetModifiedAfterEnter());
    Focus(editor);
    Log.Events.clear();
    Type(editor, "typed");
    EXPECT_TRUE(editor->GetModifiedAfterEnter());
    EXPECT_TRUE(editor->GetModified());
    EXPECT_EQ((std::vector<std::string>{"change"}), Log.Events);
}

TEST_F(qzEditorTest, ValidationStoresTheTextOnceAndAFailureRaisesAfterFocusSelectionAndBeep) {
    auto* other = MakeEditor(false, 50);
    auto* editor = MakeEditor();
    editor->Props()->OnValidate = MakeEvent(&Log, &EventLog::Validate);
    editor->Props()->BeepOnError = true;
    ShowForm();
    Focus(editor);
    Type(editor, "good");
    EXPECT_TRUE(editor->ValidateEditing(true));
    EXPECT_EQ("good", VarToStr(editor->GetEditValue()));
    EXPECT_TRUE(editor->IsEditValidated());
    EXPECT_TRUE(editor->GetModifiedAfterEnter()); // focused: still modified since entry
    Log.Events.clear();
    EXPECT_TRUE(editor->ValidateEditing(true)); // validated already
    EXPECT_TRUE(Log.Events.empty());

    // A failure with the default text, raised after the editor took the focus back.
    Focus(other);
    ASSERT_FALSE(editor->Focused());
    editor->Inner()->SetText("bad");
    editor->SetModifiedAfterEntry(true);
    const Integer selections = editor->Selections;
    try {
        editor->ValidateEditing(true);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ("Invalid input value. Use escape key to abandon changes", e.Message);
    }
    EXPECT_TRUE(editor->Focused());
    EXPECT_GT(editor->Selections, selections);
    EXPECT_EQ(1, Beeps);
    EXPECT_EQ("good", VarToStr(editor->GetEditValue()));
    EXPECT_FALSE(editor->IsEditValidated());
    EXPECT_TRUE(editor->GetModifiedAfterEnter());

    // Without raising: false, and the handler's corrected text goes back into the editor.
    Log.Correction = "bad, corrected";
    EXPECT_FALSE(editor->ValidateEditing(false));
    EXPECT_EQ("bad, corrected", editor->Inner()->GetText());
    EXPECT_EQ(1, Beeps);

    // An emptied error text fails without raising, after the beep.
    Log.Correction.clear();
    Log.ClearErrorText = true;
    Type(editor, "bad again");
    EXPECT_FALSE(editor->ValidateEditing(true));
    EXPECT_EQ(2, Beeps);
}

TEST_F(qzEditorTest, PostingStandAloneStoresInTheBindingAndReRaisesItsFailure) {
    auto* editor = MakeEditor();
    ShowForm();
    Focus(editor);
    Type(editor, "posted");
    editor->PostEditValue(true);
    EXPECT_EQ((std::vector<String>{"posted"}), editor->Binding()->Stored);
    EXPECT_FALSE(editor->IsPosting());

    editor->Binding()->FailStore = true;
    const Integer selections = editor->Selections;
    EXPECT_THROW(editor->PostEditValue(false), Exception);
    EXPECT_FALSE(editor->IsPosting());
    EXPECT_GT(editor->Selections, selections);
}

TEST_F(qzEditorTest, PostingInPlaceFiresTheHostsEventAndKeepsTheValueModifiedWhenItFails) {
    auto* editor = MakeEditor(true);
    editor->OnPostEditValue = MakeEvent(&Log, &EventLog::Post);
    ShowForm();
    Focus(editor);
    Type(editor, "cell");
    ASSERT_TRUE(editor->GetModified());
    editor->PostEditValue(true);
    EXPECT_EQ((std::vector<std::string>{"post"}), Log.Events);
    EXPECT_FALSE(editor->GetModified());

    Type(editor, "cell 2");
    Log.FailPost = true;
    EXPECT_NO_THROW(editor->PostEditValue(false));
    EXPECT_FALSE(editor->IsPosting());
    EXPECT_TRUE(editor->GetModified());
    EXPECT_TRUE(editor->GetModifiedAfterEnter());
}

TEST_F(qzEditorTest, ModifiedFlagsAreRestoredWhenAnInPlaceChangeHandlerRaises) {
    auto* editor = MakeEditor(true);
    editor->Props()->OnChange = MakeEvent(&Log, &EventLog::ThrowingChange);
    EXPECT_FALSE(editor->GetModified());
    EXPECT_THROW(editor->NotifyChange(), Exception);
    EXPECT_FALSE(editor->GetModified());
    EXPECT_FALSE(editor->GetModifiedAfterEnter());
    // The push and the pop are balanced: a pop now changes nothing.
    editor->SetModifiedAfterEntry(true);
    editor->PopModifiedState();
    EXPECT_TRUE(editor->GetModifiedAfterEnter());
}

TEST_F(qzEditorTest, EscapeIsConsumedOnlyWhenModifiedAndRevertsOnlyWhenTheValueMayBeReset) {
    struct TCase {
        bool Modified, Revertable;
        Word KeyAfter;
        String Value;
    };
    const std::vector<TCase> cases = {
        {false, true, VK_ESCAPE, "typed"},
        {true, false, 0, "typed"},
        {true, true, 0, "at entry"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Modified) + std::to_string(c.Revertable));
        auto* other = MakeEditor(false, 50);
        auto* editor = MakeEditor();
        editor->Props()->Revertable = c.Revertable;
        ShowForm();
        editor->SetEditValue(Variant(String("at entry")));
        Focus(editor);
        Type(editor, "typed");
        editor->PostEditValue(true); // the value is "typed" now, still modified since entry
        if (!c.Modified) editor->SetModifiedAfterEntry(false);
        EXPECT_EQ(c.KeyAfter, KeyDown(editor, VK_ESCAPE));
        EXPECT_EQ(c.Value, VarToStr(editor->GetEditValue()));
        // The Escape character of a consumed key down is swallowed.
        char32_t ch = 27;
        editor->HandleKeyPress(ch);
        EXPECT_EQ(c.KeyAfter == 0 ? char32_t(0) : char32_t(27), ch);
        delete editor;
        delete other;
    }
}

TEST_F(qzEditorTest, TabMovesTheFocusUnlessHeldWithAltOrCtrlWantedOrZeroedByTheHandler) {
    struct TCase {
        const char* Name;
        TShiftState Shift;
        bool Wanted, Zeroed, Moves;
    };
    const std::vector<TCase> cases = {
        {"plain", {}, false, false, true},
        {"shift", TShiftState{ssShift}, false, false, true},
        {"alt", TShiftState{ssAlt}, false, false, false},
        {"ctrl", TShiftState{ssCtrl}, false, false, false},
        {"wanted", {}, true, false, false},
        {"zeroed by the handler", {}, false, true, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto* editor = MakeEditor();
        auto* next = MakeEditor(false, 50);
        editor->Props()->TabWanted = c.Wanted;
        editor->OnAfterKeyDown = MakeEvent(&Log, &EventLog::AfterKeyDown);
        Log.ZeroKey = c.Zeroed;
        ShowForm();
        Focus(editor);
        const Word key = KeyDown(editor, VK_TAB, c.Shift);
        App->ProcessMessages();
        EXPECT_EQ(c.Moves, next->Focused());
        EXPECT_EQ(c.Moves || c.Zeroed, key == 0);
        if (c.Moves) { EXPECT_EQ(next->Inner(), Form->GetActiveControl()); }
        delete next;
        delete editor;
    }
}

TEST_F(qzEditorTest, NavigationKeysGoToTheAfterKeyDownHandlerAndNoFurther) {
    auto* editor = MakeEditor();
    editor->OnAfterKeyDown = MakeEvent(&Log, &EventLog::AfterKeyDown);
    editor->OnKeyDown = MakeEvent(&Log, &EventLog::KeyDown);
    for (Word key = VK_PRIOR; key <= VK_DOWN; ++key) {
        Log.Events.clear();
        EXPECT_EQ(0, KeyDown(editor, key));
        EXPECT_EQ(
            (std::vector<std::string>{"key down " + std::to_string(key), "after key " + std::to_string(key)}),
            Log.Events);
    }
    Log.Events.clear();
    EXPECT_EQ(VK_INSERT, KeyDown(editor, VK_INSERT));
    EXPECT_EQ((std::vector<std::string>{"key down 45"}), Log.Events);
}

TEST_F(qzEditorTest, AnEditingKeyRefusedGoesOnlyToTheAfterKeyDownHandler) {
    auto* editor = MakeEditor();
    editor->Props()->SetReadOnly(true);
    editor->OnAfterKeyDown = MakeEvent(&Log, &EventLog::AfterKeyDown);
    EXPECT_EQ(0, KeyDown(editor, VK_DELETE));
    EXPECT_EQ((std::vector<std::string>{"after key 46"}), Log.Events);

    // A typed character refused likewise.
    char32_t ch = U'x';
    editor->HandleKeyPress(ch);
    EXPECT_EQ(char32_t(0), ch);
    editor->Props()->SetReadOnly(false);
    ch = U'x';
    editor->HandleKeyPress(ch);
    EXPECT_EQ(char32_t(U'x'), ch);
}

TEST_F(qzEditorTest, EnterValidatesAndPostsOnlyWhenAsked) {
    auto* editor = MakeEditor();
    ShowForm();
    Focus(editor);
    Type(editor, "entered");
    EXPECT_EQ(VK_RETURN, KeyDown(editor, VK_RETURN));
    EXPECT_TRUE(editor->Binding()->Stored.empty());
    editor->Props()->ValidateOnEnter = true;
    EXPECT_EQ(0, KeyDown(editor, VK_RETURN));
    EXPECT_EQ((std::vector<String>{"entered"}), editor->Binding()->Stored);
}

TEST_F(qzEditorTest, LeavingValidatesAndPostsAndAFailureKeepsTheFocusAndTheFlags) {
    auto* editor = MakeEditor();
    auto* other = MakeEditor(false, 50);
    editor->Props()->OnValidate = MakeEvent(&Log, &EventLog::Validate);
    editor->OnExit = MakeEvent(&Log, &EventLog::Change);
    ShowForm();
    Focus(editor);
    Type(editor, "left");
    Log.Events.clear();
    Focus(other);
    EXPECT_EQ((std::vector<std::string>{"validate left", "change"}), Log.Events);
    EXPECT_EQ("left", VarToStr(editor->GetEditValue()));
    EXPECT_FALSE(editor->GetModifiedAfterEnter());

    Focus(editor);
    Type(editor, "bad");
    Log.Events.clear();
    Focus(other);
    EXPECT_TRUE(editor->Focused());
    // The exit event did not fire; the value stays modified and unvalidated.
    EXPECT_EQ((std::vector<std::string>{"validate bad",
                                        "shown: Invalid input value. Use escape key to abandon changes"}),
              Log.Events);
    EXPECT_TRUE(editor->GetModifiedAfterEnter());
    EXPECT_FALSE(editor->IsEditValidated());
    EXPECT_EQ("left", VarToStr(editor->GetEditValue()));
}

namespace {

// A dialog whose editor holds an invalid text when the dialog closes with the given result.
struct ModalDialog : TObject {
    void Activated(TObject*) {
        Editor->SetFocus();
        Editor->Inner()->SetText("bad");
        Editor->SetModifiedAfterEntry(true);
        Dialog->SetModalResult(Result);
    }
    TForm* Dialog = nullptr;
    TTestEditor* Editor = nullptr;
    TModalResult Result = mrNone;
};

} // namespace

TEST_F(qzEditorTest, AModalDialogClosedWithCancelDoesNotValidateAndWithOkValidatesWithoutRaising) {
    struct TCase {
        TModalResult Result;
        std::vector<std::string> Events;
    };
    const std::vector<TCase> cases = {
        {mrCancel, {}},
        {mrOk, {"validate bad"}},
    };
    ShowForm();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Result);
        std::unique_ptr<TForm> dialog(TForm::CreateNew(nullptr));
        dialog->SetBounds(80, 80, 200, 120);
        ModalDialog modal;
        modal.Dialog = dialog.get();
        modal.Result = c.Result;
        modal.Editor = new TTestEditor(dialog.get());
        modal.Editor->SetParent(dialog.get());
        modal.Editor->SetBounds(10, 10, 150, 24);
        modal.Editor->Props()->OnValidate = MakeEvent(&Log, &EventLog::Validate);
        dialog->OnActivate = MakeEvent(&modal, &ModalDialog::Activated);
        Log.Events.clear();
        EXPECT_EQ(c.Result, dialog->ShowModal());
        EXPECT_EQ(c.Events, Log.Events);
        EXPECT_FALSE(modal.Editor->IsEditValidated());
    }
}

TEST_F(qzEditorTest, EntryAndExitReportTheFocusChangeOnceAndRememberTheValueAtEntry) {
    auto* editor = MakeEditor();
    auto* other = MakeEditor(false, 50);
    editor->OnFocusChange = MakeEvent(&Log, &EventLog::Change);
    editor->SetEditValue(Variant(String("before")));
    ShowForm();
    Log.Events.clear(); // the form's first control had the focus while it was shown
    Focus(editor);
    EXPECT_EQ((std::vector<std::string>{"change"}), Log.Events);
    EXPECT_FALSE(editor->GetModifiedAfterEnter());
    editor->SetEditValue(Variant(String("changed in code")));
    Type(editor, "typed");
    EXPECT_EQ(0, KeyDown(editor, VK_ESCAPE));
    EXPECT_EQ("before", VarToStr(editor->GetEditValue())); // the value at entry, not a later one
    Focus(other);
    EXPECT_EQ((std::vector<std::string>{"change", "change"}), Log.Events);
}

TEST_F(qzEditorTest, TransparentPropertiesMakeTheEditorTransparentForGoodAndOnlyStandAlone) {
    for (bool inplace : {false, true}) {
        SCOPED_TRACE(inplace);
        auto* editor = MakeEditor(inplace);
        EXPECT_FALSE(editor->IsTransparent());
        editor->Props()->SetTransparent(true);
        EXPECT_TRUE(editor->GetTransparent());
        editor->Props()->SetTransparent(false);
        EXPECT_TRUE(editor->GetTransparent()); // not taken back
        EXPECT_EQ(!inplace, editor->UsesTransparentProperty());
        EXPECT_EQ(!inplace, editor->IsTransparent());
        delete editor;
    }
}
