// The masked editor: keys, caret moves, the clipboard and the value flow through the mask mode.
#include "suite/editors/qzMaskEdit.h"

#include <cstring>

#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/runtime/Variant.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/WinCaret.h"
#include "platform/winapi/WinCore.h"
#include "platform/winapi/WinEdit.h"

namespace {

const bool kMaskEditRegistered = [] {
    RegisterClasses({TqzMaskEdit::StaticClass()});
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

// A flag set for a scope (also when the scope is left by an exception).
class TSetFlag {
public:
    TSetFlag(bool& flag, bool value) : FFlag(flag), FOld(flag) { FFlag = value; }
    ~TSetFlag() { FFlag = FOld; }
    TSetFlag(const TSetFlag&) = delete;
    TSetFlag& operator=(const TSetFlag&) = delete;

private:
    bool& FFlag;
    bool FOld;
};

} // namespace

TClass TqzCustomMaskEditProperties::GetContainerClass() const { return TqzMaskEdit::StaticClass(); }

// ---- Construction ----------------------------------------------------------------------------

TqzCustomMaskEdit::TqzCustomMaskEdit(TComponent* owner) : TqzCustomMaskEdit(owner, false) {}

TqzCustomMaskEdit::TqzCustomMaskEdit(TComponent* owner, bool isInplace)
    : TqzCustomMaskEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomMaskEdit::TqzCustomMaskEdit(TComponent* owner, bool isInplace, bool)
    : TqzCustomTextEdit(owner, isInplace, true) {}

TqzCustomMaskEdit::~TqzCustomMaskEdit() = default;

void TqzCustomMaskEdit::Initialize() {
    inherited::Initialize();
    auto* properties = static_cast<TqzCustomMaskEditProperties*>(GetProperties());
    FMode.reset(properties->GetModeClass(emkStandard)(this, properties));
    ExtendSelection = false;
    properties->SetEmptyMaskText(BuildEmptyText());
}

TqzCustomMaskEditProperties* TqzCustomMaskEdit::GetMaskProperties() {
    return static_cast<TqzCustomMaskEditProperties*>(GetActiveProperties());
}

bool TqzCustomMaskEdit::IsMasked() { return FMode && GetMaskProperties()->IsMasked(); }

String TqzCustomMaskEdit::BuildEmptyText() { return FMode ? FMode->BuildEmptyMaskText() : String(); }

void TqzCustomMaskEdit::AdoptTextIfMasked(const String& text) {
    if (IsMasked()) FMode->AdoptText(text);
}

void TqzCustomMaskEdit::ReformatMaskedText() { ApplyDisplayValue(Variant(GetText())); }

void TqzCustomMaskEdit::Loaded() {
    inherited::Loaded();
    if (!IsMasked()) return;
    LockChangeEvents(true);
    try {
        ReformatMaskedText();
    } catch (...) {
        LockChangeEvents(false);
        throw;
    }
    LockChangeEvents(false);
}

// ---- The hosted edit -------------------------------------------------------------------------

String TqzCustomMaskEdit::GetInnerEditText() {
    TqzCustomInnerTextEdit* inner = IsInnerEditUnavailable() ? nullptr : GetInnerTextEditControl();
    return inner ? inner->GetText() : String();
}

Integer TqzCustomMaskEdit::GetCaretCharIndex() {
    TqzCustomInnerTextEdit* inner = IsInnerEditUnavailable() ? nullptr : GetInnerTextEditControl();
    POINT caret{};
    if (inner && inner->HandleAllocated() && GetFocus() == inner->GetHandle() && GetCaretPos(&caret)) {
        const LRESULT position =
            SendMessageA(inner->GetHandle(), EM_CHARFROMPOS, 0, MAKELPARAM(WORD(caret.x), WORD(caret.y)));
        return Integer(LOWORD(DWORD(position)));
    }
    return TqzCustomTextEdit::GetCaretCharIndex();
}

void TqzCustomMaskEdit::SetHostedSelStart(Integer value) {
    if (IqzInnerTextEdit* inner = GetInnerTextEdit()) inner->SetSelStart(value);
}

void TqzCustomMaskEdit::SetHostedSelLength(Integer value) {
    if (IqzInnerTextEdit* inner = GetInnerTextEdit()) inner->SetSelLength(value);
}

void TqzCustomMaskEdit::SetDisplayValueThroughBinding(const Variant& value) {
    GetDataBinding()->SetDisplayValue(value);
}

void TqzCustomMaskEdit::SendKeyDown(Word key) {
    if (!HandleAllocated()) return;
    TSetFlag simulating(SimulatingKey, true);
    SendMessageA(GetHandle(), WM_KEYDOWN, WPARAM(key), 0);
}

void TqzCustomMaskEdit::SendChar(char32_t ch) {
    if (!HandleAllocated()) return;
    TSetFlag simulating(SimulatingKey, true);
    SendMessageA(GetHandle(), WM_CHAR, WPARAM(ch), 0);
}

void TqzCustomMaskEdit::SetSelStart(Integer value) {
    inherited::SetSelStart(value);
    if (FMode) FMode->CaretMoved();
}

void TqzCustomMaskEdit::SetSelLength(Integer value) {
    inherited::SetSelLength(value);
    if (FMode) FMode->CaretMoved();
}

// ---- Keys ------------------------------------------------------------------------------------

void TqzCustomMaskEdit::HandleKeyDown(Word& key, TShiftState shift) {
    if (SimulatingKey) return;
    inherited::HandleKeyDown(key, shift);
}

void TqzCustomMaskEdit::HandleKeyPress(char32_t& key) {
    if (SimulatingKey) return;
    inherited::HandleKeyPress(key);
}

void TqzCustomMaskEdit::HandleKeyUp(Word& key, TShiftState shift) {
    if (SimulatingKey) return;
    inherited::HandleKeyUp(key, shift);
}

void TqzCustomMaskEdit::HandleEditKeyDown(Word& key, TShiftState shift) {
    if (!IsMasked() || key == VK_TAB) {
        inherited::HandleEditKeyDown(key, shift);
        return;
    }
    const TLivenessToken alive = LivenessToken();
    if (!AllowsKeyDown(key, shift)) {
        FireAfterKeyDownEvent(key, shift);
        key = 0;
    }
    if (!alive || key == 0) return;
    ExtendSelection = shift.Contains(ssShift);
    const bool ctrl = shift.Contains(ssCtrl);
    switch (key) {
    case VK_UP:
    case VK_DOWN:
        if (!HasOpenPopup()) {
            FireAfterKeyDownEvent(key, shift);
            key = 0;
        }
        break;
    case VK_LEFT:
    case VK_RIGHT: {
        const bool left = key == VK_LEFT;
        bool atEdge = false;
        bool passOn;
        if (ctrl) {
            SendKeyDown(left ? VK_HOME : VK_END);
            passOn = left ? FMode->HandleHome() : FMode->HandleEnd();
        } else {
            atEdge = left ? FMode->CaretAtStart() : FMode->CaretAtEnd();
            passOn = left ? FMode->HandleLeft() : FMode->HandleRight();
        }
        if (!alive) return;
        if (!passOn) {
            if (atEdge) FireAfterKeyDownEvent(key, shift);
            key = 0;
        }
        break;
    }
    case VK_DELETE:
        if (!shift.Contains(ssShift)) {
            if (!FMode->HandleDelete()) key = 0;
        } else if (GetSelLength() == 0) {
            // Backspace; the hosted edit would take Shift+Delete for a cut, so it is given the
            // Backspace the mode expects.
            if (FMode->HandleBackspace() && alive) SendChar(U'\b');
            key = 0;
        }
        break;
    case VK_HOME:
        if (!FMode->HandleHome()) key = 0;
        break;
    case VK_END:
        if (!FMode->HandleEnd()) key = 0;
        break;
    default:
        break;
    }
    if (alive && key != 0) inherited::HandleEditKeyDown(key, shift);
}

void TqzCustomMaskEdit::HandleEditKeyPress(char32_t& ch) {
    if (!IsMasked()) {
        inherited::HandleEditKeyPress(ch);
        return;
    }
    if (ch == U'\t' || ch == 27 || !FilterKeyPress(ch)) {
        ch = 0;
        return;
    }
    if (ch == U'\r') return;
    if (ch == 3 || ch == 22 || ch == 24) {
        inherited::HandleEditKeyPress(ch);
        return;
    }
    const bool passOn = ch == 8 ? FMode->HandleBackspace() : FMode->HandleChar(ch);
    if (!passOn) ch = 0;
}

// ---- Mouse and focus -------------------------------------------------------------------------

void TqzCustomMaskEdit::HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseDown(button, shift, x, y);
    if (alive && button == mbLeft && FMode) FMode->CaretMoved();
}

void TqzCustomMaskEdit::HandleMouseMove(TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseMove(shift, x, y);
    if (!alive || !shift.Contains(ssLeft) || !FMode) return;
    TSetFlag extend(ExtendSelection, true);
    FMode->CaretMoved();
}

void TqzCustomMaskEdit::HandleDblClick() {
    if (IsMasked()) FMode->PrepareSelectAll();
    inherited::HandleDblClick();
}

void TqzCustomMaskEdit::HandleEnter() {
    if (IsMasked() && GetActiveProperties()->GetAutoSelect()) FMode->PrepareSelectAll();
    inherited::HandleEnter();
}

// ---- Content, display and value --------------------------------------------------------------

void TqzCustomMaskEdit::HandleContentChange(TObject* sender) {
    if (FMode) EditingText = FMode->TextToValue(GetInnerEditText());
    inherited::HandleContentChange(sender);
}

void TqzCustomMaskEdit::ApplyDisplayValue(const Variant& value) {
    if (!IsMasked() || GetComponentState().Contains(csLoading)) {
        inherited::ApplyDisplayValue(value);
        return;
    }
    const String text = VarToStr(value);
    const TLivenessToken alive = LivenessToken();
    if (IsEditFocused() || FMode->ModeKind() != 0 || GetMaskProperties()->GetAlwaysShowBlanksAndLiterals())
        inherited::ApplyDisplayValue(Variant(FMode->FormatText(text)));
    else
        inherited::ApplyDisplayValue(Variant(FMode->TextToValue(text)));
    if (alive) AdoptTextIfMasked(GetText());
}

void TqzCustomMaskEdit::SynchronizeDisplayValue() {
    const TLivenessToken alive = LivenessToken();
    inherited::SynchronizeDisplayValue();
    if (alive) AdoptTextIfMasked(GetText());
}

void TqzCustomMaskEdit::DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) {
    if (IsMasked())
        editValue = Variant(FMode->TextToValue(VarToStr(displayValue)));
    else
        inherited::DisplayToEditValue(displayValue, editValue, isValid);
}

String TqzCustomMaskEdit::GetEditingText() { return IsMasked() ? EditingText : inherited::GetEditingText(); }

bool TqzCustomMaskEdit::SetEditingText(const String& text) {
    if (!IsMasked()) return inherited::SetEditingText(text);
    const TLivenessToken alive = LivenessToken();
    SetEditValueAsUser(Variant(text));
    if (alive) FEditValue = Variant(EditingText);
    return true;
}

// ---- Properties ------------------------------------------------------------------------------

void TqzCustomMaskEdit::ApplyActiveProperties(TObject* sender) {
    TqzCustomMaskEditProperties* properties = GetMaskProperties();
    if (!FMode || !properties) {
        inherited::ApplyActiveProperties(sender);
        return;
    }
    const TLivenessToken alive = LivenessToken();
    const bool wasLocked = properties->IsChangedLocked() && properties->GetUpdateCount() == 0;
    properties->SetChangedLocked(true);
    const String mask = properties->GetEditMask();
    const bool maskChanged = FMode->MaskText != mask;
    const bool kindChanged = FMode->ModeKind() != Integer(properties->GetMaskKind());
    const bool caseChanged = FMode->RecordedCharCase != properties->GetCharCase();
    const bool echoChanged = FMode->RecordedEchoMode != properties->GetEchoMode();
    Integer savedSelStart = 0, savedSelLength = 0;
    try {
        bool restoreMask = false;
        if (kindChanged) {
            const Integer oldKind = FMode->ModeKind();
            const TEditCharCase recordedCase = FMode->RecordedCharCase;
            const TqzEditEchoMode recordedEcho = FMode->RecordedEchoMode;
            FMode.reset();
            // Standard and regular-expression masks do not share a syntax.
            if ((oldKind == 0) != (properties->GetMaskKind() == emkStandard)) {
                properties->SetStoredEditMask(String());
                restoreMask = maskChanged;
            }
            FMode.reset(properties->GetModeClass(properties->GetMaskKind())(this, properties));
            FMode->RecordedCharCase = recordedCase;
            FMode->RecordedEchoMode = recordedEcho;
            const String effective = properties->GetEditMask();
            FMode->CompileMask(effective);
            if (!IsBlankMask(effective)) FMode->RefreshFromValue();
            properties->SetEmptyMaskText(BuildEmptyText());
        }
        if (maskChanged) {
            properties->SetMaxLength(0);
            FMode->CompileMask(mask);
            if (restoreMask) properties->SetStoredEditMask(mask);
            if (!IsBlankMask(mask)) {
                FMode->RefreshFromValue();
            } else if (FMode->ModeKind() == 0 && HandleAllocated() && GetSelLength() == 1) {
                SetHostedSelLength(0);
            }
            properties->SetEmptyMaskText(BuildEmptyText());
        }
        if (caseChanged) {
            if (properties->GetCharCase() == ecNormal) {
                if (IqzInnerTextEdit* inner = GetInnerTextEdit()) inner->SetCharCase(ecNormal);
                FMode->RefreshFromValue();
            }
            FMode->RecordedCharCase = properties->GetCharCase();
        }
        if (echoChanged && HandleAllocated()) {
            savedSelStart = GetSelStart();
            savedSelLength = GetSelLength();
        }
        if ((IsInnerEditUnavailable() || !VarIsNull(GetEditValue())) && properties->IsMasked())
            FMode->ApplyPendingValue();
    } catch (...) {
        if (alive) properties->SetChangedLocked(wasLocked);
        throw;
    }
    if (!alive) return;
    properties->SetChangedLocked(wasLocked);
    if (auto* regExprMode = dynamic_cast<TqzMaskEditRegExprMode*>(FMode.get()))
        regExprMode->Expression->SetIgnoreCase(properties->GetCaseInsensitive());
    inherited::ApplyActiveProperties(sender);
    if (!alive) return;
    if (echoChanged) {
        if (HandleAllocated()) {
            SetHostedSelStart(savedSelStart);
            SetHostedSelLength(savedSelLength);
        }
        FMode->RecordedEchoMode = properties->GetEchoMode();
    }
    if (maskChanged || kindChanged || caseChanged) EditingText = FMode->TextToValue(GetInnerEditText());
}

// ---- Clipboard -------------------------------------------------------------------------------

void TqzCustomMaskEdit::CutToClipboard() {
    if (!IsMasked()) {
        inherited::CutToClipboard();
        return;
    }
    if (GetSelLength() == 0) return;
    CopyToClipboard();
    // A mode that leaves the deletion to the hosted edit gets it done here: no key follows.
    if (FMode->HandleDelete())
        if (IqzInnerTextEdit* inner = GetInnerTextEdit()) inner->ClearSelection();
}

void TqzCustomMaskEdit::SetSelText(const String& value) {
    if (!IsMasked()) {
        inherited::SetSelText(value);
        return;
    }
    FMode->PasteLength = Utf8Length(value);
    FMode->PreparePaste();
    const TLivenessToken alive = LivenessToken();
    inherited::SetSelText(value);
    if (alive) FMode->FinishPaste();
}

void TqzCustomMaskEdit::PasteFromClipboard() {
    String text;
    if (!ReadClipboardText(text)) return;
    if (!IsMasked()) {
        inherited::PasteFromClipboard();
        return;
    }
    FMode->PasteLength = Utf8Length(text);
    FMode->PreparePaste();
    const TLivenessToken alive = LivenessToken();
    SetSelText(text);
    if (alive) FMode->FinishPaste();
}

// ---- The published editor --------------------------------------------------------------------

TqzMaskEdit::TqzMaskEdit(TComponent* owner) : TqzCustomMaskEdit(owner, false, true) { InitializeEditor(); }

TqzMaskEdit::TqzMaskEdit(TComponent* owner, bool isInplace) : TqzCustomMaskEdit(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzCustomMaskEdit) {}

KOV_PUBLISHED(TqzMaskEdit) {
    Property("BeepOnEnter", &TqzMaskEdit::GetBeepOnEnter, &TqzMaskEdit::SetBeepOnEnter).Default(true);
    Property("ImeMode", &TqzMaskEdit::GetImeMode, &TqzMaskEdit::SetImeMode).Default(imDontCare);
    Property("ImeName", &TqzMaskEdit::GetImeName, &TqzMaskEdit::SetImeName).TypeName("TImeName");
    Property("Properties", &TqzMaskEdit::GetMaskEditProperties, &TqzMaskEdit::SetMaskEditProperties);
}
