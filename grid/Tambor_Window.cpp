// The grid's window: its style, invalidation and pixel scrolling, the window scroll bars, size
// and focus changes, the cursor, and the editor mode the keys and the mouse switch.
#include <algorithm>

#include "grid/Tambor.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/WinScroll.h"

namespace {
constexpr Integer GridCursor = 1001;
} // namespace

// ---- Window seams -----------------------------------------------------------------------------

void TCustomTambor::InvalidatePixels(const RECT& rect, bool erase) {
    if (HandleAllocated()) InvalidateRect(FHandle, &rect, erase ? TRUE : FALSE);
}

void TCustomTambor::InvalidateAll() { Invalidate(); }

void TCustomTambor::UpdateNow() {
    if (HandleAllocated()) Update();
}

void TCustomTambor::ScrollPixels(Integer dx, Integer dy, const RECT& area) {
    if (HandleAllocated()) ScrollWindowEx(FHandle, dx, dy, &area, &area, nullptr, nullptr, SW_INVALIDATE);
}

void TCustomTambor::SetScrollBar(bool horizontal, Integer maxRange, Integer position) {
    if (!HandleAllocated()) return;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_POS;
    info.nMin = 0;
    info.nMax = maxRange;
    info.nPos = position;
    SetScrollInfo(FHandle, horizontal ? SB_HORZ : SB_VERT, &info, TRUE);
}

void TCustomTambor::RecreateWindow() {
    if (HandleAllocated()) RecreateWnd();
}

Integer TCustomTambor::ZeroDigitWidth() const {
    if (!HandleAllocated()) return 8;
    TCanvas* canvas = GetCanvas();
    canvas->GetFont()->Assign(GetFont());
    return canvas->TextWidth("0");
}

void TCustomTambor::PrepareScrollCommand() {
    CloseEditor();
    if (GetComponentState().Contains(csDesigning) || !HandleAllocated()) return;
    if (GetTabStop() && CanFocus() && !HasFocusWithin()) SetFocus();
}

// ---- Window -----------------------------------------------------------------------------------

void TCustomTambor::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.Style |= WS_TABSTOP;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) params.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) params.Style |= WS_HSCROLL;
    params.WindowClass.style |= CS_DBLCLKS;
    if (FBorderStyle == bsSingle) {
        if (GetCtl3D())
            params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            params.Style |= WS_BORDER;
    }
}

void TCustomTambor::CreateWnd() {
    TCustomControl::CreateWnd();
    UpdateScrollRange();
}

void TCustomTambor::WMSize(TMessage& message) {
    KOV_INHERITED(message);
    UpdateScrollRange();
}

void TCustomTambor::WMHScroll(TMessage& message) {
    // A scroll bar control of ours would send its own handle; the window's bar sends none.
    if (message.LParam != 0) {
        KOV_INHERITED(message);
        return;
    }
    const TWMScroll scroll = TWMScroll::From(message);
    ScrollBarCommand(true, scroll.ScrollCode, scroll.Pos);
}

void TCustomTambor::WMVScroll(TMessage& message) {
    if (message.LParam != 0) {
        KOV_INHERITED(message);
        return;
    }
    const TWMScroll scroll = TWMScroll::From(message);
    ScrollBarCommand(false, scroll.ScrollCode, scroll.Pos);
}

void TCustomTambor::WMGetDlgCode(TMessage& message) {
    message.Result = DLGC_WANTARROWS;
    if (FOptions.Contains(goRowSelect)) return;
    if (FOptions.Contains(goTabs)) message.Result |= DLGC_WANTTAB;
    if (FOptions.Contains(goEditing)) message.Result |= DLGC_WANTCHARS;
}

void TCustomTambor::WMSetCursor(TMessage& message) {
    const TWMSetCursor record = TWMSetCursor::From(message);
    if (record.CursorWnd != FHandle || record.HitTest != SHORT(HTCLIENT)) {
        KOV_INHERITED(message);
        return;
    }
    TCursor cursor = GetScreenCursorOverride();
    HCURSOR handle = nullptr;
    if (cursor != crDefault) {
        handle = CursorHandle(cursor);
    } else {
        TTamborState state = FGridState;
        if (state == gsNormal) {
            POINT p;
            GetCursorPos(&p);
            p = ScreenToClient(p);
            Integer index, pos, ofs;
            SizingHitTest(p.x, p.y, state, index, pos, ofs);
            if (state == gsNormal) {
                const THandleHit hit = HandleHitTest(p.x, p.y, GetShiftState());
                if (hit != hhNone) state = hit == hhMove ? gsMoving : hit == hhCopy ? gsCopying : gsFilling;
            }
        }
        switch (state) {
        case gsRowSizing:
            handle = CursorHandle(crVSplit);
            break;
        case gsColSizing:
            handle = CursorHandle(crHSplit);
            break;
        case gsMoving:
            handle = CursorHandle(crHandPoint);
            break;
        case gsCopying:
            handle = CursorHandle(crDrag);
            break;
        case gsFilling:
            handle = CursorHandle(crMultiDrag);
            break;
        case gsSelecting:
            handle = CursorHandle(crArrow);
            break;
        default:
            handle = FGridState == gsNormal ? Screen->GetCursors(GridCursor) : CursorHandle(crArrow);
            break;
        }
    }
    ::SetCursor(handle);
    message.Result = 1;
}

void TCustomTambor::WMSetFocus(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    KOV_INHERITED(message);
    if (!alive) return;
    const HWND from = reinterpret_cast<HWND>(message.WParam);
    if (FInplaceEdit != nullptr && FInplaceEdit->HandleAllocated() && from == FInplaceEdit->GetHandle())
        return;
    InvalidateSelectionChange(FSelection, TGridRect{-1, -1, -2, -2});
    PlaceEditor();
}

void TCustomTambor::WMKillFocus(TMessage& message) {
    KOV_INHERITED(message);
    InvalidateSelectionChange(FSelection, TGridRect{-1, -1, -2, -2});
    const HWND to = reinterpret_cast<HWND>(message.WParam);
    if (FInplaceEdit != nullptr && !(FInplaceEdit->HandleAllocated() && to == FInplaceEdit->GetHandle()))
        CloseEditor();
}

void TCustomTambor::WMCancelMode(TMessage& message) {
    KOV_INHERITED(message);
    if (FSizingLineShown) DrawSizingLine();
    CancelBlockDrag();
    FGridState = gsNormal;
}

void TCustomTambor::CMCancelMode(TMessage& message) {
    KOV_INHERITED(message);
    if (FSizingLineShown) DrawSizingLine();
    CancelBlockDrag();
    FGridState = gsNormal;
}

void TCustomTambor::CMExit(TMessage& message) {
    KOV_INHERITED(message);
    if (!FOptions.Contains(goAlwaysShowEditor)) CloseEditor();
}

void TCustomTambor::CMWantSpecialKey(TMessage& message) {
    // An editing grid takes Enter itself (it opens and closes the editor), so the form's
    // default button does not.
    KOV_INHERITED(message);
    if (FOptions.Contains(goEditing) && TCMWantSpecialKey::From(message).CharCode == VK_RETURN)
        message.Result = 1;
}

KOV_MESSAGE_MAP(TCustomTambor) {
    map.Message(WM_SIZE, &TCustomTambor::WMSize);
    map.Message(WM_HSCROLL, &TCustomTambor::WMHScroll);
    map.Message(WM_VSCROLL, &TCustomTambor::WMVScroll);
    map.Message(WM_GETDLGCODE, &TCustomTambor::WMGetDlgCode);
    map.Message(WM_SETCURSOR, &TCustomTambor::WMSetCursor);
    map.Message(WM_SETFOCUS, &TCustomTambor::WMSetFocus);
    map.Message(WM_KILLFOCUS, &TCustomTambor::WMKillFocus);
    map.Message(WM_CANCELMODE, &TCustomTambor::WMCancelMode);
    map.Message(CM_CANCELMODE, &TCustomTambor::CMCancelMode);
    map.Message(CM_EXIT, &TCustomTambor::CMExit);
    map.Message(CM_WANTSPECIALKEY, &TCustomTambor::CMWantSpecialKey);
}
