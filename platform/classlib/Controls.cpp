// TControl: geometry, appearance, text, the message entry and the mouse; size constraints,
// the action link of a control and the control canvas.
#include "platform/classlib/Controls.h"

#include <algorithm>

#include "platform/runtime/Format.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"

// ---- Globals ----------------------------------------------------------------------------------------

namespace {

TCursor gScreenCursor = crDefault;

TPopupMenuHook& PopupHook() {
    static auto* hook = new TPopupMenuHook;
    return *hook;
}

}  // namespace

TControl*& kov_detail::CaptureGraphicControl() {
    static TControl* control = nullptr;
    return control;
}

TControl*& kov_detail::MouseOverControl() {
    static TControl* control = nullptr;
    return control;
}

void SetScreenCursorOverride(TCursor cursor) { gScreenCursor = cursor; }
TCursor GetScreenCursorOverride() { return gScreenCursor; }

TPopupMenuHook SetPopupMenuHook(TPopupMenuHook hook) {
    TPopupMenuHook old = std::move(PopupHook());
    PopupHook() = std::move(hook);
    return old;
}

TControl* GetCaptureControl() {
    TControl* control = FindControl(GetCapture());
    if (control != nullptr && kov_detail::CaptureGraphicControl() != nullptr && kov_detail::CaptureGraphicControl()->GetParent() == control)
        return kov_detail::CaptureGraphicControl();
    return control;
}

void SetCaptureControl(TControl* control) {
    kov_detail::CaptureGraphicControl() = nullptr;
    if (GetCapture() != nullptr) ReleaseCapture();
    if (control == nullptr) return;
    TWinControl* win = dynamic_cast<TWinControl*>(control);
    if (win == nullptr) {
        if (control->GetParent() == nullptr) return;
        kov_detail::CaptureGraphicControl() = control;
        win = control->GetParent();
    }
    SetCapture(win->GetHandle());
}

TWinControl* GetParentFormControl(const TControl* control) {
    if (control == nullptr) return nullptr;
    const TControl* c = control;
    while (c->GetParent() != nullptr)
        c = c->GetParent();
    return const_cast<TWinControl*>(dynamic_cast<const TWinControl*>(c));
}

// ---- TSizeConstraints -----------------------------------------------------------------------------------

void TSizeConstraints::SetMaxHeight(Integer value) {
    if (value == FMaxHeight) return;
    FMaxHeight = value;
    if (value > 0 && value < FMinHeight) FMinHeight = value;
    Change();
}

void TSizeConstraints::SetMaxWidth(Integer value) {
    if (value == FMaxWidth) return;
    FMaxWidth = value;
    if (value > 0 && value < FMinWidth) FMinWidth = value;
    Change();
}

void TSizeConstraints::SetMinHeight(Integer value) {
    if (value == FMinHeight) return;
    FMinHeight = value;
    if (FMaxHeight > 0 && value > FMaxHeight) FMaxHeight = value;
    Change();
}

void TSizeConstraints::SetMinWidth(Integer value) {
    if (value == FMinWidth) return;
    FMinWidth = value;
    if (FMaxWidth > 0 && value > FMaxWidth) FMaxWidth = value;
    Change();
}

void TSizeConstraints::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TSizeConstraints*>(source)) {
        FMinHeight = other->FMinHeight;
        FMaxHeight = other->FMaxHeight;
        FMinWidth = other->FMinWidth;
        FMaxWidth = other->FMaxWidth;
        Change();
        return;
    }
    TPersistent::Assign(source);
}

void TSizeConstraints::Change() {
    if (FControl != nullptr) FControl->DoConstraintsChange(this);
    OnChange(this);
}

// ---- TControl ---------------------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {
    WindowProc = MakeEvent(this, &TControl::WndProc);
    FControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    FConstraints = std::make_unique<TSizeConstraints>(this);
    FFont = std::make_unique<TFont>();
    FFont->OnChange = MakeEvent(this, &TControl::FontChanged);
}

TControl::~TControl() {
    Destroying();
    if (kov_detail::MouseOverControl() == this) kov_detail::MouseOverControl() = nullptr;
    if (GetDragControl() == this) CancelDrag();
    if (kov_detail::CaptureGraphicControl() == this) SetCaptureControl(nullptr);
    if (FParent != nullptr) FParent->RemoveControl(this);
    FActionLink.reset();
}

// ---- Parent and geometry

void TControl::SetParent(TWinControl* value) {
    if (FParent == value) return;
    if (value == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent != nullptr) FParent->RemoveControl(this);
    if (value != nullptr) value->InsertControl(this);
}

void TControl::SetLeft(Integer value) { SetBounds(value, FTop, FWidth, FHeight); }
void TControl::SetTop(Integer value) { SetBounds(FLeft, value, FWidth, FHeight); }
void TControl::SetWidth(Integer value) { SetBounds(FLeft, FTop, value, FHeight); }
void TControl::SetHeight(Integer value) { SetBounds(FLeft, FTop, FWidth, value); }

RECT TControl::GetBoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }

void TControl::SetBoundsRect(const RECT& value) {
    SetBounds(value.left, value.top, value.right - value.left, value.bottom - value.top);
}

bool TControl::CheckNewSize(Integer& newWidth, Integer& newHeight) {
    Integer w = newWidth;
    Integer h = newHeight;
    if (!CanResize(w, h)) return false;
    if (FAutoSize) CanAutoSize(w, h);
    DoConstrainedResize(w, h);
    newWidth = w;
    newHeight = h;
    return true;
}

void TControl::ScaleBy(Integer m, Integer d) {
    FScalingFlags = TScalingFlags{sfLeft, sfTop, sfWidth, sfHeight, sfFont};
    ChangeScale(m, d);
}

void TControl::ChangeScale(Integer m, Integer d) {
    if (m == d) {
        FScalingFlags = TScalingFlags();
        return;
    }
    const TScalingFlags flags = FScalingFlags;
    FScalingFlags = TScalingFlags();
    const Integer left = flags.Contains(sfLeft) ? MulDiv(FLeft, m, d) : FLeft;
    const Integer top = flags.Contains(sfTop) ? MulDiv(FTop, m, d) : FTop;
    // The right and bottom edges are scaled, so that neighbours stay flush.
    const Integer width = flags.Contains(sfWidth) ? MulDiv(FLeft + FWidth, m, d) - left : FWidth;
    const Integer height = flags.Contains(sfHeight) ? MulDiv(FTop + FHeight, m, d) - top : FHeight;
    SetBounds(left, top, width, height);
    if (flags.Contains(sfFont) && !FParentFont) GetFont()->SetSize(MulDiv(GetFont()->GetSize(), m, d));
}

void TControl::SetBounds(Integer aLeft, Integer aTop, Integer aWidth, Integer aHeight) {
    if (!CheckNewSize(aWidth, aHeight)) return;
    if (aLeft == FLeft && aTop == FTop && aWidth == FWidth && aHeight == FHeight) return;
    Invalidate();
    ChangeBounds(aLeft, aTop, aWidth, aHeight);
    Invalidate();
    const TLivenessToken alive = LivenessToken();
    Perform(WM_WINDOWPOSCHANGED, 0, 0);
    if (!alive) return;
    RequestAlign();
    if (!alive) return;
    if (!GetComponentState().Contains(csLoading)) Resize();
}

void TControl::ChangeBounds(Integer aLeft, Integer aTop, Integer aWidth, Integer aHeight) {
    FLeft = aLeft;
    FTop = aTop;
    FWidth = aWidth;
    FHeight = aHeight;
    UpdateAnchorRules();
}

void TControl::UpdateBoundsRect(const RECT& r) {
    FLeft = r.left;
    FTop = r.top;
    FWidth = r.right - r.left;
    FHeight = r.bottom - r.top;
    UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
    if (FAnchorMove || FParent == nullptr) return;
    RECT client = FParent->GetClientRect();
    FParent->AdjustClientRect(client);
    FOriginalParentSize = POINT{client.right - client.left, client.bottom - client.top};
    FAnchorOrigin = GetBoundsRect();
}

RECT TControl::GetClientRect() const { return RECT{0, 0, FWidth, FHeight}; }
Integer TControl::GetClientWidth() const { return GetClientRect().right; }
Integer TControl::GetClientHeight() const { return GetClientRect().bottom; }

void TControl::SetClientWidth(Integer value) { SetWidth(FWidth - GetClientWidth() + value); }
void TControl::SetClientHeight(Integer value) { SetHeight(FHeight - GetClientHeight() + value); }

POINT TControl::GetClientOrigin() const {
    if (FParent == nullptr)
        throw EInvalidOperation(Format("Control '%s' has no parent window", {GetName()}));
    POINT origin = FParent->GetClientOrigin();
    origin.x += FLeft;
    origin.y += FTop;
    return origin;
}

POINT TControl::ClientToScreen(POINT point) const {
    const POINT origin = GetClientOrigin();
    return POINT{point.x + origin.x, point.y + origin.y};
}

POINT TControl::ScreenToClient(POINT point) const {
    const POINT origin = GetClientOrigin();
    return POINT{point.x - origin.x, point.y - origin.y};
}

POINT TControl::ClientToParent(POINT point, TWinControl* parent) const {
    if (parent == nullptr) parent = FParent;
    if (parent == nullptr) throw EInvalidOperation(Format("Control '%s' has no parent window", {GetName()}));
    const TControl* c = this;
    while (c != parent) {
        if (c->FParent == nullptr) throw EInvalidOperation("Control is not a child of the given parent");
        point.x += c->FLeft;
        point.y += c->FTop;
        c = c->FParent;
    }
    return point;
}

POINT TControl::ParentToClient(POINT point, TWinControl* parent) const {
    const POINT zero = ClientToParent(POINT{0, 0}, parent);
    return POINT{point.x - zero.x, point.y - zero.y};
}

void TControl::SetAlign(TAlign value) {
    if (FAlign == value) return;
    const TAlign old = FAlign;
    FAlign = value;
    FAnchors = AnchorAlign[value];
    if (old == alNone && !FAnchorMove) UpdateAnchorRules();
    RequestAlign();
}

void TControl::SetAnchors(TAnchors value) {
    if (FAnchors == value) return;
    FAnchors = value;
    if (!GetComponentState().Contains(csLoading)) UpdateAnchorRules();
}

void TControl::SetConstraints(TSizeConstraints* value) { FConstraints->Assign(value); }

void TControl::SetAutoSize(bool value) {
    if (FAutoSize == value) return;
    FAutoSize = value;
    if (value) AdjustSize();
}

bool TControl::CanResize(Integer& newWidth, Integer& newHeight) {
    bool resize = true;
    OnCanResize(this, newWidth, newHeight, resize);
    return resize;
}

bool TControl::CanAutoSize(Integer& newWidth, Integer& newHeight) { return true; }

void TControl::ConstrainedResize(Integer& minWidth, Integer& minHeight, Integer& maxWidth, Integer& maxHeight) {
    OnConstrainedResize(this, minWidth, minHeight, maxWidth, maxHeight);
}

void TControl::DoConstrainedResize(Integer& newWidth, Integer& newHeight) {
    Integer minWidth = FConstraints->GetMinWidth();
    Integer minHeight = FConstraints->GetMinHeight();
    Integer maxWidth = FConstraints->GetMaxWidth();
    Integer maxHeight = FConstraints->GetMaxHeight();
    ConstrainedResize(minWidth, minHeight, maxWidth, maxHeight);
    if (maxWidth > 0 && newWidth > maxWidth) newWidth = maxWidth;
    if (minWidth > 0 && newWidth < minWidth) newWidth = minWidth;
    if (maxHeight > 0 && newHeight > maxHeight) newHeight = maxHeight;
    if (minHeight > 0 && newHeight < minHeight) newHeight = minHeight;
}

void TControl::DoConstraintsChange(TObject* sender) {
    if (!GetComponentState().Contains(csLoading)) AdjustSize();
}

void TControl::AdjustSize() {
    if (!GetComponentState().Contains(csLoading)) {
        // Re-applies the sizing rules to the current size.
        Integer w = FWidth;
        Integer h = FHeight;
        if (!CheckNewSize(w, h)) return;
        if (w != FWidth || h != FHeight) SetBounds(FLeft, FTop, w, h);
    }
}

void TControl::Resize() { OnResize(this); }

void TControl::RequestAlign() {
    if (FParent != nullptr) FParent->AlignControl(this);
}

// ---- Appearance

void TControl::SetVisible(bool value) {
    if (FVisible == value) return;
    VisibleChanging();
    FVisible = value;
    const TLivenessToken alive = LivenessToken();
    Perform(CM_VISIBLECHANGED, WPARAM(value), 0);
    if (alive) RequestAlign();
}

void TControl::Show() {
    if (FParent != nullptr) FParent->ShowControl(this);
    SetVisible(true);
}

void TControl::Hide() { SetVisible(false); }

void TControl::SetEnabled(bool value) {
    if (FEnabled == value) return;
    FEnabled = value;
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor value) {
    if (FColor == value) {
        FParentColor = false;
        return;
    }
    FColor = value;
    FParentColor = false;
    Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value) {
    if (FParentColor == value) return;
    FParentColor = value;
    if (FParent != nullptr && !GetComponentState().Contains(csReading)) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::ParentColorChanged() {
    if (!FParentColor || FParent == nullptr) return;
    SetColor(FParent->GetColor());
    FParentColor = true;
}

void TControl::SetFont(TFont* value) { FFont->Assign(value); }

void TControl::FontChanged(TObject* sender) {
    FParentFont = false;
    FDesktopFont = false;
    Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool value) {
    if (FParentFont == value) return;
    FParentFont = value;
    if (FParent != nullptr && !GetComponentState().Contains(csReading)) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::ParentFontChanged() {
    if (!FParentFont || FParent == nullptr) return;
    FFont->Assign(FParent->GetFont());
    FParentFont = true;
}

String TControl::GetText() const {
    TControl* self = const_cast<TControl*>(this);
    const LRESULT length = self->Perform(WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return String();
    String buffer(std::size_t(length) + 1, '\0');
    const LRESULT copied = self->Perform(WM_GETTEXT, WPARAM(buffer.size()), LPARAM(buffer.data()));
    buffer.resize(std::size_t(std::clamp<LRESULT>(copied, 0, length)));
    return buffer;
}

void TControl::SetText(const String& value) {
    if (GetText() == value) return;
    const TLivenessToken alive = LivenessToken();
    Perform(WM_SETTEXT, 0, LPARAM(value.c_str()));
    if (alive) Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetShowHint(bool value) {
    if (FShowHint == value && !FParentShowHint) return;
    FShowHint = value;
    FParentShowHint = false;
    Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool value) {
    if (FParentShowHint == value) return;
    FParentShowHint = value;
    if (FParent != nullptr && !GetComponentState().Contains(csReading)) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor value) {
    if (FCursor == value) return;
    FCursor = value;
    Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TComponent* value) {
    if (FPopupMenu == value) return;
    if (FPopupMenu != nullptr) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = value;
    if (value != nullptr) value->FreeNotification(this);
}

void TControl::SetBiDiMode(TBiDiMode value) {
    if (FBiDiMode == value) return;
    FBiDiMode = value;
    Perform(CM_BIDIMODECHANGED, 0, 0);
}

// ---- Messages

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage message{msg, wParam, lParam, 0};
    WindowProc(message);
    return message.Result;
}

void TControl::WndProc(TMessage& message) {
    if (message.Msg >= WM_MOUSEFIRST && message.Msg <= WM_MOUSELAST && message.Msg != WM_MOUSEWHEEL) {
        if (!GetComponentState().Contains(csDesigning)) {
            if (!FControlStyle.Contains(csDoubleClicks)) {
                if (message.Msg == WM_LBUTTONDBLCLK) message.Msg = WM_LBUTTONDOWN;
                else if (message.Msg == WM_RBUTTONDBLCLK) message.Msg = WM_RBUTTONDOWN;
                else if (message.Msg == WM_MBUTTONDBLCLK) message.Msg = WM_MBUTTONDOWN;
            }
            switch (message.Msg) {
            case WM_LBUTTONDOWN:
            case WM_LBUTTONDBLCLK:
                if (FDragMode == dmAutomatic && FDragKind == dkDrag) {
                    BeginAutoDrag();
                    return;
                }
                FControlState.Include(csLButtonDown);
                break;
            case WM_LBUTTONUP:
                FControlState.Exclude(csLButtonDown);
                break;
            default:
                break;
            }
        }
    }
    Dispatch(&message);
}

void TControl::Dispatch(void* message) {
    DispatchFrom(ClassType(), *static_cast<TMessage*>(message));
}

void TControl::DispatchFrom(TClass cls, TMessage& message) {
    if (const kov_detail::TMessageThunk* handler = kov_detail::FindMessageHandler(cls, message.Msg)) {
        // The thunk is copied: a handler may free the control, and with it nothing of ours may
        // be touched afterwards.
        const kov_detail::TMessageThunk call = *handler;
        call(this, message);
    } else {
        DefaultHandler(&message);
    }
}

void TControl::DefaultHandler(void* message) {
    TMessage& m = *static_cast<TMessage*>(message);
    switch (m.Msg) {
    case WM_GETTEXT: {
        const String text = GetTextValue();
        char* buffer = reinterpret_cast<char*>(m.LParam);
        const std::size_t size = std::size_t(m.WParam);
        if (buffer == nullptr || size == 0) {
            m.Result = 0;
            break;
        }
        const std::size_t n = std::min(text.size(), size - 1);
        text.copy(buffer, n);
        buffer[n] = '\0';
        m.Result = LRESULT(n);
        break;
    }
    case WM_GETTEXTLENGTH:
        m.Result = LRESULT(GetTextValue().size());
        break;
    case WM_SETTEXT:
        SetTextValue(m.LParam != 0 ? String(reinterpret_cast<const char*>(m.LParam)) : String());
        m.Result = 1;
        break;
    default:
        break;
    }
}

// ---- Painting

void TControl::Invalidate() {
    if (FParent == nullptr || !FParent->HandleAllocated()) return;
    const RECT r = GetBoundsRect();
    InvalidateRect(FParent->FHandle, &r, !FControlStyle.Contains(csOpaque));
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::Update() {
    if (FParent != nullptr) FParent->Update();
}

void TControl::BringToFront() { SetZOrder(true); }
void TControl::SendToBack() { SetZOrder(false); }

void TControl::SetZOrder(bool topMost) {
    if (FParent == nullptr) return;
    FParent->SetChildZPosition(this, topMost ? 0x7FFFFFFF : 0);
}

bool TControl::IsShowing() const {
    if (!FVisible) return false;
    return FParent != nullptr && FParent->IsShowing();
}

HWND TControl::GetParentHandle() const {
    if (auto* win = dynamic_cast<const TWinControl*>(this)) return win->FHandle;
    return FParent != nullptr ? FParent->FHandle : nullptr;
}

// ---- Mouse

bool TControl::GetMouseCapture() const { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool value) {
    if (GetMouseCapture() == value) return;
    if (value)
        SetCaptureControl(this);
    else
        SetCaptureControl(nullptr);
}

void TControl::SendCancelMode(TControl* sender) {
    TWinControl* focused = FindControl(GetFocus());
    if (focused != nullptr && focused != sender) focused->Perform(CM_CANCELMODE, 0, LPARAM(sender));
}

void TControl::DoMouseDown(TWMMouse& message, TMouseButton button, TShiftState shift) {
    if (FControlStyle.Contains(csNoStdEvents)) return;
    MouseDown(button, KeysToShiftState(message.Keys) + shift, message.XPos, message.YPos);
}

void TControl::DoMouseUp(TWMMouse& message, TMouseButton button) {
    if (FControlStyle.Contains(csNoStdEvents)) return;
    MouseUp(button, KeysToShiftState(message.Keys), message.XPos, message.YPos);
}

bool TControl::InheritedMouse(TWMMouse& message) {
    // A windowed control's window class sees the mouse first (a button presses, an edit places
    // its caret); the control's own events follow unless that freed the control.
    TMessage m{message.Msg, WPARAM(message.Keys), MAKELPARAM(WORD(message.XPos), WORD(message.YPos)), 0};
    const TLivenessToken alive = LivenessToken();
    DefaultHandler(&m);
    if (!alive) return false;
    message.Result = m.Result;
    return true;
}

void TControl::WMLButtonDown(TWMMouse& message) {
    SendCancelMode(this);
    if (!InheritedMouse(message)) return;
    if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
    if (FControlStyle.Contains(csClickEvents)) FControlState.Include(csClicked);
    DoMouseDown(message, mbLeft, {});
}

void TControl::WMRButtonDown(TWMMouse& message) {
    if (InheritedMouse(message)) DoMouseDown(message, mbRight, {});
}

void TControl::WMMButtonDown(TWMMouse& message) {
    if (InheritedMouse(message)) DoMouseDown(message, mbMiddle, {});
}

void TControl::WMLButtonDblClk(TWMMouse& message) {
    SendCancelMode(this);
    if (!InheritedMouse(message)) return;
    if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
    const TLivenessToken alive = LivenessToken();
    if (FControlStyle.Contains(csClickEvents)) DblClick();
    if (alive) DoMouseDown(message, mbLeft, {ssDouble});
}

void TControl::WMRButtonDblClk(TWMMouse& message) {
    if (InheritedMouse(message)) DoMouseDown(message, mbRight, {ssDouble});
}

void TControl::WMMButtonDblClk(TWMMouse& message) {
    if (InheritedMouse(message)) DoMouseDown(message, mbMiddle, {ssDouble});
}

void TControl::WMLButtonUp(TWMMouse& message) {
    if (!InheritedMouse(message)) return;
    if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
    const TLivenessToken alive = LivenessToken();
    if (FControlState.Contains(csClicked)) {
        FControlState.Exclude(csClicked);
        const RECT client = GetClientRect();
        if (PtInRect(&client, message.Pos())) Click();
        // The click handler may have freed the control.
        if (!alive) return;
    }
    DoMouseUp(message, mbLeft);
}

void TControl::WMRButtonUp(TWMMouse& message) {
    if (InheritedMouse(message)) DoMouseUp(message, mbRight);
}

void TControl::WMMButtonUp(TWMMouse& message) {
    if (InheritedMouse(message)) DoMouseUp(message, mbMiddle);
}

void TControl::WMMouseMove(TWMMouse& message) {
    if (!InheritedMouse(message)) return;
    if (FControlStyle.Contains(csNoStdEvents)) return;
    MouseMove(KeysToShiftState(message.Keys), message.XPos, message.YPos);
}

void TControl::WMMouseWheel(TWMMouseWheel& message) {
    const TShiftState shift = KeysToShiftState(message.Keys);
    WORD mask = WORD(shift.Mask());
    message.Result = Perform(CM_MOUSEWHEEL, MAKEWPARAM(mask, WORD(message.WheelDelta)),
                             MAKELPARAM(WORD(message.XPos), WORD(message.YPos)));
}

void TControl::CMMouseWheel(TCMMouseWheel& message) {
    const TShiftState shift = TShiftState::FromMask(message.ShiftState);
    const TLivenessToken alive = LivenessToken();
    if (DoMouseWheel(shift, message.WheelDelta, POINT{message.XPos, message.YPos})) {
        message.Result = 1;
    } else if (alive && FParent != nullptr) {
        message.Result = FParent->Perform(CM_MOUSEWHEEL, MAKEWPARAM(message.ShiftState, WORD(message.WheelDelta)),
                                          MAKELPARAM(WORD(message.XPos), WORD(message.YPos)));
    }
}

bool TControl::DoMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) {
    bool handled = false;
    OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
    if (handled) return true;
    if (wheelDelta < 0) return DoMouseWheelDown(shift, mousePos);
    if (wheelDelta > 0) return DoMouseWheelUp(shift, mousePos);
    return false;
}

bool TControl::DoMouseWheelDown(TShiftState shift, POINT mousePos) {
    bool handled = false;
    OnMouseWheelDown(this, shift, mousePos, handled);
    return handled;
}

bool TControl::DoMouseWheelUp(TShiftState shift, POINT mousePos) {
    bool handled = false;
    OnMouseWheelUp(this, shift, mousePos, handled);
    return handled;
}

void TControl::DoContextPopup(POINT mousePos, bool& handled) { OnContextPopup(this, mousePos, handled); }

void TControl::WMContextMenu(TWMContextMenu& message) {
    if (message.Result != 0) return;
    POINT pt{message.XPos, message.YPos};
    const bool fromKeyboard = pt.x == -1 && pt.y == -1;
    POINT client = fromKeyboard ? pt : ScreenToClient(pt);
    bool handled = false;
    const TLivenessToken alive = LivenessToken();
    DoContextPopup(client, handled);
    if (!alive) return;
    if (handled) {
        message.Result = 1;
        return;
    }
    if (FPopupMenu != nullptr && PopupHook()) {
        if (fromKeyboard) pt = ClientToScreen(POINT{0, 0});
        if (PopupHook()(FPopupMenu, this, pt)) {
            message.Result = 1;
            return;
        }
    }
    TMessage m{message.Msg, WPARAM(message.hWnd), MAKELPARAM(WORD(message.XPos), WORD(message.YPos)), 0};
    DefaultHandler(&m);
    message.Result = m.Result;
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, Integer x, Integer y) { OnMouseMove(this, shift, x, y); }

void TControl::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    OnMouseUp(this, button, shift, x, y);
}

bool TControl::ExecuteAction(TBasicAction* action) {
    if (action == nullptr || !action->HandlesTarget(this)) return false;
    action->ExecuteTarget(this);
    return true;
}

bool TControl::UpdateAction(TBasicAction* action) {
    if (action == nullptr || !action->HandlesTarget(this)) return false;
    action->UpdateTarget(this);
    return true;
}

void TControl::Click() {
    // An action runs instead of the click handler when the handler is the action's.
    if (FActionLink && FActionLink->GetAction() != nullptr && OnClick == FActionLink->GetAction()->GetOnExecute()) {
        TBasicAction* action = FActionLink->GetAction();
        action->SetActionComponent(this);
        const TLivenessToken alive = action->LivenessToken();
        FActionLink->Execute(this);
        if (alive) action->SetActionComponent(nullptr);
        return;
    }
    if (OnClick) {
        OnClick(this);
        return;
    }
    if (FActionLink) FActionLink->Execute(this);
}

void TControl::DblClick() { OnDblClick(this); }

void TControl::WMCancelMode(TMessage& message) {
    if (GetMouseCapture()) {
        SetMouseCapture(false);
        if (FControlState.Contains(csLButtonDown)) {
            FControlState.Exclude(csLButtonDown);
            FControlState.Exclude(csClicked);
        }
    }
    KOV_INHERITED(message);
}

void TControl::WMWindowPosChanged(TWMWindowPosMsg& message) {}

void TControl::CMVisibleChanged(TMessage& message) {
    if (FParent != nullptr && FParent->HandleAllocated()) {
        const RECT r = GetBoundsRect();
        InvalidateRect(FParent->FHandle, &r, !FControlStyle.Contains(csOpaque) || !FVisible);
    }
}

bool TControl::IsShownEnabled() const {
    if (!GetEnabled()) return false;
    for (const TWinControl* p = FParent; p != nullptr && p->GetParent() != nullptr; p = p->GetParent())
        if (!p->GetEnabled()) return false;
    return true;
}

void TControl::CMEnabledChanged(TMessage& message) { Invalidate(); }
void TControl::CMFontChanged(TMessage& message) { Invalidate(); }
void TControl::CMColorChanged(TMessage& message) { Invalidate(); }

void TControl::CMParentColorChanged(TMessage& message) {
    if (!FParentColor) return;
    if (message.WParam != 0) {
        SetColor(TColor(message.LParam));
        FParentColor = true;
    } else {
        ParentColorChanged();
    }
}

void TControl::CMParentFontChanged(TMessage& message) {
    if (!FParentFont) return;
    if (message.WParam != 0 && message.LParam != 0) {
        FFont->Assign(reinterpret_cast<TFont*>(message.LParam));
        FParentFont = true;
    } else {
        ParentFontChanged();
    }
}

void TControl::CMParentShowHintChanged(TMessage& message) {
    if (!FParentShowHint || FParent == nullptr) return;
    if (FShowHint != FParent->GetShowHint()) {
        FShowHint = FParent->GetShowHint();
        Perform(CM_SHOWHINTCHANGED, 0, 0);
    }
    FParentShowHint = true;
}

void TControl::CMHitTest(TCMHitTest& message) { message.Result = HTCLIENT; }
void TControl::CMDesignHitTest(TMessage& message) { message.Result = 0; }
void TControl::CMMouseEnter(TMessage& message) {
    if (message.LParam == 0 || message.LParam == LPARAM(this)) FMouseInControl = true;
}
void TControl::CMMouseLeave(TMessage& message) {
    if (message.LParam == 0 || message.LParam == LPARAM(this)) FMouseInControl = false;
}

// ---- Component

void TControl::SetName(const String& value) {
    const bool changeText = FControlStyle.Contains(csSetCaption) && !GetComponentState().Contains(csLoading) &&
                            GetName() == GetText() &&
                            (GetOwner() == nullptr || dynamic_cast<TControl*>(GetOwner()) == nullptr ||
                             !GetOwner()->GetComponentState().Contains(csLoading));
    TComponent::SetName(value);
    if (changeText) SetText(value);
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* value) {
    if (auto* parent = dynamic_cast<TWinControl*>(value)) SetParent(parent);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove) {
        if (component == FPopupMenu) FPopupMenu = nullptr;
        if (FActionLink && component == FActionLink->GetAction()) SetAction(nullptr);
    }
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (FParent != nullptr) {
        if (FParentColor) ParentColorChanged();
        if (FParentFont) ParentFontChanged();
        // Read from a definition, the control follows its parent's hint setting from now on.
        if (FParentShowHint) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    }
    UpdateAnchorRules();
    if (FAutoSize) AdjustSize();
    RequestAlign();
}

// ---- Actions

TBasicAction* TControl::GetAction() const { return FActionLink ? FActionLink->GetAction() : nullptr; }

TControlActionLink* TControl::CreateActionLink() { return new TControlActionLink(this); }

void TControl::SetAction(TBasicAction* value) {
    if (value == nullptr) {
        if (FActionLink) {
            TBasicAction* old = FActionLink->GetAction();
            FActionLink.reset();
            if (old != nullptr) old->RemoveFreeNotification(this);
        }
        FControlStyle.Exclude(csActionClient);
        return;
    }
    FControlStyle.Include(csActionClient);
    if (!FActionLink) FActionLink.reset(CreateActionLink());
    FActionLink->SetAction(value);
    FActionLink->OnChange = MakeEvent(this, &TControl::InitiateActionChange);
    ActionChange(value, GetComponentState().Contains(csLoading));
    value->FreeNotification(this);
}

void TControl::InitiateActionChange(TObject* sender) { ActionChange(sender, false); }

void TControl::ActionChange(TObject* sender, bool checkDefaults) {
    auto* action = dynamic_cast<TCustomAction*>(sender);
    if (action == nullptr) return;
    if (!checkDefaults || GetCaption().empty() || GetCaption() == GetName()) SetCaption(action->GetCaption());
    if (!checkDefaults || FEnabled) SetEnabled(action->GetEnabled());
    if (!checkDefaults || FHelpContext == 0) FHelpContext = action->GetHelpContext();
    if (!checkDefaults || FHint.empty()) FHint = action->GetHint();
    if (!checkDefaults || FVisible) SetVisible(action->GetVisible());
    if (!checkDefaults || !OnClick) OnClick = action->GetOnExecute();
}

void TControl::InitiateAction() {
    if (FActionLink) FActionLink->Update();
}

// ---- TControlActionLink ------------------------------------------------------------------------------

TControlActionLink::TControlActionLink(TObject* client) : TActionLink(client) { AssignClient(client); }

void TControlActionLink::AssignClient(TObject* client) { FClient = dynamic_cast<TControl*>(client); }

namespace {
TCustomAction* AsCustomAction(TBasicAction* action) { return dynamic_cast<TCustomAction*>(action); }
}  // namespace

bool TControlActionLink::IsCaptionLinked() {
    TCustomAction* a = AsCustomAction(FAction);
    return TActionLink::IsCaptionLinked() && a != nullptr && FClient->GetCaption() == a->GetCaption();
}

bool TControlActionLink::IsEnabledLinked() {
    TCustomAction* a = AsCustomAction(FAction);
    return TActionLink::IsEnabledLinked() && a != nullptr && FClient->GetEnabled() == a->GetEnabled();
}

bool TControlActionLink::IsHelpContextLinked() {
    TCustomAction* a = AsCustomAction(FAction);
    return TActionLink::IsHelpContextLinked() && a != nullptr && FClient->GetHelpContext() == a->GetHelpContext();
}

bool TControlActionLink::IsHintLinked() {
    TCustomAction* a = AsCustomAction(FAction);
    return TActionLink::IsHintLinked() && a != nullptr && FClient->GetHint() == a->GetHint();
}

bool TControlActionLink::IsVisibleLinked() {
    TCustomAction* a = AsCustomAction(FAction);
    return TActionLink::IsVisibleLinked() && a != nullptr && FClient->GetVisible() == a->GetVisible();
}

bool TControlActionLink::IsOnExecuteLinked() {
    return TActionLink::IsOnExecuteLinked() && FAction != nullptr && FClient->OnClick == FAction->GetOnExecute();
}

void TControlActionLink::SetCaption(const String& value) {
    if (IsCaptionLinked()) FClient->SetCaption(value);
}
void TControlActionLink::SetEnabled(bool value) {
    if (IsEnabledLinked()) FClient->SetEnabled(value);
}
void TControlActionLink::SetHelpContext(Integer value) {
    if (IsHelpContextLinked()) FClient->SetHelpContext(value);
}
void TControlActionLink::SetHint(const String& value) {
    if (IsHintLinked()) FClient->SetHint(value);
}
void TControlActionLink::SetVisible(bool value) {
    if (IsVisibleLinked()) FClient->SetVisible(value);
}
void TControlActionLink::SetOnExecute(const TNotifyEvent& value) {
    if (IsOnExecuteLinked()) FClient->OnClick = value;
}

// ---- TControlCanvas ---------------------------------------------------------------------------------

namespace {

// Canvases holding a context of a window; they let go of it before the window goes.
std::vector<TControlCanvas*>& CanvasesWithContext() {
    static auto* list = new std::vector<TControlCanvas*>;
    return *list;
}

}  // namespace

void kov_detail::FreeControlCanvasContexts(HWND window) {
    std::vector<TControlCanvas*> copy = CanvasesWithContext();
    for (TControlCanvas* canvas : copy)
        if (canvas->GetControl() != nullptr && canvas->GetControl()->GetParentHandle() == window) canvas->FreeHandle();
}

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* value) {
    if (FControl == value) return;
    FreeHandle();
    FControl = value;
}

void TControlCanvas::FreeHandle() {
    if (FDeviceContext == nullptr) return;
    SetHandle(nullptr);
    ReleaseDC(FWindowHandle, FDeviceContext);
    FDeviceContext = nullptr;
    FWindowHandle = nullptr;
    auto& list = CanvasesWithContext();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TControlCanvas::CreateHandle() {
    if (FControl == nullptr) {
        TCanvas::CreateHandle();
        return;
    }
    if (FDeviceContext == nullptr) {
        HWND window = nullptr;
        if (auto* win = dynamic_cast<TWinControl*>(FControl))
            window = win->GetHandle();
        else if (FControl->GetParent() != nullptr)
            window = FControl->GetParent()->GetHandle();
        if (window == nullptr) {
            TCanvas::CreateHandle();
            return;
        }
        HDC dc = GetDC(window);
        if (dc == nullptr) {
            TCanvas::CreateHandle();
            return;
        }
        if (dynamic_cast<TWinControl*>(FControl) == nullptr) {
            const RECT r = FControl->GetBoundsRect();
            SetViewportOrgEx(dc, r.left, r.top, nullptr);
            IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
        }
        FDeviceContext = dc;
        FWindowHandle = window;
        CanvasesWithContext().push_back(this);
    }
    SetHandle(FDeviceContext);
}

// ---- Message map and published properties ----------------------------------------------------------

KOV_MESSAGE_MAP(TControl) {
    map.Message(WM_LBUTTONDOWN, &TControl::WMLButtonDown);
    map.Message(WM_RBUTTONDOWN, &TControl::WMRButtonDown);
    map.Message(WM_MBUTTONDOWN, &TControl::WMMButtonDown);
    map.Message(WM_LBUTTONDBLCLK, &TControl::WMLButtonDblClk);
    map.Message(WM_RBUTTONDBLCLK, &TControl::WMRButtonDblClk);
    map.Message(WM_MBUTTONDBLCLK, &TControl::WMMButtonDblClk);
    map.Message(WM_LBUTTONUP, &TControl::WMLButtonUp);
    map.Message(WM_RBUTTONUP, &TControl::WMRButtonUp);
    map.Message(WM_MBUTTONUP, &TControl::WMMButtonUp);
    map.Message(WM_MOUSEMOVE, &TControl::WMMouseMove);
    map.Message(WM_MOUSEWHEEL, &TControl::WMMouseWheel);
    map.Message(WM_CANCELMODE, &TControl::WMCancelMode);
    map.Message(WM_WINDOWPOSCHANGED, &TControl::WMWindowPosChanged);
    map.Message(WM_CONTEXTMENU, &TControl::WMContextMenu);
    map.Message(CM_VISIBLECHANGED, &TControl::CMVisibleChanged);
    map.Message(CM_ENABLEDCHANGED, &TControl::CMEnabledChanged);
    map.Message(CM_FONTCHANGED, &TControl::CMFontChanged);
    map.Message(CM_COLORCHANGED, &TControl::CMColorChanged);
    map.Message(CM_PARENTCOLORCHANGED, &TControl::CMParentColorChanged);
    map.Message(CM_PARENTFONTCHANGED, &TControl::CMParentFontChanged);
    map.Message(CM_PARENTSHOWHINTCHANGED, &TControl::CMParentShowHintChanged);
    map.Message(CM_HITTEST, &TControl::CMHitTest);
    map.Message(CM_MOUSEENTER, &TControl::CMMouseEnter);
    map.Message(CM_MOUSELEAVE, &TControl::CMMouseLeave);
    map.Message(CM_DESIGNHITTEST, &TControl::CMDesignHitTest);
    map.Message(CM_MOUSEWHEEL, &TControl::CMMouseWheel);
    map.Message(CM_DRAG, &TControl::CMDrag);
}

namespace {

struct TControlTypes {
    TControlTypes() {
        RegisterIntegerIdents("TCursor", IdentToCursor, CursorToIdent);
        RegisterEnum<TAlign>("TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"});
        RegisterEnum<TAnchorKind>("TAnchorKind", {"akLeft", "akTop", "akRight", "akBottom"});
        RegisterTypeName<TAnchors>("TAnchors");
        RegisterEnum<TShiftStateItem>("TShiftStateItem",
                                      {"ssShift", "ssAlt", "ssCtrl", "ssLeft", "ssRight", "ssMiddle", "ssDouble"});
        RegisterTypeName<TShiftState>("TShiftState");
        RegisterEnum<TMouseButton>("TMouseButton", {"mbLeft", "mbRight", "mbMiddle"});
        RegisterEnum<TAlignment>("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
        RegisterEnum<TBiDiMode>("TBiDiMode", {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign",
                                              "bdRightToLeftReadingOnly"});
        RegisterEnum<TDragMode>("TDragMode", {"dmManual", "dmAutomatic"});
        RegisterEnum<TImeMode>("TImeMode", {"imDisable", "imClose", "imOpen", "imDontCare", "imSAlpha", "imAlpha",
                                            "imHira", "imSKata", "imKata", "imChinese", "imSHanguel", "imHanguel"});
        RegisterEnum<TDragKind>("TDragKind", {"dkDrag", "dkDock"});
        RegisterEnum<TDragState>("TDragState", {"dsDragEnter", "dsDragLeave", "dsDragMove"});
        RegisterTypeName<TNotifyEvent>("TNotifyEvent");
        RegisterTypeName<TMouseEvent>("TMouseEvent");
        RegisterTypeName<TMouseMoveEvent>("TMouseMoveEvent");
        RegisterTypeName<TKeyEvent>("TKeyEvent");
        RegisterTypeName<TKeyPressEvent>("TKeyPressEvent");
        RegisterTypeName<TMouseWheelEvent>("TMouseWheelEvent");
        RegisterTypeName<TMouseWheelUpDownEvent>("TMouseWheelUpDownEvent");
        RegisterTypeName<TContextPopupEvent>("TContextPopupEvent");
        RegisterTypeName<TCanResizeEvent>("TCanResizeEvent");
        RegisterTypeName<TConstrainedResizeEvent>("TConstrainedResizeEvent");
        RegisterTypeName<TDragOverEvent>("TDragOverEvent");
        RegisterTypeName<TDragDropEvent>("TDragDropEvent");
        RegisterTypeName<TStartDragEvent>("TStartDragEvent");
        RegisterTypeName<TEndDragEvent>("TEndDragEvent");
    }
};
const TControlTypes kControlTypes;

}  // namespace

KOV_PUBLISHED(TSizeConstraints) {
    Property("MaxHeight", &TSizeConstraints::GetMaxHeight, &TSizeConstraints::SetMaxHeight).Default(0);
    Property("MaxWidth", &TSizeConstraints::GetMaxWidth, &TSizeConstraints::SetMaxWidth).Default(0);
    Property("MinHeight", &TSizeConstraints::GetMinHeight, &TSizeConstraints::SetMinHeight).Default(0);
    Property("MinWidth", &TSizeConstraints::GetMinWidth, &TSizeConstraints::SetMinWidth).Default(0);
}

KOV_PUBLISHED(TControl) {
    Property("Left", &TControl::GetLeft, &TControl::SetLeft);
    Property("Top", &TControl::GetTop, &TControl::SetTop);
    Property("Width", &TControl::GetWidth, &TControl::SetWidth);
    Property("Height", &TControl::GetHeight, &TControl::SetHeight);
    Property("Align", &TControl::GetAlign, &TControl::SetAlign).Default(alNone);
    Property("Anchors", &TControl::GetAnchors, &TControl::SetAnchors).Default(TAnchors{akLeft, akTop});
    Property("AutoSize", &TControl::GetAutoSize, &TControl::SetAutoSize).Default(false);
    Property("Caption", &TControl::GetCaption, &TControl::SetCaption);
    Property("Color", &TControl::GetColor, &TControl::SetColor)
        .TypeName("TColor")
        .Stored(&TControl::IsParentColorStored);
    Property("Constraints", &TControl::GetConstraints, &TControl::SetConstraints);
    Property("Cursor", &TControl::GetCursor, &TControl::SetCursor).TypeName("TCursor").Default(crDefault);
    Property("DragCursor", &TControl::GetDragCursor, &TControl::SetDragCursor).TypeName("TCursor").Default(crDrag);
    Property("DragKind", &TControl::GetDragKind, &TControl::SetDragKind).Default(dkDrag);
    Property("DragMode", &TControl::GetDragMode, &TControl::SetDragMode).Default(dmManual);
    Property("Enabled", &TControl::GetEnabled, &TControl::SetEnabled).Default(true);
    Property("Font", &TControl::GetFont, &TControl::SetFont).Stored(&TControl::IsParentFontStored);
    Property("ParentColor", &TControl::GetParentColor, &TControl::SetParentColor).Default(true);
    Property("ParentFont", &TControl::GetParentFont, &TControl::SetParentFont).Default(true);
    Property("ParentShowHint", &TControl::GetParentShowHint, &TControl::SetParentShowHint).Default(true);
    Property("Hint", &TControl::GetHint, &TControl::SetHint);
    Property("HelpContext", &TControl::GetHelpContext, &TControl::SetHelpContext).Default(0);
    Property("ShowHint", &TControl::GetShowHint, &TControl::SetShowHint).Stored(&TControl::IsShowHintStored);
    Property("PopupMenu", &TControl::GetPopupMenu, &TControl::SetPopupMenu).TypeName("TPopupMenu");
    Property("Action", &TControl::GetAction, &TControl::SetAction);
    Property("Visible", &TControl::GetVisible, &TControl::SetVisible).Default(true);
    // The same text as Caption, which is the one stored.
    Property("Text", &TControl::GetText, &TControl::SetText).Stored(false);
    Property("OnClick", &TControl::OnClick);
    Property("OnDblClick", &TControl::OnDblClick);
    Property("OnMouseDown", &TControl::OnMouseDown);
    Property("OnMouseMove", &TControl::OnMouseMove);
    Property("OnMouseUp", &TControl::OnMouseUp);
    Property("OnMouseWheel", &TControl::OnMouseWheel);
    Property("OnMouseWheelDown", &TControl::OnMouseWheelDown);
    Property("OnMouseWheelUp", &TControl::OnMouseWheelUp);
    Property("OnContextPopup", &TControl::OnContextPopup);
    Property("OnResize", &TControl::OnResize);
    Property("OnCanResize", &TControl::OnCanResize);
    Property("OnConstrainedResize", &TControl::OnConstrainedResize);
    Property("OnDragOver", &TControl::OnDragOver);
    Property("OnDragDrop", &TControl::OnDragDrop);
    Property("OnStartDrag", &TControl::OnStartDrag);
    Property("OnEndDrag", &TControl::OnEndDrag);
}
