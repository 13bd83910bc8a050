// The text editor: its value and display flow, selection and clipboard, the text messages, and
// how the native edit follows the properties and is placed and painted.
#include <algorithm>
#include <cstring>

#include "platform/classlib/Forms.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/WinCaret.h"
#include "platform/winapi/WinEdit.h"
#include "suite/editors/qzTextEdit.h"

namespace {

const bool kTextEditClassesRegistered = [] {
    RegisterInterfacedPersistentClass<TqzCustomTextEditLookupData>();
    RegisterClasses({TqzTextEdit::StaticClass()});
    return true;
}();

// The clipboard's text; false when it holds none.
bool ReadClipboardText(String& text) {
    if (!IsClipboardFormatAvailable(CF_TEXT)) return false;
    if (!OpenClipboard(nullptr)) return false;
    bool found = false;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (auto* bytes = static_cast<const char*>(GlobalLock(HGLOBAL(data)))) {
            text.assign(bytes, strnlen(bytes, GlobalSize(HGLOBAL(data))));
            found = true;
        }
        GlobalUnlock(HGLOBAL(data));
    }
    CloseClipboard();
    return found;
}

// The first count characters of text as bytes.
std::size_t BytesOfChars(const String& text, Integer count) {
    std::size_t pos = 0;
    for (Integer i = 0; i < count && pos < text.size(); ++i)
        pos = Utf8Next(text, pos);
    return pos;
}

// Change events collected for a scope.
class TChangeEventsScope {
public:
    explicit TChangeEventsScope(TqzCustomEdit* edit) : FEdit(edit), FAlive(edit->LivenessToken()) {
        FEdit->LockChangeEvents(true);
    }
    ~TChangeEventsScope() noexcept(false) {
        if (FAlive) FEdit->LockChangeEvents(false, std::uncaught_exceptions() == 0);
    }
    TChangeEventsScope(const TChangeEventsScope&) = delete;
    TChangeEventsScope& operator=(const TChangeEventsScope&) = delete;

private:
    TqzCustomEdit* FEdit;
    TLivenessToken FAlive;
};

class TClickLockScope {
public:
    explicit TClickLockScope(TqzCustomEdit* edit) : FEdit(edit), FAlive(edit->LivenessToken()) {
        FEdit->LockClick(true);
    }
    ~TClickLockScope() {
        if (FAlive) FEdit->LockClick(false);
    }
    TClickLockScope(const TClickLockScope&) = delete;
    TClickLockScope& operator=(const TClickLockScope&) = delete;

private:
    TqzCustomEdit* FEdit;
    TLivenessToken FAlive;
};

class TModifiedScope {
public:
    explicit TModifiedScope(TqzCustomEdit* edit) : FEdit(edit), FAlive(edit->LivenessToken()) {
        FEdit->PushModifiedState();
    }
    ~TModifiedScope() {
        if (FAlive) FEdit->PopModifiedState();
    }
    TModifiedScope(const TModifiedScope&) = delete;
    TModifiedScope& operator=(const TModifiedScope&) = delete;

private:
    TqzCustomEdit* FEdit;
    TLivenessToken FAlive;
};

} // namespace

// ---- Construction ----------------------------------------------------------------------------

TqzCustomTextEdit::TqzCustomTextEdit(TComponent* owner) : TqzCustomTextEdit(owner, false) {}

TqzCustomTextEdit::TqzCustomTextEdit(TComponent* owner, bool isInplace)
    : TqzCustomTextEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomTextEdit::TqzCustomTextEdit(TComponent* owner, bool isInplace, bool)
    : TqzCustomEdit(owner, isInplace, true) {}

TqzCustomTextEdit::~TqzCustomTextEdit() {
    FTextAtDestruction = GetText();
    FTextDestroying = true;
    GetFormatController()->RemoveListener(this);
    FLookupData.reset();
}

void TqzCustomTextEdit::Initialize() {
    inherited::Initialize();
    FBeepOnEnter = true;
    FFindSelection = false;
    if (TqzCustomInnerTextEdit* inner = GetInnerTextEditControl()) inner->SetColor(clWindow);
    SetBounds(GetLeft(), GetTop(), 121, 21);
    TClass lookupClass = GetTextProperties()->GetLookupDataClass();
    if (lookupClass) {
        TqzInterfacedPersistent* made = TqzInterfacedPersistent::Create(lookupClass, this);
        auto* lookup = dynamic_cast<TqzCustomTextEditLookupData*>(made);
        if (!lookup) {
            delete made;
            throw EInvalidOperation("The lookup data class of a text editor is not a lookup data class");
        }
        FLookupData.reset(lookup);
        FLookupData->OnSelectItem = MakeEvent(this, &TqzCustomTextEdit::UpdateEditValueFromLookup);
    }
    GetFormatController()->AddListener(this);
}

void TqzCustomTextEdit::Loaded() {
    inherited::Loaded();
    UpdateViewAtCursor();
}

// ---- Access ----------------------------------------------------------------------------------

IqzInnerTextEdit* TqzCustomTextEdit::GetInnerTextEdit() const {
    return dynamic_cast<IqzInnerTextEdit*>(GetInnerEdit());
}

TqzCustomInnerTextEdit* TqzCustomTextEdit::GetInnerTextEditControl() const {
    return dynamic_cast<TqzCustomInnerTextEdit*>(GetInnerControl());
}

TqzCustomTextEditViewInfo* TqzCustomTextEdit::GetTextViewInfo() const {
    return dynamic_cast<TqzCustomTextEditViewInfo*>(GetViewInfo());
}

TqzCustomTextEditProperties* TqzCustomTextEdit::GetTextProperties() const {
    return static_cast<TqzCustomTextEditProperties*>(GetProperties());
}

TqzCustomTextEditProperties* TqzCustomTextEdit::GetActiveProperties() {
    return static_cast<TqzCustomTextEditProperties*>(GetPropertiesInUse());
}

String TqzCustomTextEdit::GetText() { return TControl::GetText(); }

void TqzCustomTextEdit::SetText(const String& value) { TControl::SetText(value); }

// ---- Selection -------------------------------------------------------------------------------

Integer TqzCustomTextEdit::GetSelStart() {
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    const TqzTextEditingStyle style = GetActiveProperties()->GetEditingStyle();
    if (!inner || style == NoEdit || (style == FixedList && !FFindSelection)) return 0;
    return inner->GetSelStart();
}

Integer TqzCustomTextEdit::GetSelLength() {
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    const TqzTextEditingStyle style = GetActiveProperties()->GetEditingStyle();
    if (!inner || style == NoEdit || (style == FixedList && !FFindSelection)) return 0;
    return inner->GetSelLength();
}

String TqzCustomTextEdit::GetSelText() {
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    return inner ? inner->GetSelText() : String();
}

void TqzCustomTextEdit::SetSelStart(Integer value) {
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    if (inner && GetActiveProperties()->GetEditingStyle() != NoEdit) inner->SetSelStart(value);
}

void TqzCustomTextEdit::SetSelLength(Integer value) {
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    if (inner && GetActiveProperties()->GetEditingStyle() != NoEdit) inner->SetSelLength(value);
}

void TqzCustomTextEdit::SetSelection(Integer start, Integer length) {
    SetSelStart(start);
    SetSelLength(length);
}

void TqzCustomTextEdit::SetSelText(const String& value) {
    String newText;
    Integer caret = 0;
    if (!ValidateTextInsertion(value, newText, caret)) return;
    const TLivenessToken alive = LivenessToken();
    ApplyDisplayValue(Variant(newText));
    if (alive) SetSelStart(caret);
}

void TqzCustomTextEdit::SelectAll() {
    TqzCustomInnerTextEdit* inner = GetInnerTextEditControl();
    if (inner && inner->HandleAllocated()) inner->SelectAll();
}

void TqzCustomTextEdit::ClearSelection() {
    if (GetSelLength() == 0) return;
    String text;
    ReadDisplayText(text);
    const Integer start = GetSelStart();
    const std::size_t from = BytesOfChars(text, start);
    const std::size_t to = BytesOfChars(text, start + GetSelLength());
    const String rest = text.substr(0, from) + text.substr(to);
    const TLivenessToken alive = LivenessToken();
    if (CanSetDisplayText(rest) && alive) SetSelStart(start);
}

Integer TqzCustomTextEdit::GetCaretCharIndex() {
    TqzCustomInnerTextEdit* inner = GetInnerTextEditControl();
    if (!inner || !inner->HandleAllocated()) return 0;
    HWND window = inner->GetHandle();
    const Integer length = Utf8Length(inner->GetText());
    auto xOf = [window](Integer index) {
        const LRESULT position = SendMessageA(window, EM_POSFROMCHAR, WPARAM(index), 0);
        return Integer(SmallInt(LOWORD(DWORD(position))));
    };
    // The focused edit owns the thread's caret: its position is where the caret really stands
    // (at either end of a selection). Unfocused, the caret is taken at the selection's end.
    POINT caret{0, 0};
    if (GetFocus() != window || !GetCaretPos(&caret)) {
        DWORD selStart = 0, selEnd = 0;
        SendMessageA(window, EM_GETSEL, WPARAM(&selStart), LPARAM(&selEnd));
        if (Integer(selEnd) >= length) return length;
        caret.x = xOf(Integer(selEnd));
    }
    // Full-width indexes: a 16-bit index would wrap past 32767 characters.
    Integer lo = 0, hi = length - 1;
    if (hi < 0) return 0;
    do {
        const Integer mid = (lo + hi) / 2;
        if (xOf(mid) < caret.x)
            lo = mid;
        else
            hi = mid;
    } while (hi - lo >= 2);
    if (xOf(lo) == caret.x) return lo;
    if (xOf(hi) == caret.x) return hi;
    return hi + 1;
}

// ---- Clipboard -------------------------------------------------------------------------------

void TqzCustomTextEdit::CopyToClipboard() {
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    if (!inner) return;
    const TqzTextEditingStyle style = GetActiveProperties()->GetEditingStyle();
    if (style == FixedList || style == NoEdit) {
        // These styles report no selection: the whole text is what they show.
        SelectAll();
        if (inner->GetSelLength() > 0) inner->CopyToClipboard();
        return;
    }
    if (GetSelLength() > 0) inner->CopyToClipboard();
}

void TqzCustomTextEdit::CutToClipboard() {
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    if (!inner || GetSelLength() == 0) return;
    if (IsUserChange()) {
        String newText;
        Integer caret = 0;
        if (ValidateTextInsertion(String(), newText, caret)) inner->CallDefaultWindowProc(WM_CUT, 0, 0);
        return;
    }
    inner->CopyToClipboard();
    SetSelText(String());
}

void TqzCustomTextEdit::PasteFromClipboard() {
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    String text;
    if (!inner || !ReadClipboardText(text)) return;
    if (IsUserChange()) {
        String newText;
        Integer caret = 0;
        if (ValidateTextInsertion(text, newText, caret)) inner->CallDefaultWindowProc(WM_PASTE, 0, 0);
        return;
    }
    SetSelText(text);
}

// ---- Value and text --------------------------------------------------------------------------

void TqzCustomTextEdit::ReadDisplayText(String& text) {
    IqzInnerTextEdit* inner = IsInnerEditUnavailable() ? nullptr : GetInnerTextEdit();
    text = inner ? VarToStr(inner->GetEditValue()) : String();
}

String TqzCustomTextEdit::GetEditingText() {
    String text;
    ReadDisplayText(text);
    return text;
}

bool TqzCustomTextEdit::SetEditingText(const String& text) { return CanSetDisplayText(text); }

bool TqzCustomTextEdit::CanSetDisplayText(const String& text) {
    Variant value = text;
    if (!GetActiveProperties()->IsTextValueValid(value, IsEditFocused())) return false;
    if (IsUserChange() && !RequestEditing()) return false;
    ApplyDisplayValue(value);
    return true;
}

void TqzCustomTextEdit::ApplyDisplayValue(const Variant& value) {
    const TLivenessToken alive = LivenessToken();
    GetDataBinding()->SetDisplayValue(value);
    if (!alive || IsUserChange()) return;
    ResetFindSelection();
    RefreshEditValueFromDisplay();
    if (alive) SetModifiedFlag(false);
}

void TqzCustomTextEdit::DisplayValueToInnerEdit(const Variant& value) {
    if (IqzInnerTextEdit* inner = GetInnerTextEdit()) inner->SetEditValue(value);
}

void TqzCustomTextEdit::DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool&) {
    editValue = displayValue;
}

void TqzCustomTextEdit::StoreDisplayValue(const Variant& value) {
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    if (properties->GetEditingStyle() == FreeText && FLookupData) {
        const String text = VarToStr(value);
        if (!properties->IsLookupText(text)) {
            const TLivenessToken alive = LivenessToken();
            DoNewLookupDisplayText(text);
            if (!alive) return;
        }
    }
    inherited::StoreDisplayValue(value);
}

void TqzCustomTextEdit::DoNewLookupDisplayText(const String& text) {
    const TLivenessToken alive = LivenessToken();
    if (TqzCustomTextEditProperties* own = GetTextProperties())
        if (own->OnNewLookupDisplayText) own->OnNewLookupDisplayText(this, text);
    if (!alive || !GetRepositoryItem()) return;
    auto* item = dynamic_cast<TqzCustomTextEditProperties*>(GetRepositoryItem()->GetProperties());
    if (item && item->OnNewLookupDisplayText) item->OnNewLookupDisplayText(this, text);
}

void TqzCustomTextEdit::SetTextIfEditable(const String& text) {
    if (!RequestEditing()) return;
    const TLivenessToken alive = LivenessToken();
    SetText(text);
    if (alive) SetModifiedAfterEntry(true);
}

bool TqzCustomTextEdit::IsEditable() { return GetActiveProperties()->GetEditingStyle() != NoEdit; }

bool TqzCustomTextEdit::AcceptsChar(char32_t ch) {
    if (inherited::AcceptsChar(ch)) return true;
    bool currency = false, sourceFormat = false;
    String format;
    GetActiveProperties()->CalculateEditFormat(currency, sourceFormat, format, this);
    return !format.empty() || sourceFormat;
}

void TqzCustomTextEdit::SynchronizeDisplayValue() {
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    const bool focused = IsEditFocused();
    const Variant editValue = GetEditValue();
    Variant display;
    if (properties->CanValidate()) {
        Variant copy = editValue;
        const bool valid = properties->IsEditValueValid(copy, focused);
        if (valid || focused) {
            if (valid)
                properties->PrepareDisplayValue(editValue, display, focused);
            else
                properties->GetDefaultDisplayValue(display);
        } else {
            try {
                display = VarType(editValue) == varDate ? DateTimeToStr(VarToDateTime(editValue))
                                                        : VarToStr(editValue);
            } catch (const EVariantError&) {
                display = String();
            }
        }
    } else {
        properties->PrepareDisplayValue(editValue, display, focused);
    }
    const TLivenessToken alive = LivenessToken();
    PushModifiedState();
    FSynchronizingDisplayValue = true;
    try {
        GetDataBinding()->SetDisplayValue(display);
    } catch (...) {
        if (alive) {
            FSynchronizingDisplayValue = false;
            PopModifiedState();
            ResetFindSelection();
            UpdateDrawValue();
        }
        throw;
    }
    if (!alive) return;
    FSynchronizingDisplayValue = false;
    PopModifiedState();
    ResetFindSelection();
    UpdateDrawValue();
}

void TqzCustomTextEdit::RefreshEditValueFromDisplay() {
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    const bool compare = properties->ComparesEditValues();
    const Variant old = compare ? GetEditValue() : Null();
    String text;
    ReadDisplayText(text);
    Variant value;
    bool isValid = true;
    DisplayToEditValue(Variant(text), value, isValid);
    FEditValue = value;
    const bool changed = compare && !VariantsEqualSameType(old, FEditValue);
    if (IsUserChange())
        SetModifiedAfterEntry(true);
    else
        SetModifiedFlag(false);
    if (!changed) return;
    const TLivenessToken alive = LivenessToken();
    NotifyEditValueChanged();
    if (alive && !properties->HasSeparateChangeEvents()) NotifyChange();
}

void TqzCustomTextEdit::HandleContentChange(TObject* sender) {
    TChangeEventsScope events(this);
    const TLivenessToken alive = LivenessToken();
    inherited::HandleContentChange(sender);
    if (!alive) return;
    TqzCustomTextEditViewInfo* viewInfo = GetTextViewInfo();
    if (viewInfo && !viewInfo->InnerEditVisible) UpdateDrawValue();
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    if (Focused() && properties->IsEditValueNumeric() && properties->UsesThousandSeparator(true))
        ReformatThousandSeparators();
}

void TqzCustomTextEdit::ReformatThousandSeparators() {
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    if (!inner) return;
    const String old = GetText();
    String text = old;
    InsertThousandSeparators(text);
    String plain = text;
    RemoveThousandSeparators(plain);
    Extended number = 0;
    if (!TryStrToFloat(plain, number)) return;
    // The characters before the caret that are not separators.
    const Integer caret = inner->GetSelStart();
    const char separator = FormatSettings.ThousandSeparator;
    Integer n = 0;
    {
        std::size_t pos = 0;
        for (Integer i = 0; i < caret && pos < old.size(); ++i) {
            if (old[pos] != separator) ++n;
            pos = Utf8Next(old, pos);
        }
    }
    DisplayValueToInnerEdit(Variant(text));
    Integer position = 0, seen = 0;
    std::size_t pos = 0;
    while (pos < text.size() && seen < n) {
        if (text[pos] != separator) ++seen;
        pos = Utf8Next(text, pos);
        ++position;
    }
    if (seen < n) position = Utf8Length(text);
    inner->SetSelStart(position);
    inner->SetSelLength(0);
}

bool TqzCustomTextEdit::ValidateTextInsertion(const String& insertion, String& newText, Integer& newCaret) {
    String text = insertion;
    if (const std::size_t nul = text.find('\0'); nul != String::npos) text.erase(nul);
    newText.clear();
    newCaret = 0;
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    const TqzTextEditingStyle style = properties->GetEditingStyle();
    const bool userInput = IsUserChange();
    if (userInput && style == NoEdit) return false;
    if (style == FixedList || style == NoEdit) SelectAll();
    String current;
    ReadDisplayText(current);
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    const Integer selStart = inner ? inner->GetSelStart() : 0;
    const Integer selLength = inner ? inner->GetSelLength() : 0;
    const std::size_t before = BytesOfChars(current, selStart);
    const std::size_t after = BytesOfChars(current, selStart + selLength);
    const Integer maxLength = properties->GetMaxLength();
    if (userInput && style == FreeText && maxLength > 0) {
        String head = current.substr(0, before) + text;
        Integer position = std::min(Utf8Length(head), maxLength);
        if (position < selStart) return false;
        head = head.substr(0, BytesOfChars(head, position));
        newText = head + current.substr(after);
        if (Utf8Length(newText) > maxLength) newText = newText.substr(0, BytesOfChars(newText, maxLength));
        newCaret = position;
    } else if (style == FixedList) {
        newText = text;
        newCaret = selStart + Utf8Length(text);
    } else {
        newText = current.substr(0, before) + text + current.substr(after);
        newCaret = selStart + Utf8Length(text);
    }
    Variant value = newText;
    bool result = properties->IsTextValueValid(value, IsEditFocused());
    if (result && userInput) result = RequestEditing();
    if (result) newText = VarToStr(value);
    return result;
}

void TqzCustomTextEdit::ValidateLookupText() {
    if (!GetInnerTextEdit() || IsInnerEditUnavailable()) return;
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    const TqzTextEditingStyle style = properties->GetEditingStyle();
    if (style == RestrictedText || style == FixedList) {
        if (GetModifiedAfterEnter() || NeedsLookupValidation()) {
            String text;
            ReadDisplayText(text);
            Variant value = text;
            if (!properties->IsTextValueValid(value, true)) {
                Variant display;
                properties->GetDefaultDisplayValue(display);
                {
                    TModifiedScope modified(this);
                    GetDataBinding()->SetDisplayValue(display);
                }
                if (!GetModifiedAfterEnter()) RefreshEditValueFromDisplay();
            }
        } else {
            SynchronizeDisplayValue();
        }
    } else if (!GetModifiedAfterEnter()) {
        GetDataBinding()->UpdateDisplayValue();
    }
}

void TqzCustomTextEdit::EnforceValueBounds() {
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    if (GetDataBinding()->IsEditorDesigning() && properties->IsEditValueNumeric() && GetInnerTextEdit() &&
        !IsInnerEditUnavailable() && properties->IsValueBoundsDefined())
        ClampValueToBounds();
}

Integer TqzCustomTextEdit::GetTextHeight() {
    TqzScreenCanvas* canvas = GetScreenCanvas();
    if (TWinControl* inner = GetInnerControl()) canvas->SelectFont(inner->GetFont());
    return canvas->TextHeightOf("Qq");
}

void TqzCustomTextEdit::FormatChanged() {
    GetActiveProperties()->FormatChanged();
    SynchronizeDisplayValue();
}

// ---- Lookup ----------------------------------------------------------------------------------

Integer TqzCustomTextEdit::LookupKeyToItemIndex(const Variant& key) {
    if (VarIsNull(key) || VarIsEmpty(key)) return -1;
    return key.AsInteger();
}

Integer TqzCustomTextEdit::GetItemIndex() {
    return FLookupData ? LookupKeyToItemIndex(FLookupData->GetCurrentKey()) : -1;
}

Variant TqzCustomTextEdit::LookupKeyToEditValue(const Variant& key) {
    const String text = FLookupData ? FLookupData->GetKeyText(key) : String();
    Variant value;
    bool isValid = true;
    DisplayToEditValue(Variant(text), value, isValid);
    return value;
}

bool TqzCustomTextEdit::NeedsLookupValidation() { return !IsInplace() && !IsDataBound(); }

void TqzCustomTextEdit::ResetFindSelection() {
    if (FLookupData) SetFindSelection(false);
}

void TqzCustomTextEdit::SetItemIndex(Integer index) {
    const Integer old = GetItemIndex();
    const TLivenessToken alive = LivenessToken();
    {
        TClickLockScope clicks(this);
        if (FLookupData) {
            FLookupData->SetCurrentKey(ItemIndexToLookupKey(index).AsInteger());
            const Variant value = LookupKeyToEditValue(FLookupData->GetCurrentKey());
            if (!VariantsEqualSameType(value, GetEditValue())) SetEditValue(value);
        }
    }
    if (!alive || GetItemIndex() == old) return;
    SetModifiedFlag(false);
    Click();
}

void TqzCustomTextEdit::UpdateEditValueFromLookup(TObject*) {
    if (!FLookupData) return;
    const Variant value = LookupKeyToEditValue(FLookupData->GetCurrentKey());
    const bool differs = !VariantsEqualSameType(value, GetEditValue());
    if (differs && !RequestEditing()) return;
    const TLivenessToken alive = LivenessToken();
    {
        TModifiedScope modified(this);
        SetEditValueAsUser(value);
    }
    if (!alive) return;
    if (differs) SetModifiedAfterEntry(true);
    SelectAll();
    UpdateViewAtCursor();
}

void TqzCustomTextEdit::SetFindSelection(bool value) {
    if (!HandleAllocated() || FFindSelection == value) return;
    FFindSelection = value;
    UpdateViewAtCursor();
    UpdateDrawValue();
}

// ---- Properties to the native edit -----------------------------------------------------------

void TqzCustomTextEdit::ApplyActiveProperties(TObject* sender) {
    TqzCustomTextEditProperties* properties = GetActiveProperties();
    IqzInnerTextEdit* inner = IsInnerEditUnavailable() ? nullptr : GetInnerTextEdit();
    const TLivenessToken alive = LivenessToken();
    if (inner) inner->SetAlignment(properties->GetAlignment()->GetHorz());
    if (FLookupData) {
        FLookupData->RefreshList();
        if (!FLookupChangingText) FLookupData->SyncWithEditText();
    }
    if (inner && !ShowsInnerEdit()) UpdateDrawValue();
    if (inner) {
        SetImeMode(properties->GetImeMode());
        SetImeName(properties->GetImeName());
        inner->SetAlignment(properties->GetAlignment()->GetHorz());
        inner->SetAutoSelect(properties->GetAutoSelect() && !IsInplace());
        inner->SetCharCase(properties->GetCharCase());
        inner->SetEchoMode(properties->GetEchoMode());
        inner->SetHideSelection(properties->GetHideSelection());
        inner->SetImeMode(properties->GetImeMode());
        inner->SetImeName(properties->GetImeName());
        inner->SetMaxLength(properties->GetEffectiveMaxLength());
        inner->SetOEMConvert(properties->GetOEMConvert());
        inner->SetPasswordChar(properties->GetPasswordChar());
        EnforceValueBounds();
        if (!alive) return;
        if (!IsPosting()) ValidateLookupText();
        if (!alive) return;
        UpdateDrawValue();
    }
    inherited::ApplyActiveProperties(sender);
    if (!alive) return;
    if (TWinControl* control = GetInnerControl()) control->Invalidate();
}

void TqzCustomTextEdit::UpdateInnerEditAppearance() {
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    TqzCustomInnerTextEdit* control = GetInnerTextEditControl();
    if (!inner || !control || IsConstructing() || !GetViewInfo()) return;
    inner->LockBounds(true);
    try {
        control->SetColor(GetViewInfo()->BackgroundColor);
        control->GetFont()->Assign(GetActiveStyle()->GetFont());
        control->GetFont()->SetColor(GetViewInfo()->TextColor);
    } catch (...) {
        inner->LockBounds(false);
        throw;
    }
    inner->LockBounds(false);
}

// ---- View ------------------------------------------------------------------------------------

bool TqzCustomTextEdit::ShowsInnerEdit() {
    const TqzTextEditingStyle style = GetActiveProperties()->GetEditingStyle();
    if (style != FreeText && style != RestrictedText) return false;
    if (!GetInnerTextEdit() || IsInnerEditUnavailable() || IsDesigning()) return false;
    return IsActiveControl() || GetActiveProperties()->GetAlignment()->GetHorz() == taLeftJustify;
}

bool TqzCustomTextEdit::UpdateViewState(const TPoint& point, Integer button, TShiftState shift,
                                        bool isMouseEvent) {
    const TLivenessToken alive = LivenessToken();
    const bool changed = inherited::UpdateViewState(point, button, shift, isMouseEvent);
    if (!alive) return changed;
    if (changed) UpdateInnerEditAppearance();
    SetDoubleBuffered(!ShowsInnerEdit());
    return changed;
}

void TqzCustomTextEdit::UpdateDrawValue() {
    TqzCustomTextEditViewInfo* viewInfo = GetTextViewInfo();
    if (!viewInfo || IsEditorDestroying()) return;
    {
        std::unique_ptr<TqzCustomEditViewData> viewData(CreateViewData());
        String text;
        ReadDisplayText(text);
        if (auto* textViewData = dynamic_cast<TqzCustomTextEditViewData*>(viewData.get()))
            textViewData->StoreDrawText(Variant(text), viewInfo);
    }
    if (!HandleAllocated()) return;
    RecalculateAtCursor();
    const TqzTextEditingStyle style = GetActiveProperties()->GetEditingStyle();
    if (style == FixedList || style == NoEdit) {
        if (style == NoEdit || !FFindSelection || !GetActiveProperties()->GetFixedListPrefixSearch()) {
            viewInfo->SelLength = 0;
        } else if (viewInfo->Highlighted) {
            viewInfo->SelStart = 0;
            viewInfo->SelLength = Utf8Length(viewInfo->Text) - GetSelLength();
            viewInfo->SelTextColor = clHighlight;
            viewInfo->SelBackgroundColor = clHighlightText;
        } else {
            viewInfo->SelStart = GetSelStart();
            viewInfo->SelLength = GetSelLength();
            viewInfo->SelTextColor = clHighlightText;
            viewInfo->SelBackgroundColor = clHighlight;
        }
        viewInfo->InvalidateRows();
    }
    RECT r{0, 0, GetWidth(), GetHeight()};
    InvalidateRect(GetHandle(), &r, FALSE);
}

void TqzCustomTextEdit::AdjustInnerEditPosition() {
    TWinControl* inner = GetInnerControl();
    if (FPositioningInnerEdit || !inner || !GetViewInfo()) return;
    FPositioningInnerEdit = true;
    try {
        const Integer h = GetTextHeight();
        TRect c = GetViewInfo()->ClientRect;
        if (IsInplace()) {
            c.top += 1;
            c.bottom -= 1;
        }
        // A stand-alone editor keeps its content offsets around the native edit, so the text
        // stands where the painter draws it, clear of the border and of the caret at its start;
        // in place the grid cell's border widths are the view data's.
        const TRect offsets = IsInplace() ? TRect{0, 0, 0, 0} : qzEditContentOffsets[0];
        const Integer l = offsets.left, t = offsets.top, r = offsets.right, b = offsets.bottom;
        Integer top = c.top + t;
        switch (GetActiveProperties()->GetAlignment()->GetVert()) {
        case taBottomJustify:
            top = c.bottom - h - b;
            break;
        case taVCenter:
            top = c.top + t + (c.bottom - c.top - h - t - b) / 2;
            break;
        default:
            break;
        }
        top = std::max(top, c.top + t);
        const Integer left = c.left + l;
        const Integer width = (c.right - c.left + 1) - (l + r);
        if (inner->GetLeft() != left || inner->GetTop() != top || inner->GetWidth() != width ||
            inner->GetHeight() != h)
            inner->SetBounds(left, top, width, h);
        if (IsInplace()) {
            RECT rect = c;
            AlignControls(inner, rect);
        }
    } catch (...) {
        FPositioningInnerEdit = false;
        throw;
    }
    FPositioningInnerEdit = false;
}

void TqzCustomTextEdit::CalculateInnerControlRegion(bool& whole, TRect& rect) {
    if (!ShowsInnerEdit()) {
        whole = false;
        rect = TRect{0, 0, 0, 0};
        return;
    }
    inherited::CalculateInnerControlRegion(whole, rect);
    auto* viewInfo = GetTextViewInfo();
    const TqzTextEditingStyle style = GetActiveProperties()->GetEditingStyle();
    if (viewInfo && viewInfo->IsComboBoxView && viewInfo->NativeStyle && !IsInplace() &&
        (style == FreeText || style == RestrictedText)) {
        if (whole && GetInnerControl()) {
            rect = TRect{0, 0, GetInnerControl()->GetWidth(), GetInnerControl()->GetHeight()};
            whole = false;
        }
        rect.right -= 1;
        rect.bottom -= 1;
    }
}

void TqzCustomTextEdit::GetSizeParameters(TqzEditSizeParameters& parameters) {
    inherited::GetSizeParameters(parameters);
    if (GetViewInfo()) {
        parameters.MaxLineCount = 1;
        parameters.Width = -1;
    }
}

// ---- Activation and focus --------------------------------------------------------------------

void TqzCustomTextEdit::Activate(TqzCustomEditData*& editData) {
    const TLivenessToken alive = LivenessToken();
    inherited::Activate(editData);
    if (!alive || !HandleAllocated()) return;
    SetSelStart(0);
    if (GetActiveProperties()->GetAutoSelect()) SelectAll();
}

void TqzCustomTextEdit::InnerEditWndProc(TMessage& message) {
    if (message.Msg == WM_SETFOCUS) {
        IqzInnerTextEdit* inner = GetInnerTextEdit();
        if (inner && inner->GetAutoSelect()) SelectAll();
        return;
    }
    inherited::InnerEditWndProc(message);
}

void TqzCustomTextEdit::UnhookInnerEditWndProc() {
    inherited::UnhookInnerEditWndProc();
    IqzInnerTextEdit* inner = GetInnerTextEdit();
    TWinControl* control = GetInnerControl();
    if (!inner || !control || !control->HandleAllocated()) return;
    const bool autoSelect = inner->GetAutoSelect();
    inner->SetAutoSelect(false);
    control->Perform(WM_SETFOCUS, 0, 0);
    inner->SetAutoSelect(autoSelect);
}

void TqzCustomTextEdit::HandleExit() {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleExit();
    if (alive) SetFindSelection(false);
}

// ---- Text messages ---------------------------------------------------------------------------

String TqzCustomTextEdit::MessageText() {
    if (FTextDestroying || !GetProperties()) return FTextAtDestruction;
    return GetEditingText();
}

void TqzCustomTextEdit::WMSetText(TMessage& message) {
    if (FInSetTextMessage) {
        KOV_INHERITED(message);
        return;
    }
    message.Result = 0;
    FInSetTextMessage = true;
    const TLivenessToken alive = LivenessToken();
    try {
        const char* text = reinterpret_cast<const char*>(message.LParam);
        if (SetEditingText(text ? String(text) : String())) message.Result = 1;
    } catch (...) {
        if (alive) FInSetTextMessage = false;
        throw;
    }
    if (alive) FInSetTextMessage = false;
}

void TqzCustomTextEdit::WMGetText(TMessage& message) {
    const Integer size = Integer(message.WParam);
    if (size < 1 || message.LParam == 0) {
        message.Result = 0;
        return;
    }
    String text = MessageText();
    if (Integer(text.size()) > size - 1) {
        // Cut at a character boundary.
        std::size_t end = std::size_t(size - 1);
        while (end > 0 && (Byte(text[end]) & 0xC0) == 0x80)
            --end;
        text.resize(end);
    }
    char* buffer = reinterpret_cast<char*>(message.LParam);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    message.Result = LRESULT(text.size());
}

void TqzCustomTextEdit::WMGetTextLength(TMessage& message) { message.Result = LRESULT(MessageText().size()); }

void TqzCustomTextEdit::WMClear(TMessage&) {
    const bool saved = IsUserChange();
    SetUserChange(true);
    const TLivenessToken alive = LivenessToken();
    try {
        if (!GetActiveProperties()->GetReadOnly() && GetDataBinding()->IsSourceActive()) ClearSelection();
    } catch (...) {
        if (alive) SetUserChange(saved);
        throw;
    }
    if (alive) SetUserChange(saved);
}

KOV_MESSAGE_MAP(TqzCustomTextEdit) {
    map.Message(WM_SETTEXT, &TqzCustomTextEdit::WMSetText);
    map.Message(WM_GETTEXT, &TqzCustomTextEdit::WMGetText);
    map.Message(WM_GETTEXTLENGTH, &TqzCustomTextEdit::WMGetTextLength);
    map.Message(WM_CLEAR, &TqzCustomTextEdit::WMClear);
}

KOV_PUBLISHED(TqzCustomTextEdit) {}

// ---- The editor on forms ---------------------------------------------------------------------

TqzTextEdit::TqzTextEdit(TComponent* owner) : TqzCustomTextEdit(owner, false, true) { InitializeEditor(); }

TqzTextEdit::TqzTextEdit(TComponent* owner, bool isInplace) : TqzCustomTextEdit(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzTextEdit) {
    Property("BeepOnEnter", &TqzTextEdit::GetBeepOnEnter, &TqzTextEdit::SetBeepOnEnter).Default(true);
    Property("ImeMode", &TqzTextEdit::GetImeMode, &TqzTextEdit::SetImeMode).Default(imDontCare);
    Property("ImeName", &TqzTextEdit::GetImeName, &TqzTextEdit::SetImeName).TypeName("TImeName");
    Property("Properties", &TqzTextEdit::GetTextEditProperties, &TqzTextEdit::SetTextEditProperties);
}
