#include "report/pvrCtrls.h"

#include <algorithm>
#include <unordered_map>

#include "platform/classlib/Forms.h"
#include "platform/winapi/WinEdit.h"

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
    // The items are as high as the font's text.
    TBitmap measure;
    measure.GetCanvas()->SetFont(GetFont());
    SetItemHeight(measure.GetCanvas()->TextHeight("Wg"));
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
    }
    if (FReadOnly) SetReadOnly(true);
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
    if (pos.flags & SWP_NOSIZE) return;
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

LRESULT TpvrCustomComboBox::ListWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto it = HookedLists().find(window);
    if (it == HookedLists().end()) return DefWindowProcA(window, message, wParam, lParam);
    TpvrCustomComboBox* box = it->second;
    const WNDPROC previous = box->FDefListProc;
    if (message == WM_WINDOWPOSCHANGING && lParam) box->PlaceList(*reinterpret_cast<WINDOWPOS*>(lParam));
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

namespace {
const bool kCtrlsRegistered = [] {
    RegisterClasses({TpvrScrollWin::StaticClass(), TpvrTBPanel::StaticClass(), TpvrComboBox::StaticClass()});
    return true;
}();
} // namespace
