#include "report/pvrCtrls.h"

#include <algorithm>
#include <unordered_map>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Numbers.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/WinComboBox.h"
#include "platform/winapi/WinEdit.h"
#include "platform/winapi/WinListBox.h"

#include "platform/winapi/WinScroll.h"

// ---- Scroll window -------------------------------------------------------------------------------

KOV_MESSAGE_MAP(TpvrScrollWin) {
    map.Message(WM_HSCROLL, &TpvrScrollWin::WMHScroll);
    map.Message(WM_VSCROLL, &TpvrScrollWin::WMVScroll);
    map.Message(WM_ERASEBKGND, &TpvrScrollWin::WMEraseBkgnd);
    map.Message(WM_GETDLGCODE, &TpvrScrollWin::WMGetDlgCode);
}

TpvrScrollWin::TpvrScrollWin(TComponent* owner) : TCustomControl(owner) {}

void TpvrScrollWin::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    params.ExStyle |= WS_EX_CLIENTEDGE;
    params.Style |= WS_HSCROLL | WS_VSCROLL | WS_CLIPCHILDREN;
}

void TpvrScrollWin::CreateWnd() {
    inherited::CreateWnd();
    UpdateBar(SB_HORZ, FHorzRange, FHorzPage, FHorzPosition);
    UpdateBar(SB_VERT, FVertRange, FVertPage, FVertPosition);
}

void TpvrScrollWin::Paint() {
    TCanvas* canvas = GetCanvas();
    canvas->GetBrush()->SetColor(GetColor());
    canvas->FillRect(GetClientRect());
}

void TpvrScrollWin::UpdateBar(int bar, Integer range, Integer page, Integer position) {
    if (!HandleAllocated()) return;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    info.nMin = 0;
    // A range that fits into the page does not scroll: the bar shows no thumb.
    info.nMax = range < page ? 0 : range;
    info.nPage = UINT(std::max<Integer>(page, 0));
    info.nPos = position;
    FlatSB_SetScrollInfo(GetHandle(), bar, &info, TRUE);
}

void TpvrScrollWin::SetHorzPage(Integer value) {
    FHorzPage = value;
    SetHorzRange(FHorzRange);
}

void TpvrScrollWin::SetHorzRange(Integer value) {
    FHorzRange = value;
    UpdateBar(SB_HORZ, FHorzRange, FHorzPage, FHorzPosition);
}

void TpvrScrollWin::SetVertPage(Integer value) {
    FVertPage = value;
    SetVertRange(FVertRange);
}

void TpvrScrollWin::SetVertRange(Integer value) {
    FVertRange = value;
    UpdateBar(SB_VERT, FVertRange, FVertPage, FVertPosition);
}

void TpvrScrollWin::SetHorzPosition(Integer value) {
    value = std::max<Integer>(0, std::min(value, FHorzRange - FHorzPage));
    if (value == FHorzPosition) return;
    FHorzPosition = value;
    if (HandleAllocated()) FlatSB_SetScrollPos(GetHandle(), SB_HORZ, value, TRUE);
    OnHScrollChange();
}

void TpvrScrollWin::SetVertPosition(Integer value) {
    value = std::max<Integer>(0, std::min(value, FVertRange - FVertPage));
    if (value == FVertPosition) return;
    FVertPosition = value;
    if (HandleAllocated()) FlatSB_SetScrollPos(GetHandle(), SB_VERT, value, TRUE);
    OnVScrollChange();
}

Integer TpvrScrollWin::ScrollTarget(int bar, const TWMScroll& message, Integer position, Integer range) {
    switch (message.ScrollCode) {
    case SB_LINEUP:
        return position - FSmallChange;
    case SB_LINEDOWN:
        return position + FSmallChange;
    case SB_PAGEUP:
        return position - FLargeChange;
    case SB_PAGEDOWN:
        return position + FLargeChange;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_TRACKPOS;
        if (HandleAllocated() && FlatSB_GetScrollInfo(GetHandle(), bar, &info)) return info.nTrackPos;
        return message.Pos;
    }
    case SB_TOP:
        return 0;
    case SB_BOTTOM:
        return range;
    default:
        return position;
    }
}

void TpvrScrollWin::WMHScroll(TWMScroll& message) {
    SetHorzPosition(ScrollTarget(SB_HORZ, message, FHorzPosition, FHorzRange));
}

void TpvrScrollWin::WMVScroll(TWMScroll& message) {
    SetVertPosition(ScrollTarget(SB_VERT, message, FVertPosition, FVertRange));
}

void TpvrScrollWin::WMEraseBkgnd(TMessage& message) { message.Result = 1; }

void TpvrScrollWin::WMGetDlgCode(TMessage& message) {
    message.Result = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS;
}

// ---- Tool-bar panel ------------------------------------------------------------------------------

TpvrTBPanel::TpvrTBPanel(TComponent* owner) : TPanel(owner) {
    SetAlign(alLeft);
    SetWidth(8);
    SetHeight(8);
    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
}

void TpvrTBPanel::SetParent(TWinControl* value) {
    inherited::SetParent(value);
    if (auto* panel = dynamic_cast<TCustomPanel*>(value)) {
        TWinControl* bar = panel->GetParent();
        const bool vertical = bar && (bar->GetAlign() == alLeft || bar->GetAlign() == alRight);
        SetAlign(vertical ? alTop : alLeft);
    }
}

void TpvrTBPanel::Paint() {
    TCanvas* canvas = GetCanvas();
    canvas->GetBrush()->SetColor(clBtnFace);
    canvas->FillRect(GetClientRect());
    if (GetComponentState().Contains(csDesigning)) {
        canvas->GetBrush()->SetStyle(bsClear);
        canvas->GetPen()->SetColor(clBtnShadow);
        canvas->GetPen()->SetStyle(psDot);
        canvas->Rectangle(GetClientRect());
    }
}

// ---- Flat combo box -------------------------------------------------------------------------------

namespace {

std::unordered_map<HWND, TpvrCustomComboBox*>& HookedLists() {
    static std::unordered_map<HWND, TpvrCustomComboBox*> lists;
    return lists;
}

} // namespace

TpvrCustomComboBox::TpvrCustomComboBox(TComponent* owner) : TCustomComboBox(owner) {
    SetWidth(100);
    MeasureItems();
}

void TpvrCustomComboBox::MeasureItems() {
    TBitmap measure;
    measure.GetCanvas()->SetFont(GetFont());
    SetItemHeight(measure.GetCanvas()->TextHeight("Wg"));
}

void TpvrCustomComboBox::PlaceEdit() {
    if (!HandleAllocated() || !GetEditHandle()) return;
    RECT client{};
    ::GetClientRect(GetHandle(), &client);
    SetWindowPos(GetEditHandle(), nullptr, FImageIndent + 3, 3,
                 std::max<Integer>(0, client.right - FButtonWidth - FImageIndent - 7),
                 std::max<Integer>(0, client.bottom - 6), SWP_NOZORDER | SWP_NOACTIVATE);
}

TpvrCustomComboBox::~TpvrCustomComboBox() { Unhook(); }

void TpvrCustomComboBox::Unhook() {
    if (!FListHandle) return;
    if (IsWindow(FListHandle) && FDefListProc)
        SetWindowLongPtrA(FListHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefListProc));
    HookedLists().erase(FListHandle);
    FListHandle = nullptr;
    FDefListProc = nullptr;
}

void TpvrCustomComboBox::CreateWnd() {
    inherited::CreateWnd();
    Unhook();
    FListHandle = GetListHandle();
    if (FListHandle) {
        HookedLists()[FListHandle] = this;
        FDefListProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(FListHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListWndProc)));
        // The list's frame is a client edge, painted raised, instead of a plain border.
        SetWindowLongA(FListHandle, GWL_STYLE, GetWindowLongA(FListHandle, GWL_STYLE) & ~LONG(WS_BORDER));
        SetWindowLongA(FListHandle, GWL_EXSTYLE, GetWindowLongA(FListHandle, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
        SetWindowPos(FListHandle, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    if (FReadOnly) SetReadOnly(true);
    PlaceEdit();
}

void TpvrCustomComboBox::DestroyWnd() {
    Unhook();
    inherited::DestroyWnd();
}

void TpvrCustomComboBox::SetReadOnly(bool value) {
    FReadOnly = value;
    if (HandleAllocated() && GetEditHandle())
        SendMessageA(GetEditHandle(), EM_SETREADONLY, value ? TRUE : FALSE, 0);
}

void TpvrCustomComboBox::PlaceList(WINDOWPOS& pos) {
    // A list being shown is placed even when the window system found its size unchanged.
    if ((pos.flags & SWP_NOSIZE) && !(pos.flags & SWP_SHOWWINDOW)) return;
    pos.flags &= ~UINT(SWP_NOSIZE);
    pos.cx = FListWidth > 0 ? FListWidth : GetWidth() - 1;
    const Integer count = std::min<Integer>(GetDropDownCount(), GetItems()->GetCount());
    pos.cy = (count > 0 ? count : 1) * GetItemHeight() + 4;
    if (pos.flags & SWP_NOMOVE) return;
    // Below the box, or above it when the list would pass the bottom of the screen.
    RECT box{};
    GetWindowRect(GetHandle(), &box);
    FDroppingUp = box.bottom + pos.cy > GetSystemMetrics(SM_CYSCREEN);
    pos.y = FDroppingUp ? box.top - pos.cy - 2 : box.bottom;
}

bool TpvrCustomComboBox::IsActive() const {
    if (GetComponentState().Contains(csDesigning) || FMouseInside) return true;
    if (!HandleAllocated()) return false;
    auto* self = const_cast<TpvrCustomComboBox*>(this);
    const HWND focus = GetFocus();
    return GetDroppedDown() || (focus && (focus == self->GetHandle() || focus == self->GetEditHandle()));
}

void TpvrCustomComboBox::WndProc(TMessage& message) {
    switch (message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        if (message.LParam == 0) FMouseInside = message.Msg == CM_MOUSEENTER;
        inherited::WndProc(message);
        PaintFlat();
        return;
    case CM_ENABLEDCHANGED:
        inherited::WndProc(message);
        Invalidate();
        return;
    case CN_COMMAND:
        inherited::WndProc(message);
        switch (HIWORD(message.WParam)) {
        case CBN_SETFOCUS:
        case CBN_KILLFOCUS:
        case CBN_DROPDOWN:
        case CBN_CLOSEUP:
            PaintFlat();
        }
        return;
    case WM_PAINT:
        inherited::WndProc(message);
        PaintFlat();
        return;
    case WM_SIZE:
    case WM_SETFONT:
    case CB_SETITEMHEIGHT:
        // The standard box lays its edit out again; it goes back inside the flat frame.
        inherited::WndProc(message);
        PlaceEdit();
        return;
    case CM_FONTCHANGED:
        inherited::WndProc(message);
        MeasureItems();
        return;
    case WM_SETTEXT:
        inherited::WndProc(message);
        PaintFlat();
        return;
    default:
        inherited::WndProc(message);
    }
}

void TpvrCustomComboBox::PaintFlat() {
    if (!HandleAllocated() || !IsWindowVisible(GetHandle())) return;
    HDC dc = GetDC(GetHandle());
    if (!dc) return;
    RECT client{};
    ::GetClientRect(GetHandle(), &client);
    const Integer w = client.right;
    const Integer h = client.bottom;
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    HBRUSH window = GetSysColorBrush(COLOR_WINDOW);
    const RECT button{w - FButtonWidth - 2, 2, w - 2, h - 2};
    bool pressed = false;
    if (!GetEnabled()) {
        FillRect(dc, &client, face);
        RECT inner{2, 2, w - 2, h - 2};
        FrameRect(dc, &inner, window);
    } else {
        if (FImageIndent > 0) {
            RECT image{2, 2, 2 + FImageIndent, h - 2};
            FillRect(dc, &image, window);
        }
        RECT frame{1, 1, w - 1, h - 1};
        FrameRect(dc, &frame, face);
        RECT edit{2, 2, w - 2 - FButtonWidth - 1, h - 2};
        FrameRect(dc, &edit, window);
        FillRect(dc, &button, face);
        if (IsActive()) {
            RECT edge = client;
            DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
            RECT b = button;
            pressed = GetDroppedDown();
            DrawEdge(dc, &b, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        } else {
            RECT edge = client;
            FrameRect(dc, &edge, face);
            FrameRect(dc, &button, window);
        }
    }
    // The arrow: lines of 5, 3 and 1 pixels.
    const Integer shift = pressed ? 1 : 0;
    const Integer x = Integer(Round(FButtonWidth / 2.0)) + w - FButtonWidth - 4 + shift;
    const Integer y = Integer(Round((h - 4) / 2.0)) + 1 + shift;
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (Integer line = 0; line < 3; ++line) {
        RECT r{x + line, y + line, x + 5 - line, y + line + 1};
        FillRect(dc, &r, black);
    }
    ReleaseDC(GetHandle(), dc);
}

LRESULT TpvrCustomComboBox::ListWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto it = HookedLists().find(window);
    if (it == HookedLists().end()) return DefWindowProcA(window, message, wParam, lParam);
    TpvrCustomComboBox* box = it->second;
    const WNDPROC previous = box->FDefListProc;
    if (message == WM_WINDOWPOSCHANGING && lParam) box->PlaceList(*reinterpret_cast<WINDOWPOS*>(lParam));
    // While the chosen item is among the first the list shows, the list stays at its top.
    if (message == LB_SETTOPINDEX && box->GetDropDownCount() >= box->GetItemIndex()) return 0;
    const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
    if (message == WM_NCPAINT) {
        if (HDC dc = GetWindowDC(window)) {
            RECT frame{};
            GetWindowRect(window, &frame);
            OffsetRect(&frame, -frame.left, -frame.top);
            DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT);
            ReleaseDC(window, dc);
        }
    }
    return result;
}

KOV_PUBLISHED(TpvrComboBox) {
    Property("ListWidth", &TpvrComboBox::GetListWidth, &TpvrComboBox::SetListWidth).Default(0);
    Property("ReadOnly", &TpvrComboBox::GetReadOnly, &TpvrComboBox::SetReadOnly).Default(false);
}

namespace {
const bool kCtrlsRegistered = [] {
    RegisterClasses({TpvrScrollWin::StaticClass(), TpvrTBPanel::StaticClass(), TpvrComboBox::StaticClass()});
    return true;
}();
} // namespace
