// The text editor on a form: its native edit, the value and display flow, insertion limits and
// the clipboard, the text messages, lookup items with incremental search, and the keys.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/ActnList.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/ObjectText.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinCore.h"
#include "platform/winapi/WinEdit.h"
#include "suite/editors/qzTextEdit.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

struct EventLog : TObject {
    void AfterKeyDown(TObject*, Word& key, TShiftState) {
        Events.push_back("after key " + std::to_string(key));
    }
    void Click(TObject*) { Events.push_back("click"); }
    void KeyPress(TObject*, char32_t& key) { Events.push_back("key press " + std::to_string(unsigned(key))); }
    void NewText(TObject*, const String& text) { Events.push_back("new " + text); }
    std::vector<std::string> Events;
};

// Properties of a numeric editor with thousand separators (as a currency editor has).
class TGroupedNumberProperties : public TqzCustomTextEditProperties {
    KOV_CLASS(TGroupedNumberProperties, TqzCustomTextEditProperties)
public:
    using TqzCustomTextEditProperties::TqzCustomTextEditProperties;
    bool IsEditValueNumeric() override { return true; }
    bool UsesThousandSeparator(bool) override { return true; }
};

class TGroupedNumberEdit : public TqzCustomTextEdit {
    KOV_CLASS(TGroupedNumberEdit, TqzCustomTextEdit)
public:
    explicit TGroupedNumberEdit(TComponent* owner) : TqzCustomTextEdit(owner, false, true) {
        InitializeEditor();
    }
    TClass GetPropertiesClass() override { return TGroupedNumberProperties::StaticClass(); }
};

// Properties whose editing style a test chooses (as the combo box maps its list style).
class TStyleProperties : public TqzCustomTextEditProperties {
    KOV_CLASS(TStyleProperties, TqzCustomTextEditProperties)
public:
    using TqzCustomTextEditProperties::TqzCustomTextEditProperties;
    TqzTextEditingStyle GetEditingStyle() override { return Style; }
    TqzTextEditingStyle Style = FreeText;
};

class TStyleEdit : public TqzCustomTextEdit {
    KOV_CLASS(TStyleEdit, TqzCustomTextEdit)
public:
    explicit TStyleEdit(TComponent* owner, bool isInplace = false)
        : TqzCustomTextEdit(owner, isInplace, true) {
        InitializeEditor();
    }
    TClass GetPropertiesClass() override { return TStyleProperties::StaticClass(); }
    TStyleProperties* Props() const { return static_cast<TStyleProperties*>(GetProperties()); }
    // Key navigation of the lookup, as drop-down editors allow it.
    bool CanDropDown(bool) override { return DropDown; }
    bool DropDown = false;
};

const bool kRegistered = [] {
    RegisterInterfacedPersistentClass<TGroupedNumberProperties>();
    RegisterInterfacedPersistentClass<TStyleProperties>();
    return true;
}();

void SetItems(TqzCustomTextEditProperties* properties, std::initializer_list<const char*> items) {
    properties->GetLookupItems()->Clear();
    for (const char* item : items)
        properties->GetLookupItems()->Add(item);
}

class TextEditTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
        FOldClipboard = SetClipboardStore(&Clipboard);
        FOldBeep = SetMessageBeepHook([this](UINT) { ++Beeps; });
    }
    void TearDown() override {
        SetMessageBeepHook(FOldBeep);
        testsupport::TFormFixture::TearDown();
        SetClipboardStore(FOldClipboard);
    }
    template <class T = TqzTextEdit> T* MakeEditor(Integer top = 10) {
        auto* editor = new T(Form);
        editor->SetParent(Form);
        editor->SetLeft(10);
        editor->SetTop(top);
        return editor;
    }
    void ShowForm() {
        Form->Show();
        App->ProcessMessages();
    }
    static TqzCustomInnerTextEdit* Inner(TqzCustomTextEdit* editor) {
        return editor->GetInnerTextEditControl();
    }
    static HWND InnerWindow(TqzCustomTextEdit* editor) { return Inner(editor)->GetHandle(); }
    static void Type(TqzCustomTextEdit* editor, const std::u32string& text) {
        for (char32_t ch : text)
            SendMessageA(InnerWindow(editor), WM_CHAR, WPARAM(ch), 0);
    }
    static void Key(TqzCustomTextEdit* editor, Word key) {
        SendMessageA(InnerWindow(editor), WM_KEYDOWN, key, 0);
        SendMessageA(InnerWindow(editor), WM_KEYUP, key, 0);
    }
    static String InnerText(TqzCustomTextEdit* editor) { return Inner(editor)->GetText(); }
    void PutOnClipboard(const std::u16string& text) {
        TClipboardContents contents;
        contents.HasText = true;
        contents.Text = text;
        Clipboard.Replace(contents);
    }

    TMemoryClipboardStore Clipboard;
    Integer Beeps = 0;

private:
    TClipboardStore* FOldClipboard = nullptr;
    TMessageBeepHook FOldBeep;
};

// A binding that takes every action offered to it.
class TActionBinding : public TqzEditDataBinding {
    KOV_CLASS(TActionBinding, TqzEditDataBinding)
public:
    using TqzEditDataBinding::TqzEditDataBinding;
    static TqzEditDataBinding* Make(TqzCustomEdit* editor) { return new TActionBinding(editor); }
    bool ExecuteAction(TBasicAction*) override { return ++Executed, true; }
    bool UpdateAction(TBasicAction*) override { return ++Updated, true; }
    Integer Executed = 0;
    Integer Updated = 0;
};

class TActionEdit : public TqzCustomTextEdit {
    KOV_CLASS(TActionEdit, TqzCustomTextEdit)
public:
    explicit TActionEdit(TComponent* owner) : TqzCustomTextEdit(owner, false, true) { InitializeEditor(); }
    TqzEditDataBindingClass GetDataBindingClass() override { return &TActionBinding::Make; }
    TActionBinding* Binding() const { return static_cast<TActionBinding*>(GetDataBinding()); }
};

// An action no one handles that the focused native edit does not take goes to the editor's
// binding; one the native edit takes as its target never reaches the binding.
class TEditTargetAction : public TCustomAction {
    KOV_CLASS(TEditTargetAction, TCustomAction)
public:
    using TCustomAction::TCustomAction;
    bool HandlesTarget(TObject* target) override { return TakesEdits && dynamic_cast<TCustomEdit*>(target); }
    void ExecuteTarget(TObject* target) override { Targets.push_back(target); }
    bool TakesEdits = false;
    std::vector<TObject*> Targets;
};

// Through the common inner-edit interface: the value's text goes into the native edit, and only a
// designed edit whose text really changed reports the change.
TEST_F(TextEditTest, TheInnerEditInterfaceSetsTheTextAndReportsDesignTimeChanges) {
    auto* editor = MakeEditor();
    ShowForm();
    IqzCustomInnerEdit* inner = editor->GetInnerEdit();
    ASSERT_NE(inner, nullptr);
    Integer changes = 0;
    struct TCounter : TObject {
        Integer* Count;
        void Changed(TObject*) { ++*Count; }
    } counter;
    counter.Count = &changes;
    const TNotifyEvent editorsHandler = inner->GetOnChange();
    inner->SetOnChange(TNotifyEvent(&counter, &TCounter::Changed));

    // What the native edit itself reports for a changed and an unchanged text...
    auto delta = [&](const Variant& value) {
        const Integer before = changes;
        inner->SetEditValue(value);
        return changes - before;
    };
    const Integer changedAtRunTime = delta(Variant(42));
    EXPECT_EQ(InnerText(editor), "42");
    EXPECT_EQ(VarToStr(inner->GetEditValue()), "42");
    const Integer sameAtRunTime = delta(Variant(42));
    // ... and one more report when a designed edit's text changed, none for the same text.
    Inner(editor)->IncludeComponentState(csDesigning);
    EXPECT_EQ(delta(Variant(String("abc"))), changedAtRunTime + 1);
    EXPECT_EQ(delta(Variant(String("abc"))), sameAtRunTime);
    EXPECT_EQ(InnerText(editor), "abc");
    Inner(editor)->ExcludeComponentState(csDesigning);
    inner->SetOnChange(editorsHandler);
}

TEST_F(TextEditTest, ActionsGoToTheFocusedNativeEditFirstThenToTheBinding) {
    auto* editor = MakeEditor<TActionEdit>();
    ShowForm();
    editor->SetFocus();
    App->ProcessMessages();
    ASSERT_EQ(Screen->GetActiveControl(), static_cast<TWinControl*>(Inner(editor)));
    TActionList list(nullptr);
    auto* action = new TEditTargetAction(&list);
    action->SetActionList(&list);

    EXPECT_TRUE(action->Execute());
    EXPECT_TRUE(action->Update());
    EXPECT_EQ(editor->Binding()->Executed, 1);
    EXPECT_GE(editor->Binding()->Updated, 1);
    EXPECT_TRUE(action->Targets.empty());

    action->TakesEdits = true;
    EXPECT_TRUE(action->Execute());
    EXPECT_EQ(editor->Binding()->Executed, 1);
    EXPECT_EQ(action->Targets, std::vector<TObject*>{Inner(editor)});

    // The editor itself, asked directly, also ends at its binding.
    action->TakesEdits = false;
    EXPECT_TRUE(editor->ExecuteAction(action));
    EXPECT_EQ(editor->Binding()->Executed, 2);
}

TEST_F(TextEditTest, ANewEditorIs121By21AndBeepsOnEnter) {
    auto* editor = MakeEditor();
    EXPECT_EQ(121, editor->GetWidth());
    EXPECT_EQ(21, editor->GetHeight());
    EXPECT_TRUE(editor->GetBeepOnEnter());
    ASSERT_NE(nullptr, editor->GetInnerTextEdit());
    ASSERT_NE(nullptr, editor->GetLookupData());
    EXPECT_NE(nullptr, editor->GetTextViewInfo());
    EXPECT_EQ(TqzTextEditProperties::StaticClass(), editor->GetProperties()->ClassType());
}

TEST_F(TextEditTest, TypedTextBecomesTheEditValue) {
    auto* editor = MakeEditor();
    ShowForm();
    editor->SetFocus();
    Type(editor, U"ab中");
    EXPECT_EQ("ab中", InnerText(editor));
    EXPECT_TRUE(editor->GetModifiedAfterEnter());
    EXPECT_TRUE(editor->ValidateEditing());
    EXPECT_EQ("ab中", VarToStr(editor->GetEditValue()));
    editor->SetEditValue(Variant(String("xyz")));
    EXPECT_EQ("xyz", InnerText(editor));
    EXPECT_EQ("xyz", editor->GetText());
}

TEST_F(TextEditTest, PastesAreCutToMaxLength) {
    auto* editor = MakeEditor();
    editor->GetTextEditProperties()->SetMaxLength(5);
    ShowForm();
    editor->SetFocus();
    Type(editor, U"abc");
    PutOnClipboard(u"12345");
    SendMessageA(InnerWindow(editor), WM_PASTE, 0, 0);
    EXPECT_EQ("abc12", InnerText(editor));
    EXPECT_EQ(5, editor->GetSelStart());

    Inner(editor)->SetText("abcde");
    editor->SetSelection(5, 0);
    PutOnClipboard(u"x");
    SendMessageA(InnerWindow(editor), WM_PASTE, 0, 0);
    EXPECT_EQ("abcde", InnerText(editor));

    // Outside user input the selection is replaced as asked (and cut to the length).
    editor->SetSelection(1, 2);
    editor->SetSelText("中");
    EXPECT_EQ("a中de", InnerText(editor));
    EXPECT_EQ(2, editor->GetSelStart());
}

TEST_F(TextEditTest, AFixedListReplacesTheWholeTextOnSetSelText) {
    auto* editor = MakeEditor<TStyleEdit>();
    editor->Props()->Style = FixedList;
    SetItems(editor->Props(), {"Alpha", "Beta"});
    ShowForm();
    editor->SetEditValue(Variant(String("Alpha")));
    editor->SetSelection(1, 1);
    editor->SetSelText("beta");
    EXPECT_EQ("beta", InnerText(editor));
    editor->SetSelText("Gamma"); // not an item: refused
    EXPECT_EQ("beta", InnerText(editor));
}

TEST_F(TextEditTest, ARightAlignedEditorDrawsItsTextUntilItIsActive) {
    auto* other = MakeEditor(60);
    auto* editor = MakeEditor();
    editor->GetTextEditProperties()->GetAlignment()->SetHorz(taRightJustify);
    editor->SetEditValue(Variant(String("right")));
    ShowForm();
    other->SetFocus();
    App->ProcessMessages();
    EXPECT_FALSE(editor->ShowsInnerEdit());
    EXPECT_TRUE(editor->GetDoubleBuffered());
    EXPECT_EQ("right", editor->GetTextViewInfo()->Text);
    EXPECT_FALSE(editor->GetTextViewInfo()->InnerEditVisible);
    EXPECT_NE(0, editor->GetTextViewInfo()->TextOutFlags & toRight);
    editor->SetFocus();
    App->ProcessMessages();
    EXPECT_TRUE(editor->ShowsInnerEdit());
    EXPECT_FALSE(editor->GetDoubleBuffered());
    EXPECT_TRUE(editor->GetTextViewInfo()->InnerEditVisible);
    // A left-aligned editor always shows its native edit.
    EXPECT_TRUE(other->ShowsInnerEdit());
}

TEST_F(TextEditTest, TextMessages) {
    auto* editor = MakeEditor();
    editor->SetEditValue(Variant(String("hello")));
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(0, SendMessageA(editor->GetHandle(), WM_GETTEXT, 1, LPARAM(buffer)));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(0, SendMessageA(editor->GetHandle(), WM_GETTEXT, 0, LPARAM(buffer)));
    EXPECT_EQ(3, SendMessageA(editor->GetHandle(), WM_GETTEXT, 4, LPARAM(buffer)));
    EXPECT_STREQ("hel", buffer);
    EXPECT_EQ(5, SendMessageA(editor->GetHandle(), WM_GETTEXTLENGTH, 0, 0));

    // A set-text message sent from inside the handling of another goes to the default handling.
    struct Nested : TObject {
        TqzTextEdit* Editor = nullptr;
        LRESULT InnerResult = -1;
        void Change(TObject*) {
            if (InnerResult == -1)
                InnerResult = SendMessageA(Editor->GetHandle(), WM_SETTEXT, 0, LPARAM("nested"));
        }
    } nested;
    nested.Editor = editor;
    editor->GetTextEditProperties()->OnChange = MakeEvent(&nested, &Nested::Change);
    EXPECT_EQ(1, SendMessageA(editor->GetHandle(), WM_SETTEXT, 0, LPARAM("outer")));
    EXPECT_NE(-1, nested.InnerResult);
    EXPECT_EQ("outer", editor->GetText());
    EXPECT_EQ("outer", InnerText(editor));
}

TEST_F(TextEditTest, SettingTheCurrentItemIndexAgainFiresNoClick) {
    auto* editor = MakeEditor();
    SetItems(editor->GetTextEditProperties(), {"Alpha", "Beta"});
    EventLog log;
    editor->OnClick = MakeEvent(&log, &EventLog::Click);
    editor->SetItemIndex(1);
    EXPECT_EQ(1, editor->GetItemIndex());
    EXPECT_EQ("Beta", VarToStr(editor->GetEditValue()));
    EXPECT_EQ((std::vector<std::string>{"click"}), log.Events);
    editor->SetItemIndex(1);
    EXPECT_EQ((std::vector<std::string>{"click"}), log.Events);
    EXPECT_FALSE(editor->GetModified());
}

TEST_F(TextEditTest, TypingIntoAGroupedNumberKeepsTheCaretBehindTheDigit) {
    testsupport::ScopedFormatSettings locale(testsupport::DotSettings());
    auto* editor = MakeEditor<TGroupedNumberEdit>();
    ShowForm();
    editor->SetFocus();
    Type(editor, U"1234");
    EXPECT_EQ("1,234", InnerText(editor));
    editor->SetSelection(2, 0); // 1,|234
    Type(editor, U"5");
    EXPECT_EQ("15,234", InnerText(editor));
    EXPECT_EQ(2, editor->GetSelStart());
    editor->SetSelection(6, 0);
    Type(editor, U"7");
    EXPECT_EQ("152,347", InnerText(editor));
    EXPECT_EQ(7, editor->GetSelStart());
}

TEST_F(TextEditTest, ClipboardOperations) {
    auto* editor = MakeEditor<TStyleEdit>();
    SetItems(editor->Props(), {"Alpha", "Beta"});
    ShowForm();
    editor->SetFocus();
    auto clipboardText = [this] {
        const TClipboardContents contents = Clipboard.Read();
        return contents.HasText ? contents.Text : std::u16string(u"<none>");
    };
    // A list editor shows no selection: copying takes its whole text.
    for (TqzTextEditingStyle style : {FixedList, NoEdit}) {
        PutOnClipboard(u"old");
        editor->Props()->Style = style;
        editor->SetEditValue(Variant(String("Beta")));
        editor->CopyToClipboard();
        EXPECT_EQ(u"Beta", clipboardText()) << int(style);
    }
    // Free text copies its selection only, and nothing without one.
    editor->Props()->Style = FreeText;
    editor->SetEditValue(Variant(String("Alpha")));
    PutOnClipboard(u"old");
    editor->SetSelection(1, 0);
    editor->CopyToClipboard();
    EXPECT_EQ(u"old", clipboardText());
    editor->SetSelection(1, 3);
    editor->CopyToClipboard();
    EXPECT_EQ(u"lph", clipboardText());
    // The user's cut removes the selection through the native edit.
    editor->SetSelection(0, 2);
    SendMessageA(InnerWindow(editor), WM_CUT, 0, 0);
    EXPECT_EQ(u"Al", clipboardText());
    EXPECT_EQ("pha", InnerText(editor));
    editor->SetSelection(1, 1);
    SendMessageA(InnerWindow(editor), WM_CLEAR, 0, 0);
    EXPECT_EQ("pa", InnerText(editor));
    EXPECT_EQ(1, editor->GetSelStart());
    // Read-only: a cut only copies, a clear or paste does nothing.
    editor->Props()->SetReadOnly(true);
    Inner(editor)->SetText("pha");
    editor->SetSelection(0, 1);
    SendMessageA(InnerWindow(editor), WM_CUT, 0, 0);
    EXPECT_EQ(u"p", clipboardText());
    SendMessageA(InnerWindow(editor), WM_CLEAR, 0, 0);
    SendMessageA(InnerWindow(editor), WM_PASTE, 0, 0);
    EXPECT_EQ("pha", InnerText(editor));
}

TEST_F(TextEditTest, TheCaretCharacterIndex) {
    auto* editor = MakeEditor();
    ShowForm();
    editor->SetFocus();
    Type(editor, U"abcdef");
    for (Integer caret : {0, 1, 3, 5, 6}) {
        editor->SetSelection(caret, 0);
        EXPECT_EQ(caret, editor->GetCaretCharIndex());
    }
    // A selection made leftwards has its caret at its start; rightwards at its end.
    SendMessageA(InnerWindow(editor), EM_SETSEL, 4, 1);
    EXPECT_EQ(1, editor->GetCaretCharIndex());
    SendMessageA(InnerWindow(editor), EM_SETSEL, 1, 4);
    EXPECT_EQ(4, editor->GetCaretCharIndex());
    Inner(editor)->SetText("");
    EXPECT_EQ(0, editor->GetCaretCharIndex());
}

TEST_F(TextEditTest, AStoredDefinitionLoads) {
    const String definition = "object TextForm: TForm\n"
                              "  Left = 10\n"
                              "  Top = 10\n"
                              "  Width = 300\n"
                              "  Height = 120\n"
                              "  object Name: TqzTextEdit\n"
                              "    Left = 8\n"
                              "    Top = 8\n"
                              "    BeepOnEnter = False\n"
                              "    Properties.ImeMode = imChinese\n"
                              "    Properties.CharCase = ecUpperCase\n"
                              "    Properties.MaxLength = 4\n"
                              "    Properties.LookupItems.Strings = (\n"
                              "      'Alpha'\n"
                              "      'Beta')\n"
                              "    EditValue = 'abc'\n"
                              "    TabOrder = 0\n"
                              "  end\n"
                              "end\n";
    auto form = std::make_unique<TForm>(nullptr);
    ReadComponentText(definition, form.get(), "TextForm");
    auto* editor = dynamic_cast<TqzTextEdit*>(form->FindComponent("Name"));
    ASSERT_NE(nullptr, editor);
    EXPECT_FALSE(editor->GetBeepOnEnter());
    EXPECT_EQ(imChinese, editor->GetImeMode());
    EXPECT_EQ(4, editor->GetTextEditProperties()->GetMaxLength());
    EXPECT_EQ(2, editor->GetTextEditProperties()->GetLookupItems()->GetCount());
    EXPECT_EQ(4, editor->GetInnerTextEdit()->GetMaxLength());
    EXPECT_EQ(ecUpperCase, editor->GetInnerTextEdit()->GetCharCase());
    EXPECT_EQ("abc", VarToStr(editor->GetEditValue()));
    EXPECT_EQ(u"ABC", editor->GetTextEditProperties()->GetDisplayTextWide(editor->GetEditValue()));
}

TEST_F(TextEditTest, AStoredTextThatIsNoItemIsAnnounced) {
    auto* editor = MakeEditor();
    SetItems(editor->GetTextEditProperties(), {"Alpha", "Beta"});
    EventLog log;
    editor->GetTextEditProperties()->OnNewLookupDisplayText = MakeEvent(&log, &EventLog::NewText);
    ShowForm();
    editor->SetFocus();
    Type(editor, U"Gamma");
    EXPECT_TRUE(editor->ValidateEditing());
    EXPECT_EQ("Gamma", VarToStr(editor->GetEditValue()));
    Inner(editor)->SetText("");
    Type(editor, U"alpha"); // completed to the item
    EXPECT_EQ("Alpha", InnerText(editor));
    EXPECT_TRUE(editor->ValidateEditing());
    EXPECT_EQ((std::vector<std::string>{"new Gamma"}), log.Events);
}

// ---- The native edit ----

TEST_F(TextEditTest, ACompletionStaysSelectedWhileChineseTextArrives) {
    auto* editor = MakeEditor();
    SetItems(editor->GetTextEditProperties(), {"Alpha", "中国人", "中文"});
    ShowForm();
    editor->SetFocus();
    // The input method's text: a process key, then one character message per code point.
    SendMessageA(InnerWindow(editor), WM_KEYDOWN, VK_PROCESSKEY, 0);
    Type(editor, U"中");
    EXPECT_EQ("中国人", InnerText(editor));
    EXPECT_EQ(1, editor->GetSelStart());
    EXPECT_EQ(2, editor->GetSelLength());
    EXPECT_TRUE(editor->GetFindSelection());
    SendMessageA(InnerWindow(editor), WM_KEYDOWN, VK_PROCESSKEY, 0);
    Type(editor, U"国");
    EXPECT_EQ("中国人", InnerText(editor));
    EXPECT_EQ(2, editor->GetSelStart());
    EXPECT_EQ(1, editor->GetSelLength());
    EXPECT_EQ(0, Inner(editor)->GetPendingImeChars());
    EXPECT_EQ(0, editor->GetInnerTextEdit()->GetPendingImeTrailByte());
}

TEST_F(TextEditTest, EnterAndTabNeverReachTheNativeEditWhenTheyShouldNot) {
    auto* editor = MakeEditor();
    ShowForm();
    editor->SetFocus();
    EventLog log;
    Inner(editor)->OnKeyPress = MakeEvent(&log, &EventLog::KeyPress);
    editor->SetBeepOnEnter(false);
    Type(editor, U"\r");
    EXPECT_TRUE(log.Events.empty());
    editor->SetBeepOnEnter(true);
    Type(editor, U"\r");
    EXPECT_EQ((std::vector<std::string>{"key press 13"}), log.Events);
    log.Events.clear();
    Type(editor, U"a\tb");
    EXPECT_EQ("ab", InnerText(editor));
    EXPECT_EQ((std::vector<std::string>{"key press 97", "key press 98"}), log.Events);
}

TEST_F(TextEditTest, TheHelperLeavesAWindowlessEditAlone) {
    TqzCustomInnerTextEdit inner(nullptr);
    inner.SetText("abcdef");
    IqzInnerTextEdit* helper = inner.GetTextHelper();
    helper->SetSelStart(3);
    helper->SetSelLength(2);
    helper->SelectAll();
    EXPECT_FALSE(inner.HandleAllocated());
    TqzCustomInnerTextEditPrevState state;
    SaveInnerTextEditState(helper, true, state);
    EXPECT_TRUE(HasInnerTextEditChanged(helper, state)); // no window: always a change
}

TEST_F(TextEditTest, ALetterCaseChangeIsNoChange) {
    auto* editor = MakeEditor();
    ShowForm();
    IqzInnerTextEdit* helper = editor->GetInnerTextEdit();
    Inner(editor)->SetText("abc");
    helper->SetSelStart(1);
    TqzCustomInnerTextEditPrevState state;
    SaveInnerTextEditState(helper, true, state);
    Inner(editor)->SetText("ABC");
    helper->SetSelStart(1);
    EXPECT_FALSE(HasInnerTextEditChanged(helper, state));
    Inner(editor)->SetText("abd");
    helper->SetSelStart(1);
    EXPECT_TRUE(HasInnerTextEditChanged(helper, state));
    helper->SetSelStart(2);
    SaveInnerTextEditState(helper, false, state);
    Inner(editor)->SetText("xyz");
    helper->SetSelStart(2);
    EXPECT_FALSE(HasInnerTextEditChanged(helper, state)); // the text was not saved
}

TEST_F(TextEditTest, LeftAlignmentOnEditingKeepsTheNativeEditLeftAligned) {
    auto* editor = MakeEditor();
    ShowForm();
    IqzInnerTextEdit* helper = editor->GetInnerTextEdit();
    const Integer creations = Inner(editor)->GetWindowCreationCount();
    ASSERT_TRUE(editor->GetTextEditProperties()->GetUseLeftAlignmentOnEditing());
    helper->SetAlignment(taRightJustify);
    EXPECT_EQ(taLeftJustify, helper->GetAlignment());
    EXPECT_EQ(creations, Inner(editor)->GetWindowCreationCount());
    editor->GetTextEditProperties()->SetUseLeftAlignmentOnEditing(false);
    helper->SetAlignment(taRightJustify);
    EXPECT_EQ(taRightJustify, helper->GetAlignment());
    EXPECT_EQ(creations + 1, Inner(editor)->GetWindowCreationCount());
    EXPECT_NE(0u, GetWindowLongA(InnerWindow(editor), GWL_STYLE) & ES_RIGHT);
}

TEST_F(TextEditTest, TheNativeEditTakesTheProperties) {
    auto* editor = MakeEditor();
    TqzTextEditProperties* properties = editor->GetTextEditProperties();
    properties->SetMaxLength(7);
    properties->SetEchoMode(eemPassword);
    properties->SetImeMode(imChinese);
    properties->SetImeName("pinyin");
    properties->SetHideSelection(false);
    IqzInnerTextEdit* helper = editor->GetInnerTextEdit();
    EXPECT_EQ(7, helper->GetMaxLength());
    EXPECT_EQ(eemPassword, helper->GetEchoMode());
    EXPECT_EQ('*', Inner(editor)->GetPasswordChar());
    EXPECT_EQ(imChinese, helper->GetImeMode());
    EXPECT_EQ("pinyin", helper->GetImeName());
    EXPECT_EQ(imChinese, editor->GetImeMode());
    EXPECT_FALSE(helper->GetHideSelection());
    properties->SetPasswordChar('#');
    EXPECT_EQ('#', Inner(editor)->GetPasswordChar());
    properties->SetEchoMode(eemNormal);
    EXPECT_EQ(0, Inner(editor)->GetPasswordChar());
}

TEST_F(TextEditTest, TheNativeEditAsksForCharactersTabAndInPlaceEveryKey) {
    auto* editor = MakeEditor();
    auto* inplace = new TStyleEdit(Form, true);
    inplace->SetParent(Form);
    inplace->SetTop(40);
    ShowForm();
    const LRESULT standAlone = SendMessageA(InnerWindow(editor), WM_GETDLGCODE, 0, 0);
    EXPECT_NE(0, standAlone & DLGC_WANTCHARS);
    EXPECT_NE(0, standAlone & DLGC_WANTTAB);
    EXPECT_EQ(0, standAlone & DLGC_WANTALLKEYS);
    const LRESULT inPlace = SendMessageA(InnerWindow(inplace), WM_GETDLGCODE, 0, 0);
    EXPECT_NE(0, inPlace & DLGC_WANTALLKEYS);
}

// ---- Lookup data ----

class LookupTest : public TextEditTest {
protected:
    void SetUp() override {
        TextEditTest::SetUp();
        Editor = MakeEditor<TStyleEdit>();
        SetItems(Editor->Props(), {"Alpha", "Beta", "Beth"});
        Lookup = Editor->GetLookupData();
    }
    TStyleEdit* Editor = nullptr;
    TqzCustomTextEditLookupData* Lookup = nullptr;
};

TEST_F(LookupTest, LocateCompletesAPrefixWithoutWrappingAround) {
    String text = "be", tail;
    ASSERT_TRUE(Lookup->Locate(text, tail, false));
    EXPECT_EQ("Be", text);
    EXPECT_EQ("ta", tail);
    EXPECT_EQ(1, Lookup->GetCurrentKey().AsInteger());
    text = "be";
    ASSERT_TRUE(Lookup->Locate(text, tail, true));
    EXPECT_EQ("th", tail);
    EXPECT_EQ(2, Lookup->GetCurrentKey().AsInteger());
    text = "be";
    EXPECT_FALSE(Lookup->Locate(text, tail, true));     // the last item: no wrap-around
    EXPECT_EQ(-1, Lookup->GetCurrentKey().AsInteger()); // free text forgets the item

    // An empty text never matches; what the failure does depends on the style.
    struct Case {
        TqzTextEditingStyle style;
        Integer keyAfter;
    };
    for (const Case& c :
         {Case{FreeText, -1}, Case{RestrictedText, -1}, Case{FixedList, 1}, Case{NoEdit, -1}}) {
        Editor->Props()->Style = c.style;
        Lookup->SetCurrentKey(1);
        text = "";
        EXPECT_FALSE(Lookup->Locate(text, tail, false));
        EXPECT_EQ(c.keyAfter, Lookup->GetCurrentKey().AsInteger()) << int(c.style);
    }
    Editor->Props()->Style = RestrictedText;
    Lookup->SetCurrentKey(1);
    text = "x";
    EXPECT_FALSE(Lookup->Locate(text, tail, false));
    EXPECT_EQ(1, Lookup->GetCurrentKey().AsInteger()); // a non-empty text keeps the item
}

TEST_F(LookupTest, MoveCurrent) {
    SetItems(Editor->Props(), {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"});
    struct Case {
        Integer from, direction;
        bool cycle;
        Integer to;
    };
    const Case cases[] = {
        {9, qzlmNext, false, 9},    {9, qzlmNext, true, 0},       {0, qzlmPrior, false, 0},
        {0, qzlmPrior, true, 9},    {-1, qzlmPageDown, false, 7}, {5, qzlmPageDown, false, 9},
        {9, qzlmPageDown, true, 0}, {-1, qzlmPageUp, false, -1},  {-1, qzlmPageUp, true, 9},
        {3, qzlmPageUp, false, 0},  {0, qzlmPageUp, true, 9},     {8, qzlmPageUp, false, 1},
        {4, qzlmFirst, false, 0},   {4, qzlmLast, false, 9},      {-1, qzlmNext, false, 0},
    };
    for (const Case& c : cases) {
        Lookup->SetCurrentKey(c.from);
        Lookup->MoveCurrent(c.direction, c.cycle);
        EXPECT_EQ(c.to, Lookup->GetCurrentKey().AsInteger())
            << c.from << " " << c.direction << " " << c.cycle;
    }
    // Fewer items than a page: the last one.
    SetItems(Editor->Props(), {"a", "b", "c"});
    Lookup->SetCurrentKey(-1);
    Lookup->MoveCurrent(qzlmPageDown, false);
    EXPECT_EQ(2, Lookup->GetCurrentKey().AsInteger());
}

TEST_F(LookupTest, SynchronisingWithTheTextFollowsTheRecentListMode) {
    SetItems(Editor->Props(), {"Beta", "Be"});
    Editor->SetEditValue(Variant(String("Be")));
    Lookup->SetCurrentKey(-1);
    Lookup->SyncWithEditText();
    EXPECT_EQ(0, Lookup->GetCurrentKey().AsInteger());
    Editor->Props()->SetMostRecentListMode(true);
    Lookup->SetCurrentKey(-1);
    Lookup->SyncWithEditText();
    EXPECT_EQ(1, Lookup->GetCurrentKey().AsInteger());
}

TEST_F(LookupTest, SelectingTheCurrentKeySelectsOnlyWhenTheTextDiffers) {
    struct Counter : TObject {
        void Selected(TObject*) { ++Count; }
        int Count = 0;
    } counter;
    Lookup->SetCurrentKey(1);
    Lookup->OnSelectItem = MakeEvent(&counter, &Counter::Selected);
    Editor->SetEditValue(Variant(String("Beta")));
    Lookup->SelectKey(Variant(1));
    EXPECT_EQ(0, counter.Count);
    Editor->SetEditValue(Variant(String("other")));
    Lookup->SelectKey(Variant(1));
    EXPECT_EQ(1, counter.Count);
    Lookup->SelectKey(Variant(2));
    EXPECT_EQ(2, counter.Count);
    // The editor's own handler takes the item as its value.
    Lookup->OnSelectItem = MakeEvent(Editor, &TqzCustomTextEdit::UpdateEditValueFromLookup);
    Lookup->SelectKey(Variant(0));
    EXPECT_EQ("Alpha", VarToStr(Editor->GetEditValue()));
}

TEST_F(LookupTest, TheListBoxHoldsExactlyTheItemCount) {
    auto* list = new TqzCustomEditListBox(Form);
    list->SetParent(Form);
    list->SetItemCount(3);
    EXPECT_EQ(3, list->GetItems()->GetCount());
    list->GetItems()->SetStrings(1, "kept");
    list->SetItemCount(3);
    EXPECT_EQ("kept", list->GetItems()->GetStrings(1));
    list->SetItemCount(0);
    EXPECT_EQ(0, list->GetItems()->GetCount());
    EXPECT_EQ(0, Lookup->GetListPreferredSize().cx);
    EXPECT_EQ(nullptr, Lookup->GetActiveControl());
}

// ---- Keys and incremental search ----

TEST_F(LookupTest, FreeTextCompletesTypedTextFromTheItems) {
    ShowForm();
    Editor->SetFocus();
    struct Step {
        char32_t ch;
        const char* text;
        Integer selStart, selLength;
    };
    for (const Step& step : {Step{U'b', "Beta", 1, 3}, Step{U'e', "Beta", 2, 2}, Step{U'x', "Bex", 3, 0}}) {
        Type(Editor, std::u32string(1, step.ch));
        EXPECT_EQ(step.text, InnerText(Editor));
        EXPECT_EQ(step.selStart, Editor->GetSelStart());
        EXPECT_EQ(step.selLength, Editor->GetSelLength());
    }
    // In the middle of a text without a selection nothing is searched.
    Inner(Editor)->SetText("Bz");
    Editor->SetSelection(1, 0);
    Type(Editor, U"e");
    EXPECT_EQ("Bez", InnerText(Editor));
}

TEST_F(LookupTest, AFixedListSearchesWithOrWithoutItsTypedPrefix) {
    SetItems(Editor->Props(), {"Alpha", "Beta", "Zeta"});
    Editor->Props()->Style = FixedList;
    ShowForm();
    Editor->SetFocus();
    Type(Editor, U"b");
    EXPECT_EQ("Beta", InnerText(Editor));
    Type(Editor, U"z");
    EXPECT_EQ("Beta", InnerText(Editor)); // "Bz" matches nothing: dropped
    Editor->Props()->SetFixedListPrefixSearch(false);
    Type(Editor, U"z");
    EXPECT_EQ("Zeta", InnerText(Editor));
}

TEST_F(LookupTest, RestrictedTextKeepsDeleteAndShortensThePrefixOnBackspace) {
    Editor->Props()->Style = RestrictedText;
    ShowForm();
    Editor->SetFocus();
    EventLog log;
    Editor->OnAfterKeyDown = MakeEvent(&log, &EventLog::AfterKeyDown);
    Type(Editor, U"bet");
    EXPECT_EQ("Beta", InnerText(Editor));
    EXPECT_EQ(3, Editor->GetSelStart());
    Key(Editor, VK_DELETE);
    EXPECT_EQ("Beta", InnerText(Editor));
    EXPECT_EQ((std::vector<std::string>{"after key 46"}), log.Events);
    Type(Editor, U"\b");
    EXPECT_EQ("Beta", InnerText(Editor));
    EXPECT_EQ(2, Editor->GetSelStart());
    EXPECT_EQ(2, Editor->GetSelLength());
    Type(Editor, U"q"); // no item: dropped
    EXPECT_EQ("Beta", InnerText(Editor));
}

TEST_F(LookupTest, ArrowsEnterAndUp) {
    ShowForm();
    Editor->SetFocus();
    EventLog log;
    Editor->OnAfterKeyDown = MakeEvent(&log, &EventLog::AfterKeyDown);
    Inner(Editor)->SetText("abcdef");
    Editor->SetSelection(2, 2);
    Key(Editor, VK_LEFT);
    EXPECT_EQ(2, Editor->GetSelStart());
    EXPECT_EQ(0, Editor->GetSelLength());
    Editor->SetSelection(2, 2);
    Key(Editor, VK_RIGHT);
    EXPECT_EQ(4, Editor->GetSelStart());
    EXPECT_EQ(0, Editor->GetSelLength());

    Inner(Editor)->SetText("");
    Type(Editor, U"b");
    ASSERT_EQ(1, Editor->GetSelStart());
    Key(Editor, VK_RETURN);
    EXPECT_EQ(0, Editor->GetSelStart());
    EXPECT_EQ(4, Editor->GetSelLength());

    log.Events.clear();
    Editor->SetSelection(2, 0);
    Key(Editor, VK_UP);
    EXPECT_EQ((std::vector<std::string>{"after key 38"}), log.Events);
    EXPECT_EQ("Beta", InnerText(Editor));
    EXPECT_EQ(2, Editor->GetSelStart());
}

TEST_F(LookupTest, KeysMoveThroughTheItemsOfADropDownEditor) {
    Editor->DropDown = true;
    ShowForm();
    Editor->SetFocus();
    EventLog log;
    Editor->OnClick = MakeEvent(&log, &EventLog::Click);
    Key(Editor, VK_DOWN);
    EXPECT_EQ("Alpha", InnerText(Editor));
    Key(Editor, VK_DOWN);
    EXPECT_EQ("Beta", InnerText(Editor));
    Key(Editor, VK_NEXT);
    EXPECT_EQ("Beth", InnerText(Editor));
    Key(Editor, VK_DOWN); // the last: no cycling, no click
    EXPECT_EQ((std::vector<std::string>{"click", "click", "click"}), log.Events);
    EXPECT_TRUE(Editor->GetModifiedAfterEnter());
    // The wheel moves too: towards the user to the next item, away to the prior one.
    EXPECT_TRUE(Editor->HandleMouseWheel(TShiftState{}, 120, POINT{0, 0}));
    EXPECT_EQ("Beta", InnerText(Editor));
    EXPECT_TRUE(Editor->HandleMouseWheel(TShiftState{}, -120, POINT{0, 0}));
    EXPECT_EQ("Beth", InnerText(Editor));
    // A plain text editor has no drop-down: neither keys nor the wheel move it.
    Editor->DropDown = false;
    EXPECT_FALSE(Editor->HandleMouseWheel(TShiftState{}, 120, POINT{0, 0}));
    EXPECT_EQ("Beth", InnerText(Editor));
}

// ---- View data and view info ----

TEST_F(TextEditTest, AListTextSitsOnePixelLowerAndRightStandAloneOnly) {
    auto* freeText = MakeEditor<TStyleEdit>(10);
    auto* list = MakeEditor<TStyleEdit>(40);
    list->Props()->Style = FixedList;
    auto* freeInplace = new TStyleEdit(Form, true);
    auto* listInplace = new TStyleEdit(Form, true);
    listInplace->Props()->Style = FixedList;
    for (TStyleEdit* editor : {freeInplace, listInplace}) {
        editor->SetParent(Form);
        editor->SetBounds(200, editor == freeInplace ? 10 : 40, 121, 21);
    }
    ShowForm();
    for (TStyleEdit* editor : {freeText, list, freeInplace, listInplace})
        editor->UpdateViewAtCursor();
    const TRect a = freeText->GetTextViewInfo()->TextRect, b = list->GetTextViewInfo()->TextRect;
    EXPECT_EQ(a.left + 1, b.left);
    EXPECT_EQ(a.top + 1, b.top);
    EXPECT_EQ(a.right, b.right);
    const TRect c = freeInplace->GetTextViewInfo()->TextRect, d = listInplace->GetTextViewInfo()->TextRect;
    EXPECT_EQ(c.left, d.left);
    EXPECT_EQ(c.top, d.top);
    EXPECT_EQ(c.bottom, d.bottom);
}

TEST_F(TextEditTest, TheRowCacheDrawsUpToANulAndCutsTheSelection) {
    auto* editor = MakeEditor();
    ShowForm();
    TqzCustomTextEditViewInfo* viewInfo = editor->GetTextViewInfo();
    TBitmap bitmap;
    bitmap.SetSize(200, 40);
    TqzCanvas canvas(bitmap.GetCanvas());
    struct Case {
        String text;
        Integer selStart, selLength;
        Integer rows, rowBytes, drawnSelection;
    };
    const Case cases[] = {
        {"", 0, 0, 0, 0, 0},     {String("ab\0cd", 5), 0, 0, 1, 2, 0},
        {"abc", 5, 2, 1, 3, 0},  {"abc", 3, 1, 1, 3, 0},
        {"abc", 1, 10, 1, 3, 2}, {"a中c", 1, 1, 1, 5, 3},
    };
    for (const Case& c : cases) {
        viewInfo->InvalidateRows();
        DrawTextEditText(&canvas, viewInfo, c.text, 0, 0, 0, clHighlightText, clHighlight, c.selLength,
                         c.selStart, toSingleLine, TRect{0, 0, 200, 40});
        EXPECT_TRUE(viewInfo->RowsLaidOut);
        ASSERT_EQ(c.rows, viewInfo->RowCount) << c.text;
        if (c.rows) {
            EXPECT_EQ(c.rowBytes, viewInfo->Rows[0].CharCount) << c.text;
            EXPECT_EQ(c.drawnSelection, viewInfo->RowSelLength) << c.text;
        }
    }
}

TEST_F(TextEditTest, SelectionColours) {
    auto* editor = MakeEditor();
    ShowForm();
    TqzCustomTextEditViewInfo* viewInfo = editor->GetTextViewInfo();
    struct Case {
        TColor styleColor, text, background;
        TColor shownText, shownBackground;
    };
    const TColor none = TColor(0x20000000);
    const Case cases[] = {
        {clWindow, none, none, clHighlightText, clHighlight},
        {clHighlight, none, none, TColor(0xFFFFFF), TColor(0)},
        {clWindow, none, TColor(0x0000FF), TColor(0xFFFF00), TColor(0x0000FF)},
        {clWindow, TColor(0x00FF00), none, TColor(0x00FF00), TColor(0xFF00FF)},
        {clWindow, TColor(0x123456), TColor(0x0000FF), TColor(0x123456), TColor(0x0000FF)},
    };
    for (const Case& c : cases) {
        editor->GetStyle()->SetColor(c.styleColor);
        std::unique_ptr<TqzCustomEditViewData> made(editor->CreateViewData());
        auto* viewData = static_cast<TqzCustomTextEditViewData*>(made.get());
        viewData->SelTextColor = c.text;
        viewData->SelBackgroundColor = c.background;
        viewData->SelStart = 0;
        viewData->SelLength = 1;
        viewData->CalculateSelectionInfo(viewInfo);
        EXPECT_EQ(c.shownText, viewInfo->SelTextColor);
        EXPECT_EQ(c.shownBackground, viewInfo->SelBackgroundColor);
    }
}

TEST_F(TextEditTest, AHintIsNeededOnlyForACutText) {
    auto* other = MakeEditor(60);
    auto* editor = MakeEditor();
    editor->GetTextEditProperties()->GetAlignment()->SetHorz(taRightJustify);
    ShowForm();
    other->SetFocus();
    TqzCustomTextEditViewInfo* viewInfo = editor->GetTextViewInfo();
    TqzScreenCanvas canvas;
    const TRect r = viewInfo->TextRect;
    const TPoint inside{r.left + 3, r.top + 3};
    TRect hint{};
    bool multiLine = true;
    String text;
    editor->SetEditValue(Variant(String("short")));
    EXPECT_FALSE(viewInfo->IsTextHintNeededAt(&canvas, inside, hint, multiLine, &text, TRect{}));
    editor->SetEditValue(Variant(String("a text far too long to be shown in one hundred pixels")));
    EXPECT_FALSE(
        viewInfo->IsTextHintNeededAt(&canvas, TPoint{r.right + 5, r.top}, hint, multiLine, &text, TRect{}));
    ASSERT_TRUE(viewInfo->IsTextHintNeededAt(&canvas, inside, hint, multiLine, &text, TRect{}));
    EXPECT_FALSE(multiLine);
    EXPECT_EQ("a text far too long to be shown in one hundred pixels", text);
    EXPECT_EQ(r.left, hint.left);
    // The editor's hint query measures on the screen canvas.
    text.clear();
    EXPECT_TRUE(viewInfo->IsTextHintNeeded(inside, text, multiLine, hint));
    EXPECT_FALSE(text.empty());
}

TEST_F(TextEditTest, TextSizeWithoutRoomIsOneLineHigh) {
    auto* list = MakeEditor<TStyleEdit>();
    list->Props()->Style = FixedList;
    auto* inplace = new TStyleEdit(Form, true);
    inplace->SetParent(Form);
    ShowForm();
    TqzScreenCanvas canvas;
    struct Case {
        TStyleEdit* editor;
        Integer width, expectedWidth;
    };
    for (const Case& c : {Case{inplace, 2, 0}, Case{inplace, 3, 3}, Case{list, 1, 0}, Case{list, 2, 2}}) {
        std::unique_ptr<TqzCustomEditViewData> viewData(c.editor->CreateViewData());
        TSize margins;
        viewData->GetContentMargins(margins);
        canvas.SelectFont(viewData->GetStyle()->GetEffectiveFont());
        const Integer line = canvas.TextHeightOf("Zg");
        TqzEditSizeParameters parameters;
        parameters.MaxLineCount = 0;
        parameters.Width = c.width;
        TSize size{-1, -1};
        CalculateEditTextSize(&canvas, viewData.get(), "Some text", size, true, 0, parameters, toSingleLine);
        EXPECT_EQ(c.expectedWidth, size.cx) << c.width;
        if (c.expectedWidth == 0) { EXPECT_EQ(line + margins.cy, size.cy) << c.width; }
    }
}

TEST_F(TextEditTest, OnlyACalculationLaysTheRowsOutAgain) {
    auto* other = MakeEditor(60);
    auto* editor = MakeEditor();
    editor->GetTextEditProperties()->GetAlignment()->SetHorz(taCenter);
    editor->SetEditValue(Variant(String("centred")));
    ShowForm();
    other->SetFocus();
    editor->UpdateViewAtCursor();
    TqzCustomTextEditViewInfo* viewInfo = editor->GetTextViewInfo();
    TBitmap bitmap;
    bitmap.SetSize(200, 40);
    TqzCanvas canvas(bitmap.GetCanvas());
    const Integer before = viewInfo->RowLayoutCount;
    viewInfo->PaintContent(&canvas);
    viewInfo->PaintContent(&canvas);
    EXPECT_EQ(before + 1, viewInfo->RowLayoutCount);
    const Integer left = viewInfo->Rows[0].Left;
    viewInfo->MoveBy(5, 2);
    viewInfo->PaintContent(&canvas);
    EXPECT_EQ(before + 1, viewInfo->RowLayoutCount);
    EXPECT_EQ(left + 5, viewInfo->Rows[0].Left);
    editor->UpdateViewAtCursor();
    viewInfo->PaintContent(&canvas);
    EXPECT_EQ(before + 2, viewInfo->RowLayoutCount);
}

} // namespace
