// The native edit a text editor hosts, and its helper that answers the editor's questions.
#include "platform/classlib/Forms.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinEdit.h"
#include "suite/editors/qzTextEdit.h"

namespace {

// A flag set for a scope, put back afterwards.
class TUserInputScope {
public:
    explicit TUserInputScope(TqzCustomTextEdit* edit)
        : FEdit(edit), FAlive(edit ? edit->LivenessToken() : TLivenessToken()) {
        if (FEdit) {
            FSaved = FEdit->IsUserInput();
            FEdit->SetUserInput(true);
        }
    }
    ~TUserInputScope() {
        if (FEdit && FAlive) FEdit->SetUserInput(FSaved);
    }
    TUserInputScope(const TUserInputScope&) = delete;
    TUserInputScope& operator=(const TUserInputScope&) = delete;

private:
    TqzCustomTextEdit* FEdit;
    TLivenessToken FAlive;
    bool FSaved = false;
};

} // namespace

// ---- Saved state -----------------------------------------------------------------------------

void SaveInnerTextEditState(IqzInnerTextEdit* edit, bool withText, TqzCustomInnerTextEditPrevState& state) {
    state.TextSaved = withText;
    if (withText) state.Text = VarToStr(edit->GetEditValue());
    state.SelStart = edit->GetSelStart();
    state.SelLength = edit->GetSelLength();
}

bool HasInnerTextEditChanged(IqzInnerTextEdit* edit, const TqzCustomInnerTextEditPrevState& state) {
    TWinControl* control = edit->GetControl();
    if (!control->HandleAllocated()) return true;
    if (edit->GetSelStart() != state.SelStart || edit->GetSelLength() != state.SelLength) return true;
    if (!state.TextSaved) return false;
    return AnsiUpperCase(VarToStr(edit->GetEditValue())) != AnsiUpperCase(state.Text);
}

// ---- Helper ----------------------------------------------------------------------------------

TqzCustomInnerTextEditHelper::TqzCustomInnerTextEditHelper(TqzCustomInnerTextEdit* edit)
    : TqzInterfacedPersistent(nullptr), FEdit(edit) {}

TWinControl* TqzCustomInnerTextEditHelper::GetControl() { return FEdit; }

TqzContainer* TqzCustomInnerTextEditHelper::GetControlContainer() { return FEdit->GetControlContainer(); }

void TqzCustomInnerTextEditHelper::SetFocus() {
    const bool autoSelect = FEdit->GetAutoSelect();
    FEdit->SetAutoSelect(false);
    try {
        FEdit->SetFocus();
    } catch (...) {
        FEdit->SetAutoSelect(autoSelect);
        throw;
    }
    FEdit->SetAutoSelect(autoSelect);
}

void TqzCustomInnerTextEditHelper::SetEditOwner(TqzCustomEdit* editor) { FEdit->SetParent(editor); }

TNotifyEvent TqzCustomInnerTextEditHelper::GetOnChange() { return FEdit->OnChange; }

void TqzCustomInnerTextEditHelper::SetOnChange(const TNotifyEvent& handler) { FEdit->OnChange = handler; }

void TqzCustomInnerTextEditHelper::SetReadOnly(bool value) { FEdit->SetReadOnly(value); }

bool TqzCustomInnerTextEditHelper::GetReadOnly() { return FEdit->GetReadOnly(); }

LRESULT TqzCustomInnerTextEditHelper::CallDefaultWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!FEdit->HandleAllocated()) return 0;
    return CallWindowProcA(FEdit->GetDefWndProc(), FEdit->GetHandle(), message, wParam, lParam);
}

Variant TqzCustomInnerTextEditHelper::GetEditValue() { return Variant(FEdit->GetText()); }

void TqzCustomInnerTextEditHelper::SetEditValue(const Variant& value) {
    const String previous = FEdit->GetText();
    const String text = VarToStr(value);
    FEdit->SetText(text);
    if (FEdit->GetComponentState().Contains(csDesigning) && text != previous) FEdit->Change();
}

void TqzCustomInnerTextEditHelper::LockBounds(bool lock) { FEdit->LockBounds(lock); }

void TqzCustomInnerTextEditHelper::ClearSelection() { FEdit->ClearSelection(); }

void TqzCustomInnerTextEditHelper::CopyToClipboard() { FEdit->CopyToClipboard(); }

TAlignment TqzCustomInnerTextEditHelper::GetAlignment() { return FEdit->GetAlignment(); }

bool TqzCustomInnerTextEditHelper::GetAutoSelect() { return FEdit->GetAutoSelect(); }

TEditCharCase TqzCustomInnerTextEditHelper::GetCharCase() { return FEdit->GetCharCase(); }

TqzEditEchoMode TqzCustomInnerTextEditHelper::GetEchoMode() { return FEdit->GetEchoMode(); }

bool TqzCustomInnerTextEditHelper::GetHideSelection() { return FEdit->GetHideSelection(); }

char TqzCustomInnerTextEditHelper::GetPendingImeTrailByte() {
    return FEdit->FPendingImeChars == 2 ? FEdit->FPendingImeTrailByte : char(0);
}

TImeMode TqzCustomInnerTextEditHelper::GetImeMode() { return FEdit->GetImeMode(); }

TImeName TqzCustomInnerTextEditHelper::GetImeName() { return FEdit->GetImeName(); }

bool TqzCustomInnerTextEditHelper::GetKeyConsumed() { return FEdit->GetKeyConsumed(); }

Integer TqzCustomInnerTextEditHelper::GetMaxLength() { return FEdit->GetMaxLength(); }

bool TqzCustomInnerTextEditHelper::GetOEMConvert() { return FEdit->GetOEMConvert(); }

char TqzCustomInnerTextEditHelper::GetPasswordChar() { return FEdit->GetInnerPasswordChar(); }

Integer TqzCustomInnerTextEditHelper::GetSelLength() {
    return FEdit->FPendingImeChars > 0 ? SavedSelLength : FEdit->GetSelLength();
}

Integer TqzCustomInnerTextEditHelper::GetSelStart() {
    return FEdit->FPendingImeChars > 0 ? SavedSelStart : FEdit->GetSelStart();
}

String TqzCustomInnerTextEditHelper::GetSelText() { return FEdit->GetSelText(); }

void TqzCustomInnerTextEditHelper::SelectAll() {
    if (FEdit->HandleAllocated()) FEdit->SelectAll();
}

void TqzCustomInnerTextEditHelper::SetAlignment(TAlignment value) { FEdit->SetAlignment(value); }

void TqzCustomInnerTextEditHelper::SetAutoSelect(bool value) { FEdit->SetAutoSelect(value); }

void TqzCustomInnerTextEditHelper::SetCharCase(TEditCharCase value) { FEdit->SetCharCase(value); }

void TqzCustomInnerTextEditHelper::SetEchoMode(TqzEditEchoMode value) { FEdit->SetEchoMode(value); }

void TqzCustomInnerTextEditHelper::SetHideSelection(bool value) { FEdit->SetHideSelection(value); }

void TqzCustomInnerTextEditHelper::SetKeyConsumed(bool value) { FEdit->SetKeyConsumed(value); }

void TqzCustomInnerTextEditHelper::SetImeMode(TImeMode value) { FEdit->SetImeMode(value); }

void TqzCustomInnerTextEditHelper::SetImeName(const TImeName& value) { FEdit->SetImeName(value); }

void TqzCustomInnerTextEditHelper::SetMaxLength(Integer value) { FEdit->SetMaxLength(value); }

void TqzCustomInnerTextEditHelper::SetOEMConvert(bool value) { FEdit->SetOEMConvert(value); }

void TqzCustomInnerTextEditHelper::SetPasswordChar(char value) { FEdit->SetInnerPasswordChar(value); }

void TqzCustomInnerTextEditHelper::SetSelLength(Integer value) {
    if (!FEdit->HandleAllocated()) return;
    if (FEdit->FPendingImeChars > 0)
        SavedSelLength = value;
    else
        FEdit->SetSelLength(value);
}

void TqzCustomInnerTextEditHelper::SetSelStart(Integer value) {
    if (!FEdit->HandleAllocated()) return;
    if (FEdit->FPendingImeChars > 0)
        SavedSelStart = value;
    else
        FEdit->SetSelStart(value);
}

void TqzCustomInnerTextEditHelper::SetSelText(const String& value) { FEdit->SetSelText(value); }

// ---- Native edit -----------------------------------------------------------------------------

TqzCustomInnerTextEdit::TqzCustomInnerTextEdit(TComponent* owner) : TCustomEdit(owner) {
    FConstructing = true;
    FHelper = std::make_unique<TqzCustomInnerTextEditHelper>(this);
    TControlStyle style = GetControlStyle();
    style.Include(csDoubleClicks);
    SetControlStyle(style);
    SetParentColor(true);
    SetParentFont(false);
    FAlignment = taLeftJustify;
    FKeyConsumed = false;
    FEchoMode = eemNormal;
    RefreshPasswordChar();
    FConstructing = false;
}

TqzCustomInnerTextEdit::~TqzCustomInnerTextEdit() { FHelper.reset(); }

TqzCustomTextEdit* TqzCustomInnerTextEdit::GetTextEdit() const {
    if (auto* edit = dynamic_cast<TqzCustomTextEdit*>(GetParent())) return edit;
    return dynamic_cast<TqzCustomTextEdit*>(GetOwner());
}

TqzContainer* TqzCustomInnerTextEdit::GetControlContainer() { return GetTextEdit(); }

bool TqzCustomInnerTextEdit::ExecuteAction(TBasicAction* action) {
    const TLivenessToken alive = LivenessToken();
    if (TCustomEdit::ExecuteAction(action)) return true;
    if (!alive) return true;
    TqzCustomTextEdit* edit = GetTextEdit();
    return edit != nullptr && edit->GetDataBinding() != nullptr && edit->GetDataBinding()->ExecuteAction(action);
}

bool TqzCustomInnerTextEdit::UpdateAction(TBasicAction* action) {
    const TLivenessToken alive = LivenessToken();
    if (TCustomEdit::UpdateAction(action)) return true;
    if (!alive) return true;
    TqzCustomTextEdit* edit = GetTextEdit();
    return edit != nullptr && edit->GetDataBinding() != nullptr && edit->GetDataBinding()->UpdateAction(action);
}

void TqzCustomInnerTextEdit::SetEchoMode(TqzEditEchoMode value) {
    if (FEchoMode == value) return;
    FEchoMode = value;
    RefreshPasswordChar();
}

void TqzCustomInnerTextEdit::SetInnerPasswordChar(char value) {
    if (FPasswordChar == value) return;
    FPasswordChar = value;
    if (FEchoMode == eemPassword) RefreshPasswordChar();
}

void TqzCustomInnerTextEdit::RefreshPasswordChar() {
    if (FEchoMode == eemNormal)
        SetPasswordChar(0);
    else
        SetPasswordChar(FPasswordChar == 0 ? '*' : FPasswordChar);
}

void TqzCustomInnerTextEdit::SetAlignment(TAlignment value) {
    TqzCustomTextEdit* edit = GetTextEdit();
    if (edit && edit->GetActiveProperties()->GetUseLeftAlignmentOnEditing()) value = taLeftJustify;
    if (FAlignment == value) return;
    FAlignment = value;
    if (HandleAllocated()) RecreateWnd();
}

void TqzCustomInnerTextEdit::LockBounds(bool lock) {
    if (lock)
        ++FBoundsLockCount;
    else if (FBoundsLockCount > 0)
        --FBoundsLockCount;
}

void TqzCustomInnerTextEdit::SetBounds(Integer aLeft, Integer aTop, Integer aWidth, Integer aHeight) {
    if (FConstructing || FBoundsLockCount > 0) return;
    TqzCustomTextEdit* edit = GetTextEdit();
    if (edit) edit->SetAlignLock(true);
    try {
        inherited::SetBounds(aLeft, aTop, aWidth, aHeight);
    } catch (...) {
        if (edit) edit->SetAlignLock(false);
        throw;
    }
    if (edit) edit->SetAlignLock(false);
}

void TqzCustomInnerTextEdit::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    params.Style &= ~(ES_CENTER | ES_RIGHT);
    if (FAlignment == taRightJustify) params.Style |= ES_RIGHT;
    if (FAlignment == taCenter) params.Style |= ES_CENTER;
    params.Style &= ~(WS_BORDER | WS_DLGFRAME | WS_THICKFRAME);
    params.Style |= ES_AUTOHSCROLL;
    params.ExStyle &= ~WS_EX_CLIENTEDGE;
}

void TqzCustomInnerTextEdit::CreateHandle() {
    if (TqzCustomTextEdit* edit = GetTextEdit()) edit->ResetInnerControlRegion();
    inherited::CreateHandle();
}

void TqzCustomInnerTextEdit::CreateWindowHandle(const TCreateParams& params) {
    const String text = GetText();
    TCreateParams withoutCaption = params;
    withoutCaption.Caption.clear();
    inherited::CreateWindowHandle(withoutCaption);
    if (HandleAllocated()) CallWindowProcA(GetDefWndProc(), GetHandle(), WM_SETTEXT, 0, LPARAM(text.c_str()));
}

void TqzCustomInnerTextEdit::CreateWnd() {
    inherited::CreateWnd();
    ++FWindowCreationCount;
    ApplyMargins();
}

void TqzCustomInnerTextEdit::ApplyMargins() {
    if (HandleAllocated())
        SendMessageA(GetHandle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(0, 1));
}

bool TqzCustomInnerTextEdit::CanFocus() const {
    TqzCustomTextEdit* edit = GetTextEdit();
    return edit ? edit->CanReceiveFocus() : inherited::CanFocus();
}

void TqzCustomInnerTextEdit::WndProc(TMessage& message) {
    TqzCustomTextEdit* edit = GetTextEdit();
    if (edit && (message.Msg == CN_KEYDOWN || message.Msg == CN_SYSKEYDOWN)) {
        KeyDownNotification(message, edit);
        return;
    }
    if (edit && edit->InnerWindowProc(message)) return;
    if ((message.Msg == WM_LBUTTONDOWN || message.Msg == WM_LBUTTONDBLCLK) && edit &&
        edit->GetDragMode() == dmAutomatic && !edit->IsDesigning()) {
        edit->BeginDrag(false);
        return;
    }
    inherited::WndProc(message);
}

// The application loop announces a key-down before it translates and dispatches it. The
// editor's key handling runs here, offered the key as the inner key-down, ahead of the form's
// dialog keys. A key it took is neither dispatched nor translated by the loop, yet its character
// still follows, as after any handled key-down: the editor's key-press handling expects it
// (Enter after a validation or a closed popup), unless the editor removed it (the click key). A
// key it left goes on as usual, and its dispatched key-down does not run the editor's handling a
// second time.
void TqzCustomInnerTextEdit::KeyDownNotification(TMessage& message, TqzCustomTextEdit* edit) {
    const TLivenessToken alive = LivenessToken();
    const TLivenessToken editAlive = edit->LivenessToken();
    const Integer removals = edit->GetQueuedCharRemovals();
    FNotifiedKey = 0;
    if (OfferInnerKeyDown(edit, message)) {
        if (alive && editAlive && HandleAllocated() && edit->GetQueuedCharRemovals() == removals)
            TranslateTakenKeyDown(GetHandle(), message);
        return;
    }
    if (!alive) return;
    FNotifiedKey = Word(message.WParam);
    inherited::WndProc(message);
    if (alive && message.Result != 0) FNotifiedKey = 0;
}

void TqzCustomInnerTextEdit::DefaultHandler(void* message) {
    TqzCustomTextEdit* edit = GetTextEdit();
    if (edit && edit->InnerDefaultHandler(*static_cast<TMessage*>(message))) return;
    inherited::DefaultHandler(message);
}

void TqzCustomInnerTextEdit::Change() { inherited::Change(); }

void TqzCustomInnerTextEdit::Click() {
    const TLivenessToken alive = LivenessToken();
    inherited::Click();
    if (alive)
        if (TqzCustomTextEdit* edit = GetTextEdit()) edit->InnerClick();
}

void TqzCustomInnerTextEdit::DblClick() {
    const TLivenessToken alive = LivenessToken();
    inherited::DblClick();
    if (alive)
        if (TqzCustomTextEdit* edit = GetTextEdit()) edit->InnerDblClick();
}

bool TqzCustomInnerTextEdit::DoMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) {
    TqzCustomTextEdit* edit = GetTextEdit();
    return edit ? edit->HandleMouseWheel(shift, wheelDelta, mousePos) : false;
}

void TqzCustomInnerTextEdit::DragOver(TObject* source, Integer x, Integer y, TDragState state, bool& accept) {
    if (TqzCustomTextEdit* edit = GetTextEdit())
        edit->InnerDragOver(source, x + GetLeft(), y + GetTop(), state, accept);
}

void TqzCustomInnerTextEdit::DragDrop(TObject* source, Integer x, Integer y) {
    if (TqzCustomTextEdit* edit = GetTextEdit()) edit->InnerDragDrop(source, x + GetLeft(), y + GetTop());
}

void TqzCustomInnerTextEdit::KeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    FKeyConsumed = false;
    const bool notified = FNotifiedKey != 0 && FNotifiedKey == key;
    FNotifiedKey = 0;
    if (TqzCustomTextEdit* edit = GetTextEdit(); edit && !notified) edit->HandleKeyDown(key, shift);
    if (!alive) return;
    FKeyConsumed = key == 0;
    if (key != 0) inherited::KeyDown(key, shift);
}

void TqzCustomInnerTextEdit::KeyPress(char32_t& key) {
    const TLivenessToken alive = LivenessToken();
    FKeyConsumed = false;
    if (key == U'\t') key = 0;
    TqzCustomTextEdit* edit = GetTextEdit();
    if (edit && key != 0) edit->HandleKeyPress(key);
    if (!alive) return;
    if (edit && (key == U'\r' || key == 27)) {
        if (edit->IsInplace() || edit->GetPopupClosedByKey() || (key == U'\r' && !edit->GetBeepOnEnter())) {
            edit->SetPopupClosedByKey(false);
            key = 0;
        }
    }
    FKeyConsumed = key == 0;
    if (key != 0) inherited::KeyPress(key);
}

void TqzCustomInnerTextEdit::KeyUp(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    FKeyConsumed = false;
    if (key == VK_TAB) key = 0;
    TqzCustomTextEdit* edit = GetTextEdit();
    if (edit && key != 0) edit->HandleKeyUp(key, shift);
    if (!alive) return;
    FKeyConsumed = key == 0;
    if (key != 0) inherited::KeyUp(key, shift);
}

void TqzCustomInnerTextEdit::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::MouseDown(button, shift, x, y);
    TqzCustomTextEdit* edit = alive ? GetTextEdit() : nullptr;
    if (!edit) return;
    const bool forwarding = edit->IsForwardingInnerPress();
    edit->SetForwardingInnerPress(true);
    const TLivenessToken editAlive = edit->LivenessToken();
    try {
        edit->HandleMouseDown(button, shift, x + GetLeft(), y + GetTop());
    } catch (...) {
        if (editAlive) edit->SetForwardingInnerPress(forwarding);
        throw;
    }
    if (editAlive) edit->SetForwardingInnerPress(forwarding);
}

void TqzCustomInnerTextEdit::MouseMove(TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::MouseMove(shift, x, y);
    if (alive)
        if (TqzCustomTextEdit* edit = GetTextEdit())
            edit->HandleMouseMove(shift, x + GetLeft(), y + GetTop());
}

void TqzCustomInnerTextEdit::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::MouseUp(button, shift, x, y);
    if (alive)
        if (TqzCustomTextEdit* edit = GetTextEdit())
            edit->HandleMouseUp(button, shift, x + GetLeft(), y + GetTop());
}

void TqzCustomInnerTextEdit::HandleMouseLeave() {
    if (TqzCustomTextEdit* edit = GetTextEdit()) edit->UpdateViewAtCursor();
}

// -- Messages --

void TqzCustomInnerTextEdit::WMKeyDown(TWMKey& message) {
    TqzCustomTextEdit* edit = GetTextEdit();
    const Word key = Word(message.CharCode);
    const TShiftState shift = KeyDataToShiftState(message.KeyData);
    if (edit && edit->HasOpenPopup() && edit->GetActiveProperties()->IsLookupNavigationKey(key, shift)) {
        if (IqzTextEditLookupData* lookup = edit->GetLookupDataInterface()) {
            TWinControl* list = lookup->GetActiveControl();
            if (list && list->HandleAllocated()) {
                SendMessageA(list->GetHandle(), WM_KEYDOWN, message.CharCode, message.KeyData);
                return;
            }
        }
    }
    TqzCustomInnerTextEditPrevState state;
    SaveInnerTextEditState(FHelper.get(), true, state);
    FKeyConsumed = false;
    const TLivenessToken alive = LivenessToken();
    {
        TMessage m;
        m.Msg = message.Msg;
        m.WParam = message.CharCode;
        m.LParam = message.KeyData;
        m.Result = message.Result;
        KOV_INHERITED(m);
        message.CharCode = UINT(m.WParam);
        message.Result = m.Result;
    }
    if (!alive) return;
    if (!FKeyConsumed && message.CharCode != 0 && !HasInnerTextEditChanged(FHelper.get(), state) && edit) {
        Word after = Word(message.CharCode);
        edit->FireAfterKeyDownEvent(after, shift);
        message.CharCode = after;
    }
}

void TqzCustomInnerTextEdit::WMChar(TWMKey& message) {
    TqzCustomInnerTextEditPrevState state;
    SaveInnerTextEditState(FHelper.get(), true, state);
    FKeyConsumed = false;
    const TLivenessToken alive = LivenessToken();
    {
        TMessage m;
        m.Msg = message.Msg;
        m.WParam = message.CharCode;
        m.LParam = message.KeyData;
        m.Result = message.Result;
        KOV_INHERITED(m);
        message.CharCode = UINT(m.WParam);
        message.Result = m.Result;
    }
    if (!alive) return;
    TqzCustomTextEdit* edit = GetTextEdit();
    if (FPendingImeChars > 0) {
        --FPendingImeChars;
        if (FPendingImeChars == 0 && edit && edit->GetFindSelection()) {
            inherited::SetSelStart(FHelper->SavedSelStart);
            inherited::SetSelLength(FHelper->SavedSelLength);
        }
    }
    if (!edit) return;
    edit->EndLookupTextChange();
    if (!FKeyConsumed && HasInnerTextEditChanged(FHelper.get(), state)) edit->SetFindSelection(false);
}

void TqzCustomInnerTextEdit::WMImeChar(TMessage& message) {
    const Byte lead = Byte((message.WParam >> 8) & 0xFF);
    const Byte trail = Byte(message.WParam & 0xFF);
    FPendingImeTrailByte = char(trail);
    FPendingImeChars = lead != 0 ? 2 : 1;
    FHelper->SavedSelStart = inherited::GetSelStart();
    FHelper->SavedSelLength = inherited::GetSelLength();
    KOV_INHERITED(message);
}

void TqzCustomInnerTextEdit::WMCut(TMessage&) {
    TqzCustomTextEdit* edit = GetTextEdit();
    if (!edit) return;
    TUserInputScope userInput(edit);
    if (GetReadOnly())
        edit->CopyToClipboard();
    else
        edit->CutToClipboard();
}

void TqzCustomInnerTextEdit::WMClear(TMessage&) {
    TqzCustomTextEdit* edit = GetTextEdit();
    if (!edit || GetReadOnly()) return;
    TUserInputScope userInput(edit);
    edit->ClearSelection();
}

void TqzCustomInnerTextEdit::WMPaste(TMessage&) {
    TqzCustomTextEdit* edit = GetTextEdit();
    if (!edit || GetReadOnly()) return;
    TUserInputScope userInput(edit);
    edit->PasteFromClipboard();
}

void TqzCustomInnerTextEdit::WMEraseBkgnd(TMessage& message) { message.Result = 1; }

void TqzCustomInnerTextEdit::WMNCPaint(TMessage& message) { message.Result = 0; }

void TqzCustomInnerTextEdit::WMGetDlgCode(TMessage& message) {
    KOV_INHERITED(message);
    message.Result |= DLGC_WANTCHARS;
    if (GetKeyState(VK_CONTROL) >= 0) message.Result |= DLGC_WANTTAB;
    TqzCustomTextEdit* edit = GetTextEdit();
    if (edit && (edit->IsInplace() || edit->HasOpenPopup())) message.Result |= DLGC_WANTALLKEYS;
}

void TqzCustomInnerTextEdit::WMSetFocus(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (!alive || GetComponentState().Contains(csDestroying)) return;
    TqzCustomTextEdit* edit = GetTextEdit();
    if (!edit || edit->IsDestroyingContainer()) return;
    if (edit->HandleAllocated() && HWND(message.WParam) == edit->GetHandle()) return;
    edit->HandleFocusChange();
}

void TqzCustomInnerTextEdit::WMKillFocus(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (!alive || GetComponentState().Contains(csDestroying)) return;
    TqzCustomTextEdit* edit = GetTextEdit();
    if (edit && !edit->IsDestroyingContainer()) edit->HandleFocusChange();
}

void TqzCustomInnerTextEdit::CNCtlColor(TMessage& message) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    SetTextColor(dc, COLORREF(ColorToRGB(GetFont()->GetColor())));
    SetBkColor(dc, COLORREF(ColorToRGB(GetColor())));
    message.Result = LRESULT(FBrush.Get(GetColor()));
}

void TqzCustomInnerTextEdit::WMSize(TMessage& message) {
    KOV_INHERITED(message);
    ApplyMargins();
}

void TqzCustomInnerTextEdit::CMMouseEnter(TMessage& message) {
    KOV_INHERITED(message);
    HandleMouseEnter();
}

void TqzCustomInnerTextEdit::CMMouseLeave(TMessage& message) {
    KOV_INHERITED(message);
    HandleMouseLeave();
}

KOV_MESSAGE_MAP(TqzCustomInnerTextEdit) {
    map.Message(WM_CHAR, &TqzCustomInnerTextEdit::WMChar);
    map.Message(WM_CUT, &TqzCustomInnerTextEdit::WMCut);
    map.Message(WM_CLEAR, &TqzCustomInnerTextEdit::WMClear);
    map.Message(WM_PASTE, &TqzCustomInnerTextEdit::WMPaste);
    map.Message(WM_ERASEBKGND, &TqzCustomInnerTextEdit::WMEraseBkgnd);
    map.Message(WM_GETDLGCODE, &TqzCustomInnerTextEdit::WMGetDlgCode);
    map.Message(WM_IME_CHAR, &TqzCustomInnerTextEdit::WMImeChar);
    map.Message(WM_KEYDOWN, &TqzCustomInnerTextEdit::WMKeyDown);
    map.Message(WM_KILLFOCUS, &TqzCustomInnerTextEdit::WMKillFocus);
    map.Message(WM_NCPAINT, &TqzCustomInnerTextEdit::WMNCPaint);
    map.Message(WM_SETFOCUS, &TqzCustomInnerTextEdit::WMSetFocus);
    map.Message(WM_SIZE, &TqzCustomInnerTextEdit::WMSize);
    map.Message(CM_MOUSEENTER, &TqzCustomInnerTextEdit::CMMouseEnter);
    map.Message(CM_MOUSELEAVE, &TqzCustomInnerTextEdit::CMMouseLeave);
}

KOV_PUBLISHED(TqzCustomInnerTextEdit) {}
