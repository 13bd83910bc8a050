// The inner list box: incremental search, overlay scroll bars over the native ones with the
// corner between them, item drawing in the highlight colours, and its input passed to the
// container that hosts it.
#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinCore.h"
#include "platform/winapi/WinListBox.h"
#include "suite/foundation/qzContainer.h"

namespace {

String Utf8Of(const std::u32string& text) {
    String result;
    for (char32_t c : text) {
        if (c < 0x80) {
            result += char(c);
        } else if (c < 0x800) {
            result += char(0xC0 | (c >> 6));
            result += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            result += char(0xE0 | (c >> 12));
            result += char(0x80 | ((c >> 6) & 0x3F));
            result += char(0x80 | (c & 0x3F));
        } else {
            result += char(0xF0 | (c >> 18));
            result += char(0x80 | ((c >> 12) & 0x3F));
            result += char(0x80 | ((c >> 6) & 0x3F));
            result += char(0x80 | (c & 0x3F));
        }
    }
    return result;
}

// The list's own messages after which the overlay bars follow the native ones.
bool UpdatesOverlayBars(const TMessage& message) {
    switch (message.Msg) {
    case WM_SHOWWINDOW:
        return message.WParam != 0;
    case WM_WINDOWPOSCHANGED:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
    case LB_SETCURSEL:
    case LB_SETHORIZONTALEXTENT:
    case LB_SETTOPINDEX:
    case LB_SETCARETINDEX:
    case WM_MOUSEWHEEL:
    case CM_WININICHANGE:
        return true;
    default:
        return false;
    }
}

} // namespace

Integer FindListItemByPrefix(TCustomListBox* list, const String& text) {
    if (!list || !list->HandleAllocated()) return -1;
    const LRESULT index = SendMessageA(list->GetHandle(), LB_FINDSTRING, WPARAM(-1), LPARAM(text.c_str()));
    return index == LB_ERR ? -1 : Integer(index);
}

TqzCustomInnerListBox::TqzCustomInnerListBox(TComponent* owner) : TListBox(owner) {
    FCanvasWrapper = std::make_unique<TqzCanvas>(GetCanvas());
    CreateOverlayScrollBars();
    FLookAndFeel = std::make_unique<TqzLookAndFeel>(this);
    FLookAndFeel->OnChanged = MakeEvent(this, &TqzCustomInnerListBox::HandleLookAndFeelChange);
    FHScrollBar->GetLookAndFeel()->SetMaster(FLookAndFeel.get());
    FVScrollBar->GetLookAndFeel()->SetMaster(FLookAndFeel.get());
    SetBorderStyle(bsNone);
    TControlStyle style = GetControlStyle();
    style.Exclude(csOpaque);
    style.Include(csDoubleClicks);
    SetControlStyle(style);
    SetParentColor(false);
    SetParentFont(true);
}

TqzCustomInnerListBox::~TqzCustomInnerListBox() {
    // Bars with a parent belong to that parent's tree now; the others are freed here.
    for (TqzScrollBar** bar : {&FHScrollBar, &FVScrollBar}) {
        if (*bar && !(*bar)->GetParent()) delete *bar;
        *bar = nullptr;
    }
    FLookAndFeel.reset();
    FCanvasWrapper.reset();
}

void TqzCustomInnerListBox::CreateOverlayScrollBars() {
    for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
        auto* bar = new TqzScrollBar(nullptr);
        bar->SetKind(kind);
        bar->SetSmallChange(1);
        bar->SetVisible(false);
        bar->FreeNotification(this);
        if (kind == sbHorizontal) {
            bar->OnScroll = MakeEvent(this, &TqzCustomInnerListBox::HandleHorzBarScroll);
            FHScrollBar = bar;
        } else {
            bar->OnScroll = MakeEvent(this, &TqzCustomInnerListBox::HandleVertBarScroll);
            FVScrollBar = bar;
        }
    }
}

void TqzCustomInnerListBox::Notification(TComponent* component, TOperation operation) {
    TListBox::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == FHScrollBar) FHScrollBar = nullptr;
    if (component == FVScrollBar) FVScrollBar = nullptr;
    if (component == FContainer) FContainer = nullptr;
}

void TqzCustomInnerListBox::HandleLookAndFeelChange(TqzLookAndFeel*, TqzLookAndFeelValues) {
    if (HandleAllocated()) Invalidate();
}

void TqzCustomInnerListBox::HandleListMouseLeave() {
    if (FContainer) FContainer->RecalculateAtCursor();
}

// ---- Incremental search ----

void TqzCustomInnerListBox::IncrementalSearchKey(char32_t& key) {
    if (!GetAutoComplete()) return;
    const DWORD now = GetTickCount();
    if (now - FLastKeyTick >= FAutoCompleteDelay) FSearchText.clear();
    FLastKeyTick = now;
    if (key == 8) {
        if (!FSearchText.empty()) FSearchText.pop_back();
    } else if (key >= 32) {
        FSearchText.push_back(key);
    }
    const TLivenessToken alive = LivenessToken();
    if (FSearchText.empty()) {
        SetItemIndex(0);
        Click();
    } else {
        const Integer found = FindListItemByPrefix(this, Utf8Of(FSearchText));
        if (found >= 0) {
            if (GetMultiSelect()) {
                ClearSelection();
                SendMessageA(GetHandle(), LB_SELITEMRANGE, TRUE, MAKELPARAM(found, found));
            }
            SetItemIndex(found);
            Click();
        }
    }
    if (alive && key != 8 && key != 13 && key != 27) key = 0;
}

// ---- Overlay scroll bars ----

void TqzCustomInnerListBox::PlaceOverlayScrollBar(TqzScrollBar* bar, TScrollBarKind kind) {
    if (!bar || !GetParent()) return;
    SCROLLBARINFO info{};
    bool shown = false;
    if (HandleAllocated() && QueryScrollBarInfo(GetHandle(), kind == sbHorizontal ? OBJID_HSCROLL : OBJID_VSCROLL, info) &&
        !(info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN))) {
        bar->SetEnabled(!(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) && GetParent()->GetEnabled());
        const POINT topLeft = GetParent()->ScreenToClient(POINT{info.rcScrollBar.left, info.rcScrollBar.top});
        const Integer width = info.rcScrollBar.right - info.rcScrollBar.left;
        const Integer height = info.rcScrollBar.bottom - info.rcScrollBar.top;
        shown = topLeft.x >= 0 && topLeft.y >= 0 && width <= GetWidth() && height <= GetHeight();
        ++FBarParentLock;
        bar->SetParent(GetParent());
        --FBarParentLock;
        bar->SetBounds(topLeft.x, topLeft.y, width, height);
        bar->BringToFront();
    } else {
        bar->SetBounds(0, 0, 0, 0);
    }
    bar->SetVisible(shown);
}

void TqzCustomInnerListBox::UpdateOverlayScrollBars() {
    if (GetComponentState().Contains(csDestroying) || FBarParentLock > 0 || !IsScrollBarInfoAvailable() ||
        FUpdatingBars)
        return;
    FUpdatingBars = true;
    for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
        TqzScrollBar* bar = kind == sbHorizontal ? FHScrollBar : FVScrollBar;
        if (!bar) continue;
        PlaceOverlayScrollBar(bar, kind);
        if (!bar->GetVisible() || !HandleAllocated()) continue;
        SCROLLINFO si{};
        si.cbSize = sizeof(si);
        si.fMask = SIF_ALL;
        if (GetScrollInfo(GetHandle(), kind == sbHorizontal ? SB_HORZ : SB_VERT, &si)) {
            bar->SetScrollParams(si.nMin, si.nMax, true, Integer(std::min<UINT>(si.nPage, UINT(std::max(si.nMax, 0)))),
                                 si.nPos);
            bar->SetSmallChange(1);
        }
    }
    FUpdatingBars = false;
}

void TqzCustomInnerListBox::HandleHorzBarScroll(TObject*, TScrollCode code, Integer& position) {
    if (!HandleAllocated()) return;
    CallWindowProcA(GetDefWndProc(), GetHandle(), WM_HSCROLL, MAKEWPARAM(WORD(code), WORD(position)), 0);
    position = GetScrollPos(GetHandle(), SB_HORZ);
}

void TqzCustomInnerListBox::HandleVertBarScroll(TObject*, TScrollCode code, Integer& position) {
    if (!HandleAllocated()) return;
    if (code == scLineUp) {
        SetTopIndex(GetTopIndex() - 1);
    } else if (code == scLineDown) {
        SetTopIndex(GetTopIndex() + 1);
    } else {
        CallWindowProcA(GetDefWndProc(), GetHandle(), WM_VSCROLL, MAKEWPARAM(WORD(code), WORD(position)), 0);
    }
    position = GetScrollPos(GetHandle(), SB_VERT);
}

TRect TqzCustomInnerListBox::GetSizeGripRect() {
    if (!FHScrollBar || !FVScrollBar || !FHScrollBar->GetVisible() || !FVScrollBar->GetVisible() ||
        !HandleAllocated() || !GetParent())
        return TRect{0, 0, 0, 0};
    RECT window{};
    GetWindowRect(GetHandle(), &window);
    const POINT corner = GetParent()->ClientToScreen(POINT{FVScrollBar->GetLeft(), FHScrollBar->GetTop()});
    const Integer left = corner.x - window.left, top = corner.y - window.top;
    return TRect{left, top, left + FVScrollBar->GetWidth(), top + FHScrollBar->GetHeight()};
}

void TqzCustomInnerListBox::PaintCorner() {
    const TRect corner = GetSizeGripRect();
    if (corner.right <= corner.left || corner.bottom <= corner.top) return;
    HDC dc = GetWindowDC(GetHandle());
    HBRUSH brush = CreateSolidBrush(ColorToRGB(clBtnFace));
    RECT r = corner;
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    ReleaseDC(GetHandle(), dc);
}

// ---- Input passed to the container ----

void TqzCustomInnerListBox::DefaultHandler(void* message) {
    if (FContainer && FContainer->InnerDefaultHandler(*static_cast<TMessage*>(message))) return;
    TListBox::DefaultHandler(message);
}

void TqzCustomInnerListBox::WndProc(TMessage& message) {
    if (FContainer && (message.Msg == CN_KEYDOWN || message.Msg == CN_SYSKEYDOWN)) {
        KeyDownNotification(message);
        return;
    }
    if (FContainer && FContainer->InnerWindowProc(message)) return;
    const TLivenessToken alive = LivenessToken();
    switch (message.Msg) {
    case WM_GETDLGCODE:
        TListBox::WndProc(message);
        message.Result |= DLGC_WANTCHARS;
        if (!(GetKeyState(VK_CONTROL) & 0x8000)) message.Result |= DLGC_WANTTAB;
        return;
    case WM_SETFOCUS:
        TListBox::WndProc(message);
        if (alive && FContainer && !IsControlWindow(FContainer, HWND(message.WParam))) FContainer->HandleFocusChange();
        return;
    case WM_KILLFOCUS:
        TListBox::WndProc(message);
        if (alive && FContainer) FContainer->HandleFocusChange();
        return;
    case WM_LBUTTONDOWN:
        HandleLeftButtonDown(message);
        return;
    case WM_NCPAINT:
        TListBox::WndProc(message);
        if (alive) PaintCorner();
        return;
    case CM_MOUSEENTER:
        TListBox::WndProc(message);
        if (alive) HandleListMouseEnter();
        return;
    case CM_MOUSELEAVE:
        TListBox::WndProc(message);
        if (alive) HandleListMouseLeave();
        return;
    default:
        break;
    }
    TListBox::WndProc(message);
    if (!alive) return;
    if (UpdatesOverlayBars(message) || (message.Msg == WM_NCCALCSIZE && !FUpdatingBars)) UpdateOverlayScrollBars();
    if (message.Msg == WM_WINDOWPOSCHANGED && !GetComponentState().Contains(csDestroying) && FHScrollBar &&
        FVScrollBar && FHScrollBar->GetVisible() && FVScrollBar->GetVisible())
        PaintCorner();
}

// The application loop's announcement of a key-down: the container's key handling runs for it
// once, ahead of the form's dialog keys. A key it took still gives its character; a key it left
// goes on as usual without running the container's handling again when it is dispatched.
void TqzCustomInnerListBox::KeyDownNotification(TMessage& message) {
    const TLivenessToken alive = LivenessToken();
    FNotifiedKey = 0;
    if (OfferInnerKeyDown(FContainer, message)) {
        if (alive && HandleAllocated()) TranslateTakenKeyDown(GetHandle(), message);
        return;
    }
    if (!alive) return;
    FNotifiedKey = Word(message.WParam);
    TListBox::WndProc(message);
    if (alive && message.Result != 0) FNotifiedKey = 0;
}

void TqzCustomInnerListBox::HandleLeftButtonDown(TMessage& message) {
    if (!FContainer || FContainer->GetDragMode() != dmAutomatic || FContainer->IsDesigning()) {
        TListBox::WndProc(message);
        return;
    }
    const TDragMode saved = GetDragMode();
    SetDragMode(dmManual);
    const TLivenessToken alive = LivenessToken();
    const WPARAM keys = message.WParam;
    const bool shift = keys & MK_SHIFT, ctrl = keys & MK_CONTROL;
    const POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
    const Integer item = ItemAtPos(p, true);
    if (GetMultiSelect() && !(shift && !ctrl) && item >= 0 && GetSelected(item)) {
        FContainer->BeginDrag(false);
    } else {
        TListBox::WndProc(message);
        if (alive && FContainer && !(GetMultiSelect() && (shift || ctrl))) FContainer->BeginDrag(false);
    }
    if (alive) SetDragMode(saved);
}

void TqzCustomInnerListBox::Click() {
    const TLivenessToken alive = LivenessToken();
    TListBox::Click();
    if (!alive || !FContainer) return;
    FContainer->InnerClick();
    if (alive && FVScrollBar) FVScrollBar->SetPosition(GetTopIndex());
}

void TqzCustomInnerListBox::DblClick() {
    const TLivenessToken alive = LivenessToken();
    TListBox::DblClick();
    if (alive && FContainer) FContainer->InnerDblClick();
}

void TqzCustomInnerListBox::KeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    const bool notified = FNotifiedKey != 0 && FNotifiedKey == key;
    FNotifiedKey = 0;
    if (FContainer && !notified) FContainer->HandleKeyDown(key, shift);
    if (alive && key != 0) TListBox::KeyDown(key, shift);
}

void TqzCustomInnerListBox::KeyUp(Word& key, TShiftState shift) {
    if (key == VK_TAB) key = 0;
    const TLivenessToken alive = LivenessToken();
    if (FContainer) FContainer->HandleKeyUp(key, shift);
    if (alive && key != 0) TListBox::KeyUp(key, shift);
}

void TqzCustomInnerListBox::KeyPress(char32_t& key) {
    if (key == U'\t') key = 0;
    const TLivenessToken alive = LivenessToken();
    if (FContainer && key != 0) FContainer->HandleKeyPress(key);
    if (!alive) return;
    if (key == U'\r') key = 0;
    if (key != 0 && OnKeyPress) OnKeyPress(this, key);
    if (alive && key != 0) IncrementalSearchKey(key);
}

void TqzCustomInnerListBox::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TListBox::MouseDown(button, shift, x, y);
    if (!alive || !FContainer) return;
    TqzContainer* container = FContainer;
    container->SetForwardingInnerPress(true);
    const TLivenessToken containerAlive = container->LivenessToken();
    container->HandleMouseDown(button, shift, x + GetLeft(), y + GetTop());
    if (containerAlive) container->SetForwardingInnerPress(false);
}

void TqzCustomInnerListBox::MouseMove(TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TListBox::MouseMove(shift, x, y);
    if (alive && FContainer) FContainer->HandleMouseMove(shift, x + GetLeft(), y + GetTop());
}

void TqzCustomInnerListBox::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TListBox::MouseUp(button, shift, x, y);
    if (alive && FContainer) FContainer->HandleMouseUp(button, shift, x + GetLeft(), y + GetTop());
}

bool TqzCustomInnerListBox::DoMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) {
    if (FContainer && FContainer->HandleMouseWheel(shift, wheelDelta, mousePos)) return true;
    return TListBox::DoMouseWheel(shift, wheelDelta, mousePos);
}

// Drags over a hosted list are the container's; a list of its own handles them itself.
void TqzCustomInnerListBox::DragOver(TObject* source, Integer x, Integer y, TDragState state, bool& accept) {
    if (FContainer)
        FContainer->InnerDragOver(source, x + GetLeft(), y + GetTop(), state, accept);
    else
        TListBox::DragOver(source, x, y, state, accept);
}

void TqzCustomInnerListBox::DragDrop(TObject* source, Integer x, Integer y) {
    if (FContainer)
        FContainer->InnerDragDrop(source, x + GetLeft(), y + GetTop());
    else
        TListBox::DragDrop(source, x, y);
}

TComponent* TqzCustomInnerListBox::GetPopupMenu() const {
    return FContainer ? FContainer->GetPopupMenu() : TListBox::GetPopupMenu();
}

void TqzCustomInnerListBox::DrawItem(Integer index, TRect rect, TOwnerDrawState state) {
    TCanvas* canvas = GetCanvas();
    canvas->GetFont()->Assign(GetFont());
    canvas->GetBrush()->SetColor(GetColor());
    if (state.Contains(odSelected) && index >= 0) {
        canvas->GetBrush()->SetColor(clHighlight);
        canvas->GetFont()->SetColor(clHighlightText);
    }
    if (index < 0) {
        canvas->FillRect(rect);
        return;
    }
    TListBox::DrawItem(index, rect, state);
    if (state.Contains(odFocused) && UsesDefaultItemDrawing()) canvas->DrawFocusRect(rect);
}
