#include "suite/controls/qzRadioGroup.h"

#include "platform/winapi/Cursor.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/WinButton.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

// ---- Glyph size ----------------------------------------------------------------------------------

namespace {

TSize MeasureRadioGlyph() {
    TBitmap boxes;
    boxes.SetHandle(LoadBitmapA(nullptr, OBM_CHECKBOXES));
    const Integer cellWidth = boxes.GetWidth() / 4;
    const Integer cellHeight = boxes.GetHeight() / 3;
    if (cellWidth <= 0 || cellHeight <= 0) return TSize{0, 0};
    TBitmap cell;
    cell.SetWidth(cellWidth);
    cell.SetHeight(cellHeight);
    TCanvas* canvas = cell.GetCanvas();
    canvas->GetBrush()->SetColor(clBlack);
    canvas->FillRect(TRect{0, 0, cellWidth, cellHeight});
    RECT r{0, 0, cellWidth, cellHeight};
    DrawFrameControl(canvas->GetHandle(), &r, DFC_BUTTON, DFCS_BUTTONRADIOMASK | DFCS_FLAT | DFCS_CHECKED);
    Integer columns = 0;
    for (Integer x = 0; x < cellWidth; ++x)
        for (Integer y = 0; y < cellHeight; ++y)
            if ((GetPixel(canvas->GetHandle(), x, y) & 0xFFFFFF) == 0) {
                ++columns;
                break;
            }
    Integer rows = 0;
    for (Integer y = 0; y < cellHeight; ++y)
        for (Integer x = 0; x < cellWidth; ++x)
            if ((GetPixel(canvas->GetHandle(), x, y) & 0xFFFFFF) == 0) {
                ++rows;
                break;
            }
    return TSize{columns, rows};
}

constexpr TqzButtonState kPainterStates[] = {qzbsDisabled, qzbsHot, qzbsNormal, qzbsPressed};
// Radio-button part state ids by ButtonState, unchecked then checked.
constexpr int kNativeStates[2][4] = {{4, 2, 1, 3}, {8, 6, 5, 7}};
constexpr int kRadioButtonPart = 2;

bool Contains(const TRect& r, const TPoint& p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

} // namespace

TSize RadioGlyphSize() {
    static const TSize size = MeasureRadioGlyph();
    return size;
}

// ---- Radio button --------------------------------------------------------------------------------

TqzRadioButton::TqzRadioButton(TComponent* owner) : TRadioButton(owner) {
    TControlStyle style = GetControlStyle();
    style.Include(csDoubleClicks);
    SetControlStyle(style);
    FControlCanvas = std::make_unique<TControlCanvas>();
    FControlCanvas->SetControl(this);
    FCanvas = std::make_unique<TqzCanvas>(FControlCanvas.get());
    FLookAndFeel = std::make_unique<TqzLookAndFeel>(this);
    FLookAndFeel->OnChanged = TqzLookAndFeelChangedEvent(this, &TqzRadioButton::LookAndFeelChangedHandler);
    SetParentBackground(true);
    SharedRadioButtonImages();
}

TqzRadioButton::~TqzRadioButton() {
    Destroying();
    EndMouseTracking(this);
    FLookAndFeel->OnChanged = nullptr;
    if (FPopupMenu != nullptr) FPopupMenu->RemoveFreeNotification(this);
    if (HandleAllocated()) DestroyHandle();
    FLookAndFeel.reset();
    FCanvas.reset();
    FControlCanvas.reset();
}

void TqzRadioButton::LookAndFeelChangedHandler(TqzLookAndFeel*, TqzLookAndFeelValues) {
    LookAndFeelChanged();
}

void TqzRadioButton::LookAndFeelChanged() { Invalidate(); }

void TqzRadioButton::Invalidate() {
    if (HandleAllocated()) InvalidateRect(GetHandle(), nullptr, FALSE);
}

bool TqzRadioButton::Focused() const {
    return !GetComponentState().Contains(csDesigning) && TRadioButton::Focused();
}

void TqzRadioButton::SetPopupMenu(TComponent* value) {
    TComponent* menu = value;
    if (dynamic_cast<TPopupMenu*>(value) == nullptr) menu = nullptr;
    if (menu == FPopupMenu) return;
    if (FPopupMenu != nullptr) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = menu;
    if (menu != nullptr) menu->FreeNotification(this);
}

void TqzRadioButton::SetTransparent(bool value) {
    if (value == FTransparent) return;
    FTransparent = value;
    Invalidate();
}

void TqzRadioButton::Notification(TComponent* component, TOperation operation) {
    TRadioButton::Notification(component, operation);
    if (operation == opRemove && component != nullptr && component == FPopupMenu) FPopupMenu = nullptr;
}

bool TqzRadioButton::IsNativeStyle() const {
    return IsNativeStyleUsable(FLookAndFeel->GetNativeStyle(), ttButton);
}

bool TqzRadioButton::HasOwnBackground() const {
    return IsNativeStyle() && GetParentBackground() && !IsInplace() && !FTransparent;
}

bool TqzRadioButton::UsesTransparentProperty() const { return FTransparent && !IsInplace(); }

bool TqzRadioButton::IsTransparent() const { return HasOwnBackground() || UsesTransparentProperty(); }

bool TqzRadioButton::ShowPopupMenu(TComponent* menu, Integer x, Integer y) {
    return ShowPopupMenuAt(this, menu, x, y);
}

void TqzRadioButton::AdjustCaptionRect(TRect& rect, bool native) {
    Integer left, top, right, bottom;
    if (IsInplace()) {
        left = native ? 3 : 5;
        top = 0;
        right = native ? 0 : 1;
        bottom = 0;
    } else {
        const bool glyphLeft = GetAlignment() == taRightJustify;
        const bool wrap = GetWordWrap();
        top = -1;
        bottom = 0;
        if (!native) {
            left = glyphLeft ? 5 : 2;
            right = glyphLeft ? (wrap ? 2 : 0) : (wrap ? 6 : 1);
        } else {
            left = glyphLeft ? 3 : 0;
            right = glyphLeft ? 0 : (wrap ? 3 : 1);
        }
    }
    rect.left += left;
    rect.top += top;
    rect.right -= right;
    rect.bottom -= bottom;
}

// ---- State ----

void TqzRadioButton::InvalidateButtonRect() {
    if (!HandleAllocated()) return;
    RECT r{FButtonRect.left - 1, FButtonRect.top - 1, FButtonRect.right + 1, FButtonRect.bottom + 1};
    InvalidateRect(GetHandle(), &r, FALSE);
}

void TqzRadioButton::UpdateState(Integer button, TShiftState shift, const TPoint& point) {
    TqzRadioButtonState state;
    const TRect bounds{0, 0, GetWidth(), GetHeight()};
    const bool inside = Contains(bounds, point);
    if (!IsShownEnabled())
        state = rbsDisabled;
    else if (GetComponentState().Contains(csDesigning))
        state = rbsNormal;
    else if (HandleAllocated() && GetCapture() == GetHandle())
        state = inside ? rbsPressed : rbsHot;
    else if (inside)
        state = button == 0 && shift.empty() ? rbsHot : rbsNormal;
    else
        state = rbsNormal;
    if (state == FButtonState) return;
    FButtonState = state;
    InvalidateButtonRect();
}

void TqzRadioButton::RefreshStateAtCursor() {
    if (!HandleAllocated()) return;
    POINT p{};
    GetCursorPos(&p);
    p = ScreenToClient(p);
    UpdateState(0, GetShiftState(), TPoint{p.x, p.y});
}

void TqzRadioButton::CreateHandle() {
    TRadioButton::CreateHandle();
    RefreshStateAtCursor();
}

void TqzRadioButton::CreateParams(TCreateParams& params) {
    TRadioButton::CreateParams(params);
    params.Style = (params.Style & ~DWORD(BS_RADIOBUTTON)) | BS_OWNERDRAW;
}

void TqzRadioButton::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    TRadioButton::MouseDown(button, shift, x, y);
    UpdateState(Integer(button) + 1, shift, TPoint{x, y});
}

void TqzRadioButton::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    TRadioButton::MouseUp(button, shift, x, y);
    UpdateState(Integer(button) + 1, shift, TPoint{x, y});
}

void TqzRadioButton::MouseMove(TShiftState shift, Integer x, Integer y) {
    TRadioButton::MouseMove(shift, x, y);
    UpdateState(0, shift, TPoint{x, y});
    BeginMouseTracking(this, TRect{0, 0, GetWidth(), GetHeight()}, this);
}

void TqzRadioButton::MouseEnter(TControl*) {
    RefreshStateAtCursor();
    BeginMouseTracking(this, TRect{0, 0, GetWidth(), GetHeight()}, this);
}

void TqzRadioButton::MouseLeave(TControl*) {
    UpdateState(0, TShiftState{}, TPoint{-1, -1});
    EndMouseTracking(this);
}

void TqzRadioButton::EnabledChanged() {
    RefreshStateAtCursor();
    Invalidate();
}

void TqzRadioButton::DoEnter() {
    TRadioButton::DoEnter();
    if (GetChecked()) return;
    const bool saved = GetClicksDisabled();
    SetClicksDisabled(true);
    SetChecked(true);
    SetClicksDisabled(saved);
    if (!GetComponentState().Contains(csLoading)) Click();
}

// ---- Painting ----

void TqzRadioButton::PlaceGlyph(const TSize& size, bool leftAtZero) {
    const Integer top = (GetHeight() - size.cy) / 2;
    if (GetAlignment() == taRightJustify) {
        const Integer left = leftAtZero ? 0 : 1;
        FButtonRect = TRect{left, top, left + size.cx, top + size.cy};
    } else {
        FButtonRect = TRect{GetWidth() - size.cx, top, GetWidth(), top + size.cy};
    }
}

void TqzRadioButton::Paint() {
    const TRect bounds{0, 0, GetWidth(), GetHeight()};
    if (UsesTransparentProperty())
        PaintParentImageBehind(this, FCanvas.get(), bounds);
    else if (HasOwnBackground()) {
        RECT r{bounds.left, bounds.top, bounds.right, bounds.bottom};
        UxDrawThemeParentBackground(GetHandle(), FCanvas->DeviceContext(), &r);
    }
    if (IsNativeStyle()) {
        if (!IsTransparent()) {
            FControlCanvas->GetBrush()->SetStyle(bsSolid);
            FCanvas->SetBrushColor(GetColor());
            FCanvas->FillRectOrTile(bounds);
        }
        const int stateId = kNativeStates[GetChecked() ? 1 : 0][FButtonState];
        HTHEME theme = OpenThemeForType(ttButton);
        SIZE size{0, 0};
        UxGetThemePartSize(theme, FCanvas->DeviceContext(), kRadioButtonPart, stateId, nullptr, TS_TRUE,
                           &size);
        PlaceGlyph(TSize{size.cx, size.cy}, true);
        RECT r{FButtonRect.left, FButtonRect.top, FButtonRect.right, FButtonRect.bottom};
        UxDrawThemePart(theme, FCanvas->DeviceContext(), kRadioButtonPart, stateId, &r, nullptr);
        PaintCaption(true);
    } else {
        PlaceGlyph(RadioGlyphSize(), IsInplace());
        TqzLookAndFeelPainterClass painter = FLookAndFeel->PainterForThemeType(ttButton);
        painter->PaintRadioButton(
            FCanvas.get(), FButtonRect.left, FButtonRect.top, kPainterStates[FButtonState], GetChecked(),
            Focused(), GetComponentState().Contains(csDesigning), IsTransparent() ? clDefault : GetColor());
        FCanvas->ExcludeClipArea(FButtonRect);
        if (!IsTransparent()) {
            FControlCanvas->GetBrush()->SetStyle(bsSolid);
            FCanvas->SetBrushColor(GetColor());
            FCanvas->FillRectOrTile(bounds);
        }
        PaintCaption(false);
    }
}

void TqzRadioButton::PaintCaption(bool native) {
    IqzContainerInnerControl* inner = nullptr;
    const bool isInner = Supports(this, inner);
    TFont* font = FControlCanvas->GetFont();
    font->Assign(GetFont());
    if (!IsShownEnabled() && !isInner) font->SetColor(clBtnShadow);

    TRect r{0, 0, GetWidth(), GetHeight()};
    if (GetAlignment() == taRightJustify)
        r.left = FButtonRect.right;
    else
        r.right = FButtonRect.left;
    AdjustCaptionRect(r, native);

    namespace g = qzGraphics;
    TqzTextFlags flags = g::tfAlignLeft | g::tfAlignVCenter | g::tfShowPrefix;
    flags |= GetWordWrap() ? TqzTextFlags(g::tfWordBreak | g::tfNoClip) : g::tfSingleLine;
    if (HasOwnBackground()) {
        FControlCanvas->Refresh();
        font->Assign(GetFont());
        if (!IsShownEnabled() && !isInner) font->SetColor(clBtnShadow);
    }
    FControlCanvas->GetBrush()->SetStyle(bsClear);
    FCanvas->OutputText(GetCaption(), r, isInner || native || IsShownEnabled(), flags);

    if (!Focused() || GetCaption().empty()) return;
    TRect frame = r;
    FCanvas->CalcTextBounds(GetCaption(), frame, flags);
    frame = TRect{frame.left - 1, frame.top - 1, frame.right + 1, frame.bottom + 2};
    if (IsInplace()) {
        frame.top = std::max(frame.top, Integer(1));
        frame.bottom = std::min(frame.bottom, GetHeight() - 1);
        frame.right = std::min(frame.right, GetWidth());
    } else {
        frame.left = std::max(frame.left, Integer(0));
        frame.top = std::max(frame.top, Integer(0));
        frame.right = std::min(frame.right, GetWidth());
        frame.bottom = std::min(frame.bottom, GetHeight());
        if (GetAlignment() == taLeftJustify) frame.right = std::min(frame.right, FButtonRect.left);
    }
    FControlCanvas->GetBrush()->SetStyle(bsSolid);
    FControlCanvas->GetBrush()->SetColor(GetColor());
    font->SetColor(GetFont()->GetColor());
    FControlCanvas->DrawFocusRect(frame);
}

// ---- Messages ----

void TqzRadioButton::WMEraseBkgnd(TMessage& message) { message.Result = 1; }

void TqzRadioButton::WMWindowPosChanged(TMessage& message) {
    KOV_INHERITED(message);
    if (!IsDestroying() && IsTransparent()) Invalidate();
}

void TqzRadioButton::BMSetCheck(TMessage& message) {
    KOV_INHERITED(message);
    InvalidateButtonRect();
}

void TqzRadioButton::CMEnabledChanged(TMessage& message) {
    KOV_INHERITED(message);
    EnabledChanged();
}

void TqzRadioButton::CMMouseEnter(TMessage& message) {
    KOV_INHERITED(message);
    auto* control = reinterpret_cast<TControl*>(message.LParam);
    MouseEnter(control != nullptr ? control : this);
}

void TqzRadioButton::CMMouseLeave(TMessage& message) {
    KOV_INHERITED(message);
    auto* control = reinterpret_cast<TControl*>(message.LParam);
    MouseLeave(control != nullptr ? control : this);
}

void TqzRadioButton::CMSysColorChange(TMessage& message) {
    KOV_INHERITED(message);
    Invalidate();
}

void TqzRadioButton::CNDrawItem(TWMDrawItem& message) {
    if (IsDestroying() || message.DrawItemStruct == nullptr) return;
    FControlCanvas->SetHandle(message.DrawItemStruct->hDC);
    try {
        Paint();
    } catch (...) {
        FControlCanvas->SetHandle(nullptr);
        throw;
    }
    FControlCanvas->SetHandle(nullptr);
    message.Result = 1;
}

void TqzRadioButton::CNMeasureItem(TWMMeasureItem& message) {
    if (message.MeasureItemStruct == nullptr) return;
    message.MeasureItemStruct->itemWidth = UINT(GetWidth());
    message.MeasureItemStruct->itemHeight = UINT(GetHeight());
}

void TqzRadioButton::CNKeyDown(TWMKey& message) {
    if (IsPopupMenuShortCut(FPopupMenu, message)) {
        message.Result = 1;
        return;
    }
    TMessage m{message.Msg, message.CharCode, LPARAM(message.KeyData), 0};
    KOV_INHERITED(m);
    message.Result = m.Result;
}

void TqzRadioButton::DoContextPopup(POINT mousePos, bool& handled) {
    const TLivenessToken alive = LivenessToken();
    TRadioButton::DoContextPopup(mousePos, handled);
    if (!alive || handled) return;
    const POINT p = ContextPopupScreenPoint(this, mousePos);
    handled = ShowPopupMenu(FPopupMenu, p.x, p.y);
}

void TqzRadioButton::WMContextMenu(TWMContextMenu& message) {
    HandleContextMenuMessage(this, message, [this](POINT p, bool& handled) { DoContextPopup(p, handled); });
}

KOV_MESSAGE_MAP(TqzRadioButton) {
    map.Message(WM_ERASEBKGND, &TqzRadioButton::WMEraseBkgnd);
    map.Message(WM_WINDOWPOSCHANGED, &TqzRadioButton::WMWindowPosChanged);
    map.Message(BM_SETCHECK, &TqzRadioButton::BMSetCheck);
    map.Message(CM_ENABLEDCHANGED, &TqzRadioButton::CMEnabledChanged);
    map.Message(CM_MOUSEENTER, &TqzRadioButton::CMMouseEnter);
    map.Message(CM_MOUSELEAVE, &TqzRadioButton::CMMouseLeave);
    map.Message(CM_SYSCOLORCHANGE, &TqzRadioButton::CMSysColorChange);
    map.Message(CN_DRAWITEM, &TqzRadioButton::CNDrawItem);
    map.Message(CN_MEASUREITEM, &TqzRadioButton::CNMeasureItem);
    map.Message(CN_KEYDOWN, &TqzRadioButton::CNKeyDown);
    map.Message(CN_SYSKEYDOWN, &TqzRadioButton::CNKeyDown);
    map.Message(WM_CONTEXTMENU, &TqzRadioButton::WMContextMenu);
}

// ---- Published properties ----------------------------------------------------------------------------

KOV_PUBLISHED(TqzRadioButton) {
    Property("LookAndFeel", &TqzRadioButton::GetLookAndFeel, &TqzRadioButton::SetLookAndFeel);
    Property("PopupMenu", &TqzRadioButton::GetPopupMenu, &TqzRadioButton::SetPopupMenu)
        .TypeName("TComponent");
    Property("ParentBackground", &TqzRadioButton::GetParentBackground, &TqzRadioButton::SetParentBackground)
        .Default(true);
    Property("Transparent", &TqzRadioButton::GetTransparent, &TqzRadioButton::SetTransparent).Default(false);
}

namespace {
const bool kRadioGroupRegistered = [] {
    RegisterClasses({TqzRadioButton::StaticClass()});
    return true;
}();
} // namespace
