// A small editor for tests of the editor framework: its value is the text of a native inner edit,
// its properties answer the framework's class-level questions from fields a test sets, and it
// counts the calls the framework makes of it. An inner edit can be left out.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Variant.h"
#include "suite/editors/qzEdit.h"

namespace edittest {

// The native edit inside the test editor: its keys go to the editor first, its focus changes and
// text changes are reported to it.
class TTestInnerEdit : public TEdit, public IqzCustomInnerEdit {
    KOV_CLASS(TTestInnerEdit, TEdit)
public:
    explicit TTestInnerEdit(TComponent* owner) : TEdit(owner) {
        TEdit::OnChange = MakeEvent(this, &TTestInnerEdit::TextChanged);
    }
    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }
    TWinControl* GetControl() override { return this; }
    TqzContainer* GetControlContainer() override { return FEditor; }
    LRESULT CallDefaultWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        return HandleAllocated() ? CallWindowProcA(GetDefWndProc(), GetHandle(), message, wParam, lParam) : 0;
    }
    Variant GetEditValue() override { return Variant(GetText()); }
    TNotifyEvent GetOnChange() override { return FOnChange; }
    bool GetReadOnly() override { return TEdit::GetReadOnly(); }
    void LockBounds(bool) override {}
    void SetFocus() override { TEdit::SetFocus(); }
    void SetEditValue(const Variant& value) override { SetText(VarToStr(value)); }
    void SetEditOwner(TqzCustomEdit* editor) override { FEditor = editor; }
    void SetOnChange(const TNotifyEvent& handler) override { FOnChange = handler; }
    void SetReadOnly(bool value) override { TEdit::SetReadOnly(value); }

    TqzCustomEdit* GetEditor() const { return FEditor; }
    // Set while the editor shows its value: no change notice then.
    bool ShowingValue = false;

protected:
    void KeyDown(Word& key, TShiftState shift) override {
        const TLivenessToken alive = LivenessToken();
        if (FEditor) FEditor->HandleKeyDown(key, shift);
        if (alive && key != 0) TEdit::KeyDown(key, shift);
    }
    void KeyPress(char32_t& key) override {
        const TLivenessToken alive = LivenessToken();
        if (FEditor) FEditor->HandleKeyPress(key);
        if (alive && key != 0) TEdit::KeyPress(key);
    }
    void KeyUp(Word& key, TShiftState shift) override {
        const TLivenessToken alive = LivenessToken();
        if (FEditor) FEditor->HandleKeyUp(key, shift);
        if (alive && key != 0) TEdit::KeyUp(key, shift);
    }
    void WndProc(TMessage& message) override {
        const TLivenessToken alive = LivenessToken();
        TEdit::WndProc(message);
        if (alive && FEditor && (message.Msg == WM_SETFOCUS || message.Msg == WM_KILLFOCUS))
            FEditor->HandleFocusChange();
    }

private:
    void TextChanged(TObject*) {
        if (!ShowingValue) FOnChange(this);
    }

    TqzCustomEdit* FEditor = nullptr;
    TNotifyEvent FOnChange;
};

// Properties whose class-level answers a test chooses.
class TTestEditProperties : public TqzCustomEditProperties {
    KOV_CLASS(TTestEditProperties, TqzCustomEditProperties)
public:
    explicit TTestEditProperties(TPersistent* owner) : TqzCustomEditProperties(owner) {}

    bool CanValidate() override { return Validates; }
    bool ComparesEditValues() override { return Compares; }
    bool HasSeparateChangeEvents() override { return SeparateEvents; }
    bool CanResetEditValue() override { return Revertable; }
    bool WantsTabKey() override { return TabWanted; }

    bool Validates = true;
    bool Compares = true;
    bool SeparateEvents = false;
    bool Revertable = true;
    bool TabWanted = false;
};

// Properties of another family: a repository item of this class does not suit the test editor.
class TOtherEditProperties : public TqzCustomEditProperties {
    KOV_CLASS(TOtherEditProperties, TqzCustomEditProperties)
public:
    explicit TOtherEditProperties(TPersistent* owner) : TqzCustomEditProperties(owner) {}
};

class TTestRepositoryItem : public TqzEditRepositoryItem {
    KOV_CLASS(TTestRepositoryItem, TqzEditRepositoryItem)
public:
    explicit TTestRepositoryItem(TComponent* owner) : TqzEditRepositoryItem(owner) {}
    TClass GetPropertiesClass() const override { return TTestEditProperties::StaticClass(); }
    TTestEditProperties* Props() { return static_cast<TTestEditProperties*>(GetProperties()); }
};

class TOtherRepositoryItem : public TqzEditRepositoryItem {
    KOV_CLASS(TOtherRepositoryItem, TqzEditRepositoryItem)
public:
    explicit TOtherRepositoryItem(TComponent* owner) : TqzEditRepositoryItem(owner) {}
    TClass GetPropertiesClass() const override { return TOtherEditProperties::StaticClass(); }
};

// The defaults of a pretend source that a test may declare data-bound.
class TTestProvider : public TqzCustomEditDefaultValuesProvider {
    KOV_CLASS(TTestProvider, TqzCustomEditDefaultValuesProvider)
public:
    explicit TTestProvider(TPersistent* owner) : TqzCustomEditDefaultValuesProvider(owner) {}
    static TqzCustomEditDefaultValuesProvider* Make(TPersistent* owner) { return new TTestProvider(owner); }
    bool IsDataBound() override { return DataBound; }
    bool DataBound = false;
};

// A binding to a pretend source: it records the stored values and can refuse or fail.
class TTestBinding : public TqzEditDataBinding {
    KOV_CLASS(TTestBinding, TqzEditDataBinding)
public:
    explicit TTestBinding(TqzCustomEdit* editor) : TqzEditDataBinding(editor) {
        CreateDefaultValuesProvider();
    }
    static TqzEditDataBinding* Make(TqzCustomEdit* editor) { return new TTestBinding(editor); }
    TqzEditDefaultValuesProviderClass GetDefaultValuesProviderClass() override {
        return &TTestProvider::Make;
    }
    TTestProvider* Provider() const { return static_cast<TTestProvider*>(GetDefaultValuesProvider()); }
    void GetStoredValue(Variant& value) override {
        ++StoredValueReads;
        value = Variant(String("stored"));
    }
    Integer StoredValueReads = 0;
    bool Edit() override {
        ++EditCalls;
        return AllowEdit;
    }
    void StoreValue(const Variant& value) override {
        if (FailStore) throw Exception("The source refused the value");
        Stored.push_back(VarIsNull(value) ? String("<null>") : VarToStr(value));
    }
    bool AllowEdit = true;
    bool FailStore = false;
    Integer EditCalls = 0;
    std::vector<String> Stored;
};

inline void RegisterTestClasses() {
    RegisterInterfacedPersistentClass<TTestEditProperties>();
    RegisterInterfacedPersistentClass<TOtherEditProperties>();
}

// The test editor. Its edit value is the inner edit's text as a string variant (Null shows as an
// empty text). Printable characters and Delete are editing input.
class TTestEditor : public TqzCustomEdit {
    KOV_CLASS(TTestEditor, TqzCustomEdit)
public:
    explicit TTestEditor(TComponent* owner, bool isInplace = false, bool withInner = true)
        : TqzCustomEdit(owner, isInplace, true), FWithInner(withInner) {
        RegisterTestClasses();
        InitializeEditor();
    }

    TTestEditProperties* Props() const { return static_cast<TTestEditProperties*>(GetProperties()); }
    TTestBinding* Binding() const { return static_cast<TTestBinding*>(GetDataBinding()); }
    TqzEditDataBindingClass GetDataBindingClass() override { return &TTestBinding::Make; }
    TTestInnerEdit* Inner() const { return static_cast<TTestInnerEdit*>(GetInnerControl()); }
    TqzEditButton* AddButton(TqzEditButtonKind kind, Integer width = 0, bool isDefault = false) {
        auto* button = static_cast<TqzEditButton*>(GetProperties()->GetButtons()->Add());
        button->SetKind(kind);
        button->SetWidth(width);
        if (isDefault) button->SetDefault(true);
        return button;
    }

    using TqzCustomEdit::GetEditValue;
    TClass GetPropertiesClass() override { return TTestEditProperties::StaticClass(); }
    TClass GetInnerEditClass() override { return FWithInner ? TTestInnerEdit::StaticClass() : nullptr; }
    void ReadDisplayText(String& text) override { text = Inner() ? Inner()->GetText() : FShownText; }
    void DisplayValueToInnerEdit(const Variant& value) override { ShowText(VarToStr(value)); }
    void SynchronizeDisplayValue() override {
        ++Synchronizations;
        ShowText(VarIsNull(FEditValue) ? String() : VarToStr(FEditValue));
    }
    void ApplyDisplayValue(const Variant& value) override {
        ++DisplayValuesApplied;
        FEditValue = value;
    }
    void SelectAll() override {
        ++Selections;
        if (Inner() && Inner()->HandleAllocated()) Inner()->SelectAll();
    }
    bool IsEditingChar(char32_t ch) override { return ch >= 32; }
    bool IsEditingKey(Word key, TShiftState shift) override { return key == VK_DELETE; }
    void CopyToClipboard() override { Calls.push_back("copy"); }
    void CutToClipboard() override { Calls.push_back("cut"); }
    void PasteFromClipboard() override { Calls.push_back(IsUserChange() ? "paste as user" : "paste"); }
    bool ShowsInnerEdit() override { return Inner() != nullptr; }
    void HandleButtonPress(Integer index) override { Calls.push_back("press " + std::to_string(index)); }
    void HandleButtonRelease(Integer index) override { Calls.push_back("release " + std::to_string(index)); }
    void HandleEditDataCleared() override { Calls.push_back("data cleared"); }
    TqzCustomEditDataClass GetEditDataClass() override { return &TqzCustomEditData::CreateInstance; }
    void UpdateDrawValue() override { ++DrawValueUpdates; }

    // The text shown without an inner edit.
    String FShownText;
    Integer Synchronizations = 0;
    Integer DisplayValuesApplied = 0;
    Integer Selections = 0;
    Integer DrawValueUpdates = 0;
    std::vector<std::string> Calls;

private:
    void ShowText(const String& text) {
        if (Inner()) {
            Inner()->ShowingValue = true;
            Inner()->SetText(text);
            Inner()->ShowingValue = false;
        } else
            FShownText = text;
    }
    bool FWithInner;
};

} // namespace edittest
