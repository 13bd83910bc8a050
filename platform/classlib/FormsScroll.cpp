// Scrolling containers: the window scroll bars of TScrollingWinControl, the automatic ranges
// that follow the children, and TScrollBox.
#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/winapi/WinScroll.h"

// ---- TControlScrollBar ------------------------------------------------------------------------------

TControlScrollBar::TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind)
    : FControl(control), FKind(kind) {}

void TControlScrollBar::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TControlScrollBar*>(source)) {
        FIncrement = other->FIncrement;
        FMargin = other->FMargin;
        FTracking = other->FTracking;
        FVisible = other->FVisible;
        SetRange(other->FRange);
        SetPosition(other->FPosition);
        return;
    }
    TPersistent::Assign(source);
}

Integer TControlScrollBar::ControlSize() const {
    return FKind == sbHorizontal ? FControl->GetClientWidth() : FControl->GetClientHeight();
}

Integer TControlScrollBar::MaxPosition() const { return std::max(0, FRange - ControlSize()); }

bool TControlScrollBar::IsScrollBarVisible() const { return FVisible && FRange > ControlSize(); }

void TControlScrollBar::SetIncrement(Integer value) { FIncrement = std::clamp(value, 1, 32767); }

void TControlScrollBar::SetMargin(Integer value) {
    FMargin = std::max(0, value);
    FControl->CalcAutoRange();
}

void TControlScrollBar::SetVisible(bool value) {
    if (FVisible == value) return;
    FVisible = value;
    FControl->UpdateScrollBars();
}

void TControlScrollBar::DoSetRange(Integer value) { FRange = std::max(0, value); }

void TControlScrollBar::SetRange(Integer value) {
    DoSetRange(value);
    FControl->UpdateScrollBars();
}

void TControlScrollBar::SetPosition(Integer value) {
    value = std::clamp(value, 0, IsScrollBarVisible() ? MaxPosition() : 0);
    if (value == FPosition) return;
    const Integer delta = FPosition - value;
    FPosition = value;
    if (FKind == sbHorizontal)
        FControl->ScrollBy(delta, 0);
    else
        FControl->ScrollBy(0, delta);
    if (FControl->HandleAllocated())
        ::SetScrollPos(FControl->GetHandle(), FKind == sbHorizontal ? SB_HORZ : SB_VERT, FPosition, TRUE);
}

void TControlScrollBar::Update() {
    if (FPosition > (IsScrollBarVisible() ? MaxPosition() : 0))
        SetPosition(IsScrollBarVisible() ? MaxPosition() : 0);
    if (!FControl->HandleAllocated()) return;
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    info.nMin = 0;
    if (IsScrollBarVisible()) {
        info.nMax = FRange - 1;
        info.nPage = UINT(ControlSize());
        info.nPos = FPosition;
    } else {
        info.nMax = 0;
        info.nPage = 0;
        info.nPos = 0;
    }
    ::SetScrollInfo(FControl->GetHandle(), FKind == sbHorizontal ? SB_HORZ : SB_VERT, &info, TRUE);
}

void TControlScrollBar::ScrollMessage(const TWMScroll& message) {
    Integer pos = FPosition;
    switch (message.ScrollCode) {
    case SB_LINEUP:
        pos -= FIncrement;
        break;
    case SB_LINEDOWN:
        pos += FIncrement;
        break;
    case SB_PAGEUP:
        pos -= ControlSize();
        break;
    case SB_PAGEDOWN:
        pos += ControlSize();
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        if (message.ScrollCode == SB_THUMBTRACK && !FTracking) return;
        // The message carries 16 bits; the bar knows the whole position.
        SCROLLINFO info;
        info.fMask = SIF_TRACKPOS;
        if (FControl->HandleAllocated() &&
            ::GetScrollInfo(FControl->GetHandle(), FKind == sbHorizontal ? SB_HORZ : SB_VERT, &info))
            pos = info.nTrackPos;
        else
            pos = WORD(message.Pos);
        break;
    }
    case SB_TOP:
        pos = 0;
        break;
    case SB_BOTTOM:
        pos = MaxPosition();
        break;
    default:
        return;
    }
    SetPosition(pos);
}

// ---- TScrollingWinControl -----------------------------------------------------------------------

KOV_MESSAGE_MAP(TScrollingWinControl) {
    map.Message(WM_HSCROLL, &TScrollingWinControl::WMHScroll);
    map.Message(WM_VSCROLL, &TScrollingWinControl::WMVScroll);
    map.Message(WM_SIZE, &TScrollingWinControl::WMSize);
}

TScrollingWinControl::TScrollingWinControl(TComponent* owner) : TWinControl(owner) {
    FHorzScrollBar = std::make_unique<TControlScrollBar>(this, sbHorizontal);
    FVertScrollBar = std::make_unique<TControlScrollBar>(this, sbVertical);
}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::SetAutoScroll(bool value) {
    if (FAutoScroll == value) return;
    FAutoScroll = value;
    if (value) {
        CalcAutoRange();
    } else {
        FHorzScrollBar->SetRange(0);
        FVertScrollBar->SetRange(0);
    }
}

void TScrollingWinControl::DisableAutoRange() { ++FAutoRangeCount; }

void TScrollingWinControl::EnableAutoRange() {
    if (FAutoRangeCount > 0 && --FAutoRangeCount == 0) CalcAutoRange();
}

void TScrollingWinControl::CalcAutoRange() {
    if (FAutoRangeCount > 0 || !FHorzScrollBar || !FVertScrollBar) return;
    if (FAutoScroll) {
        // A control aligned to the right or bottom edge follows that edge: it needs its width or
        // height beside the rest, not the place it has now (that place would keep the range at
        // the old size of the client area when the client area shrinks).
        Integer horz = 0, vert = 0, right = 0, bottom = 0;
        for (Integer i = 0; i < GetControlCount(); ++i) {
            TControl* c = GetControls(i);
            if (!c->GetVisible()) continue;
            const TAlign align = c->GetAlign();
            if (align == alNone || align == alLeft)
                horz = std::max(horz, c->GetLeft() + c->GetWidth() + FHorzScrollBar->FPosition);
            else if (align == alRight)
                right += c->GetWidth();
            if (align == alNone || align == alTop)
                vert = std::max(vert, c->GetTop() + c->GetHeight() + FVertScrollBar->FPosition);
            else if (align == alBottom)
                bottom += c->GetHeight();
        }
        horz += right;
        vert += bottom;
        FHorzScrollBar->DoSetRange(horz > 0 ? horz + FHorzScrollBar->FMargin : 0);
        FVertScrollBar->DoSetRange(vert > 0 ? vert + FVertScrollBar->FMargin : 0);
    }
    UpdateScrollBars();
}

void TScrollingWinControl::UpdateScrollBars() {
    if (FUpdatingScrollBars || !FHorzScrollBar || !FVertScrollBar) return;
    FUpdatingScrollBars = true;
    try {
        FVertScrollBar->Update();
        FHorzScrollBar->Update();
    } catch (...) {
        FUpdatingScrollBars = false;
        throw;
    }
    FUpdatingScrollBars = false;
}

void TScrollingWinControl::ScrollBy(Integer deltaX, Integer deltaY) {
    if (deltaX == 0 && deltaY == 0) return;
    DisableAutoRange();
    DisableAlign();
    for (Integer i = 0; i < GetControlCount(); ++i) {
        TControl* c = GetControls(i);
        c->SetBounds(c->GetLeft() + deltaX, c->GetTop() + deltaY, c->GetWidth(), c->GetHeight());
    }
    EnableAlign();
    --FAutoRangeCount;
    Invalidate();
}

void TScrollingWinControl::AutoScrollInView(TControl* control) {
    if (control && FAutoScroll) ScrollInView(control);
}

void TScrollingWinControl::ScrollInView(TControl* control) {
    if (!control || !ContainsControl(control)) return;
    const POINT at = control->GetParent()->ClientToScreen(POINT{control->GetLeft(), control->GetTop()});
    const POINT origin = ClientToScreen(POINT{0, 0});
    const RECT r{at.x - origin.x, at.y - origin.y, at.x - origin.x + control->GetWidth(),
                 at.y - origin.y + control->GetHeight()};
    auto adjust = [](TControlScrollBar* bar, Integer low, Integer high, Integer size) {
        if (low < 0)
            bar->SetPosition(bar->GetPosition() + low - bar->GetMargin());
        else if (high > size) {
            Integer delta = high - size + bar->GetMargin();
            if (high - low + bar->GetMargin() > size) delta = low;
            bar->SetPosition(bar->GetPosition() + delta);
        }
    };
    adjust(FHorzScrollBar.get(), r.left, r.right, GetClientWidth());
    adjust(FVertScrollBar.get(), r.top, r.bottom, GetClientHeight());
}

void TScrollingWinControl::AdjustClientRect(RECT& rect) {
    const Integer w = std::max<Integer>(FHorzScrollBar->GetRange(), rect.right - rect.left);
    const Integer h = std::max<Integer>(FVertScrollBar->GetRange(), rect.bottom - rect.top);
    rect = RECT{-FHorzScrollBar->GetPosition(), -FVertScrollBar->GetPosition(), 0, 0};
    rect.right = rect.left + w;
    rect.bottom = rect.top + h;
    TWinControl::AdjustClientRect(rect);
}

void TScrollingWinControl::AlignControls(TControl* control, RECT& rect) {
    TWinControl::AlignControls(control, rect);
    CalcAutoRange();
}

void TScrollingWinControl::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateScrollBars();
}

void TScrollingWinControl::WMHScroll(TWMScroll& message) {
    if (message.ScrollBar == nullptr) {
        FHorzScrollBar->ScrollMessage(message);
        return;
    }
    TMessage m;
    m.Msg = message.Msg;
    m.WParam = MAKEWPARAM(WORD(message.ScrollCode), WORD(message.Pos));
    m.LParam = LPARAM(message.ScrollBar);
    KOV_INHERITED(m);
    message.Result = m.Result;
}

void TScrollingWinControl::WMVScroll(TWMScroll& message) {
    if (message.ScrollBar == nullptr) {
        FVertScrollBar->ScrollMessage(message);
        return;
    }
    TMessage m;
    m.Msg = message.Msg;
    m.WParam = MAKEWPARAM(WORD(message.ScrollCode), WORD(message.Pos));
    m.LParam = LPARAM(message.ScrollBar);
    KOV_INHERITED(m);
    message.Result = m.Result;
}

void TScrollingWinControl::WMSize(TWMSize& message) {
    TMessage m;
    m.Msg = message.Msg;
    m.WParam = message.SizeType;
    m.LParam = MAKELPARAM(message.Width, message.Height);
    KOV_INHERITED(m);
    message.Result = m.Result;
    UpdateScrollBars();
}

// ---- TScrollBox ---------------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent* owner) : TScrollingWinControl(owner) {
    SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
    SetBounds(0, 0, 185, 41);
}

void TScrollBox::SetBorderStyle(TBorderStyle value) {
    if (FBorderStyle == value) return;
    FBorderStyle = value;
    if (HandleAllocated()) RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& params) {
    TScrollingWinControl::CreateParams(params);
    if (FBorderStyle == bsSingle) {
        if (GetCtl3D())
            params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            params.Style |= WS_BORDER;
    }
}
