// The memo editor, its properties and view, and the native multi-line edit it hosts.
#include "suite/controls/qzMemo.h"

#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinEdit.h"
#include "platform/winapi/WinScroll.h"
#include "suite/editors/qzEditTextUtils.h"
#include "suite/foundation/qzClasses.h"

namespace {

void RegisterMemoProperties() {
    GetEditPropertiesRegistry()->Register(
        TqzMemoProperties::StaticClass(),
        LocalizeSuiteText("Memo|Represents an edit control that allows editing memo data"));
}

const bool kMemoClassesRegistered = [] {
    RegisterInterfacedPersistentClass<TqzCustomMemoProperties>();
    RegisterInterfacedPersistentClass<TqzMemoProperties>();
    RegisterClasses({TqzMemo::StaticClass()});
    RegisterMemoProperties();
    return true;
}();

// A flag raised for a scope and lowered again, also on failure.
class TFlagScope {
public:
    TFlagScope(bool& flag, TLivenessToken alive) : FFlag(flag), FAlive(std::move(alive)) { FFlag = true; }
    ~TFlagScope() {
        if (FAlive) FFlag = false;
    }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
    TLivenessToken FAlive;
};

// The editor's clipboard-message and user-input flags for a clipboard message of the inner memo.
class TClipboardMessageScope {
public:
    explicit TClipboardMessageScope(TqzCustomMemo* edit) : FEdit(edit), FAlive(edit->LivenessToken()) {
        FSavedUser = edit->IsUserInput();
        FSavedClipboard = edit->IsHandlingClipboardMessage();
        edit->SetUserInput(true);
        edit->SetHandlingClipboardMessage(true);
    }
    ~TClipboardMessageScope() {
        if (!FAlive) return;
        FEdit->SetUserInput(FSavedUser);
        FEdit->SetHandlingClipboardMessage(FSavedClipboard);
    }
    TClipboardMessageScope(const TClipboardMessageScope&) = delete;
    TClipboardMessageScope& operator=(const TClipboardMessageScope&) = delete;

private:
    TqzCustomMemo* FEdit;
    TLivenessToken FAlive;
    bool FSavedUser = false;
    bool FSavedClipboard = false;
};

bool HasHorzBar(TScrollStyle bars) { return bars == ssHorizontal || bars == ssBoth; }
bool HasVertBar(TScrollStyle bars) { return bars == ssVertical || bars == ssBoth; }

// No vertical redrawing; horizontal redrawing only while the text wraps to the width. A window
// class keeps the style it was first registered with, so each of the two styles has a class
// name of its own.
void SetMemoRedrawStyle(TCreateParams& params, TScrollStyle bars, bool wordWrap) {
    params.WindowClass.style &= ~UINT(CS_VREDRAW);
    if (HasHorzBar(bars) || !wordWrap) {
        params.WindowClass.style &= ~UINT(CS_HREDRAW);
        params.WinClassName += ".Fixed";
    } else {
        params.WindowClass.style |= CS_HREDRAW;
    }
}

} // namespace

// ---- Text helpers ----------------------------------------------------------------------------

String NormalizeLineBreaks(const String& text) {
    String result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            result += "\r\n";
            i += 2;
        } else if (text[i] == '\n' && i + 1 < text.size() && text[i + 1] == '\r') {
            result += "\r\n\r\n";
            i += 2;
        } else {
            result += text[i++];
        }
    }
    return result;
}

String CutToFirstLine(const String& text, Integer limit) {
    const Integer length = Utf8Length(text);
    if (limit <= 0 || limit > length) limit = length;
    const String head = Utf8Copy(text, 1, limit);
    const std::size_t lineBreak = head.find_first_of("\r\n");
    return lineBreak == String::npos ? head : head.substr(0, lineBreak);
}

// ---- Properties ------------------------------------------------------------------------------

TqzCustomMemoProperties::TqzCustomMemoProperties(TPersistent* owner) : TqzCustomTextEditProperties(owner) {
    SetChangedLocked(true);
    GetAlignment()->SetVert(taTopJustify);
    SetAutoSelect(false);
    SetChangedLocked(false);
    // Made again when the editor unit was restarted (its end frees the registry).
    RegisterMemoProperties();
}

void TqzCustomMemoProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomMemoProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetScrollBars(other->GetScrollBars());
        SetWantReturns(other->GetWantReturns());
        SetWantTabs(other->GetWantTabs());
        SetWordWrap(other->GetWordWrap());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TClass TqzCustomMemoProperties::GetContainerClass() const { return TqzMemo::StaticClass(); }

TqzCustomEditViewDataClass TqzCustomMemoProperties::GetViewDataClass() const {
    return &TqzCustomMemoViewData::CreateInstance;
}

TqzCustomEditViewInfoClass TqzCustomMemoProperties::GetViewInfoClass() const {
    return &TqzCustomMemoViewInfo::CreateInstance;
}

WideString TqzCustomMemoProperties::GetDisplayTextWide(const Variant& editValue) {
    return GetDisplayTextWide(editValue, false);
}

WideString TqzCustomMemoProperties::GetDisplayTextWide(const Variant& editValue, bool fullText) {
    const WideString text = inherited::GetDisplayTextWide(editValue);
    if (fullText) return text;
    return StringToWide(CutToFirstLine(WideToString(text), 250));
}

Integer TqzCustomMemoProperties::GetEditValueSource(bool editing) {
    IqzEditDefaultValuesProvider* provider = GetDefaultValuesProvider();
    if (provider && provider->IsBlobValueSource()) return 0;
    return inherited::GetEditValueSource(editing);
}

void TqzCustomMemoProperties::SetScrollBars(TScrollStyle value) {
    if (FScrollBars == value) return;
    FScrollBars = value;
    Changed();
}

void TqzCustomMemoProperties::SetVisibleLineCount(Integer value) {
    if (value < 0) value = 0;
    if (FVisibleLineCount == value) return;
    FVisibleLineCount = value;
    Changed();
}

void TqzCustomMemoProperties::SetWantReturns(bool value) {
    if (FWantReturns == value) return;
    FWantReturns = value;
    Changed();
}

void TqzCustomMemoProperties::SetWantTabs(bool value) {
    if (FWantTabs == value) return;
    FWantTabs = value;
    Changed();
}

void TqzCustomMemoProperties::SetWordWrap(bool value) {
    if (FWordWrap == value) return;
    FWordWrap = value;
    Changed();
}

KOV_PUBLISHED(TqzCustomMemoProperties) {}

KOV_PUBLISHED(TqzMemoProperties) {
    using P = TqzMemoProperties;
    Property("Alignment", &P::GetHorzAlignment, &P::SetHorzAlignment).Stored(&P::IsHorzAlignmentStored);
    Property("AssignedValues", &P::GetAssignedValues, &P::SetAssignedValues);
    Property("AutoSelect", &P::GetAutoSelect, &P::SetAutoSelect).Default(false);
    Property("CharCase", &P::GetCharCase, &P::SetCharCase).Default(ecNormal);
    Property("HideSelection", &P::GetHideSelection, &P::SetHideSelection).Default(true);
    Property("ImeMode", &P::GetImeMode, &P::SetImeMode).Default(imDontCare);
    Property("ImeName", &P::GetImeName, &P::SetImeName).TypeName("TImeName");
    Property("MaxLength", &P::GetMaxLength, &P::SetMaxLength).Stored(&P::IsMaxLengthStored);
    Property("OEMConvert", &P::GetOEMConvert, &P::SetOEMConvert).Default(false);
    Property("ScrollBars", &P::GetScrollBars, &P::SetScrollBars).Default(ssNone);
    Property("VisibleLineCount", &P::GetVisibleLineCount, &P::SetVisibleLineCount).Default(0);
    Property("WantReturns", &P::GetWantReturns, &P::SetWantReturns).Default(true);
    Property("WantTabs", &P::GetWantTabs, &P::SetWantTabs).Default(false);
    Property("WordWrap", &P::GetWordWrap, &P::SetWordWrap).Default(true);
}

// ---- View ------------------------------------------------------------------------------------

TqzCustomEditViewData* TqzCustomMemoViewData::CreateInstance(TqzCustomEditProperties* properties,
                                                             TqzCustomEditStyle* style, bool isInplace) {
    return CreateEditViewData<TqzCustomMemoViewData>(properties, style, isInplace);
}

TqzCustomMemoProperties* TqzCustomMemoViewData::GetMemoProperties() const {
    return dynamic_cast<TqzCustomMemoProperties*>(GetProperties());
}

void TqzCustomMemoViewData::GetTextRect(TRect& margins) {
    margins = IsInplace ? TRect{1, 1, 1, 1} : TRect{1, 1, 1, 3};
}

void TqzCustomMemoViewData::GetContentMargins(TSize& size) {
    TRect margins;
    GetTextRect(margins);
    size = TSize{margins.left + margins.right, margins.top + margins.bottom};
}

Integer TqzCustomMemoViewData::GetDrawTextFlags() {
    Integer flags = toWholeRows | toExpandTabs | toNoLeftOverflow;
    if (HorzAlignment == taRightJustify) flags |= toRight;
    if (HorzAlignment == taCenter) flags |= toCenterH;
    TqzCustomMemoProperties* properties = GetMemoProperties();
    if (properties && properties->GetWordWrap() && !HasHorzBar(properties->GetScrollBars()))
        flags |= toWordBreak | toCharBreak;
    return flags;
}

Integer TqzCustomMemoViewData::GetVisibleLineCount() {
    TqzCustomMemoProperties* properties = GetMemoProperties();
    if (properties && properties->GetVisibleLineCount() > 0) return properties->GetVisibleLineCount();
    return inherited::GetVisibleLineCount();
}

void TqzCustomMemoViewData::CalculateContentSize(TqzCanvas* canvas, const Variant& editValue, TSize& size,
                                                 const TqzEditSizeParameters& sizeParameters) {
    String text;
    BuildDisplayText(editValue, text);
    TqzCustomMemoProperties* properties = GetMemoProperties();
    CalculateEditTextSize(canvas, this, text, size, true, properties ? properties->GetVisibleLineCount() : 0,
                          sizeParameters, GetDrawTextFlags());
}

void TqzCustomMemoViewData::CalculateConstantPartSize(TqzCanvas* canvas, bool isInplace, TSize& size,
                                                      TqzCustomEditViewInfo* viewInfo, TSize& minContentSize) {
    inherited::CalculateConstantPartSize(canvas, isInplace, size, viewInfo, minContentSize);
    TqzCustomMemoProperties* properties = GetMemoProperties();
    if (Edit && properties && HasHorzBar(properties->GetScrollBars())) {
        TSize metrics;
        GetScrollBarMetrics(metrics);
        size.cy += metrics.cy;
    }
}

void TqzCustomMemoViewInfo::PaintContent(TqzCanvas* canvas) {
    if (Text.empty() || Text[0] == '\0') return;
    if (Font) canvas->SelectFont(Font);
    canvas->CurrentFont()->SetColor(TextColor);
    DrawTextEditText(canvas, this, Text, 0, 0, MaxLineCount, SelTextColor, SelBackgroundColor, 0, 0, TextOutFlags,
                     TextRect);
}

// ---- Helper ----------------------------------------------------------------------------------

TqzCustomInnerMemoHelper::TqzCustomInnerMemoHelper(TqzCustomInnerMemo* memo)
    : TqzInterfacedPersistent(nullptr), FMemo(memo) {}

TWinControl* TqzCustomInnerMemoHelper::GetControl() { return FMemo; }

TqzContainer* TqzCustomInnerMemoHelper::GetControlContainer() { return FMemo->GetControlContainer(); }

LRESULT TqzCustomInnerMemoHelper::CallDefaultWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!FMemo->HandleAllocated()) return 0;
    return CallWindowProcA(FMemo->GetDefWndProc(), FMemo->GetHandle(), message, wParam, lParam);
}

Variant TqzCustomInnerMemoHelper::GetEditValue() { return Variant(FMemo->GetLines()->GetText()); }

TNotifyEvent TqzCustomInnerMemoHelper::GetOnChange() { return FMemo->OnChange; }

bool TqzCustomInnerMemoHelper::GetReadOnly() { return FMemo->GetReadOnly(); }

void TqzCustomInnerMemoHelper::LockBounds(bool lock) { FMemo->LockBounds(lock); }

void TqzCustomInnerMemoHelper::SetFocus() {
    const bool autoSelect = FMemo->GetInnerAutoSelect();
    FMemo->SetInnerAutoSelect(false);
    try {
        FMemo->SetFocus();
    } catch (...) {
        FMemo->SetInnerAutoSelect(autoSelect);
        throw;
    }
    FMemo->SetInnerAutoSelect(autoSelect);
}

void TqzCustomInnerMemoHelper::SetEditValue(const Variant& value) {
    const String text = VarToStr(value);
    if (!FMemo->HandleAllocated()) {
        FMemo->SetText(text);
        return;
    }
    TqzCustomMemo* edit = FMemo->GetMemoEdit();
    const TLivenessToken alive = FMemo->LivenessToken();
    const TLivenessToken editAlive = edit ? edit->LivenessToken() : TLivenessToken();
    if (edit) edit->LockChangeEvents(true);
    FMemo->SetValueBeingSet(true);
    auto finish = [&] {
        if (alive) FMemo->SetValueBeingSet(false);
        if (edit && editAlive) {
            edit->GetChangeEventsCatcher()->EditValueChangedPending = false;
            edit->LockChangeEvents(false);
        }
    };
    try {
        if (edit && edit->IsInplace() && FMemo->GetWordWrap()) FMemo->GetLines()->Clear();
        FMemo->GetLines()->SetText(text);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TqzCustomInnerMemoHelper::SetEditOwner(TqzCustomEdit* editor) { FMemo->SetParent(editor); }

void TqzCustomInnerMemoHelper::SetOnChange(const TNotifyEvent& handler) { FMemo->OnChange = handler; }

void TqzCustomInnerMemoHelper::SetReadOnly(bool value) { FMemo->SetReadOnly(value); }

void TqzCustomInnerMemoHelper::ClearSelection() { FMemo->ClearSelection(); }

void TqzCustomInnerMemoHelper::CopyToClipboard() { FMemo->CopyToClipboard(); }

TAlignment TqzCustomInnerMemoHelper::GetAlignment() { return FMemo->GetAlignment(); }

bool TqzCustomInnerMemoHelper::GetAutoSelect() { return FMemo->GetInnerAutoSelect(); }

TEditCharCase TqzCustomInnerMemoHelper::GetCharCase() { return FMemo->GetCharCase(); }

bool TqzCustomInnerMemoHelper::GetHideSelection() { return FMemo->GetHideSelection(); }

TImeMode TqzCustomInnerMemoHelper::GetImeMode() { return FMemo->GetImeMode(); }

TImeName TqzCustomInnerMemoHelper::GetImeName() { return FMemo->GetImeName(); }

bool TqzCustomInnerMemoHelper::GetKeyConsumed() { return FMemo->GetKeyConsumed(); }

Integer TqzCustomInnerMemoHelper::GetMaxLength() { return FMemo->GetMaxLength(); }

bool TqzCustomInnerMemoHelper::GetOEMConvert() { return FMemo->GetOEMConvert(); }

Integer TqzCustomInnerMemoHelper::GetSelLength() { return FMemo->GetSelLength(); }

Integer TqzCustomInnerMemoHelper::GetSelStart() { return FMemo->GetSelStart(); }

String TqzCustomInnerMemoHelper::GetSelText() { return FMemo->GetSelText(); }

void TqzCustomInnerMemoHelper::SelectAll() {
    if (FMemo->HandleAllocated()) FMemo->SelectAll();
}

void TqzCustomInnerMemoHelper::SetAlignment(TAlignment value) { FMemo->SetAlignment(value); }

void TqzCustomInnerMemoHelper::SetAutoSelect(bool value) { FMemo->SetInnerAutoSelect(value); }

void TqzCustomInnerMemoHelper::SetCharCase(TEditCharCase value) { FMemo->SetCharCase(value); }

void TqzCustomInnerMemoHelper::SetHideSelection(bool value) { FMemo->SetHideSelection(value); }

void TqzCustomInnerMemoHelper::SetKeyConsumed(bool value) { FMemo->SetKeyConsumed(value); }

void TqzCustomInnerMemoHelper::SetImeMode(TImeMode value) { FMemo->SetImeMode(value); }

void TqzCustomInnerMemoHelper::SetImeName(const TImeName& value) { FMemo->SetImeName(value); }

void TqzCustomInnerMemoHelper::SetMaxLength(Integer value) { FMemo->SetMaxLength(value); }

void TqzCustomInnerMemoHelper::SetOEMConvert(bool value) { FMemo->SetOEMConvert(value); }

void TqzCustomInnerMemoHelper::SetSelLength(Integer value) {
    if (FMemo->HandleAllocated()) FMemo->SetSelLength(value);
}

void TqzCustomInnerMemoHelper::SetSelStart(Integer value) {
    if (FMemo->HandleAllocated()) FMemo->SetSelStart(value);
}

void TqzCustomInnerMemoHelper::SetSelText(const String& value) { FMemo->SetSelText(value); }

POINT TqzCustomInnerMemoHelper::GetCaretPos() { return FMemo->GetCaretPos(); }

TStrings* TqzCustomInnerMemoHelper::GetLines() { return FMemo->GetLines(); }

TScrollStyle TqzCustomInnerMemoHelper::GetScrollBars() { return FMemo->GetScrollBars(); }

bool TqzCustomInnerMemoHelper::GetWantReturns() { return FMemo->GetWantReturns(); }

bool TqzCustomInnerMemoHelper::GetWantTabs() { return FMemo->GetWantTabs(); }

bool TqzCustomInnerMemoHelper::GetWordWrap() { return FMemo->GetWordWrap(); }

void TqzCustomInnerMemoHelper::SetCaretPos(POINT value) {
    if (!FMemo->HandleAllocated()) return;
    const LRESULT first = SendMessageA(FMemo->GetHandle(), EM_LINEINDEX, WPARAM(value.y), 0);
    const WPARAM at = WPARAM(first + value.x);
    SendMessageA(FMemo->GetHandle(), EM_SETSEL, at, LPARAM(at));
}

void TqzCustomInnerMemoHelper::SetScrollBars(TScrollStyle value) { FMemo->SetScrollBars(value); }

void TqzCustomInnerMemoHelper::SetWantReturns(bool value) { FMemo->SetWantReturns(value); }

void TqzCustomInnerMemoHelper::SetWantTabs(bool value) { FMemo->SetWantTabs(value); }

void TqzCustomInnerMemoHelper::SetWordWrap(bool value) { FMemo->SetWordWrap(value); }

// ---- Inner memo ------------------------------------------------------------------------------

TqzCustomInnerMemo::TqzCustomInnerMemo(TComponent* owner) : TMemo(owner) {
    FCreating = true;
    if (!GetComponentState().Contains(csDesigning)) SetCursor(crIBeam);
    SetParentColor(true);
    SetParentFont(true);
    FHelper = std::make_unique<TqzCustomInnerMemoHelper>(this);
    FCreating = false;
}

TqzCustomInnerMemo::~TqzCustomInnerMemo() { FHelper.reset(); }

TqzCustomMemo* TqzCustomInnerMemo::GetMemoEdit() const {
    if (auto* edit = dynamic_cast<TqzCustomMemo*>(GetParent())) return edit;
    return dynamic_cast<TqzCustomMemo*>(GetOwner());
}

TqzContainer* TqzCustomInnerMemo::GetControlContainer() { return GetMemoEdit(); }

bool TqzCustomInnerMemo::CanFocus() const {
    TqzCustomMemo* edit = GetMemoEdit();
    return edit ? edit->CanReceiveFocus() : inherited::CanFocus();
}

bool TqzCustomInnerMemo::ExecuteAction(TBasicAction* action) {
    const TLivenessToken alive = LivenessToken();
    if (inherited::ExecuteAction(action)) return true;
    if (!alive) return true;
    TqzCustomMemo* edit = GetMemoEdit();
    return edit && edit->GetDataBinding() && edit->GetDataBinding()->ExecuteAction(action);
}

bool TqzCustomInnerMemo::UpdateAction(TBasicAction* action) {
    const TLivenessToken alive = LivenessToken();
    if (inherited::UpdateAction(action)) return true;
    if (!alive) return true;
    TqzCustomMemo* edit = GetMemoEdit();
    return edit && edit->GetDataBinding() && edit->GetDataBinding()->UpdateAction(action);
}

void TqzCustomInnerMemo::LockBounds(bool lock) {
    if (lock)
        ++FBoundsLockCount;
    else if (FBoundsLockCount > 0)
        --FBoundsLockCount;
}

void TqzCustomInnerMemo::SetBounds(Integer aLeft, Integer aTop, Integer aWidth, Integer aHeight) {
    if (FCreating || FBoundsLockCount > 0) return;
    TqzCustomMemo* edit = GetMemoEdit();
    if (edit) SetContainerAlignLock(edit, true);
    try {
        inherited::SetBounds(aLeft, aTop, aWidth, aHeight);
    } catch (...) {
        if (edit) SetContainerAlignLock(edit, false);
        throw;
    }
    if (edit) SetContainerAlignLock(edit, false);
}

void TqzCustomInnerMemo::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    SetMemoRedrawStyle(params, GetScrollBars(), GetWordWrap());
}

void TqzCustomInnerMemo::CreateHandle() {
    if (TqzCustomMemo* edit = GetMemoEdit()) edit->ResetInnerControlRegion();
    inherited::CreateHandle();
}

void TqzCustomInnerMemo::CreateWnd() {
    TqzCustomMemo* edit = GetMemoEdit();
    const bool lock = edit && edit->IsInplace();
    const String text = GetText();
    if (lock) edit->LockEditValueChanging(true);
    try {
        inherited::CreateWnd();
        if (HandleAllocated() && GetText() != text) {
            FValueBeingSet = true;
            GetLines()->SetText(text);
            FValueBeingSet = false;
        }
    } catch (...) {
        FValueBeingSet = false;
        if (lock) edit->LockEditValueChanging(false);
        throw;
    }
    if (lock) edit->LockEditValueChanging(false);
    if (edit) edit->UpdateInnerScrollBars();
}

void TqzCustomInnerMemo::DoEnter() {
    inherited::DoEnter();
    if (FAutoSelect) SelectAll();
}

void TqzCustomInnerMemo::WndProc(TMessage& message) {
    TqzCustomMemo* edit = GetMemoEdit();
    if (edit && (message.Msg == CN_KEYDOWN || message.Msg == CN_SYSKEYDOWN)) {
        const bool escape = message.WParam == VK_ESCAPE;
        const TLivenessToken alive = LivenessToken();
        if (escape) FEscapePending = true;
        try {
            KeyDownNotification(message, edit);
        } catch (...) {
            if (alive) FEscapePending = false;
            throw;
        }
        if (alive) FEscapePending = false;
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

// As the text editor's native edit: the editor's key handling runs once for a key the loop
// announces; a key it took is not dispatched, and its character still follows.
void TqzCustomInnerMemo::KeyDownNotification(TMessage& message, TqzCustomMemo* edit) {
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

void TqzCustomInnerMemo::DefaultHandler(void* message) {
    TqzCustomMemo* edit = GetMemoEdit();
    if (edit && edit->InnerDefaultHandler(*static_cast<TMessage*>(message))) return;
    inherited::DefaultHandler(message);
}

void TqzCustomInnerMemo::Click() {
    const TLivenessToken alive = LivenessToken();
    inherited::Click();
    if (alive)
        if (TqzCustomMemo* edit = GetMemoEdit()) edit->InnerClick();
}

void TqzCustomInnerMemo::DblClick() {
    const TLivenessToken alive = LivenessToken();
    inherited::DblClick();
    if (alive)
        if (TqzCustomMemo* edit = GetMemoEdit()) edit->InnerDblClick();
}

bool TqzCustomInnerMemo::DoMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) {
    TqzCustomMemo* edit = GetMemoEdit();
    if (edit && edit->HandleMouseWheel(shift, wheelDelta, mousePos)) return true;
    return inherited::DoMouseWheel(shift, wheelDelta, mousePos);
}

void TqzCustomInnerMemo::DragOver(TObject* source, Integer x, Integer y, TDragState state, bool& accept) {
    if (TqzCustomMemo* edit = GetMemoEdit()) edit->InnerDragOver(source, x + GetLeft(), y + GetTop(), state, accept);
}

void TqzCustomInnerMemo::DragDrop(TObject* source, Integer x, Integer y) {
    if (TqzCustomMemo* edit = GetMemoEdit()) edit->InnerDragDrop(source, x + GetLeft(), y + GetTop());
}

void TqzCustomInnerMemo::KeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    FKeyConsumed = false;
    const bool notified = FNotifiedKey != 0 && FNotifiedKey == key;
    FNotifiedKey = 0;
    if (TqzCustomMemo* edit = GetMemoEdit(); edit && !notified) edit->HandleKeyDown(key, shift);
    if (!alive) return;
    FKeyConsumed = key == 0;
    if (key != 0) inherited::KeyDown(key, shift);
}

void TqzCustomInnerMemo::KeyPress(char32_t& key) {
    const TLivenessToken alive = LivenessToken();
    FKeyConsumed = false;
    if (key == U'\t' && !GetWantTabs()) key = 0;
    TqzCustomMemo* edit = GetMemoEdit();
    if (edit && key != 0) edit->HandleKeyPress(key);
    if (!alive) return;
    FKeyConsumed = key == 0;
    if (key != 0) inherited::KeyPress(key);
}

void TqzCustomInnerMemo::KeyUp(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    FKeyConsumed = false;
    if (key == VK_TAB && !GetWantTabs()) key = 0;
    TqzCustomMemo* edit = GetMemoEdit();
    if (edit && key != 0) edit->HandleKeyUp(key, shift);
    if (!alive) return;
    FKeyConsumed = key == 0;
    if (key != 0) inherited::KeyUp(key, shift);
}

void TqzCustomInnerMemo::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::MouseDown(button, shift, x, y);
    TqzCustomMemo* edit = alive ? GetMemoEdit() : nullptr;
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

void TqzCustomInnerMemo::MouseMove(TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::MouseMove(shift, x, y);
    if (alive)
        if (TqzCustomMemo* edit = GetMemoEdit()) edit->HandleMouseMove(shift, x + GetLeft(), y + GetTop());
}

void TqzCustomInnerMemo::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::MouseUp(button, shift, x, y);
    if (alive)
        if (TqzCustomMemo* edit = GetMemoEdit()) edit->HandleMouseUp(button, shift, x + GetLeft(), y + GetTop());
}

void TqzCustomInnerMemo::WMKeyDown(TWMKey& message) {
    TqzCustomMemo* edit = GetMemoEdit();
    const Word key = Word(message.CharCode);
    const TShiftState shift = KeyDataToShiftState(message.KeyData);
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
    if (edit) PostInnerScrollBarsUpdate(edit);
    if (!FKeyConsumed && !HasInnerTextEditChanged(FHelper.get(), state) && key != 0 && key != VK_UP &&
        key != VK_DOWN && edit) {
        Word after = key;
        edit->FireAfterKeyDownEvent(after, shift);
    }
}

void TqzCustomInnerMemo::WMGetDlgCode(TMessage& message) {
    KOV_INHERITED(message);
    if (GetKeyState(VK_CONTROL) >= 0) message.Result |= DLGC_WANTTAB;
    if (FEscapePending) message.Result &= ~LRESULT(DLGC_WANTALLKEYS);
}

void TqzCustomInnerMemo::WMSetText(TMessage& message) {
    if (FValueBeingSet) {
        KOV_INHERITED(message);
        return;
    }
    const TLivenessToken alive = LivenessToken();
    FValueBeingSet = true;
    try {
        KOV_INHERITED(message);
    } catch (...) {
        if (alive) FValueBeingSet = false;
        throw;
    }
    if (!alive) return;
    FValueBeingSet = false;
    if (TqzCustomMemo* edit = GetMemoEdit()) edit->SetEditValueAsUser(Variant(GetLines()->GetText()));
}

void TqzCustomInnerMemo::WMReplaceSel(TMessage& message) {
    const char* text = reinterpret_cast<const char*>(message.LParam);
    const String normalized = NormalizeLineBreaks(text ? String(text) : String());
    message.LParam = LPARAM(normalized.c_str());
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    message.LParam = LPARAM(text);
    if (!alive) return;
    if (TqzCustomMemo* edit = GetMemoEdit()) edit->RefreshEditValueFromDisplay();
}

void TqzCustomInnerMemo::WMCut(TMessage&) {
    TqzCustomMemo* edit = GetMemoEdit();
    if (!edit) return;
    TClipboardMessageScope scope(edit);
    if (GetReadOnly())
        edit->CopyToClipboard();
    else
        edit->CutToClipboard();
}

void TqzCustomInnerMemo::WMPaste(TMessage&) {
    TqzCustomMemo* edit = GetMemoEdit();
    if (!edit || GetReadOnly()) return;
    TClipboardMessageScope scope(edit);
    edit->PasteFromClipboard();
}

void TqzCustomInnerMemo::WMClear(TMessage& message) {
    TqzCustomMemo* edit = GetMemoEdit();
    if (!edit || edit->IsClearingSelection()) {
        KOV_INHERITED(message);
        return;
    }
    if (GetReadOnly()) return;
    TClipboardMessageScope scope(edit);
    edit->ClearSelection();
}

void TqzCustomInnerMemo::WMSetFocus(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (!alive || GetComponentState().Contains(csDestroying)) return;
    TqzCustomMemo* edit = GetMemoEdit();
    if (!edit || edit->IsDestroyingContainer()) return;
    if (edit->HandleAllocated() && HWND(message.WParam) == edit->GetHandle()) return;
    edit->HandleFocusChange();
}

void TqzCustomInnerMemo::WMKillFocus(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (!alive || GetComponentState().Contains(csDestroying)) return;
    TqzCustomMemo* edit = GetMemoEdit();
    if (edit && !edit->IsDestroyingContainer()) edit->HandleFocusChange();
}

void TqzCustomInnerMemo::WMSetFont(TMessage& message) {
    KOV_INHERITED(message);
    TqzCustomMemo* edit = GetMemoEdit();
    if (edit && edit->IsInplace() && HandleAllocated())
        SendMessageA(GetHandle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
}

void TqzCustomInnerMemo::WMNCPaint(TMessage& message) {
    if (!IsScrollBarInfoAvailable() || !HandleAllocated()) {
        KOV_INHERITED(message);
        return;
    }
    HWND window = GetHandle();
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    SetWindowLongA(window, GWL_STYLE, style & ~LONG(WS_HSCROLL | WS_VSCROLL));
    const TLivenessToken alive = LivenessToken();
    try {
        KOV_INHERITED(message);
    } catch (...) {
        if (alive) SetWindowLongA(window, GWL_STYLE, style);
        throw;
    }
    if (!alive) return;
    const TScrollStyle bars = GetScrollBars();
    LONG restored = style & ~LONG(WS_HSCROLL | WS_VSCROLL);
    if (HasHorzBar(bars)) restored |= WS_HSCROLL;
    if (HasVertBar(bars)) restored |= WS_VSCROLL;
    SetWindowLongA(window, GWL_STYLE, restored);
    if (bars != ssBoth) return;
    // The square between both native bars, which neither overlay bar covers.
    SCROLLBARINFO horz{}, vert{};
    horz.cbSize = vert.cbSize = sizeof(SCROLLBARINFO);
    const DWORD hidden = STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
    if (!QueryScrollBarInfo(window, OBJID_HSCROLL, horz) || !QueryScrollBarInfo(window, OBJID_VSCROLL, vert) ||
        (horz.rgstate[0] & hidden) || (vert.rgstate[0] & hidden))
        return;
    POINT topLeft{vert.rcScrollBar.left, horz.rcScrollBar.top};
    POINT bottomRight{vert.rcScrollBar.right, horz.rcScrollBar.bottom};
    ::ScreenToClient(window, &topLeft);
    ::ScreenToClient(window, &bottomRight);
    RECT corner{topLeft.x + 2, topLeft.y + 2, bottomRight.x + 2, bottomRight.y + 2};
    if (HDC dc = GetWindowDC(window)) {
        HBRUSH brush = CreateSolidBrush(ColorToRGB(clBtnFace));
        FillRect(dc, &corner, brush);
        DeleteObject(brush);
        ReleaseDC(window, dc);
    }
}

void TqzCustomInnerMemo::WMWindowPosChanging(TMessage& message) {
    TqzCustomMemo* edit = GetMemoEdit();
    if (edit) edit->UpdateInnerScrollBars();
    KOV_INHERITED(message);
}

void TqzCustomInnerMemo::WMWindowPosChanged(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (!alive) return;
    if (TqzCustomMemo* edit = GetMemoEdit()) edit->UpdateInnerScrollBars();
}

void TqzCustomInnerMemo::CMMouseLeave(TMessage& message) {
    KOV_INHERITED(message);
    if (TqzCustomMemo* edit = GetMemoEdit()) edit->UpdateViewAtCursor();
}

KOV_MESSAGE_MAP(TqzCustomInnerMemo) {
    map.Message(WM_KEYDOWN, &TqzCustomInnerMemo::WMKeyDown);
    map.Message(WM_GETDLGCODE, &TqzCustomInnerMemo::WMGetDlgCode);
    map.Message(WM_SETTEXT, &TqzCustomInnerMemo::WMSetText);
    map.Message(EM_REPLACESEL, &TqzCustomInnerMemo::WMReplaceSel);
    map.Message(WM_CUT, &TqzCustomInnerMemo::WMCut);
    map.Message(WM_PASTE, &TqzCustomInnerMemo::WMPaste);
    map.Message(WM_CLEAR, &TqzCustomInnerMemo::WMClear);
    map.Message(WM_SETFOCUS, &TqzCustomInnerMemo::WMSetFocus);
    map.Message(WM_KILLFOCUS, &TqzCustomInnerMemo::WMKillFocus);
    map.Message(WM_SETFONT, &TqzCustomInnerMemo::WMSetFont);
    map.Message(WM_NCPAINT, &TqzCustomInnerMemo::WMNCPaint);
    map.Message(WM_WINDOWPOSCHANGING, &TqzCustomInnerMemo::WMWindowPosChanging);
    map.Message(WM_WINDOWPOSCHANGED, &TqzCustomInnerMemo::WMWindowPosChanged);
    map.Message(CM_MOUSELEAVE, &TqzCustomInnerMemo::CMMouseLeave);
}

KOV_PUBLISHED(TqzCustomInnerMemo) {}

// ---- The memo editor -------------------------------------------------------------------------

TqzCustomMemo::TqzCustomMemo(TComponent* owner) : TqzCustomMemo(owner, false) {}

TqzCustomMemo::TqzCustomMemo(TComponent* owner, bool isInplace) : TqzCustomMemo(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomMemo::TqzCustomMemo(TComponent* owner, bool isInplace, bool) : TqzCustomTextEdit(owner, isInplace, true) {}

void TqzCustomMemo::Initialize() {
    inherited::Initialize();
    SetHasOwnScrollBars(true);
    SetAutoSize(false);
    SetBounds(GetLeft(), GetTop(), 185, 89);
}

TqzCustomMemoProperties* TqzCustomMemo::GetActiveMemoProperties() {
    if (auto* active = dynamic_cast<TqzCustomMemoProperties*>(GetActiveProperties())) return active;
    return GetMemoProperties();
}

IqzInnerMemo* TqzCustomMemo::GetInnerMemo() const { return dynamic_cast<IqzInnerMemo*>(GetInnerEdit()); }

TqzCustomInnerMemo* TqzCustomMemo::GetInnerMemoControl() const {
    return dynamic_cast<TqzCustomInnerMemo*>(GetInnerControl());
}

TStrings* TqzCustomMemo::GetLines() const {
    IqzInnerMemo* inner = GetInnerMemo();
    return inner ? inner->GetLines() : nullptr;
}

void TqzCustomMemo::SetLines(TStrings* value) {
    if (TStrings* lines = GetLines()) lines->Assign(value);
}

void TqzCustomMemo::Loaded() {
    inherited::Loaded();
    TStrings* lines = GetLines();
    if (lines && lines->GetCount() > 0) {
        Variant value;
        bool isValid = true;
        DisplayToEditValue(Variant(GetInnerMemoControl()->GetText()), value, isValid);
        FEditValue = value;
    }
}

void TqzCustomMemo::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    TqzCustomMemoProperties* properties = GetActiveMemoProperties();
    SetMemoRedrawStyle(params, properties ? properties->GetScrollBars() : ssNone,
                       properties ? properties->GetWordWrap() : true);
}

// -- Keys --

bool TqzCustomMemo::IsMemoKey(Word key, TShiftState shift) {
    TqzCustomMemoProperties* properties = GetActiveMemoProperties();
    if (key == VK_RETURN) return properties->GetWantReturns() || shift.Contains(ssCtrl);
    if (key == VK_TAB) return properties->GetWantTabs();
    return false;
}

bool TqzCustomMemo::IsEditingKey(Word key, TShiftState shift) {
    return inherited::IsEditingKey(key, shift) || IsMemoKey(key, shift);
}

bool TqzCustomMemo::IsEditingChar(char32_t ch) {
    return inherited::IsEditingChar(ch) || (ch < 0x10000 && IsMemoKey(Word(ch), GetCurrentShiftState()));
}

void TqzCustomMemo::HandleEditKeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleEditKeyDown(key, shift);
    if (!alive) return;
    if (key == 'A' && shift.Contains(ssCtrl) && !shift.Contains(ssShift) && !shift.Contains(ssAlt)) {
        TStrings* lines = GetLines();
        if (lines && lines->GetCount() >= 1) {
            if (IqzInnerMemo* inner = GetInnerMemo()) inner->SelectAll();
            FireAfterKeyDownEvent(key, shift);
            key = 0;
        }
    }
}

void TqzCustomMemo::HandleKeyDown(Word& key, TShiftState shift) {
    if (IsInplace() && key == VK_RETURN) {
        const bool wantReturns = GetActiveMemoProperties()->GetWantReturns();
        const bool ctrl = shift.Contains(ssCtrl);
        if ((ctrl && !wantReturns) || (!ctrl && wantReturns)) {
            HandleEditKeyDown(key, shift);
            return;
        }
    }
    inherited::HandleKeyDown(key, shift);
}

// -- Text operations --

void TqzCustomMemo::SetSelText(const String& value) {
    String text = value;
    if (FClipboardMessage) {
        const Integer maxLength = GetActiveMemoProperties()->GetMaxLength();
        if (maxLength > 0) {
            const Integer before = GetSelStart();
            if (before + Utf8Length(text) > maxLength) {
                const Integer room = maxLength - before;
                if (room <= 0) return;
                text = Utf8Copy(text, 1, room);
            }
        }
    }
    const bool fromCode = !IsUserChange();
    if (!fromCode && !RequestEditing()) return;
    IqzInnerMemo* inner = GetInnerMemo();
    if (!inner) return;
    const TLivenessToken alive = LivenessToken();
    // Code inserts the whole text: the native limit is for typing and pasting.
    const Integer limit = inner->GetMaxLength();
    if (fromCode && !FClipboardMessage) inner->SetMaxLength(0);
    try {
        inner->SetSelText(text);
    } catch (...) {
        if (alive && fromCode && !FClipboardMessage) inner->SetMaxLength(limit);
        throw;
    }
    if (!alive) return;
    if (fromCode && !FClipboardMessage) inner->SetMaxLength(limit);
    if (fromCode) FinishTextOperation();
}

void TqzCustomMemo::ClearSelection() {
    if (GetSelLength() <= 0) return;
    const bool fromCode = !IsUserChange();
    if (!fromCode && !RequestEditing()) return;
    IqzInnerMemo* inner = GetInnerMemo();
    if (!inner) return;
    const TLivenessToken alive = LivenessToken();
    {
        TFlagScope clearing(FClearingSelection, alive);
        inner->ClearSelection();
    }
    if (alive && fromCode) FinishTextOperation();
}

void TqzCustomMemo::CutToClipboard() {
    if (GetSelLength() <= 0) return;
    IqzInnerMemo* inner = GetInnerMemo();
    if (!inner) return;
    const TLivenessToken alive = LivenessToken();
    inner->CopyToClipboard();
    if (alive) ClearSelection();
}

void TqzCustomMemo::FinishTextOperation() {
    if (FClipboardMessage) return;
    const TLivenessToken alive = LivenessToken();
    ResetFindSelection();
    RefreshEditValueFromDisplay();
    if (alive) SetModifiedFlag(false);
}

void TqzCustomMemo::SelectAll() {
    if (IqzInnerMemo* inner = GetInnerMemo()) inner->SelectAll();
}

// -- Geometry, scrolling, appearance --

void TqzCustomMemo::AdjustInnerEditPosition() {
    TWinControl* inner = GetInnerControl();
    if (FPositioning || !inner || !GetViewInfo()) return;
    TFlagScope positioning(FPositioning, LivenessToken());
    const TRect client = GetViewInfo()->ClientRect;
    TRect r = client;
    InflateRect(&r, 2, 2);
    if (inner->GetLeft() != r.left || inner->GetTop() != r.top || inner->GetWidth() != r.right - r.left ||
        inner->GetHeight() != r.bottom - r.top)
        inner->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    RECT rect = client;
    AlignControls(inner, rect);
}

void TqzCustomMemo::AdjustInnerControlBounds() {
    if (GetActiveMemoProperties()->GetVisibleLineCount() != 0)
        inherited::AdjustInnerControlBounds();
    else
        AdjustInnerEditPosition();
}

bool TqzCustomMemo::IsAutoHeight() { return !IsInplace() && GetActiveMemoProperties()->GetVisibleLineCount() >= 1; }

void TqzCustomMemo::GetSizeParameters(TqzEditSizeParameters& parameters) {
    TqzCustomEdit::GetSizeParameters(parameters);
    parameters.MaxLineCount = GetActiveMemoProperties()->GetVisibleLineCount();
}

void TqzCustomMemo::InitializeViewData(TqzCustomEditViewData* viewData) {
    inherited::InitializeViewData(viewData);
    viewData->HScrollBarVisible = false;
    viewData->VScrollBarVisible = false;
}

void TqzCustomMemo::ApplyActiveProperties(TObject* properties) {
    const TLivenessToken alive = LivenessToken();
    if (!IsInnerEditUnavailable()) {
        TqzCustomMemoProperties* active = GetActiveMemoProperties();
        IqzInnerMemo* inner = GetInnerMemo();
        if (inner) {
            if (inner->GetScrollBars() != active->GetScrollBars()) {
                inner->SetScrollBars(active->GetScrollBars());
                if (HandleAllocated()) RecreateWnd();
                if (alive && GetInnerControl() && GetInnerControl()->HandleAllocated())
                    GetInnerControl()->RecreateWnd();
            }
            if (!alive) return;
            inner->SetWantReturns(active->GetWantReturns());
            inner->SetWantTabs(active->GetWantTabs());
            inner->SetWordWrap(active->GetWordWrap());
        }
    }
    if (alive) inherited::ApplyActiveProperties(properties);
}

void TqzCustomMemo::UpdateInnerEditAppearance() {
    IqzInnerMemo* inner = GetInnerMemo();
    TWinControl* control = GetInnerControl();
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

void TqzCustomMemo::ScrollContent(TScrollBarKind kind, TScrollCode code, Integer& position) {
    IqzInnerMemo* inner = GetInnerMemo();
    TWinControl* control = GetInnerControl();
    if (!inner || !control || !control->HandleAllocated()) return;
    HWND window = control->GetHandle();
    if (kind == sbHorizontal) {
        TqzScrollBar* bar = GetHScrollBar();
        inner->CallDefaultWindowProc(WM_HSCROLL, MAKEWPARAM(WORD(code), WORD(position)),
                                     LPARAM(bar && bar->HandleAllocated() ? bar->GetHandle() : nullptr));
        position = GetScrollPos(window, SB_HORZ);
    } else {
        if (code == scLineUp || code == scLineDown) {
            inner->CallDefaultWindowProc(EM_LINESCROLL, 0, code == scLineUp ? -1 : 1);
        } else {
            TqzScrollBar* bar = GetVScrollBar();
            inner->CallDefaultWindowProc(WM_VSCROLL, MAKEWPARAM(WORD(code), WORD(position)),
                                         LPARAM(bar && bar->HandleAllocated() ? bar->GetHandle() : nullptr));
        }
        position = GetScrollPos(window, SB_VERT);
    }
    UpdateInnerScrollBars();
}

void TqzCustomMemo::HandleFontChange() {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleFontChange();
    if (alive) UpdateInnerScrollBars();
}

void TqzCustomMemo::HandleContentChange(TObject* sender) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleContentChange(sender);
    if (alive) PostInnerScrollBarsUpdate(this);
}

void TqzCustomMemo::HandleWindowMessage(TMessage& message) {
    if (message.Msg == WM_COMMAND && GetInnerControl() && GetInnerControl()->HandleAllocated() &&
        HWND(message.LParam) == GetInnerControl()->GetHandle()) {
        const WORD code = HIWORD(message.WParam);
        if (code == EN_HSCROLL || code == EN_VSCROLL) UpdateInnerScrollBars();
    }
    const TLivenessToken alive = LivenessToken();
    inherited::HandleWindowMessage(message);
    if (!alive) return;
    if (message.Msg == WM_WINDOWPOSCHANGED || message.Msg == WM_NCCALCSIZE || message.Msg == CM_WININICHANGE)
        PostInnerScrollBarsUpdate(this);
}

KOV_PUBLISHED(TqzCustomMemo) {}

TqzMemo::TqzMemo(TComponent* owner) : TqzCustomMemo(owner, false, true) { InitializeEditor(); }

TqzMemo::TqzMemo(TComponent* owner, bool isInplace) : TqzCustomMemo(owner, isInplace, true) { InitializeEditor(); }

KOV_PUBLISHED(TqzMemo) {
    Property("Lines", &TqzMemo::GetLines, &TqzMemo::SetLines);
    Property("Properties", &TqzMemo::GetProperties, &TqzMemo::SetProperties);
}
