// The popup window base: placement against its owner's rectangle on the owner's monitor, the
// owner form's caption kept active, closing on deactivation, and its three borders.
#include "suite/foundation/qzControls.h"

KOV_MESSAGE_MAP(TqzPopupWindow) {
    map.Message(WM_ACTIVATE, &TqzPopupWindow::WMActivate);
    map.Message(WM_ACTIVATEAPP, &TqzPopupWindow::WMActivateApp);
    map.Message(CM_VISIBLECHANGED, &TqzPopupWindow::CMVisibleChanged);
}

TqzPopupWindow::TqzPopupWindow(TComponent* owner) : TForm(owner, TCreateNew{}) {
    ControlsUnitInitialize();
    SetBorderStyle(bsNone);
    SetFormStyle(fsStayOnTop);
    FCanvas = std::make_unique<TqzCanvas>(GetCanvas());
}

TqzPopupWindow::~TqzPopupWindow() = default;

Integer TqzPopupWindow::GetBorderWidth(Integer side) {
    switch (FPopupBorderStyle) {
    case 1:
    case 2: return 1;
    case 3: return 2;
    default: return 0;
    }
}

Integer TqzPopupWindow::GetSideOffset(Integer side) { return GetBorderWidth(side) + FBorderSpace; }

void TqzPopupWindow::SetPopupBorderStyle(Integer value) {
    // The children go back to where they were before the old border's offsets moved them.
    if (FChildrenShifted) {
        for (Integer i = 0; i < GetControlCount(); ++i) {
            TControl* child = GetControls(i);
            child->SetBounds(child->GetLeft() - FShiftLeft, child->GetTop() - FShiftTop, child->GetWidth(),
                             child->GetHeight());
        }
        FChildrenShifted = false;
        FShiftLeft = 0;
        FShiftTop = 0;
    }
    FPopupBorderStyle = value;
}

void TqzPopupWindow::TakeOwnerFont() {
    if (FOwnerParent != nullptr) GetFont()->Assign(FOwnerParent->GetFont());
}

void TqzPopupWindow::FitToContents() {
    if (!FAdjustable) return;
    const Integer left = GetSideOffset(0), top = GetSideOffset(1);
    // The children are moved by the side offsets once per border layout, not on every showing.
    const Integer dx = left - FShiftLeft, dy = top - FShiftTop;
    Integer maxRight = 0, maxBottom = 0;
    const Integer count = GetControlCount();
    for (Integer i = 0; i < count; ++i) {
        TControl* child = GetControls(i);
        maxRight = std::max(maxRight, child->GetLeft() - FShiftLeft + child->GetWidth());
        maxBottom = std::max(maxBottom, child->GetTop() - FShiftTop + child->GetHeight());
        if (dx != 0 || dy != 0)
            child->SetBounds(child->GetLeft() + dx, child->GetTop() + dy, child->GetWidth(), child->GetHeight());
    }
    FShiftLeft = left;
    FShiftTop = top;
    FChildrenShifted = true;
    if (maxRight != 0 || maxBottom != 0 || count > 0) {
        SetWidth(left + maxRight + GetSideOffset(2));
        SetHeight(top + maxBottom + GetSideOffset(3));
    }
}

void TqzPopupWindow::CalcPopupPosition(TPoint& point) {
    Integer alignHorz = FAlignHorz, alignVert = FAlignVert;
    TRect r = FOwnerBounds;
    if (FOwnerParent != nullptr) {
        const POINT topLeft = FOwnerParent->ClientToScreen(POINT{r.left, r.top});
        const POINT bottomRight = FOwnerParent->ClientToScreen(POINT{r.right, r.bottom});
        r = TRect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    }
    const Integer width = GetWidth(), height = GetHeight();
    Integer x = point.x, y = point.y;
    TPoint reference{x, y};
    if (alignHorz == 1) reference.x = x = (r.left + r.right - width) / 2;
    if (alignVert == 1) reference.y = y = (r.top + r.bottom - height) / 2;

    auto placeVertical = [&] {
        if (alignHorz == 0) {
            x = r.left;
            reference.x = r.left;
        } else if (alignHorz == 2) {
            x = r.right - width;
            reference.x = r.right;
        }
        if (alignVert == 0) {
            y = r.top - height;
            reference.y = r.top;
        } else if (alignVert == 2) {
            y = r.bottom;
            reference.y = r.bottom;
        }
    };
    auto placeHorizontal = [&] {
        if (alignHorz == 0) {
            x = r.left - width;
            reference.x = r.left;
        } else if (alignHorz == 2) {
            x = r.right;
            reference.x = r.right;
        }
        if (alignVert == 0) {
            y = r.top;
            reference.y = r.top;
        } else if (alignVert == 2) {
            y = r.bottom - height;
            reference.y = r.bottom;
        }
    };
    if (FDirection == 1)
        placeVertical();
    else
        placeHorizontal();

    const TRect w = GetMonitorWorkArea(reference);
    if (FDirection == 1) {
        const bool moreRoomAbove = w.bottom - r.bottom < r.top - w.top;
        if (alignVert == 2 && w.bottom < y + height && moreRoomAbove)
            alignVert = 0;
        else if (alignVert == 0 && y < w.top && !moreRoomAbove)
            alignVert = 2;
        placeVertical();
    } else {
        const bool moreRoomLeft = w.right - r.right < r.left - w.left;
        if (alignHorz == 2 && w.right < x + width && moreRoomLeft)
            alignHorz = 0;
        else if (alignHorz == 0 && x < w.left && !moreRoomLeft)
            alignHorz = 2;
        placeHorizontal();
    }
    if (FDirection == 1 || alignHorz == 1) {
        if (x + width > w.right) x = w.right - width;
        if (x < w.left) x = w.left;
    }
    if (FDirection == 0 || alignVert == 1) {
        if (y + height > w.bottom) y = w.bottom - height;
        if (y < w.top) y = w.top;
    }
    point = TPoint{x, y};
}

void TqzPopupWindow::Popup() {
    TakeOwnerFont();
    FitToContents();
    TPoint p{GetLeft(), GetTop()};
    CalcPopupPosition(p);
    SetLeft(p.x);
    CalcPopupPosition(p);
    SetTop(p.y);
    Show();
}

void TqzPopupWindow::ClosePopup() { Hide(); }

void TqzPopupWindow::Deactivate() {
    const TLivenessToken alive = LivenessToken();
    TForm::Deactivate();
    if (alive) ClosePopup();
}

void TqzPopupWindow::Paint() {
    TForm::Paint();
    PaintBorder();
}

void TqzPopupWindow::PaintBorder() {
    TRect r{0, 0, GetWidth(), GetHeight()};
    switch (FPopupBorderStyle) {
    case 1:
        FCanvas->FrameSides(r, FFrameColor, 15, 1);
        break;
    case 2:
        FCanvas->DrawEdge3D(r, false, false, 15);
        break;
    case 3:
        FCanvas->DrawEdge3D(r, false, true, 15);
        r.left += 1;
        r.top += 1;
        r.right -= 1;
        r.bottom -= 1;
        FCanvas->DrawEdge3D(r, false, false, 15);
        break;
    default:
        break;
    }
}

void TqzPopupWindow::WMActivate(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (!alive) return;
    if (LOWORD(message.WParam) != WA_INACTIVE) {
        FPrevActiveWindow = HWND(message.LParam);
        // The owner form's caption stays active while the popup has the focus.
        if (FPrevActiveWindow != nullptr) SendMessageA(FPrevActiveWindow, WM_NCACTIVATE, TRUE, 0);
    }
}

void TqzPopupWindow::WMActivateApp(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (!alive || message.WParam != 0) return;
    if (FPrevActiveWindow != nullptr && IsWindow(FPrevActiveWindow))
        SendMessageA(FPrevActiveWindow, WM_NCACTIVATE, FALSE, 0);
    ClosePopup();
}

void TqzPopupWindow::CMVisibleChanged(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (alive) HandleVisibleChange();
}
